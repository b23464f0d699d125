// zuriz-uidata: writes the editor page's generated files into the bundle at build time.
//
//   zuriz-uidata families OUT                          the family tables as JSON
//   zuriz-uidata params OUT                            the parameter table as an ES module
//   zuriz-uidata manifest UIDIR BUILDTIME REVISION     UIDIR/manifest.json over UIDIR's files
//
// A file whose content would not change is left alone.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/uidata/families_json.h"
#include "tools/uidata/generated_file.h"
#include "tools/uidata/param_table_js.h"
#include "tools/uidata/ui_manifest.h"

namespace {

using namespace velmo::uidata;

int fail(const std::string& message) {
    std::fprintf(stderr, "zuriz-uidata: %s\n", message.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if ((command == "families" || command == "params") && argc == 3) {
        const std::string content = command == "families" ? familiesJson() + "\n" : paramTableModule();
        if (!writeIfChanged(argv[2], content)) return fail(std::string("cannot write ") + argv[2]);
        return 0;
    }
    if (command == "manifest" && argc == 5) {
        const std::string uiDir = argv[2];
        const std::string buildTime = argv[3];
        const std::string revision = argv[4];
        std::string error;
        const std::string digest = uiFilesDigest(uiDir, error);
        if (digest.empty()) return fail(error);
        const std::string path = uiDir + "/manifest.json";
        const bool reproducible = std::getenv("SOURCE_DATE_EPOCH") != nullptr;
        if (manifestIsCurrent(readText(path), buildTime, revision, digest, reproducible)) return 0;
        if (!writeIfChanged(path, manifestJson(buildTime, revision, digest))) return fail("cannot write " + path);
        return 0;
    }
    std::fputs("usage: zuriz-uidata families OUT\n"
               "       zuriz-uidata params OUT\n"
               "       zuriz-uidata manifest UIDIR BUILDTIME REVISION\n",
               stderr);
    return 2;
}

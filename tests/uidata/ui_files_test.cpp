// The page's generated files: families.json in the built bundle says what the kernel's tables
// say, js/param_table.js what params/'s table says, and the UI digest covers every file's path
// and bytes, and nothing else.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <span>
#include <string>

#include "docs/json_tree.h"
#include "kernel/bell_families.h"
#include "params/param_table.h"
#include "scratch_dir.h"
#include "tools/uidata/param_table_js.h"
#include "tools/uidata/ui_manifest.h"

namespace velmo {
namespace {

namespace fs = std::filesystem;
using test::readTextFile;

double number(const JsonValue& object, const char* key) {
    const JsonValue* v = object.find(key);
    EXPECT_TRUE(v != nullptr && v->kind == JsonValue::Number) << key;
    return v != nullptr ? v->number : -1.0;
}

TEST(UiFiles, FamiliesInTheBundleAreTheKernelTables) {
    const std::string text = readTextFile(ZURIZ_BUNDLE_DIR "/Contents/Resources/ui/families.json");
    JsonValue doc;
    ASSERT_TRUE(parseJsonDocument(text.data(), text.size(), doc)) << text;
    EXPECT_EQ(number(doc, "referenceNote"), BELLS_REFERENCE_NOTE);
    EXPECT_EQ(number(doc, "referenceHz"), BELLS_REFERENCE_HZ);
    EXPECT_EQ(number(doc, "positionFloor"), BELL_POSITION_FLOOR);
    const JsonValue* families = doc.find("families");
    ASSERT_TRUE(families != nullptr && families->kind == JsonValue::Array);
    ASSERT_EQ(families->array.size(), static_cast<std::size_t>(BELLS_FAMILY_COUNT));
    for (int f = 0; f < BELLS_FAMILY_COUNT; ++f) {
        const JsonValue& family = families->array[static_cast<std::size_t>(f)];
        EXPECT_EQ(number(family, "index"), f);
        EXPECT_EQ(family.str("name", ""), VELMO_PARAMS[0].options[f]);
        EXPECT_EQ(number(family, "ringSeconds"), FAMILY_DURATION[f]);
        EXPECT_EQ(number(family, "noiseAmount"), FAMILY_NOISE_AMOUNT[f]);
        const JsonValue* modes = family.find("modes");
        ASSERT_TRUE(modes != nullptr && modes->kind == JsonValue::Array);
        ASSERT_EQ(modes->array.size(), static_cast<std::size_t>(FAMILY_MODE_COUNT[f])) << "only the modes used";
        for (int m = 0; m < FAMILY_MODE_COUNT[f]; ++m) {
            const JsonValue& mode = modes->array[static_cast<std::size_t>(m)];
            const int at = f * MODAL_STRUCK_MAX_MODES + m;
            EXPECT_EQ(number(mode, "ratio"), FAMILY_RATIO[at]) << f << "/" << m;  // exact: round-trip form
            EXPECT_EQ(number(mode, "amplitude"), FAMILY_AMPLITUDE[at]);
            EXPECT_EQ(number(mode, "decay"), FAMILY_DECAY[at]);
        }
    }
}

// The rows of a generated param_table.js, one JSON object each, against the table it came from.
void expectRowsFollow(const std::string& module, std::span<const velmo_param_desc> table) {
    const std::string open = "PARAM_ROWS = ";
    const std::size_t begin = module.find(open);
    const std::size_t end = module.rfind("];");
    ASSERT_TRUE(begin != std::string::npos && end != std::string::npos && end > begin) << module;
    const std::string rows = module.substr(begin + open.size(), end + 1 - begin - open.size());
    JsonValue doc;
    ASSERT_TRUE(parseJsonDocument(rows.data(), rows.size(), doc)) << rows;
    ASSERT_EQ(doc.kind, JsonValue::Array);
    ASSERT_EQ(doc.array.size(), table.size());
    for (const velmo_param_desc& d : table) {
        const JsonValue& row = doc.array[d.id];
        EXPECT_EQ(number(row, "id"), d.id);
        EXPECT_EQ(row.str("path", ""), d.path);
        EXPECT_EQ(row.str("name", ""), d.name);
        EXPECT_EQ(row.str("group", ""), d.group);
        EXPECT_EQ(number(row, "kind"), d.kind);
        EXPECT_EQ(number(row, "min"), d.minValue) << d.path;  // exact: round-trip form
        EXPECT_EQ(number(row, "max"), d.maxValue) << d.path;
        EXPECT_EQ(number(row, "step"), d.step) << d.path;
        EXPECT_EQ(number(row, "defaultPlain"), d.defaultPlain) << d.path;
        EXPECT_EQ(row.str("unit", "?"), d.unit);
        const JsonValue* options = row.find("options");
        ASSERT_TRUE(options != nullptr);
        if (d.optionCount == 0) {
            EXPECT_EQ(options->kind, JsonValue::Null) << d.path;
            continue;
        }
        ASSERT_EQ(options->array.size(), static_cast<std::size_t>(d.optionCount)) << d.path;
        for (int32_t i = 0; i < d.optionCount; ++i) EXPECT_EQ(options->array[i].string, d.options[i]);
    }
    for (const char* kind : {"KIND_CONTINUOUS = 0;", "KIND_LIST = 1;", "KIND_TOGGLE = 2;"})
        EXPECT_NE(module.find(std::string("export const ") + kind), std::string::npos) << kind;
}

// The page takes the parameter table the bundle ships: params/'s own, so a range changed there
// reaches the page with no other edit.
TEST(UiFiles, ParamTableInTheBundleIsTheParamsTable) {
    const std::string shipped = readTextFile(ZURIZ_BUNDLE_DIR "/Contents/Resources/ui/js/param_table.js");
    EXPECT_EQ(shipped, uidata::paramTableModule()) << "the bundle's copy is current";
    expectRowsFollow(shipped, VELMO_PARAMS);

    velmo_param_desc changed[VELMO_PARAM_COUNT];
    std::copy(std::begin(VELMO_PARAMS), std::end(VELMO_PARAMS), changed);
    changed[8].minValue = 0.005;
    changed[8].maxValue = 12.5;
    changed[8].step = 0.005;
    changed[4].unit = "times";
    expectRowsFollow(uidata::paramTableModule(changed), changed);
}

TEST(UiFiles, DigestCoversPathsAndBytesButNotTheManifest) {
    const test::ScratchDir scratch;
    const fs::path dir = scratch.path();
    std::string error;
    const auto digest = [&] { return uidata::uiFilesDigest(dir.string(), error); };

    scratch.write("index.html", "ab");
    scratch.write("js/app.js", "c");
    const std::string first = digest();
    ASSERT_EQ(first.size(), 64u) << error;

    scratch.write("manifest.json", "{\"sha256\":\"x\"}");
    EXPECT_EQ(digest(), first) << "the manifest is not one of the hashed files";

    scratch.write("index.html", "a");  // the same bytes overall, moved across the boundary
    scratch.write("js/app.js", "bc");
    EXPECT_NE(digest(), first);

    scratch.write("index.html", "ab");
    scratch.write("js/app.js", "c");
    EXPECT_EQ(digest(), first) << "the digest depends on content only, not on time or order";
    fs::rename(dir / "js/app.js", dir / "js/main.js");
    EXPECT_NE(digest(), first) << "a renamed file";

    fs::remove_all(dir);
    EXPECT_EQ(digest(), "");
    EXPECT_FALSE(error.empty());
}

TEST(UiFiles, ManifestIsKeptWhileRevisionAndFilesStayTheSame) {
    const std::string doc = uidata::manifestJson("2026-01-01T00:00:00Z", "abc-dirty", "00ff");
    EXPECT_EQ(doc, "{\"buildTime\":\"2026-01-01T00:00:00Z\",\"sourceRevision\":\"abc-dirty\",\"sha256\":\"00ff\"}\n");
    EXPECT_TRUE(uidata::manifestIsCurrent(doc, "2027-05-05T00:00:00Z", "abc-dirty", "00ff", false));
    EXPECT_FALSE(uidata::manifestIsCurrent(doc, "2027-05-05T00:00:00Z", "abc-dirty", "00ff", true))
        << "a reproducible build's time is the one asked for";
    EXPECT_FALSE(uidata::manifestIsCurrent(doc, "2026-01-01T00:00:00Z", "abc", "00ff", false));
    EXPECT_FALSE(uidata::manifestIsCurrent(doc, "2026-01-01T00:00:00Z", "abc-dirty", "00fe", false));
    EXPECT_FALSE(uidata::manifestIsCurrent("not json", "t", "abc-dirty", "00ff", false));
}

}  // namespace
}  // namespace velmo

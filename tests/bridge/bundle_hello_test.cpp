// The hello document through the bundle's entry points: a fresh controller byte for byte, then
// with a CC map, a runtime-health report, host facts and a preset, and with a UI manifest.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "diagnostics/host_facts_json.h"
#include "docs/json_tree.h"
#include "scratch_dir.h"
#include "tests/bridge/bundle_rig.h"

namespace velmo::test {
namespace {

// Plugin block, the ten parameters at their defaults and the ten presets in plain values.
const std::string HELLO_HEAD =
    R"({"type":"velmo.hello","plugin":{"id":"music.velmo.bells","name":"Zuriz","vendor":"Velmo Music","version":"0.1.0"},"params":[)"
    R"({"path":"ir.family","value":0,"normalized":0},)"
    R"({"path":"strike.position","value":0.15,"normalized":0.15},)"
    R"({"path":"strike.hardness","value":0.62,"normalized":0.62},)"
    R"({"path":"strike.noise","value":0.12,"normalized":0.12},)"
    R"({"path":"ir.decayScale","value":1,"normalized":0.3478260869565218},)"
    R"({"path":"ir.damping","value":1,"normalized":0.28571428571428575},)"
    R"({"path":"ir.size","value":1,"normalized":0.3333333333333333},)"
    R"({"path":"ir.stereoWidth","value":0.5,"normalized":0.5},)"
    R"({"path":"amp.release","value":0.5,"normalized":0.12060301507537688},)"
    R"({"path":"master.level","value":0.78,"normalized":0.78}])"
    R"(,"factoryPresets":[)"
    R"({"id":"factory-1","name":"Cathedral Carillon","values":{"ir.family":0,"strike.position":0.15,"strike.hardness":0.62,"strike.noise":0.12,"ir.decayScale":1,"ir.damping":1,"ir.size":1,"ir.stereoWidth":0.5,"amp.release":0.5,"master.level":0.78}},)"
    R"({"id":"factory-2","name":"Deep Bourdon","values":{"ir.family":0,"strike.position":0.55,"strike.hardness":0.28,"strike.noise":0.08,"ir.decayScale":2.4,"ir.damping":0.35,"ir.size":2,"ir.stereoWidth":0.8,"amp.release":2.4,"master.level":0.72}},)"
    R"({"id":"factory-3","name":"Angelus Toll","values":{"ir.family":0,"strike.position":0.08,"strike.hardness":0.85,"strike.noise":0.2,"ir.decayScale":1.5,"ir.damping":0.7,"ir.size":1.3,"ir.stereoWidth":0.6,"amp.release":1.2,"master.level":0.74}},)"
    R"({"id":"factory-4","name":"Evening Chimes","values":{"ir.family":1,"strike.position":0.2,"strike.hardness":0.55,"strike.noise":0.16,"ir.decayScale":1.35,"ir.damping":0.8,"ir.size":1.1,"ir.stereoWidth":0.55,"amp.release":0.9,"master.level":0.76}},)"
    R"({"id":"factory-5","name":"Tubular Toll","values":{"ir.family":1,"strike.position":0.12,"strike.hardness":0.78,"strike.noise":0.24,"ir.decayScale":2,"ir.damping":0.5,"ir.size":1.7,"ir.stereoWidth":0.75,"amp.release":1.6,"master.level":0.72}},)"
    R"({"id":"factory-6","name":"Choir of Handbells","values":{"ir.family":2,"strike.position":0.18,"strike.hardness":0.35,"strike.noise":0.1,"ir.decayScale":1.1,"ir.damping":1,"ir.size":1,"ir.stereoWidth":0.45,"amp.release":0.3,"master.level":0.8}},)"
    R"({"id":"factory-7","name":"Winter Zuriz","values":{"ir.family":2,"strike.position":0.05,"strike.hardness":0.9,"strike.noise":0.28,"ir.decayScale":0.6,"ir.damping":1.6,"ir.size":0.6,"ir.stereoWidth":0.85,"amp.release":0.12,"master.level":0.82}},)"
    R"({"id":"factory-8","name":"Glass Hour","values":{"ir.family":3,"strike.position":0.25,"strike.hardness":0.7,"strike.noise":0.14,"ir.decayScale":1.6,"ir.damping":0.65,"ir.size":1.2,"ir.stereoWidth":0.7,"amp.release":0.45,"master.level":0.76}},)"
    R"({"id":"factory-9","name":"Toy Glockenspiel","values":{"ir.family":3,"strike.position":0.02,"strike.hardness":0.95,"strike.noise":0.3,"ir.decayScale":0.45,"ir.damping":2.2,"ir.size":0.55,"ir.stereoWidth":0.3,"amp.release":0.08,"master.level":0.84}},)"
    R"({"id":"factory-10","name":"Meditation Bowl","values":{"ir.family":4,"strike.position":0.35,"strike.hardness":0.2,"strike.noise":0.06,"ir.decayScale":2.5,"ir.damping":0.25,"ir.size":1.8,"ir.stereoWidth":0.9,"amp.release":3,"master.level":0.72}}])";

const std::string IDENTITY_HEAD =
    R"(,"identity":{"moduleId":"music.velmo.bells","name":"Zuriz","vendor":"Velmo Music",)"
    R"("version":"0.1.0","hostClass":"instrument","target":"vst3","sdkVersion":"0.0.0",)"
    R"("build":{"mode":"production","configuration":"Release"})";
const std::string IDENTITY_TAIL =
    R"(,"ratePolicy":{"mode":"host-native"},"state":{"version":1,"maxBytes":65536},)"
    R"("ports":[{"id":"out","kind":"audio","direction":"output","busRole":"main","channels":2},)"
    R"({"id":"midi-in","kind":"midi","direction":"input","busRole":"main"}]})";
const std::string CAPABILITIES = R"(,"diagnostics":{"feeds":[],"commands":[],"maxFeedHz":0})";

// The identity's UI block for the manifest the build wrote beside the page: all three facts.
std::string builtUiBlock() {
    const std::string text = test::readTextFile(ZURIZ_BUNDLE_DIR "/Contents/Resources/ui/manifest.json");
    JsonValue manifest;
    EXPECT_TRUE(parseJsonDocument(text.data(), text.size(), manifest)) << "the build writes manifest.json";
    const std::string buildTime = manifest.str("buildTime", "");
    const std::string revision = manifest.str("sourceRevision", "");
    const std::string sha256 = manifest.str("sha256", "");
    EXPECT_EQ(buildTime.size(), 20u) << buildTime;
    EXPECT_FALSE(revision.empty());
    EXPECT_EQ(sha256.size(), 64u) << sha256;
    return R"(,"ui":{"buildTime":")" + buildTime + R"(","sourceRevision":")" + revision + R"(","sha256":")" +
           sha256 + "\"}";
}

std::string helloOf(BundleRig& rig) {
    rig.page.clear();
    EXPECT_EQ(rig.deliver(R"({"type":"velmo.ready"})"), 1);
    EXPECT_EQ(rig.page.size(), 1u);
    return rig.page.empty() ? std::string() : rig.page.back();
}

TEST(BundleHello, FreshControllerByteForByte) {
    BundleRig rig;
    ASSERT_TRUE(rig.openPage());
    EXPECT_EQ(helloOf(rig),
              HELLO_HEAD + IDENTITY_HEAD + builtUiBlock() + IDENTITY_TAIL + CAPABILITIES +
                  R"(,"presetState":{"factoryCount":10,"dirty":false,"userPresetsSupported":false}})");
}

TEST(BundleHello, WithMapHealthHostFactsAndAPreset) {
    BundleRig rig;
    ASSERT_TRUE(rig.openPage());
    rig.deliver(R"({"type":"velmo.setCcMap","map":[{"cc":1,"path":"strike.position"}]})");
    const std::string report = R"({"format":"velmo-runtime-health/v1","schemaVersion":1})";
    rig.sendProcessorMessage("velmo.runtimeDiagnostics", report);

    HostFacts facts;
    std::strcpy(facts.hostName, "the processor's idea");  // the controller keeps its own
    facts.validatorHost = 1;
    facts.sampleRate = 44100;
    facts.maxBlockFrames = 512;
    facts.addBus("out", false, 2, true, "stereo");
    rig.sendHostFacts(facts);
    rig.deliver(R"({"type":"velmo.loadFactoryPreset","id":"factory-3"})");
    rig.controller->setParamNormalized(1, 0.5);  // the preset is now dirty

    HostFacts expectedHost = facts;
    std::memset(expectedHost.hostName, 0, sizeof expectedHost.hostName);
    std::strcpy(expectedHost.hostName, "velmo-bridge-tests");
    expectedHost.validatorHost = 5;  // "velmo" in the host's name: our own probe
    std::string hostDoc;
    writeDiagnosticHostJson(hostDoc, expectedHost);
    EXPECT_NE(hostDoc.find(R"("hostName":"velmo-bridge-tests","validatorHost":"velmo-probe")"),
              std::string::npos);

    const std::string hello = helloOf(rig);
    const std::size_t presetsEnd = hello.find("]", hello.find("\"factoryPresets\""));
    ASSERT_NE(presetsEnd, std::string::npos);
    EXPECT_EQ(hello.substr(presetsEnd + 1),
              R"(,"ccMap":{"version":1,"bindings":[{"cc":1,"path":"strike.position"}]})"
              R"(,"runtimeHealth":)" + report + IDENTITY_HEAD + builtUiBlock() + IDENTITY_TAIL + ",\"host\":" + hostDoc +
                  CAPABILITIES +
                  R"(,"presetState":{"factoryCount":10,"currentId":"factory-3","currentName":"Angelus Toll",)"
                  R"("dirty":true,"userPresetsSupported":false}})");
    EXPECT_NE(hello.find(R"({"path":"strike.position","value":0.5,"normalized":0.5})"), std::string::npos);
}

// A copy of the built bundle with a UI manifest: a separate image, so its facts are read anew.
class ManifestBundle : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(std::system(("cp -r '" ZURIZ_BUNDLE_DIR "' '" + dir + "/Zuriz.vst3'").c_str()), 0);
        ASSERT_EQ(std::system(("mkdir -p '" + dir + "/Zuriz.vst3/Contents/Resources/ui'").c_str()), 0);
    }
    void TearDown() override { module.reset(); }

    std::string helloWithManifest(const std::string& manifest) {
        scratch.write("Zuriz.vst3/Contents/Resources/ui/manifest.json", manifest);
        std::string error;
        module = host::PluginModule::open(dir + "/Zuriz.vst3", &error);
        EXPECT_NE(module, nullptr) << error;
        if (module == nullptr) return {};
        BundleRig rig(*module);
        rig.openPage();
        return helloOf(rig);
    }

    test::ScratchDir scratch;
    const std::string dir = scratch.path();
    std::unique_ptr<host::PluginModule> module;
};

TEST_F(ManifestBundle, IdentityCarriesTheUiFacts) {
    const std::string hello = helloWithManifest(
        R"({"name":"ui","buildTime":"2026-12-08T01:00:00Z","meta":{"sourceRevision":"nested"},)"
        R"("sha256":"0123abcd"})");
    EXPECT_NE(hello.find(IDENTITY_HEAD + R"(,"ui":{"buildTime":"2026-12-08T01:00:00Z","sha256":"0123abcd"})" +
                         IDENTITY_TAIL),
              std::string::npos)
        << hello;
}

TEST_F(ManifestBundle, OnlyTheHash) {
    const std::string hello = helloWithManifest(R"({"sha256":"feed"})");
    EXPECT_NE(hello.find(IDENTITY_HEAD + R"(,"ui":{"sha256":"feed"})" + IDENTITY_TAIL), std::string::npos)
        << hello;
}

TEST_F(ManifestBundle, AnEscapedQuoteCutsTheValue) {
    const std::string hello = helloWithManifest(R"({"buildTime":"with \"quote"} trailing)");
    EXPECT_NE(hello.find(IDENTITY_HEAD + R"(,"ui":{"buildTime":"with "})" + IDENTITY_TAIL), std::string::npos)
        << "cut before the escape: " << hello;
}

}  // namespace
}  // namespace velmo::test

// Component state: save/restore round trip, how the stream is read, and what a bad document
// leaves behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "ccmap/cc_map_json.h"
#include "fake_kernel.h"
#include "processor_harness.h"

using namespace Steinberg;
using namespace Steinberg::Vst;
using velmo::test::ProcessorHarness;

namespace {

// An IBStream over fixed text that records each read and can fail from a given read on.
class ScriptedStream : public IBStream {
public:
    explicit ScriptedStream(std::string text, int failFromRead = -1)
        : text_(std::move(text)), failFromRead_(failFromRead) {}
    std::vector<int32> readSizes;  // bytes returned by each read

    tresult PLUGIN_API read(void* buffer, int32 numBytes, int32* numBytesRead) override {
        const int index = static_cast<int>(readSizes.size());
        if (failFromRead_ >= 0 && index >= failFromRead_) {
            readSizes.push_back(-1);
            if (numBytesRead) *numBytesRead = 0;
            return kResultFalse;
        }
        const auto n = static_cast<int32>(std::min<size_t>(numBytes, text_.size() - pos_));
        std::copy_n(text_.data() + pos_, n, static_cast<char*>(buffer));
        pos_ += static_cast<size_t>(n);
        readSizes.push_back(n);
        if (numBytesRead) *numBytesRead = n;
        return kResultOk;
    }
    // Accepts at most writeLimit bytes per call (none when negative: the write fails).
    int32 writeLimit = -1;
    int writes = 0;
    tresult PLUGIN_API write(void*, int32 numBytes, int32* numBytesWritten) override {
        ++writes;
        if (writeLimit < 0) return kResultFalse;
        if (numBytesWritten) *numBytesWritten = std::min(numBytes, writeLimit);
        return kResultOk;
    }
    tresult PLUGIN_API seek(int64, int32, int64*) override { return kResultFalse; }
    tresult PLUGIN_API tell(int64*) override { return kResultFalse; }
    tresult PLUGIN_API queryInterface(const TUID, void** obj) override {
        *obj = nullptr;
        return kNoInterface;
    }
    uint32 PLUGIN_API addRef() override { return 1; }
    uint32 PLUGIN_API release() override { return 1; }

private:
    std::string text_;
    size_t pos_ = 0;
    int failFromRead_;
};

// A document padded with trailing whitespace to exactly `size` bytes.
std::string padded(std::string doc, size_t size) {
    doc.append(size - doc.size(), ' ');
    return doc;
}

const char* kMap = "{\"version\":1,\"bindings\":[{\"cc\":7,\"path\":\"master.level\",\"channel\":2},"
                   "{\"cc\":74,\"path\":\"strike.hardness\",\"curve\":\"exp\",\"enabled\":false}]}";

std::vector<double> values(const velmo::VelmoProcessor& p) {
    std::vector<double> v;
    for (uint32_t id = 0; id < 10; ++id) v.push_back(p.kernelEngine().paramValue(id));
    return v;
}

}  // namespace

TEST(ProcessorState, RoundTripRestoresValuesVariationAndCcMap) {
    ProcessorHarness a;
    ASSERT_TRUE(a.start());
    const std::string edited =
        "{\"params\":{\"ir.family\":3,\"strike.position\":0.31,\"strike.hardness\":0.9,"
        "\"strike.noise\":0.05,\"ir.decayScale\":1.7,\"ir.damping\":0.4,\"ir.size\":1.3,"
        "\"ir.stereoWidth\":0.2,\"amp.release\":1.1,\"master.level\":0.6},\"variation\":7}";
    ASSERT_EQ(a.loadState(edited), kResultOk);
    ASSERT_EQ(a.controller->send(velmo::host::makeMessage("velmo.ccMap", kMap)), kResultOk);
    ASSERT_TRUE(a.processor->storedHasCcMap());
    const std::string saved = a.saveState();

    ProcessorHarness b;
    ASSERT_TRUE(b.start());
    ASSERT_NE(values(*a.processor), values(*b.processor));
    ASSERT_EQ(b.loadState(saved), kResultOk);
    EXPECT_EQ(values(*b.processor), values(*a.processor));
    EXPECT_EQ(b.processor->kernelEngine().variation(), 7);
    EXPECT_TRUE(b.processor->storedHasCcMap());
    EXPECT_TRUE(velmo::ccMapsEqual(b.processor->storedCcMap(), a.processor->storedCcMap()));
    EXPECT_EQ(b.saveState(), saved) << "a restored state saves to the same bytes";
}

TEST(ProcessorState, StreamIsReadInPiecesUntilAReadReturnsNothing) {
    ProcessorHarness h;
    const std::string doc = padded("{\"params\":{\"master.level\":0.25}}", 4096);
    ScriptedStream exact(doc);
    ASSERT_EQ(h.processor->setState(&exact), kResultOk);
    EXPECT_EQ(exact.readSizes, (std::vector<int32>{4096, 0})) << "two reads, the second empty";
    EXPECT_DOUBLE_EQ(h.processor->kernelEngine().paramValue(9), 0.25);

    ScriptedStream longer(padded("{\"variation\":3}", 5000));
    ASSERT_EQ(h.processor->setState(&longer), kResultOk);
    EXPECT_EQ(longer.readSizes, (std::vector<int32>{4096, 904, 0})) << "a short piece is not the end";
    EXPECT_EQ(h.processor->kernelEngine().variation(), 3);
}

TEST(ProcessorState, StreamFailingMidReadParsesWhatWasRead) {
    ProcessorHarness h;
    // The first 4096 bytes are a whole document; what follows is never read.
    ScriptedStream failing(padded("{\"params\":{\"ir.size\":1.5}}", 4096) + "garbage", 1);
    EXPECT_EQ(h.processor->setState(&failing), kResultOk);
    EXPECT_EQ(failing.readSizes, (std::vector<int32>{4096, -1}));
    EXPECT_DOUBLE_EQ(h.processor->kernelEngine().paramValue(6), 1.5);

    ScriptedStream cut(padded("{\"params\":{\"ir.size\":1.5", 4096) + "}}", 1);
    EXPECT_EQ(h.processor->setState(&cut), kResultFalse) << "a cut document is malformed";
}

TEST(ProcessorState, GetStateWritesOnceAndReportsShortWrites) {
    ProcessorHarness h;
    ScriptedStream whole("");
    whole.writeLimit = 1 << 20;
    EXPECT_EQ(h.processor->getState(&whole), kResultOk);
    EXPECT_EQ(whole.writes, 1);
    ScriptedStream failing("");
    EXPECT_EQ(h.processor->getState(&failing), kResultFalse);
    ScriptedStream shortWrite("");
    shortWrite.writeLimit = 10;
    EXPECT_EQ(h.processor->getState(&shortWrite), kResultFalse) << "a cut document is not a save";
}

TEST(ProcessorState, EmptyObjectAndMalformedDocumentsChangeNothing) {
    ProcessorHarness h;
    ASSERT_TRUE(h.start());
    h.controller->send(velmo::host::makeMessage("velmo.ccMap", kMap));
    const std::string before = h.saveState();

    EXPECT_EQ(h.loadState("{}"), kResultOk);
    EXPECT_EQ(h.saveState(), before);

    for (const char* bad : {"", "[]", "{\"params\":{\"ir.size\":0.5}", "{\"variation\":\"2\"}",
                            "{\"params\":{\"master.level\":0.1},\"ccMap\":{\"bindings\":[{\"path\":3}]}}",
                            "{\"params\":{\"master.level\":0.1}} {}", "not json"}) {
        EXPECT_EQ(h.loadState(bad), kResultFalse) << bad;
        EXPECT_EQ(h.saveState(), before) << bad;
    }
    EXPECT_EQ(h.processor->getState(nullptr), kResultFalse);
    EXPECT_EQ(h.processor->setState(nullptr), kResultFalse);
}

TEST(ProcessorState, PartialDocumentKeepsOtherValues) {
    ProcessorHarness h;
    const auto before = values(*h.processor);
    ASSERT_EQ(h.loadState("{\"params\":{\"strike.noise\":0.5,\"unknown.path\":3}}"), kResultOk);
    auto after = values(*h.processor);
    EXPECT_DOUBLE_EQ(after[3], 0.5);
    after[3] = before[3];
    EXPECT_EQ(after, before);
    EXPECT_EQ(h.processor->kernelEngine().variation(), 16);
    EXPECT_FALSE(h.processor->storedHasCcMap());
    EXPECT_EQ(h.saveState().find("\"ccMap\""), std::string::npos);
}

TEST(ProcessorState, VariationIsClampedAndNamedBankIsReported) {
    ProcessorHarness h;
    ASSERT_EQ(h.loadState("{\"variation\":25}"), kResultOk);
    EXPECT_EQ(h.processor->kernelEngine().variation(), 19);
    ASSERT_EQ(h.loadState("{\"variation\":-4}"), kResultOk);
    EXPECT_EQ(h.processor->kernelEngine().variation(), 19) << "a negative variation is not given";

    ASSERT_EQ(h.loadState("{\"bank\":{\"version\":1,\"id\":\"old-bank\"}}"), kResultOk);
    const auto& ring = h.processor->kernelEngine().diagnosticRing();
    ASSERT_GE(ring.count, 1u);
    const auto& record = ring.records[ring.count - 1];
    EXPECT_EQ(record.code, 27u);
    EXPECT_NE(std::string(record.detail).find("old-bank"), std::string::npos);
    EXPECT_EQ(h.saveState().find("\"bank\""), std::string::npos) << "no bank is ever saved";
}

TEST(ProcessorState, GetStateFirstSendsPendingAudioDiagnostics) {
    velmo::test::resetFakeKernel();
    ProcessorHarness h(velmo::test::fakeKernelModule());
    ASSERT_TRUE(h.start());
    h.saveState();
    EXPECT_TRUE(h.sent("velmo.runtimeDiagnostics").empty()) << "nothing pending, nothing sent";

    velmo::test::fakeKernel().processStatus = 1;
    velmo::host::ProcessBlock block({2}, 512);
    EXPECT_EQ(h.processor->process(block.begin(64)), kResultFalse);
    h.saveState();
    auto health = h.sent("velmo.runtimeDiagnostics");
    ASSERT_EQ(health.size(), 1u);
    EXPECT_NE(health[0].json->find("\"lifecycle\":\"configured\""), std::string::npos);
    EXPECT_NE(health[0].json->find("\"code\":\"runtime.process-failed\""), std::string::npos);
    h.saveState();
    EXPECT_EQ(h.sent("velmo.runtimeDiagnostics").size(), 1u) << "drained once";
}

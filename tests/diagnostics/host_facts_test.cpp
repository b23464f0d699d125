// HostFacts and TransportFact: their raw bytes, change kinds, and the page documents.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "diagnostics/host_facts.h"
#include "diagnostics/host_facts_json.h"
#include "diagnostics/transport_fact.h"

using namespace velmo;

namespace {

HostFacts configured() {
    HostFacts f;
    std::strcpy(f.hostName, "Probe");
    f.validatorHost = 5;
    f.sampleRate = 48000;
    f.maxBlockFrames = 512;
    f.addBus("out0", false, 2, true, "stereo");
    return f;
}

std::string hostJson(const HostFacts& f) {
    std::string out;
    writeDiagnosticHostJson(out, f);
    return out;
}

std::string delta(const HostFacts& a, const HostFacts& b) {
    std::string out;
    const bool wrote = writeDiagnosticHostDeltaJson(out, a, b);
    EXPECT_EQ(wrote, !out.empty());
    return out;
}

std::string kind(const HostFacts& a, const HostFacts& b) {
    const char* k = diagnosticHostChangeKind(a, b);
    return k ? k : "";
}

}  // namespace

TEST(HostFactsRecord, FreshRecordBytesAreZeroExceptDefaults) {
    HostFacts f;
    unsigned char bytes[sizeof(HostFacts)];
    std::memcpy(bytes, &f, sizeof bytes);
    for (size_t i = 0; i < sizeof bytes; ++i) {
        if (i >= 724 && i < 728) {
            EXPECT_EQ(bytes[i], 0xFF) << "lastBlockFrames is -1";
        } else if (i == 732) {
            EXPECT_EQ(bytes[i], 32) << "sampleSize is 32";
        } else {
            ASSERT_EQ(bytes[i], 0) << "byte " << i;
        }
    }
}

TEST(HostFactsRecord, AddBusCutsTextsAndStopsAtEight) {
    HostFacts f;
    const std::string longId(40, 'i');
    const std::string longLayout(30, 'l');
    f.addBus(longId.c_str(), true, 6, false, longLayout.c_str());
    EXPECT_EQ(std::string(f.buses[0].id), std::string(31, 'i'));
    EXPECT_EQ(std::string(f.buses[0].layout), std::string(23, 'l'));
    EXPECT_EQ(f.buses[0].isInput, 1);
    EXPECT_EQ(f.buses[0].channels, 6);
    f.addBus(nullptr, false, 2, true, nullptr);
    EXPECT_STREQ(f.buses[1].id, "");
    EXPECT_STREQ(f.buses[1].layout, "");
    for (int i = 2; i < 9; ++i) f.addBus("x", false, 1, true, "mono");
    EXPECT_EQ(f.busCount, 8u) << "a ninth bus is not stored";
    // The bus entry's bytes at their documented offsets within the record.
    const auto* raw = reinterpret_cast<const unsigned char*>(&f);
    EXPECT_EQ(raw[764 + 32], 1);                 // first bus isInput
    EXPECT_EQ(raw[764 + 36], 6);                 // channels
    EXPECT_EQ(raw[764 + 68 + 40], 1);            // second bus active
    EXPECT_EQ(raw[1308], 8);                     // busCount
}

TEST(HostFactsChange, KindsFollowRuleOrder) {
    const HostFacts base = configured();
    HostFacts b = base;
    EXPECT_EQ(kind(base, b), "");
    EXPECT_EQ(delta(base, b), "") << "identical records give no delta";

    b.sampleRate = 44100;
    b.maxBlockFrames = 256;
    EXPECT_EQ(kind(base, b), "sampleRateChanged") << "rate outranks block size";

    b = base;
    b.lastBlockFrames = 128;
    EXPECT_EQ(kind(base, b), "blockSizeChanged");
    EXPECT_EQ(delta(base, b), "{\"lastBlockFrames\":128}");

    b = base;
    b.sampleSize = 64;
    EXPECT_EQ(kind(base, b), "configured");

    b = base;
    std::strcpy(b.buses[0].layout, "mono");
    EXPECT_EQ(kind(base, b), "busLayoutChanged");

    b = base;
    b.latencySamples = 35;
    b.processMode = 1;
    EXPECT_EQ(kind(base, b), "latencyChanged");

    b = base;
    b.tailKind = 2;
    EXPECT_EQ(kind(base, b), "tailChanged");

    b = base;
    b.bypassReported = 1;
    EXPECT_EQ(kind(base, b), "bypassChanged") << "first report of bypass";
    HostFacts c = b;
    EXPECT_EQ(kind(b, c), "");
    c.bypassed = 1;
    EXPECT_EQ(kind(b, c), "bypassChanged");

    b = base;
    b.internalSampleRate = 48000;
    EXPECT_EQ(kind(base, b), "sampleRateChanged");

    b = base;
    std::strcpy(b.hostName, "Other");
    EXPECT_EQ(kind(base, b), "") << "identity is not a configuration change";
    EXPECT_EQ(delta(base, b), "");
}

TEST(HostFactsChange, NotANumberRateIsStable) {
    HostFacts a = configured();
    a.sampleRate = std::numeric_limits<double>::quiet_NaN();
    HostFacts b = a;
    EXPECT_EQ(kind(a, b), "");
    EXPECT_EQ(delta(a, b), "");
}

TEST(HostFactsJson, HostDocumentExactBytes) {
    HostFacts f = configured();
    EXPECT_EQ(hostJson(f),
              "{\"hostName\":\"Probe\",\"validatorHost\":\"velmo-probe\",\"sampleRate\":48000,"
              "\"maxBlockFrames\":512,\"processMode\":\"realtime\",\"sampleSize\":32,"
              "\"latencySamples\":0,\"tailSamples\":\"unreported\",\"buses\":[{\"id\":\"out0\","
              "\"direction\":\"output\",\"channels\":2,\"active\":true,\"layout\":\"stereo\"}]}");

    HostFacts g;
    g.sampleRate = std::numeric_limits<double>::infinity();
    g.maxBlockFrames = 100000;
    g.lastBlockFrames = 0;
    g.processMode = 2;
    g.tailKind = 1;
    g.tailSamples = 4800;
    g.internalSampleRate = 48000;
    g.bypassReported = 1;
    g.addBus("in0", true, 1, false, "");
    EXPECT_EQ(hostJson(g),
              "{\"sampleRate\":null,\"maxBlockFrames\":100000,\"lastBlockFrames\":0,"
              "\"processMode\":\"prefetch\",\"sampleSize\":32,\"latencySamples\":0,"
              "\"tailSamples\":4800,\"internalSampleRate\":48000,\"buses\":[{\"id\":\"in0\","
              "\"direction\":\"input\",\"channels\":1,\"active\":false}],\"bypassed\":false}");
}

TEST(HostFactsJson, DeltaAndChangedDocuments) {
    const HostFacts a = configured();
    HostFacts b = a;
    b.sampleRate = 96000;
    b.tailKind = 2;
    b.addBus("out1", false, 1, true, "mono");
    EXPECT_EQ(delta(a, b),
              "{\"sampleRate\":96000,\"tailSamples\":\"infinite\",\"buses\":[{\"id\":\"out0\","
              "\"direction\":\"output\",\"channels\":2,\"active\":true,\"layout\":\"stereo\"},"
              "{\"id\":\"out1\",\"direction\":\"output\",\"channels\":1,\"active\":true,"
              "\"layout\":\"mono\"}]}");

    std::string out;
    ASSERT_TRUE(writeDiagnosticHostChangedJson(out, a, b, 7, 12.5));
    EXPECT_EQ(out, "{\"type\":\"velmo.hostChanged\",\"host\":" + delta(a, b) +
                       ",\"event\":{\"seq\":7,\"timeMs\":12.5,\"kind\":\"sampleRateChanged\"}}");

    // A delta whose change has no kind: lastBlockFrames going back to -1 writes nothing.
    HostFacts c = a;
    c.lastBlockFrames = 64;
    out.clear();
    EXPECT_FALSE(writeDiagnosticHostChangedJson(out, c, a, 1, 0)) << "only lastBlockFrames to -1";
    EXPECT_TRUE(out.empty());

    // A delta present with timeMs not finite.
    out.clear();
    ASSERT_TRUE(writeDiagnosticHostChangedJson(out, a, c, 2, NAN));
    EXPECT_EQ(out, "{\"type\":\"velmo.hostChanged\",\"host\":{\"lastBlockFrames\":64},"
                   "\"event\":{\"seq\":2,\"timeMs\":null,\"kind\":\"blockSizeChanged\"}}");
}

TEST(TransportFactRecord, ComparesStateButNotPosition) {
    TransportFact a;
    a.source = 1;
    a.tempo = 120;
    TransportFact b = a;
    b.atFrame = 999;
    b.ppqPosition = 4;
    b.barPositionPpq = 4;
    b.projectTimeSamples = 96000;
    EXPECT_FALSE(a.differsFrom(b));
    b.loopEndPpq = 8;
    EXPECT_TRUE(a.differsFrom(b));
    b = a;
    b.canSetTempo = 1;
    EXPECT_TRUE(a.differsFrom(b));
    b = a;
    b.denominator = 8;
    EXPECT_TRUE(a.differsFrom(b));
    a.tempo = b.tempo = NAN;
    b.denominator = a.denominator;
    EXPECT_FALSE(a.differsFrom(b));
}

TEST(TransportFactJson, DocumentExactBytes) {
    TransportFact f;
    f.atFrame = 4096;
    f.source = 1;
    f.playing = 1;
    f.hasTempo = 1;
    f.tempo = 120.5;
    f.numerator = 3;
    f.denominator = 4;
    f.ppqPosition = 2.25;
    f.barPositionPpq = NAN;
    f.loopStartPpq = 1;
    f.loopEndPpq = 5;
    f.sampleRate = 0;
    f.projectTimeSamples = -12;
    std::string out;
    writeDiagnosticTransportJson(out, f);
    EXPECT_EQ(out,
              "{\"type\":\"velmo.transport\",\"frame\":{\"atFrame\":4096,\"source\":\"host\","
              "\"state\":{\"playing\":true,\"recording\":false,\"looping\":false,\"tempo\":120.5,"
              "\"timeSignature\":{\"numerator\":3,\"denominator\":4},\"ppqPosition\":2.25,"
              "\"barPositionPpq\":null,\"loopStartPpq\":null,\"loopEndPpq\":null,"
              "\"sampleRate\":null,\"projectTimeSamples\":-12},\"capabilities\":{\"tempo\":true,"
              "\"timeSignature\":false,\"position\":false,\"loop\":false,\"canSetTempo\":false}}}")
        << "loop points are null without hasLoop";

    f.hasLoop = 1;
    f.loopEndPpq = INFINITY;
    f.sampleRate = 44100;
    out.clear();
    writeDiagnosticTransportJson(out, f);
    EXPECT_NE(out.find("\"loopStartPpq\":1,\"loopEndPpq\":null,\"sampleRate\":44100"),
              std::string::npos);
    EXPECT_NE(out.find("\"loop\":true"), std::string::npos);
}

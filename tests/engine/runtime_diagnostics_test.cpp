// The diagnostic ring, the real-time queue's single-thread behaviour, and the health document.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "engine/kernel_engine.h"
#include "engine/runtime_health.h"
#include "fake_kernel.h"

namespace velmo {
namespace {

const std::string RECORD_INVALID_CONFIG =
    "{\"format\":\"velmo-plugin-runtime-diagnostic/v1\",\"schemaVersion\":1,\"sequence\":1,"
    "\"code\":\"runtime.invalid-configuration\",\"severity\":\"error\",\"phase\":\"configure\","
    "\"component\":\"shell\",\"message\":\"host processing configuration is invalid\","
    "\"recoverable\":false,\"identity\":{\"moduleId\":\"music.velmo.bells\",\"version\":\"0.1.0\","
    "\"target\":\"vst3\"},\"configuration\":{\"sampleRate\":48000,\"maxBlockFrames\":0},"
    "\"occurrence\":{\"count\":1}}";

std::string health(const KernelEngine& engine, bool failed) {
    return writeRuntimeHealthJson(engine.diagnosticRing(), "music.velmo.bells", "0.1.0", engine.hostSampleRate(),
                                  engine.maxBlockFrames(), failed);
}

TEST(DiagnosticRing, KeepsTheFirst32RecordsAndCountsTheRest) {
    velmo_runtime_diagnostic_ring ring;
    recordDiagnostic(ring, 27, kSeverityInfo, kPhaseLoad, "first", nullptr);
    for (int i = 0; i < 32; ++i) recordDiagnostic(ring, 14, kSeverityError, kPhaseConfigure, "again", "x");
    EXPECT_EQ(ring.count, 32u);
    EXPECT_EQ(ring.dropped, 1u);
    EXPECT_EQ(ring.nextSequence, 34u);
    EXPECT_EQ(ring.firstErrorSequence, 2u);
    for (uint32_t i = 0; i < 32; ++i) EXPECT_EQ(ring.records[i].sequence, i + 1);
    EXPECT_STREQ(ring.records[0].message, "first");
    EXPECT_STREQ(ring.records[0].detail, "");
}

TEST(DiagnosticRing, CutsLongTextsAndTakesNullAsEmpty) {
    velmo_runtime_diagnostic_ring ring;
    const std::string longText(300, 'm');
    recordDiagnostic(ring, 4, kSeverityWarning, kPhaseProcess, longText.c_str(), longText.c_str());
    recordDiagnostic(ring, 4, kSeverityWarning, kPhaseProcess, nullptr, nullptr);
    EXPECT_EQ(std::string(ring.records[0].message), std::string(191, 'm'));
    EXPECT_EQ(std::string(ring.records[0].detail), std::string(127, 'm'));
    EXPECT_STREQ(ring.records[1].message, "");
    EXPECT_EQ(ring.firstErrorSequence, 0u);  // warnings are not errors
}

TEST(RealtimeQueue, FortyFailuresBetweenDrainsKeep32AndCountEight) {
    RealtimeDiagnosticQueue queue;
    int accepted = 0;
    for (int i = 0; i < 40; ++i) accepted += queue.push(i % 2 ? 4 : 2, kSeverityError, kPhaseProcess);
    EXPECT_EQ(accepted, 32);
    EXPECT_TRUE(queue.pending());
    uint32_t taken = 0;
    const uint32_t lost =
        queue.drain([](void* c, uint32_t, uint8_t, uint8_t) { ++*static_cast<uint32_t*>(c); }, &taken);
    EXPECT_EQ(taken, 32u);
    EXPECT_EQ(lost, 8u);
    EXPECT_FALSE(queue.pending());
    EXPECT_TRUE(queue.push(4, kSeverityError, kPhaseProcess));  // room again after the drain
}

TEST(RealtimeQueue, DrainAttachesMessagesAndCountsTheOverflowWarning) {
    RealtimeDiagnosticQueue queue;
    for (int i = 0; i < 40; ++i) queue.push(i == 0 ? 2 : i == 1 ? 4 : 22, kSeverityError, kPhaseProcess);
    velmo_runtime_diagnostic_ring ring;
    queue.drainInto(ring);
    ASSERT_EQ(ring.count, 32u);
    EXPECT_STREQ(ring.records[0].message, "sample-rate adapter failed; output was cleared");
    EXPECT_STREQ(ring.records[1].message, "audio process callback failed; output was cleared");
    EXPECT_STREQ(ring.records[2].message, "runtime diagnostic observed on the audio callback");
    EXPECT_STREQ(ring.records[2].detail, "audio callback");
    EXPECT_EQ(ring.records[2].phase, kPhaseProcess);
    // The overflow warning follows the 32 drained records; the ring is full, so it is counted.
    EXPECT_EQ(ring.dropped, 1u);
    EXPECT_EQ(ring.nextSequence, 34u);
    EXPECT_FALSE(queue.pending());

    // A later drain with nothing queued records nothing.
    queue.drainInto(ring);
    EXPECT_EQ(ring.nextSequence, 34u);
}

TEST(HealthDocument, FreshEngineIsHealthy) {
    KernelEngine engine(test::fakeKernelModule());
    EXPECT_EQ(health(engine, false),
              "{\"format\":\"velmo-runtime-health/v1\",\"schemaVersion\":1,\"instanceId\":\"vst3\","
              "\"lifecycle\":\"configured\",\"status\":\"healthy\",\"counters\":{\"diagnostics\":0,"
              "\"diagnostics.dropped\":0},\"diagnostics\":[]}");
}

TEST(HealthDocument, FailedSetupReportsTheRecordAndItAgainAsFirstError) {
    KernelEngine engine(test::fakeKernelModule());
    testing::internal::CaptureStderr();
    EXPECT_FALSE(engine.setup(48000, 0));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(health(engine, true),
              "{\"format\":\"velmo-runtime-health/v1\",\"schemaVersion\":1,\"instanceId\":\"vst3\","
              "\"lifecycle\":\"failed\",\"status\":\"failed\",\"counters\":{\"diagnostics\":1,"
              "\"diagnostics.dropped\":0},\"diagnostics\":[" +
                  RECORD_INVALID_CONFIG + "],\"firstError\":" + RECORD_INVALID_CONFIG + "}");
}

TEST(HealthDocument, StatusCountersContextAndNames) {
    velmo_runtime_diagnostic_ring ring;
    recordDiagnostic(ring, 25, kSeverityWarning, kPhaseProcess, "q\"uote", "dropped=8; source=audio callback");
    recordDiagnostic(ring, 99, 7, 40, "odd", "");
    std::string doc = writeRuntimeHealthJson(ring, nullptr, nullptr, NAN, 512, false);
    EXPECT_NE(doc.find("\"status\":\"failed\""), std::string::npos);  // severity 7 counts as an error
    EXPECT_NE(doc.find("\"message\":\"q\\\"uote\",\"recoverable\":true"), std::string::npos);
    EXPECT_NE(doc.find(",\"context\":{\"detail\":\"dropped=8; source=audio callback\"}}"), std::string::npos);
    EXPECT_NE(doc.find("\"code\":\"runtime.unknown\",\"severity\":\"error\",\"phase\":\"process\""),
              std::string::npos);
    EXPECT_NE(doc.find("\"moduleId\":\"unknown\",\"version\":\"unknown\""), std::string::npos);
    EXPECT_NE(doc.find("\"sampleRate\":null,\"maxBlockFrames\":512"), std::string::npos);
    // The odd record has an empty detail: no context member after its occurrence.
    EXPECT_NE(doc.find("\"occurrence\":{\"count\":1}}]"), std::string::npos);
    EXPECT_NE(doc.find("\"firstError\":{\"format\":\"velmo-plugin-runtime-diagnostic/v1\",\"schemaVersion\":1,"
                       "\"sequence\":2,"),
              std::string::npos);

    velmo_runtime_diagnostic_ring warned;
    recordDiagnostic(warned, 25, kSeverityWarning, kPhaseProcess, "w", "");
    EXPECT_NE(writeRuntimeHealthJson(warned, "m", "v", 44100, 1, false).find("\"status\":\"degraded\""),
              std::string::npos);
    velmo_runtime_diagnostic_ring dropped;
    for (int i = 0; i < 33; ++i) recordDiagnostic(dropped, 27, kSeverityInfo, kPhaseLoad, "i", "");
    const std::string d = writeRuntimeHealthJson(dropped, "m", "v", 44100.5, 1, false);
    EXPECT_NE(d.find("\"status\":\"degraded\",\"counters\":{\"diagnostics\":32,\"diagnostics.dropped\":1}"),
              std::string::npos);
    EXPECT_NE(d.find("\"sampleRate\":44100.5"), std::string::npos);
    EXPECT_EQ(d.find("firstError"), std::string::npos);
}

TEST(HealthDocument, ThirtyThreeSetupFailuresKeep32AndCountOne) {
    KernelEngine engine(test::fakeKernelModule());
    testing::internal::CaptureStderr();
    for (int i = 0; i < 33; ++i) engine.setup(-1, 512);
    testing::internal::GetCapturedStderr();
    const velmo_runtime_diagnostic_ring& ring = engine.diagnosticRing();
    EXPECT_EQ(ring.count, 32u);
    EXPECT_EQ(ring.dropped, 1u);
    EXPECT_EQ(ring.nextSequence, 34u);
    EXPECT_NE(health(engine, true).find("\"diagnostics\":32,\"diagnostics.dropped\":1}"), std::string::npos);
}

TEST(HealthDocument, BankRecordersUseTheirTexts) {
    KernelEngine engine(test::fakeKernelModule());
    engine.recordRuntimeBankFailure(2, "asset differs", "/banks/a");
    engine.recordRuntimeBankFailure(9, "gone", "src");
    engine.recordBankRecallFailure(1, "bank-7");
    const velmo_runtime_diagnostic_ring& ring = engine.diagnosticRing();
    ASSERT_EQ(ring.count, 3u);
    EXPECT_EQ(ring.records[0].code, 28u);
    EXPECT_EQ(ring.records[0].phase, kPhaseLoad);
    EXPECT_STREQ(ring.records[0].message, "runtime bank load refused (bank-hash-mismatch): asset differs");
    EXPECT_STREQ(ring.records[0].detail, "{\"reason\":\"bank-hash-mismatch\",\"source\":\"/banks/a\"}");
    EXPECT_EQ(ring.records[1].code, 27u);
    EXPECT_STREQ(ring.records[1].detail, "{\"reason\":\"bank-missing\",\"source\":\"src\"}");
    EXPECT_EQ(ring.records[2].phase, kPhaseState);
    EXPECT_STREQ(ring.records[2].message,
                 "state recall named a bank this build does not contain; parameters kept, output silent, no "
                 "bank substituted");
    EXPECT_STREQ(ring.records[2].detail, "{\"bank\":\"bank-7\",\"banks\":0}");
}

}  // namespace
}  // namespace velmo

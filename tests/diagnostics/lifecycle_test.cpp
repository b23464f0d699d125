#include <cmath>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "diagnostics/lifecycle_json.h"
#include "diagnostics/lifecycle_log.h"

namespace velmo {
namespace {

TEST(LifecycleKind, NamesRoundTripAndUnknownNamesAreRefused) {
    for (std::uint32_t i = 0; i < DIAGNOSTIC_LIFECYCLE_KIND_COUNT; ++i) {
        const auto kind = static_cast<DiagnosticLifecycleKind>(i);
        const char* name = diagnosticLifecycleKindName(kind);
        ASSERT_NE(name, nullptr);
        DiagnosticLifecycleKind back = DiagnosticLifecycleKind::Stimulus;
        ASSERT_TRUE(diagnosticLifecycleKindFromName(name, back)) << name;
        EXPECT_EQ(back, kind);
    }
    EXPECT_STREQ(diagnosticLifecycleKindName(DiagnosticLifecycleKind::TimeSignatureChanged),
                 "timeSignatureChanged");
    EXPECT_EQ(diagnosticLifecycleKindName(static_cast<DiagnosticLifecycleKind>(25)), nullptr);

    DiagnosticLifecycleKind kind = DiagnosticLifecycleKind::Reset;
    EXPECT_FALSE(diagnosticLifecycleKindFromName("Created", kind));
    EXPECT_FALSE(diagnosticLifecycleKindFromName("created ", kind));
    EXPECT_FALSE(diagnosticLifecycleKindFromName("", kind));
    EXPECT_FALSE(diagnosticLifecycleKindFromName(nullptr, kind));
    EXPECT_EQ(kind, DiagnosticLifecycleKind::Reset);
}

TEST(LifecycleEvent, DetailsAreBoundedAndTextsCut) {
    DiagnosticLifecycleEvent event;
    event.addNumber("a", 1).addString("b", nullptr).addBool(nullptr, true).addNull("d");
    event.addString(std::string(40, 'n').c_str(), std::string(100, 'v').c_str());
    event.addNumber("f", 6);
    event.addNumber("seventh", 7);
    ASSERT_EQ(event.detailCount, 6u);
    EXPECT_STREQ(event.details[1].text, "");
    EXPECT_STREQ(event.details[2].name, "");
    EXPECT_EQ(std::string(event.details[4].name), std::string(23, 'n'));
    EXPECT_EQ(std::string(event.details[4].text), std::string(63, 'v'));
    EXPECT_EQ(event.details[5].number, 6.0);
}

TEST(LifecycleLog, RecordsInOrderWithGrowingSequenceAndTime) {
    DiagnosticLifecycleLog log;
    EXPECT_EQ(log.count(), 0u);
    EXPECT_EQ(log.at(0).atFrame, -1);
    log.record(DiagnosticLifecycleKind::Created, -1).addNumber("x", 1);
    log.record(DiagnosticLifecycleKind::Activated, 480);
    ASSERT_EQ(log.count(), 2u);
    EXPECT_EQ(log.at(0).seq, 1u);
    EXPECT_EQ(log.at(1).seq, 2u);
    EXPECT_EQ(log.at(1).kind, DiagnosticLifecycleKind::Activated);
    EXPECT_EQ(log.at(1).atFrame, 480);
    EXPECT_EQ(log.at(1).detailCount, 0u);
    EXPECT_GE(log.at(1).timeMs, log.at(0).timeMs);
    EXPECT_GE(log.at(0).timeMs, 0.0);
    EXPECT_EQ(&log.at(7), &log.at(0));  // out of range gives the oldest
}

TEST(LifecycleLog, FullRingOverwritesOldestAndReplayListsTheSurvivors) {
    DiagnosticLifecycleLog log;
    log.record(DiagnosticLifecycleKind::Created, 0).addNumber("x", 1);
    for (int i = 1; i < 256; ++i) log.record(DiagnosticLifecycleKind::Stimulus, i);
    EXPECT_EQ(log.count(), 256u);
    EXPECT_EQ(log.dropped(), 0u);

    // A reused slot must not keep the details of the event it replaces.
    EXPECT_EQ(log.at(0).seq, 1u);
    log.record(DiagnosticLifecycleKind::Reset, -1);
    EXPECT_EQ(log.count(), 256u);
    EXPECT_EQ(log.dropped(), 1u);
    EXPECT_EQ(log.at(0).seq, 2u);
    EXPECT_EQ(log.at(255).seq, 257u);
    EXPECT_EQ(log.at(255).atFrame, -1);
    EXPECT_EQ(log.at(255).detailCount, 0u);

    std::string out;
    ASSERT_TRUE(writeDiagnosticLifecycleReplayJson(out, log));
    EXPECT_EQ(out.rfind("{\"type\":\"velmo.lifecycle\",\"events\":[{\"seq\":2,", 0), 0u);
    EXPECT_NE(out.find("\"atFrame\":255,\"kind\":\"stimulus\"},{\"seq\":257,"), std::string::npos);
    const std::string tail = "\"kind\":\"reset\"}],\"dropped\":1}";
    EXPECT_EQ(out.compare(out.size() - tail.size(), tail.size(), tail), 0) << out.substr(out.size() - 60);
    EXPECT_EQ(out.find("\"seq\":1,"), std::string::npos);

    // Many more laps keep the ring consistent.
    for (int i = 0; i < 1000; ++i) log.record(DiagnosticLifecycleKind::Stimulus, -1);
    EXPECT_EQ(log.dropped(), 1001u);
    EXPECT_EQ(log.at(0).seq, 1002u);
    EXPECT_EQ(log.at(255).seq, 1257u);
}

TEST(LifecycleJson, EventDocumentExactBytes) {
    DiagnosticLifecycleEvent event;
    event.seq = 7;
    event.timeMs = 1.5;
    event.atFrame = -1;
    event.kind = DiagnosticLifecycleKind::PresetLoaded;
    std::string out;
    writeDiagnosticLifecycleEventJson(out, event);
    EXPECT_EQ(out, "{\"seq\":7,\"timeMs\":1.5,\"kind\":\"presetLoaded\"}");

    event.atFrame = 0;
    event.timeMs = std::numeric_limits<double>::quiet_NaN();
    event.addString("id", "factory-3").addNumber("index", 2).addBool("ok", false);
    event.addNumber("inf", std::numeric_limits<double>::infinity()).addNull("none");
    event.addString("q", "a\"b\\c");
    out.clear();
    writeDiagnosticLifecycleEventJson(out, event);
    EXPECT_EQ(out,
              "{\"seq\":7,\"timeMs\":null,\"atFrame\":0,\"kind\":\"presetLoaded\",\"detail\":{"
              "\"id\":\"factory-3\",\"index\":2,\"ok\":false,\"inf\":null,\"none\":null,"
              "\"q\":\"a\\\"b\\\\c\"}}");

    event.kind = static_cast<DiagnosticLifecycleKind>(200);
    event.detailCount = 0;
    out.clear();
    writeDiagnosticLifecycleEventJson(out, event);
    EXPECT_EQ(out, "{\"seq\":7,\"timeMs\":null,\"atFrame\":0,\"kind\":\"runtimeDiagnostic\"}");
}

TEST(LifecycleJson, ListDocumentsAndEmptyCases) {
    DiagnosticLifecycleEvent events[2];
    events[0].seq = 1;
    events[1].seq = 2;
    events[1].kind = DiagnosticLifecycleKind::Destroyed;
    std::string out = "keep";
    EXPECT_FALSE(writeDiagnosticLifecycleJson(out, nullptr, 2, 0));
    EXPECT_FALSE(writeDiagnosticLifecycleJson(out, events, 0, 0));
    EXPECT_EQ(out, "keep");
    out.clear();
    ASSERT_TRUE(writeDiagnosticLifecycleJson(out, events + 1, 1, 0));
    EXPECT_EQ(out, "{\"type\":\"velmo.lifecycle\",\"events\":[{\"seq\":2,\"timeMs\":0,"
                   "\"kind\":\"destroyed\"}]}");
    out.clear();
    ASSERT_TRUE(writeDiagnosticLifecycleJson(out, events, 2, 5));
    EXPECT_EQ(out, "{\"type\":\"velmo.lifecycle\",\"events\":[{\"seq\":1,\"timeMs\":0,"
                   "\"kind\":\"created\"},{\"seq\":2,\"timeMs\":0,\"kind\":\"destroyed\"}],"
                   "\"dropped\":5}");

    DiagnosticLifecycleLog empty;
    out.clear();
    EXPECT_FALSE(writeDiagnosticLifecycleReplayJson(out, empty));
    EXPECT_TRUE(out.empty());
}

}  // namespace
}  // namespace velmo

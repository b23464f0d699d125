#include "params/velmo_parameter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

#include "locale_scope.h"
#include "params/param_text.h"

namespace velmo {
namespace {

using Steinberg::Vst::ParameterInfo;
using Steinberg::Vst::String128;
using Steinberg::Vst::TChar;

std::u16string u16(const std::string& s) { return std::u16string(s.begin(), s.end()); }

std::string narrow(const TChar* s) {
    std::string out;
    for (; *s != 0; ++s) out.push_back(static_cast<char>(*s));
    return out;
}

std::string display(const VelmoParameter& p, double x) {
    String128 text{};
    p.toString(x, text);
    return narrow(text);
}

// fromString with a sentinel start value, so "unchanged" is visible.
struct Parsed {
    bool ok;
    double value;
};
Parsed parse(const VelmoParameter& p, const std::string& text) {
    std::u16string s = u16(text);
    double v = -7.0;
    const bool ok = p.fromString(reinterpret_cast<const TChar*>(s.c_str()), v);
    return {ok, v};
}

class EveryRow : public ::testing::TestWithParam<uint32_t> {
protected:
    const velmo_param_desc& row() const { return VELMO_PARAMS[GetParam()]; }
};

TEST_P(EveryRow, InfoComesFromTheRow) {
    VelmoParameter p(row());
    const ParameterInfo& info = p.getInfo();
    EXPECT_EQ(info.id, row().id);
    EXPECT_EQ(narrow(info.title), row().name);
    EXPECT_EQ(narrow(info.shortTitle), row().name);
    EXPECT_EQ(narrow(info.units), row().unit);
    EXPECT_EQ(info.stepCount, row().kind == kParamKindList ? 4 : 0);
    EXPECT_EQ(info.flags, ParameterInfo::kCanAutomate);
    EXPECT_EQ(info.unitId, 0);
    EXPECT_EQ(info.defaultNormalizedValue, row().defaultNormalized);
    EXPECT_EQ(p.getNormalized(), row().defaultNormalized);
}

TEST_P(EveryRow, DisplayTextReadsBackToTheSameValue) {
    VelmoParameter p(row());
    for (int i = 0; i <= 2000; ++i) {
        const double x = i % 2 == 0 ? i / 2000.0 : static_cast<float>(i / 2000.0);
        const std::string text = display(p, x);
        ASSERT_FALSE(text.empty());
        const Parsed back = parse(p, text);
        ASSERT_TRUE(back.ok) << text;
        // The display is the value at single precision, so reading it back lands on the same
        // float plain value or the same float normalised value.
        EXPECT_TRUE(static_cast<float>(p.toPlain(back.value)) == static_cast<float>(p.toPlain(x)) ||
                    static_cast<float>(back.value) == static_cast<float>(x))
            << row().path << " " << text;
    }
}

INSTANTIATE_TEST_SUITE_P(Params, EveryRow, ::testing::Range<uint32_t>(0, VELMO_PARAM_COUNT),
                         [](const auto& info) {
                             std::string name = VELMO_PARAMS[info.param].path;
                             for (char& c : name)
                                 if (c == '.') c = '_';
                             return name;
                         });

TEST(VelmoParameterText, FamilyShowsOptionNames) {
    VelmoParameter family(VELMO_PARAMS[0]);
    EXPECT_EQ(display(family, 0.5), "Handbells");
    EXPECT_EQ(display(family, 0.625), "Glass");
    EXPECT_EQ(display(family, -0.3), "Carillon");
    EXPECT_EQ(display(family, 1.7), "Singing Bowl");
    EXPECT_EQ(display(family, 0.25), "Tubular Zuriz");
}

TEST(VelmoParameterText, NumbersAreShortestWithoutUnits) {
    EXPECT_EQ(display(VelmoParameter(VELMO_PARAMS[4]), 0.5), "1.35");
    EXPECT_EQ(display(VelmoParameter(VELMO_PARAMS[8]), 0.5), "2.01");
    EXPECT_EQ(display(VelmoParameter(VELMO_PARAMS[1]), 0.15), "0.15");
    EXPECT_EQ(display(VelmoParameter(VELMO_PARAMS[4]), VELMO_PARAMS[4].defaultNormalized), "1");
    EXPECT_EQ(display(VelmoParameter(VELMO_PARAMS[9]), 0.0), "0");
    EXPECT_EQ(display(VelmoParameter(VELMO_PARAMS[9]), 5.0), "1");
}

// What a host shows: it hands back the normalised value it keeps as a float, and the text is
// the plain value a person typed or a preset holds, not float noise.
TEST(VelmoParameterText, FloatCarriedValuesReadAsTyped) {
    const struct {
        uint32_t id;
        double plain;
        const char* text;
    } cases[] = {
        {0, 1, "Tubular Zuriz"}, {0, 3, "Glass"},    {0, 4, "Singing Bowl"},
        {1, 0.15, "0.15"},       {1, 0.02, "0.02"},  {1, 1, "1"},
        {2, 0.62, "0.62"},       {2, 0.95, "0.95"},  {3, 0.12, "0.12"},
        {3, 0.3, "0.3"},         {4, 1, "1"},        {4, 1.35, "1.35"},
        {4, 2.4, "2.4"},         {4, 0.2, "0.2"},    {5, 1, "1"},
        {5, 0.35, "0.35"},       {5, 2.2, "2.2"},    {6, 1, "1"},
        {6, 1.3, "1.3"},         {6, 0.55, "0.55"},  {7, 0.5, "0.5"},
        {7, 0.85, "0.85"},       {8, 0.5, "0.5"},    {8, 2.607, "2.607"},
        {8, 0.08, "0.08"},       {8, 0.02, "0.02"},  {8, 4, "4"},
        {9, 0.78, "0.78"},       {9, 0.72, "0.72"},  {9, 0, "0"},
    };
    for (const auto& c : cases) {
        const velmo_param_desc& row = VELMO_PARAMS[c.id];
        const float carried = static_cast<float>(velmo_param_normalize(row, c.plain));
        ParamTextBuffer buffer;
        EXPECT_EQ(paramDisplayText(row, carried, buffer), c.text) << row.path << " " << c.plain;
        EXPECT_EQ(display(VelmoParameter(row), carried), c.text) << row.path << " " << c.plain;
    }
}

TEST(VelmoParameterText, FamilyAcceptsNamesAndIndices) {
    VelmoParameter family(VELMO_PARAMS[0]);
    EXPECT_EQ(parse(family, "Glass").value, 0.75);
    EXPECT_EQ(parse(family, "Singing Bowl").value, 1.0);
    Parsed lower = parse(family, "glass");
    EXPECT_FALSE(lower.ok);
    EXPECT_EQ(lower.value, -7.0);
    EXPECT_EQ(parse(family, " Glass").ok, false);  // whole-text match, then not a number
    EXPECT_EQ(parse(family, "2").value, 0.5);
    EXPECT_EQ(parse(family, "2.4").value, 0.6);
    EXPECT_EQ(parse(family, "9").value, 1.0);
    EXPECT_EQ(parse(family, "-3").value, 0.0);
}

TEST(VelmoParameterText, NumbersFollowTheCLocaleReadingRules) {
    VelmoParameter ring(VELMO_PARAMS[4]);
    EXPECT_EQ(parse(ring, "3.5").value, 1.0);
    EXPECT_EQ(parse(ring, "0.1").value, 0.0);
    EXPECT_EQ(parse(ring, "1.5x").value, velmo_param_normalize(VELMO_PARAMS[4], 1.5));
    VelmoParameter release(VELMO_PARAMS[8]);
    EXPECT_EQ(parse(release, "0.5 s").value, VELMO_PARAMS[8].defaultNormalized);
    EXPECT_EQ(parse(release, " \t+0.5").value, VELMO_PARAMS[8].defaultNormalized);
    EXPECT_EQ(parse(release, "0x1p-1").value, VELMO_PARAMS[8].defaultNormalized);
    EXPECT_EQ(parse(release, "5e-1").value, VELMO_PARAMS[8].defaultNormalized);
    EXPECT_EQ(parse(release, "inf").value, 1.0);
    EXPECT_EQ(parse(release, "-Infinity").value, 0.0);
    EXPECT_EQ(parse(release, "1e999").value, 1.0);
    // A comma is not a decimal point: "0,5" reads as 0.
    EXPECT_EQ(parse(release, "0,5").value, 0.0);
    for (const char* bad : {"", "abc", "on", "off", "true", ".", "+", "-x", " ", "e5", ",5"}) {
        Parsed r = parse(release, bad);
        EXPECT_FALSE(r.ok) << bad;
        EXPECT_EQ(r.value, -7.0) << bad;
    }
}

TEST(VelmoParameterText, ToggleRowsKnowTheirWords) {
    static const velmo_param_desc toggle{3, "t.on", "T", "G", kParamKindToggle, 0, 1, 0, 0, 0,
                                         "", 0, nullptr};
    VelmoParameter p(toggle);
    EXPECT_EQ(p.getInfo().stepCount, 1);
    EXPECT_EQ(display(p, 0.5), "on");
    EXPECT_EQ(display(p, 0.49), "off");
    EXPECT_EQ(parse(p, "on").value, 1.0);
    EXPECT_EQ(parse(p, "true").value, 1.0);
    EXPECT_EQ(parse(p, "off").value, 0.0);
    EXPECT_EQ(parse(p, "false").value, 0.0);
    EXPECT_EQ(parse(p, "-2").value, 1.0);  // any non-zero number is "on"
    EXPECT_FALSE(parse(p, "On").ok);
    EXPECT_FALSE(parse(p, "on ").ok);
}

TEST(VelmoParameterText, ListRowsWithoutNamesShowIndices) {
    static const velmo_param_desc plainList{0, "l", "L", "G", kParamKindList, 0, 2, 0, 0, 0, "",
                                            3, nullptr};
    VelmoParameter p(plainList);
    EXPECT_EQ(p.getInfo().stepCount, 2);
    EXPECT_EQ(display(p, 0.8), "2");
    EXPECT_EQ(parse(p, "1").value, 0.5);
    static const char* const oneName[] = {"Only"};
    static const velmo_param_desc single{0, "s", "S", "G", kParamKindList, 0, 0, 0, 0, 0, "", 1,
                                         oneName};
    VelmoParameter q(single);
    EXPECT_EQ(q.getInfo().stepCount, 1);
    EXPECT_EQ(display(q, 0.9), "Only");
    EXPECT_EQ(parse(q, "Only").value, 0.0);
    static const velmo_param_desc nulls{0, nullptr, nullptr, "G", kParamKindContinuous, 0, 1, 0,
                                        0, 0, nullptr, 0, nullptr};
    VelmoParameter r(nulls);
    EXPECT_EQ(r.getInfo().title[0], 0);
    EXPECT_EQ(r.getInfo().units[0], 0);
}

TEST(VelmoParameterText, BoundedReadingStopsAtTheGivenLength) {
    VelmoParameter release(VELMO_PARAMS[8]);
    const std::u16string s = u16("0.59");
    double v = -7.0;
    ASSERT_TRUE(release.fromString(reinterpret_cast<const TChar*>(s.data()), 3, v));
    EXPECT_EQ(v, VELMO_PARAMS[8].defaultNormalized);
    v = -7.0;
    EXPECT_FALSE(release.fromString(reinterpret_cast<const TChar*>(s.data()), 0, v));
    EXPECT_EQ(v, -7.0);
    EXPECT_FALSE(release.fromString(nullptr, 4, v));
    // Non-ASCII units never pose as digits or letters (U+0131 would truncate to '1').
    const std::u16string dotless = u"\u0131.5";
    EXPECT_FALSE(release.fromString(reinterpret_cast<const TChar*>(dotless.c_str()), v));
    VelmoParameter family(VELMO_PARAMS[0]);
    const std::u16string fakeGlass = u"\u0147lass";
    EXPECT_FALSE(family.fromString(reinterpret_cast<const TChar*>(fakeGlass.c_str()), v));
    // Only the first 255 characters of a typed text count.
    const std::u16string longText = u16("1" + std::string(300, '0'));
    ASSERT_TRUE(release.fromString(reinterpret_cast<const TChar*>(longText.c_str()), v));
    EXPECT_EQ(v, 1.0);
}

TEST(VelmoParameterText, CommaDecimalLocaleChangesNothing) {
    test::CommaDecimalLocale locale;
    if (!locale.active()) GTEST_SKIP() << "de_DE.UTF-8 locale not installed";
    EXPECT_EQ(display(VelmoParameter(VELMO_PARAMS[4]), 0.5), "1.35");
    EXPECT_EQ(display(VelmoParameter(VELMO_PARAMS[8]), 0.5), "2.01");
    VelmoParameter release(VELMO_PARAMS[8]);
    EXPECT_EQ(parse(release, "0.5").value, VELMO_PARAMS[8].defaultNormalized);
    EXPECT_EQ(parse(release, "0,5").value, 0.0);
    ParamTextBuffer buffer;
    EXPECT_EQ(paramDisplayText(VELMO_PARAMS[1], 0.15, buffer), "0.15");
}

}  // namespace
}  // namespace velmo

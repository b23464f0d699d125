// Number text must equal what the C library gives in the C locale, whatever the process locale,
// and must never look past the bytes it was given.
#include "docs/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <string>

#include "comma_locale.h"
#include "docs/json_write.h"

namespace velmo {
namespace {

std::uint64_t bitsOf(double v) {
    std::uint64_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

// Reference: strtod on a terminated copy, in whatever locale is current (tests keep "C").
std::size_t referenceRead(const std::string& text, double& value) {
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return static_cast<std::size_t>(end - text.c_str());
}

void expectSameAsStrtod(const std::string& text) {
    double expected = 0, actual = 12345.0;
    std::size_t expectedUsed = referenceRead(text, expected);
    std::size_t used = numberFromTextAfterBlanks(text, actual);
    ASSERT_EQ(used, expectedUsed) << "text: [" << text << "]";
    if (used == 0) {
        EXPECT_EQ(actual, 12345.0) << "value must be untouched: [" << text << "]";
    } else if (std::isnan(expected)) {
        EXPECT_TRUE(std::isnan(actual)) << text;
        EXPECT_EQ(std::signbit(actual), std::signbit(expected)) << text;
    } else {
        EXPECT_EQ(bitsOf(actual), bitsOf(expected)) << "text: [" << text << "] got " << actual;
    }
}

TEST(NumberText, ReadsExactlyWhatStrtodReadsInTheCLocale) {
    const char* cases[] = {
        "0", "-0", "+0.5", "0.5", ".5", "5.", ".", "+", "-", "", "1e5", "1e", "1e+", "1e-5x",
        "1E+05", "00012", "0x", "0x1", "0X1p3", "0x1.8p-1", "0x.8", "0x.", "0xg", "0x1p", "0x1p+",
        "-0x10", "inf", "INF", "-Infinity", "infinit", "infx", "in", "nan", "NaN(123)", "nan(",
        "nan(abc_9)x", "nan()", "-nan", "1e400", "-1e400", "1e-400", "4.9e-324", "2.4e-324",
        "2.5e-324", "2.2250738585072011e-308", "1.7976931348623157e308", "1.7976931348623159e308",
        "0x1p1024", "0x1p-1075", "0x1p-1074", "0x0.0000000000001p-1022", "123456789012345678901234",
        "0.000000000000000000000000000000000000000000000000001", "1e99999999999999999999",
        "1e-99999999999999999999", "0e999999", " \t\v\f\r\n42", "  -.25e-2z", "1.2.3", "1..2",
        "0.1000000000000000055511151231257827021181583404541015625",
        "9007199254740993", "1,5", "١",
    };
    for (const char* c : cases) expectSameAsStrtod(c);
}

TEST(NumberText, RandomNumberLikeTextsMatchStrtod) {
    std::mt19937_64 rng(20261208);
    const std::string alphabet = "0123456789012345678901234567890.eE+-xXpPaAfFiInNtTyY() _\t";
    for (int n = 0; n < 200000; ++n) {
        std::string text;
        std::size_t length = rng() % 14;
        for (std::size_t k = 0; k < length; ++k) text.push_back(alphabet[rng() % alphabet.size()]);
        expectSameAsStrtod(text);
        if (HasFatalFailure()) return;
    }
    // Random doubles printed every which way.
    for (int n = 0; n < 20000; ++n) {
        double v;
        std::uint64_t b = rng();
        std::memcpy(&v, &b, sizeof v);
        char buf[64];
        std::snprintf(buf, sizeof buf, (n % 3 == 0) ? "%.17g" : (n % 3 == 1) ? "%a" : "%.6e", v);
        expectSameAsStrtod(buf);
    }
}

TEST(NumberText, NeverReadsPastTheGivenLength) {
    // Each prefix sits at the end of its own heap block so a sanitizer sees any over-read,
    // and the digits that follow in the full text must not be taken.
    const std::string full = "-0x1.8p+10123e45";
    for (std::size_t n = 0; n <= full.size(); ++n) {
        std::unique_ptr<char[]> exact(new char[n ? n : 1]);
        std::memcpy(exact.get(), full.data(), n);
        double value = 0;
        std::size_t used = numberFromText(std::string_view(exact.get(), n), value);
        double expected = 0;
        EXPECT_EQ(used, referenceRead(full.substr(0, n), expected)) << n;
        EXPECT_LE(used, n);
    }
    double v = 0;
    EXPECT_EQ(numberFromText(std::string_view("12345", 2), v), 2u);
    EXPECT_EQ(v, 12.0);
    EXPECT_EQ(numberFromText(std::string_view("1e5", 2), v), 1u);
    EXPECT_EQ(v, 1.0);
}

TEST(NumberText, FormatsShortestAndPrintfForms) {
    auto shortest = [](double v) {
        char buf[kNumberTextCapacity];
        return std::string(buf, formatShortestNumber(buf, v));
    };
    EXPECT_EQ(shortest(0.15), "0.15");
    EXPECT_EQ(shortest(1.3499999999999999), "1.3499999999999999");
    EXPECT_EQ(shortest(-2.2250738585072014e-308), "-2.2250738585072014e-308");
    EXPECT_EQ(shortest(std::numeric_limits<double>::infinity()), "inf");
    auto shortestFloat = [](float v) {
        char buf[kNumberTextCapacity];
        return std::string(buf, formatShortestFloat(buf, v));
    };
    EXPECT_EQ(shortestFloat(0.15f), "0.15");
    EXPECT_EQ(shortestFloat(static_cast<float>(1.3499999999999999)), "1.35");
    EXPECT_EQ(shortestFloat(1e-5f), "1e-05");

    std::mt19937_64 rng(7);
    for (int n = 0; n < 20000; ++n) {
        double v;
        std::uint64_t b = rng();
        std::memcpy(&v, &b, sizeof v);
        for (int precision : {17, 6, 1, 0, 25}) {
            char buf[128];
            std::snprintf(buf, sizeof buf, "%.*g", precision, v);
            std::string out;
            appendPrintfG(out, v, precision);
            ASSERT_EQ(out, buf) << precision;
        }
    }
    std::string out;
    appendNumber17g(out, 0.1);
    EXPECT_EQ(out, "0.10000000000000001");
}

// Under a comma-decimal locale strtod and printf change; our readers and writers must not.
using test::CommaLocale;

TEST_F(CommaLocale, NumbersReadAndWriteAsInTheCLocale) {
    double v = 0;
    EXPECT_EQ(numberFromText("0.5", v), 3u);
    EXPECT_EQ(v, 0.5);
    EXPECT_EQ(numberFromText("0,5", v), 1u);
    EXPECT_EQ(v, 0.0);
    EXPECT_EQ(numberFromText("-1.25e-3", v), 8u);
    EXPECT_EQ(v, -1.25e-3);
    EXPECT_EQ(numberFromText("0x1.8p1", v), 7u);
    EXPECT_EQ(v, 3.0);

    std::string out;
    appendNumber17g(out, 0.1);
    out.push_back(' ');
    appendPrintfG(out, 2.5, 6);
    out.push_back(' ');
    jsonAppendNumber(out, 0.25);
    EXPECT_EQ(out, "0.10000000000000001 2.5 0.25");
}

}  // namespace
}  // namespace velmo

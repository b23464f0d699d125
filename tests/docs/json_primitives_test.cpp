// Writers' exact bytes and the two readers' acceptance and refusal rules.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "docs/base64.h"
#include "docs/json_pull_reader.h"
#include "docs/json_tree.h"
#include "docs/json_write.h"
#include "realtime_guard.h"

namespace velmo {
namespace {

std::string quoted(std::string_view text) {
    std::string out;
    jsonAppendQuoted(out, text);
    return out;
}
std::string number(double v) {
    std::string out;
    jsonAppendNumber(out, v);
    return out;
}

TEST(JsonWrite, QuotesEscapingOnlyQuoteAndBackslash) {
    EXPECT_EQ(quoted("a\nb"), "\"a\nb\"");
    EXPECT_EQ(quoted("say \"hi\" \\ ok"), "\"say \\\"hi\\\" \\\\ ok\"");
    EXPECT_EQ(quoted("\t\x01\xc3\xa9/"), "\"\t\x01\xc3\xa9/\"");
    EXPECT_EQ(quoted(std::string_view("a\0b", 3)), std::string("\"a\0b\"", 5));
    std::string out = "x";
    jsonAppendQuoted(out, "");
    EXPECT_EQ(out, "x\"\"");
}

TEST(JsonWrite, NumbersInShortestRoundTripFormOrNull) {
    EXPECT_EQ(number(0.5), "0.5");
    EXPECT_EQ(number(1.0), "1");
    EXPECT_EQ(number(10000), "10000");
    EXPECT_EQ(number(100000), "1e+05");
    // Fixed wins only when not longer: 0.001 ties with 1e-03, 0.0001 loses to 1e-04.
    EXPECT_EQ(number(0.001), "0.001");
    EXPECT_EQ(number(0.0001), "1e-04");
    EXPECT_EQ(number(0.00001), "1e-05");
    EXPECT_EQ(number(-0.0), "-0");
    EXPECT_EQ(number(1e300), "1e+300");
    EXPECT_EQ(number(123456789012.0), "123456789012");
    EXPECT_EQ(number(0.1), "0.1");
    EXPECT_EQ(number(std::numeric_limits<double>::infinity()), "null");
    EXPECT_EQ(number(-std::numeric_limits<double>::infinity()), "null");
    EXPECT_EQ(number(std::nan("")), "null");
}

TEST(Base64, EncodesWithPadding) {
    auto encode = [](const char* s) {
        std::string out;
        base64Append(out, reinterpret_cast<const std::uint8_t*>(s), std::strlen(s));
        return out;
    };
    EXPECT_EQ(encode("abc"), "YWJj");
    EXPECT_EQ(encode("ab"), "YWI=");
    EXPECT_EQ(encode("a"), "YQ==");
    EXPECT_EQ(encode(""), "");
    EXPECT_EQ(encode("\xff\xfe\xfd\xfc"), "//79/A==");
    EXPECT_EQ(base64Digit('A'), 0);
    EXPECT_EQ(base64Digit('/'), 63);
    EXPECT_EQ(base64Digit('='), -1);
    EXPECT_EQ(base64Digit('-'), -1);
}

TEST(Base64, DecodeRules) {
    std::vector<std::uint8_t> out{9, 9};
    EXPECT_TRUE(base64Decode("YQ==", out, 1));
    EXPECT_EQ(out, std::vector<std::uint8_t>{'a'});
    out = {7};
    EXPECT_FALSE(base64Decode("YQ==", out, 0));
    EXPECT_EQ(out, std::vector<std::uint8_t>{7}) << "over the limit leaves out untouched";
    EXPECT_TRUE(base64Decode("", out, 0));
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(base64Decode("YWJ", out, 10));
    EXPECT_FALSE(base64Decode("YW Jj", out, 10));
    EXPECT_FALSE(base64Decode("YW J", out, 10));
    EXPECT_FALSE(base64Decode("YQ==YWJj", out, 10)) << "padding only in the last group";
    EXPECT_FALSE(base64Decode("=QID", out, 10));
    EXPECT_FALSE(base64Decode("Y=ID", out, 10));
    EXPECT_TRUE(base64Decode("YWI=", out, 2));
    EXPECT_EQ(out, (std::vector<std::uint8_t>{'a', 'b'}));

    // Every byte value survives a round trip at every length class.
    std::vector<std::uint8_t> bytes(256);
    for (int i = 0; i < 256; ++i) bytes[i] = static_cast<std::uint8_t>(i);
    for (std::size_t n : {253u, 254u, 255u, 256u}) {
        std::string text;
        base64Append(text, bytes.data(), n);
        ASSERT_TRUE(base64Decode(text, out, n));
        EXPECT_EQ(out, std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + n));
        EXPECT_FALSE(base64Decode(text, out, n - 1));
    }
}

// Runs a pull-reader step on an exact-size heap copy, so any over-read is caught by ASan.
struct ExactText {
    explicit ExactText(std::string_view s) : size(s.size()), bytes(new char[s.size() ? s.size() : 1]) {
        std::memcpy(bytes.get(), s.data(), s.size());
    }
    Reader reader() const { return Reader(bytes.get(), size); }
    std::size_t size;
    std::unique_ptr<char[]> bytes;
};

std::string pullString(std::string_view text, bool* ok) {
    ExactText t(text);
    Reader r = t.reader();
    std::string out;
    *ok = parseString(r, &out);
    return out;
}

TEST(PullReader, StringEscapes) {
    bool ok = false;
    EXPECT_EQ(pullString(" \"a\\u00e9b\"", &ok), "a?b");
    EXPECT_TRUE(ok);
    EXPECT_EQ(pullString("\"\\q\\\"\\\\\\/\"", &ok), "q\"\\/");
    EXPECT_TRUE(ok);
    EXPECT_EQ(pullString("\"\\b\\f\\n\\r\\t\"", &ok), "\b\f\n\r\t");
    EXPECT_EQ(pullString("\"\\ud83d\\ude00\"", &ok), "??");
    EXPECT_EQ(pullString("\"raw\x01\xc3\xa9\"", &ok), "raw\x01\xc3\xa9");
    EXPECT_TRUE(ok);
    for (const char* broken : {"\"abc", "\"abc\\", "\"\\u12", "abc\"", "", "\f\"a\""}) {
        pullString(broken, &ok);
        EXPECT_FALSE(ok) << broken;
    }
}

TEST(PullReader, NumbersAsTheCLibraryReadsThem) {
    auto read = [](std::string_view text, double* value) {
        ExactText t(text);
        Reader r = t.reader();
        bool ok = parseNumber(r, value);
        return ok ? static_cast<long>(r.pos - t.bytes.get()) : -1L;
    };
    double v = 0;
    EXPECT_EQ(read(" +2.5,", &v), 5);
    EXPECT_EQ(v, 2.5);
    EXPECT_EQ(read("0x1F}", &v), 4);
    EXPECT_EQ(v, 31.0);
    EXPECT_EQ(read("-Infinity", &v), 9);
    EXPECT_EQ(v, -std::numeric_limits<double>::infinity());
    EXPECT_EQ(read("007", &v), 3);
    EXPECT_EQ(v, 7.0);
    EXPECT_EQ(read("\"1\"", &v), -1);
    EXPECT_EQ(read("", &v), -1);
    EXPECT_EQ(read("\f1", &v), -1) << "form feed is not JSON whitespace";
    EXPECT_EQ(read("1e", &v), 1) << "a dangling exponent marker is left unread";
}

bool skip(std::string_view text, int depth = 1) {
    ExactText t(text);
    Reader r = t.reader();
    if (!skipValue(r, depth)) return false;
    skipWhitespace(r);
    return r.atEnd();
}

TEST(PullReader, SkipsValuesWithinTheNestingLimit) {
    EXPECT_TRUE(skip(" {\"a\":[1,-2.5e3,\"x\",true,false,null,{}],\"b\":{\"c\":[]}} "));
    EXPECT_TRUE(skip(std::string(20, '[') + std::string(20, ']')));
    EXPECT_FALSE(skip(std::string(40, '[') + std::string(40, ']')));
    // Levels: the value itself at 1, the deepest array at 32 is fine, 33 is not.
    EXPECT_TRUE(skip(std::string(32, '[') + std::string(32, ']')));
    EXPECT_FALSE(skip(std::string(33, '[') + std::string(33, ']')));
    // An object's members sit one level below the object.
    EXPECT_TRUE(skip(std::string(30, '[') + "{\"k\":1}" + std::string(30, ']')));
    EXPECT_FALSE(skip(std::string(31, '[') + "{\"k\":1}" + std::string(31, ']')));

    EXPECT_FALSE(skip("{\"a\":1,}"));
    EXPECT_FALSE(skip("[1,]"));
    EXPECT_FALSE(skip("[1 2]"));
    EXPECT_FALSE(skip("{\"a\" 1}"));
    EXPECT_FALSE(skip("{a:1}"));
    EXPECT_FALSE(skip("[\f1]"));
    EXPECT_FALSE(skip("tru"));
    EXPECT_FALSE(skip("trueish")) << "the word is consumed, the rest left to the caller";
    EXPECT_TRUE(skip("\t[\r\n1 ]"));
}

JsonValue tree(std::string_view text, bool* ok) {
    ExactText t(text);
    JsonValue v;
    *ok = parseJsonDocument(t.bytes.get(), t.size, v);
    return v;
}

TEST(TreeReader, BuildsValues) {
    bool ok = false;
    JsonValue v = tree(" {\"b\":[1,true,null,\"s\"],\"a\":{\"x\":false},\"a\":2} ", &ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(v.kind, JsonValue::Object);
    ASSERT_EQ(v.object.size(), 2u);
    EXPECT_EQ(v.object.begin()->first, "a") << "members ordered by key bytes";
    ASSERT_NE(v.find("a"), nullptr);
    EXPECT_EQ(v.find("a")->kind, JsonValue::Number) << "the last of repeated keys wins";
    EXPECT_EQ(v.find("a")->number, 2.0);
    const JsonValue* b = v.find("b");
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(b->array.size(), 4u);
    EXPECT_EQ(b->array[1].kind, JsonValue::Bool);
    EXPECT_TRUE(b->array[1].boolean);
    EXPECT_EQ(b->array[2].kind, JsonValue::Null);
    EXPECT_EQ(b->find("x"), nullptr);
    EXPECT_EQ(v.str("b", "fb"), "fb");
    EXPECT_EQ(b->array[3].string, "s");

    v = tree("{\"name\":\"bell\"}", &ok);
    EXPECT_EQ(v.str("name", "x"), "bell");
    EXPECT_EQ(v.str("missing", "x"), "x");
}

TEST(TreeReader, StringEscapesDecodeToUtf8) {
    bool ok = false;
    EXPECT_EQ(tree("\"\\u00e9\"", &ok).string, "\xc3\xa9");
    EXPECT_TRUE(ok);
    EXPECT_EQ(tree("\"\\uD83D\\uDE00\"", &ok).string, "\xf0\x9f\x98\x80");
    EXPECT_EQ(tree("\"\\ud83d\"", &ok).string, "\xed\xa0\xbd");
    EXPECT_TRUE(ok);
    EXPECT_EQ(tree("\"\\ud83dA\\u0041\"", &ok).string, "\xed\xa0\xbd" "AA");
    EXPECT_EQ(tree("\"\\u0024\\u07ff\\uffff\"", &ok).string, "$\xdf\xbf\xef\xbf\xbf");
    EXPECT_EQ(tree("\"\\\"\\/\\\\\\b\\f\\n\\r\\t\"", &ok).string, "\"/\\\b\f\n\r\t");
    EXPECT_TRUE(ok);
    tree("\"\\q\"", &ok);
    EXPECT_FALSE(ok);
    tree("\"\\u12g4\"", &ok);
    EXPECT_FALSE(ok);
    tree("\"\\u12\"", &ok);
    EXPECT_FALSE(ok);
}

TEST(TreeReader, RefusesMalformedDocuments) {
    bool ok = true;
    for (const char* bad : {"", " ", "{} x", "{}{}", "[1,]", "{\"a\":1,}", "{\"a\"}", "[1 2]",
                            "\"abc", "nul", "+", "{1:2}", "[\v1]", "[1]]"}) {
        tree(bad, &ok);
        EXPECT_FALSE(ok) << bad;
    }
    EXPECT_FALSE(tree(std::string(34, '[') + std::string(34, ']'), &ok).kind == JsonValue::Null &&
                 ok);
    tree(std::string(33, '[') + std::string(33, ']'), &ok);
    EXPECT_TRUE(ok) << "root at depth 0, the deepest at 32";
    tree(std::string(34, '[') + std::string(34, ']'), &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(tree(" -0x10 \n", &ok).number, -16.0);
    EXPECT_TRUE(ok);
}

TEST(PullReader, AllocatesOnlyTheStringsItFills) {
    const std::string doc = "{\"a\":[1.5e3,\"long string value that would not fit SSO\",true,"
                            "{\"b\":null,\"c\":-0x1p3}],\"d\":\"\\u00e9\"}";
    test::RealtimeGuard guard;
    Reader r(doc);
    EXPECT_TRUE(skipValue(r, 1));
    EXPECT_EQ(guard.allocations(), 0u);
}

}  // namespace
}  // namespace velmo

// Typed text: numbers read strictly, text quoted in messages escaped and bounded.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/usertext.h"

namespace {

// Accept/refuse pairs: each refused text next to the nearest one taken.
TEST(UserText, NumbersReadStrictly) {
    const struct {
        const char *taken;
        double v;
        const char *refused;
    } pairs[] = {
        {"16", 16.0, "0x10"},  {"5", 5.0, " 5"},       {"5", 5.0, "5 "},      {"+5", 5.0, "+-5"},
        {"-0.5", -0.5, "--0.5"}, {"1e308", 1e308, "1e400"}, {"1e-300", 1e-300, "1e-400"}, {"2.5", 2.5, "2,5"},
        {".5", 0.5, "."},      {"1e2", 100.0, "1e"},   {"0", 0.0, ""},        {"7", 7.0, "inf"},
        {"7", 7.0, "nan"},     {"40", 40.0, "40,"},
    };
    for (const auto &p : pairs) {
        double v = -1.0;
        EXPECT_TRUE(readnumber(p.taken, v)) << p.taken;
        EXPECT_EQ(p.v, v) << p.taken;
        EXPECT_FALSE(readnumber(p.refused, v)) << '"' << p.refused << '"';
        EXPECT_EQ(p.v, v) << "a refused text leaves the number as it was";
    }
    double big;
    EXPECT_FALSE(readnumber(std::string(400, '9'), big)) << "400 digits lie beyond a double";
    // Decimal, correctly rounded: the double nearest to the text.
    double tenth;
    ASSERT_TRUE(readnumber("0.1", tenth));
    EXPECT_EQ(0.1, tenth);
}

TEST(UserText, WholeNumbersReadStrictly) {
    int v = 0;
    EXPECT_TRUE(readnumber("2147483647", v));
    EXPECT_EQ(2147483647, v);
    EXPECT_FALSE(readnumber("2147483648", v)) << "beyond int";
    EXPECT_FALSE(readnumber("4294967312", v)) << "beyond int, and 16 once cut to 32 bits";
    EXPECT_TRUE(readnumber("010", v));
    EXPECT_EQ(10, v) << "decimal, not octal";
    for (const char *refused : {"0x10", "1.5", "1e2", " 3", "3 ", ""}) EXPECT_FALSE(readnumber(refused, v)) << refused;
}

TEST(UserText, SplitKeepsEmptyParts) {
    EXPECT_EQ(splitat("40,,40", ','), (std::vector<std::string>{"40", "", "40"}));
    EXPECT_EQ(splitat("40,40,", ','), (std::vector<std::string>{"40", "40", ""}));
    EXPECT_EQ(splitat("", ','), std::vector<std::string>{""});
}

// Well-formed UTF-8 stays; bad bytes and control characters are written as \xHH;
// shortening never cuts a character and ends with an ellipsis.
TEST(UserText, PrintableEscapesAndShortens) {
    EXPECT_EQ("scara \xE3\x81\x82 \xF0\x9F\x98\x80", printable("scara \xE3\x81\x82 \xF0\x9F\x98\x80", 100));
    EXPECT_EQ("robot\\xFF", printable("robot\xff", 100));
    EXPECT_EQ("\\x1B[2J\\x0A\\x00\\x7F", printable(std::string("\x1b[2J\n\0\x7f", 7), 100));
    // Over-long forms, surrogates, code points past U+10FFFF and cut sequences.
    EXPECT_EQ("\\xC0\\xAF", printable("\xC0\xAF", 100));
    EXPECT_EQ("\\xED\\xA0\\x80", printable("\xED\xA0\x80", 100));
    EXPECT_EQ("\\xF4\\x90\\x80\\x80", printable("\xF4\x90\x80\x80", 100));
    EXPECT_EQ("a\\xE3\\x81", printable("a\xE3\x81", 100));
    EXPECT_EQ("abc\xE2\x80\xA6", printable("abcdef", 3));
    EXPECT_EQ("ab\xE2\x80\xA6", printable("ab\xE3\x81\x82", 4)) << "the character does not fit whole";
    EXPECT_EQ("abcdef", printable("abcdef", 6));
    EXPECT_EQ(std::string(80, 'x') + "\xE2\x80\xA6", excerpt(std::string(1000000, 'x'))) << "80 bytes quoted";
}

// Text for UTF-8 output keeps every well-formed character, control characters too,
// writes each other byte and a backslash as \xHH, and is never shortened; the bytes
// come back whole. A \x without two hexadecimal digits is no byte.
TEST(UserText, Utf8TextEscapesBadBytesAndGivesThemBack) {
    const struct {
        std::string text, expected;
    } cases[] = {
        {"arm\xff.toml", "arm\\xFF.toml"},
        {"\xC3\xA9.toml", "\xC3\xA9.toml"},
        {"a\tb\nc", "a\tb\nc"},
        {std::string("nul\0x", 5), std::string("nul\0x", 5)},
        {"\xC0\xAF\xED\xA0\x80", "\\xC0\\xAF\\xED\\xA0\\x80"},
        {"cut\xE3\x81", "cut\\xE3\\x81"},
        {"a\\xFF\\", "a\\x5CxFF\\x5C"},
        {std::string(1000, 'x'), std::string(1000, 'x')},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(utf8text(c.text), c.expected) << printable(c.text, 40);
        EXPECT_EQ(utf8bytes(c.expected), c.text) << printable(c.text, 40);
    }
    for (const char *noByte : {"\\x", "\\xF", "\\xG0", "\\x+1", "\\X41", "a\\"})
        EXPECT_EQ(utf8bytes(noByte), noByte);
}

}  // namespace

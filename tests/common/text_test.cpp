#include "common/text.h"

#include <gtest/gtest.h>
#include <tuple>

namespace gw {
namespace {

TEST(Utf16Test, ConvertsBothWaysAndRefusesWhatIsNotUtf8) {
    const std::pair<std::string, std::u16string> valid[] = {
        {"", u""},
        {"plain", u"plain"},
        {"\xC3\x84rger", u"\u00C4rger"},               // two bytes
        {"\xE6\x97\xA5\xE6\x9C\xAC", u"\u65E5\u672C"}, // three bytes
        {"\xF0\x9F\x98\x80!", u"\xD83D\xDE00!"},       // four bytes: a surrogate pair
        {"\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF\xF4\x8F\xBF\xBF",
         u"\u007F\u0080\u07FF\u0800\uFFFF\xDBFF\xDFFF"}, // the edges of each length
    };
    for (const auto& [utf8, utf16] : valid) {
        EXPECT_EQ(Utf16FromUtf8(utf8), utf16) << utf8;
        EXPECT_EQ(Utf8FromUtf16(utf16), utf8) << utf8;
    }
    for (const std::string bad :
         {"\x80", "\xC0\x80", "\xC1\xBF", "\xE0\x9F\xBF", "\xED\xA0\x80", "\xF4\x90\x80\x80",
          "\xF5\x80\x80\x80", "\xE6\x97", "a\xE6\x97z", "\xF0\x9F\x98"}) {
        EXPECT_EQ(Utf16FromUtf8(bad), std::nullopt) << bad.size();
    }
    // A lone surrogate has no UTF-8 form; it becomes the replacement character.
    EXPECT_EQ(Utf8FromUtf16(u"a\xD800"
                            u"b\xDC00"),
              "a\xEF\xBF\xBD"
              "b\xEF\xBF\xBD");
}

TEST(WindowsTextTest, KeepsUtf8AndReadsOtherBytesAsTheWindowsCodePage) {
    EXPECT_EQ(Utf8FromWindowsText(""), "");
    EXPECT_EQ(Utf8FromWindowsText("C:\\\xC3\x84rger \xE6\x97\xA5"),
              "C:\\\xC3\x84rger \xE6\x97\xA5");
    // Windows-1252: Latin-1 letters, the printable characters between 0x80 and 0x9F, and the
    // unassigned ones there kept as the control codes of their value.
    EXPECT_EQ(Utf8FromWindowsText("C:\\\xC4rger\xFF"), "C:\\\xC3\x84rger\xC3\xBF");
    EXPECT_EQ(Utf8FromWindowsText("\x80\x9F\x8A"), "\xE2\x82\xAC\xC5\xB8\xC5\xA0");
    EXPECT_EQ(Utf8FromWindowsText("\x81\x9D"), "\xC2\x81\xC2\x9D");
}

TEST(ParseDecimalTest, TakesOnlyDigitsUpToTheLimit) {
    const std::tuple<std::string, std::uint64_t, std::optional<std::uint64_t>> cases[] = {
        {"0", 10, 0},
        {"007", 10, 7},
        {"10", 10, 10},
        {"11", 10, std::nullopt}, // one past the limit
        {"7", 5, std::nullopt},   // one digit beyond a small limit
        {"18446744073709551615", UINT64_MAX, UINT64_MAX},
        {"18446744073709551616", UINT64_MAX, std::nullopt}, // beyond 64 bits
        {"", 10, std::nullopt},
        {"-1", 10, std::nullopt},
        {"+1", 10, std::nullopt},
        {" 1", 10, std::nullopt},
        {"1 ", 10, std::nullopt},
        {"1a", 10, std::nullopt},
        {"0x1", 10, std::nullopt},
    };
    for (const auto& [text, limit, expected] : cases) {
        EXPECT_EQ(ParseDecimal(text, limit), expected) << '"' << text << '"';
    }
}

TEST(HexTest, GivesAtLeastTheDigitsAskedFor) {
    EXPECT_EQ(Hex(0x5, 2) + Hex(0x14C) + Hex(0x1F0, 1), "0x050x014C0x1F0");
    EXPECT_EQ(Hex(UINT64_MAX, 1), "0xFFFFFFFFFFFFFFFF");
}

TEST(PrintableTextTest, EscapesControlsAndCutsLongTexts) {
    const struct {
        std::string text;
        std::size_t max;
        bool keepNewlines;
        std::string expected;
    } cases[] = {
        {"plain \xC3\xA9 \xF0\x90\x80\x80 \\", SIZE_MAX, false,
         "plain \xC3\xA9 \xF0\x90\x80\x80 \\"},
        {std::string("a\x1b[2J\0b\x1f", 8), SIZE_MAX, false, "a\\x1b[2J\\x00b\\x1f"},
        {"\x7f\xC2\x80\xC2\x9B\xC2\x9F\xC2\xA0", SIZE_MAX, false,
         "\\x7f\\u0080\\u009b\\u009f\xC2\xA0"},
        {"one\ntwo\r", SIZE_MAX, false, "one\\x0atwo\\x0d"},
        {"one\ntwo\r", SIZE_MAX, true, "one\ntwo\\x0d"},
        {"abcdef", 6, false, "abcdef"},
        {"abcdef", 3, false, "abc\u2026(3 more)"},
        {"\xC3\xA9\xC3\xA9\xC3\xA9", 1, false, "\xC3\xA9\u2026(2 more)"},
        {"\x1b\x1b\x1b", 2, false, "\\x1b\\x1b\u2026(1 more)"},
        {"", 0, false, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PrintableText(c.text, c.max, c.keepNewlines), c.expected) << c.text;
    }
}

} // namespace
} // namespace gw

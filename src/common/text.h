#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Small text helpers shared by the file formats, the setup rewrite, the CLI and the windows.
namespace gw {

// The text without the given characters at both ends (by default blanks and tabs).
[[nodiscard]] std::string_view Trim(std::string_view text, std::string_view characters = " \t");

// Whether a and b are equal when ASCII letters are compared without regard to case, as Windows
// compares file, section and key names.
[[nodiscard]] bool EqualNoCase(std::string_view a, std::string_view b);

// The text with ASCII capitals made small.
[[nodiscard]] std::string LowerCase(std::string_view text);

// The text with small ASCII letters made capitals.
[[nodiscard]] std::string UpperCase(std::string_view text);

// A whole decimal number of at most maxValue written with digits only (no sign, no blanks, at
// least one digit); nothing for any other text, or for a number beyond maxValue.
[[nodiscard]] std::optional<std::uint64_t> ParseDecimal(std::string_view text,
                                                        std::uint64_t maxValue = UINT64_MAX);

// One line of a text and the line end that followed it: "\r\n", "\r", "\n", or "" for a last
// line without one.
struct TextLine {
    std::string text;
    std::string ending;
};

// The lines of a text; CR LF, a lone CR and a lone LF each end a line. Joining every line's text
// and ending gives the text back byte for byte. An empty text has no lines.
[[nodiscard]] std::vector<TextLine> SplitLines(std::string_view text);

// A value as upper-case hexadecimal digits, at least `digits` of them, with a 0x prefix:
// "0x014C", or with digits 1 as offsets are given in messages, "0x1F0".
[[nodiscard]] std::string Hex(std::uint64_t value, int digits = 4);

// UTF-8 text as UTF-16, the encoding of Windows' wide-character calls; nothing when the text is
// not valid UTF-8 (a bad byte, an overlong form, a surrogate, a value beyond U+10FFFF).
[[nodiscard]] std::optional<std::u16string> Utf16FromUtf8(std::string_view text);

// Text read from a file made safe to print on a terminal: each control character (below 0x20,
// 0x7F, and U+0080 to U+009F) is shown escaped ("\x1b", "\u009b"), and a text of more than
// maxCharacters characters is cut after that many, followed by "…(N more)". With keepNewlines
// a '\n' stays as it is, for messages of several lines.
[[nodiscard]] std::string PrintableText(std::string_view text, std::size_t maxCharacters = SIZE_MAX,
                                        bool keepNewlines = false);

// UTF-16 text as UTF-8; a lone surrogate becomes U+FFFD.
[[nodiscard]] std::string Utf8FromUtf16(std::u16string_view text);

// Text from a file that Windows programs wrote (a README, an INF) as UTF-8: valid UTF-8 as it
// stands, anything else read in the system's ANSI code page (on Windows the one the system is
// set to, elsewhere Windows-1252, the code page of the Western setups these files come from).
[[nodiscard]] std::string Utf8FromWindowsText(std::string_view text);

} // namespace gw

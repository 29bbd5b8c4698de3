#include "cli/console_stream.h"

#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <vector>

namespace gw::cli {
namespace {

using Pieces = std::vector<std::string>;

TEST(ConsoleStreamTest, HandsOnWholeLinesAndNeverSplitsACharacter) {
    Pieces pieces;
    {
        LineStreamBuf buffer([&](std::string_view text) { pieces.emplace_back(text); });
        std::ostream out(&buffer);
        // Byte by byte: "Ärger\n" arrives as one line, a redrawn line at its "\r".
        for (const char c : std::string("\xC3\x84rger\n10%\r")) {
            out.put(c);
        }
        // A flush in the middle of a four-byte character hands on only what precedes it.
        out << "x\xF0\x9F";
        out.flush();
        out << "\x98\x80 y";
        out.flush();
        // Several lines in one write go together up to the last line end.
        out << "a\nb\nc";
    } // what is left goes when the buffer does
    EXPECT_EQ(pieces,
              (Pieces{"\xC3\x84rger\n", "10%\r", "x", "\xF0\x9F\x98\x80 y", "a\nb\n", "c"}));
}

TEST(ConsoleStreamTest, CompleteUtf8LengthStopsBeforeACutCharacter) {
    const std::pair<std::string, std::size_t> cases[] = {
        {"", 0},
        {"abc", 3},
        {"a\xC3", 1},
        {"a\xC3\x84", 3},
        {"a\xE6\x97", 1},
        {"a\xE6\x97\xA5", 4},
        {"a\xF0\x9F\x98", 1},
        {"a\xF0\x9F\x98\x80", 5},
        {"\x80\x80\x80\x80", 4}, // no lead byte in reach: handed on as it is
    };
    for (const auto& [text, whole] : cases) {
        EXPECT_EQ(CompleteUtf8Length(text), whole) << text.size();
    }
}

} // namespace
} // namespace gw::cli

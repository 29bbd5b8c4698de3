#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace gw {

// What the cab builder line of a setup directory's README gives the setup rewrite.
struct CabwizInfo {
    std::string CabwizCommand;         // the whole README line, to be run unchanged
    std::string CabwizProgram;         // its first token: the cab builder's path
    std::string InfPath;               // its second token: the full path of the setup .INF
    std::vector<std::string> CpuNames; // the processor names after "/cpu", in their order
};

// The text that starts the message of a README without a usable cab builder line.
inline constexpr std::string_view kReadmeErrorMessage =
    "Error while extracting values from \"Readme.txt\" file";

// One token cut off the front of a text, and what follows it.
struct Token {
    std::string Text;
    std::string Rest; // without blanks at its ends
};

// Cuts one token off the front of text: a double-quoted one (without its quotes, blanks inside
// kept) or one that ends before the first blank or double quote (so a quote that ends a token
// begins the next). Blanks are the blank character only (tabs stay). Nothing when there is no
// token: empty or all-blank text, an empty pair of quotes, an opening quote without a closing one.
[[nodiscard]] std::optional<Token> NextToken(std::string_view text);

// Reads the README and takes apart the first line holding "cabwiz" (matching case): the line,
// the cab builder's path, the INF path and the processor names after the first "/cpu" (matching
// case). The names end at the line's end or at the next token that begins with "/" (another
// option of the cab builder); a line without "/cpu", or with no names after it, gives none.
// A README that is missing, empty or unreadable, that holds no such line, or whose line has
// fewer than two tokens throws gw::Error: kReadmeErrorMessage and the reason.
// The causes are in English.
[[nodiscard]] CabwizInfo ReadCabwizCommand(const std::filesystem::path& readmePath);

class TextFile;
// The same for a README already read: throws only for its content (no such line, or a line
// with fewer than two tokens).
[[nodiscard]] CabwizInfo CabwizCommandIn(TextFile& readme);

} // namespace gw

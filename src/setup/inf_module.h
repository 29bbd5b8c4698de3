#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace gw::platform {
class MessageService;
} // namespace gw::platform

namespace gw {

// INFmodule: the cab builder command of the setup directory's README and the
// INI-style profile access with which the setup rewrite edits the INF.

// What ReadCabwizCommand takes from the README: the part of the setup rewrite's module state
// that comes from the cab builder line.
struct CabwizInfo {
    std::string CabwizCommand;         // the whole README line, to be run unchanged
    std::string CabwizProgram;         // its first token: the cab builder's path
    std::string InfPath;               // its second token: the full path of the setup .INF
    std::vector<std::string> CpuNames; // the processor names after "/cpu", in their order
};

// The critical message ReadCabwizCommand shows when the README gives no usable command.
inline constexpr std::string_view kReadmeErrorMessage =
    "Error while extracting values from \"Readme.txt\" file";

// Cuts one token off the front of text: a double-quoted one (without its quotes, blanks inside
// kept) or one that ends before the first blank or double quote. Blanks are the blank character
// only (tabs stay). On success clears failed, leaves in text what follows the token, without
// blanks at its ends, and returns the token. An empty token (empty or all-blank text, an empty
// pair of quotes) or an opening quote without a closing one sets failed and returns "".
std::string NextToken(std::string& text, bool& failed);

// Reads the README, finds the first line holding "cabwiz" (matching case) and takes it apart
// into info, which is replaced as a whole: the line, the cab builder's path, the INF path and
// the processor names after the first "/cpu" (matching case). A line without "/cpu", or with
// "/cpu" and no names after it, leaves CpuNames empty; the names end at the line's end or at
// the next token that begins with "/" (another cab builder option). When the README is missing,
// empty or unreadable, holds no such line, or the line has fewer than two tokens, shows the
// critical message kReadmeErrorMessage (OK button, the application's title) and returns false;
// CabwizCommand then still holds the line found ("" when none).
bool ReadCabwizCommand(const std::string& readmePath, CabwizInfo& info,
                       platform::MessageService& messages);

// The profile operations, written out in standard C++ so they behave the same everywhere.
//
// The file is a sequence of lines ending in CR LF, a lone LF or a lone CR. A line "[name]"
// (blanks around it allowed) begins a section; a line starting with ";" is a comment; a line
// without "=" is no key. In a key line the key name is the text before the first "=" and the
// value the text after it, both without the blanks (spaces, tabs) at their ends; one pair of
// double quotes enclosing the whole value is removed on reading. Section and key names match
// without regard to case (ASCII letters). Of two sections of the same name the first is used,
// of two equal keys in it the first wins. A missing file reads as empty; a file that exists
// but cannot be read throws gw::Error. There is no length limit.

// The value of key in section; "" when the section, the key or the file is missing.
std::string ReadProfileString(const std::string& file, const std::string& section,
                              const std::string& key);

// The key names of section in file order (each key line once, as spelt in the file, duplicates
// included); empty when the section or the file is missing.
std::vector<std::string> ReadProfileKeys(const std::string& file, const std::string& section);

// Writes key=value into section. An existing key (the one ReadProfileString reads) gets the new
// value in its place and keeps its spelling; a missing key is added as key=value after the last
// non-blank line of the section (before the blank lines that end it); a missing section is
// added, with the key, at the end of the file. Every other line stays byte for byte as it was;
// the lines written end in CR LF (as does a former last line without a line end that gets a
// line after it). The file is replaced through a temporary file and a rename, so a failure
// leaves it as it was; any failure (including a section or key name that cannot be written, or
// a line end in any of the texts) throws gw::Error naming the file and the cause.
void WriteProfileString(const std::string& file, const std::string& section, const std::string& key,
                        const std::string& value);

} // namespace gw

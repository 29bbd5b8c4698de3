#pragma once

#include "common/text.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace gw {

// An INI-style profile file (the setup's INF) held in memory, read once, edited, written once.
//
// The file is a sequence of lines ending in CR LF, a lone LF or a lone CR. A line "[name]"
// (blanks around it allowed) begins a section; a line starting with ";" is a comment; a line
// without "=" is no key. In a key line the key name is the text before the first "=" and the
// value the text after it, both without the blanks (spaces, tabs) at their ends; one pair of
// double quotes enclosing the whole value is removed on reading. Section and key names match
// without regard to case (ASCII letters). Of two sections of the same name the first is used,
// of two equal keys in it the first wins. There is no length limit.
//
// Every line keeps its bytes and its line end; an edit changes only the line it writes (and the
// line end of a former last line that gets a line after it), and the lines it writes end in
// CR LF, as Windows' own profile functions write them.
class ProfileDocument {
public:
    // A document of the text; name is the file it stands for, used in messages.
    explicit ProfileDocument(std::string_view text = {}, std::string name = {});

    // The document of a file. A missing file is an empty document; a file that exists but
    // cannot be read throws gw::Error.
    [[nodiscard]] static ProfileDocument Load(const std::filesystem::path& file);

    // The value of key in section; "" when the section or the key is missing.
    [[nodiscard]] std::string read(std::string_view section, std::string_view key) const;

    // The key names of section in file order (each key line once, as spelt in the file,
    // duplicates included); empty when the section is missing.
    [[nodiscard]] std::vector<std::string> keys(std::string_view section) const;

    // Writes key=value into section, the value in double quotes when reading would otherwise
    // lose blanks at its ends or a pair of quotes enclosing it. An existing key (the one read()
    // reads) gets the new value in its place and keeps its spelling; a missing key is added after
    // the last non-blank line of the section (before the blank lines that end it); a missing
    // section is added, with the key, at the end. A section or key name that cannot be written, or
    // a line end in any of the texts, throws gw::Error naming the document, the section and key,
    // and the cause.
    void write(const std::string& section, const std::string& key, const std::string& value);

    // The whole text, every line with its line end.
    [[nodiscard]] std::string text() const;

    // Writes the text to the file; the old file is replaced only when the new one is complete.
    void save(const std::filesystem::path& file) const;

private:
    enum class LineKind { Blank, Comment, Section, Key, Other };
    struct Line {
        TextLine Raw;
        LineKind Kind = LineKind::Other;
        std::string Name;  // section or key name
        std::string Value; // key value without blanks at its ends, quotes still on
    };
    static Line parse(TextLine raw);
    // The lines [first, end) of the first section of that name, after its header; first is
    // npos when there is none.
    std::pair<std::size_t, std::size_t> findSection(std::string_view section) const;
    std::size_t findKey(std::pair<std::size_t, std::size_t> range, std::string_view key) const;

    std::string name_;
    std::vector<Line> lines_;
};

// The profile operations on a file, one read or one edit at a time.
[[nodiscard]] std::string ReadProfileString(const std::filesystem::path& file,
                                            std::string_view section, std::string_view key);
[[nodiscard]] std::vector<std::string> ReadProfileKeys(const std::filesystem::path& file,
                                                       std::string_view section);
void WriteProfileString(const std::filesystem::path& file, const std::string& section,
                        const std::string& key, const std::string& value);

} // namespace gw

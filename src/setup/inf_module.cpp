#include "setup/inf_module.h"

#include <cstdint>
#include <filesystem>
#include <span>

#include "common/error.h"
#include "common/file_io.h"
#include "platform/services.h"
#include "setup/text_file.h"

namespace gw {

namespace fs = std::filesystem;

namespace {

// ---- tokens -------------------------------------------------------------------------------

// Without the blank characters at both ends (only the blank: tabs stay).
std::string TrimBlank(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    const std::size_t last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

} // namespace

std::string NextToken(std::string& text, bool& failed) {
    text = TrimBlank(text);
    std::string token;
    if (!text.empty() && text.front() == '"') {
        const std::size_t close = text.find('"', 1);
        if (close == std::string::npos) {
            failed = true;
            return {};
        }
        token = text.substr(1, close - 1);
        text.erase(0, close + 1);
    } else {
        const std::size_t end = text.find_first_of(" \"");
        if (end == std::string::npos) {
            token = std::move(text);
            text.clear();
        } else {
            token = text.substr(0, end);
            text.erase(0, end);
        }
    }
    token = TrimBlank(token);
    if (token.empty()) {
        failed = true;
        return {};
    }
    failed = false;
    text = TrimBlank(text);
    return token;
}

bool ReadCabwizCommand(const std::string& readmePath, CabwizInfo& info,
                       platform::MessageService& messages) {
    info = CabwizInfo{};
    TextFile readme;
    try {
        readme.Load(readmePath); // a missing or empty README leaves it without lines
    } catch (const Error&) {
        // A README that exists but cannot be read is as unusable as a missing one: it gets the
        // same message below, and the caller reports that it could not access the file.
    }
    const std::int32_t lineNumber = readme.FindFirst("cabwiz", 1);
    info.CabwizCommand = readme.Line(lineNumber);

    std::string rest = info.CabwizCommand;
    bool failed = false;
    info.CabwizProgram = NextToken(rest, failed);
    if (!failed) {
        info.InfPath = NextToken(rest, failed);
    }
    if (failed) {
        platform::Message message;
        message.text = std::string(kReadmeErrorMessage);
        message.icon = platform::MessageIcon::Critical;
        message.buttons = platform::MessageButtons::Ok;
        messages.show(message);
        return false;
    }

    const std::size_t cpu = rest.find("/cpu");
    if (cpu != std::string::npos) {
        std::string names = rest.substr(cpu + 4);
        for (;;) {
            std::string name = NextToken(names, failed);
            if (failed || name.front() == '/') {
                break; // the end of the line, or the next option of the cab builder
            }
            info.CpuNames.push_back(std::move(name));
        }
    }
    return true;
}

// ---- profile files ------------------------------------------------------------------------

namespace {

// One line of a profile file: its text and the line end it had ("" for a last line without).
struct RawLine {
    std::string text;
    std::string ending;
};

std::vector<RawLine> SplitRawLines(const std::string& content) {
    std::vector<RawLine> lines;
    std::size_t at = 0;
    while (at < content.size()) {
        const std::size_t end = content.find_first_of("\r\n", at);
        if (end == std::string::npos) {
            lines.push_back({content.substr(at), ""});
            break;
        }
        const std::size_t endLength =
            content[end] == '\r' && end + 1 < content.size() && content[end + 1] == '\n' ? 2 : 1;
        lines.push_back({content.substr(at, end - at), content.substr(end, endLength)});
        at = end + endLength;
    }
    return lines;
}

std::string_view Trim(std::string_view text) {
    constexpr std::string_view blanks = " \t";
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) {
        return {};
    }
    const std::size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

enum class LineKind { Blank, Comment, Section, Key, Other };

struct ParsedLine {
    LineKind kind = LineKind::Other;
    std::string_view name;  // section or key name
    std::string_view value; // key value, blanks removed, quotes still on
};

ParsedLine ParseLine(std::string_view text) {
    const std::string_view line = Trim(text);
    if (line.empty()) {
        return {LineKind::Blank, {}, {}};
    }
    if (line.front() == ';') {
        return {LineKind::Comment, {}, {}};
    }
    if (line.front() == '[') {
        const std::size_t close = line.find(']');
        if (close != std::string_view::npos) {
            return {LineKind::Section, Trim(line.substr(1, close - 1)), {}};
        }
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
        return {LineKind::Other, {}, {}};
    }
    const std::string_view name = Trim(line.substr(0, equals));
    if (name.empty()) {
        return {LineKind::Other, {}, {}};
    }
    return {LineKind::Key, name, Trim(line.substr(equals + 1))};
}

// A profile file split into lines, with the lines of its sections found.
class Profile {
public:
    explicit Profile(const std::string& file) {
        std::error_code ec;
        if (fs::status(fs::path(file), ec).type() == fs::file_type::not_found) {
            return; // a missing file reads as empty
        }
        const std::vector<std::uint8_t> bytes = readFileBytes(fs::path(file));
        lines_ = SplitRawLines(std::string(bytes.begin(), bytes.end()));
        parsed_.reserve(lines_.size());
        for (const RawLine& line : lines_) {
            parsed_.push_back(ParseLine(line.text));
        }
    }

    // The lines [begin, end) of the first section of that name, after its header; begin is
    // npos when there is none.
    std::pair<std::size_t, std::size_t> FindSection(std::string_view section) const {
        for (std::size_t i = 0; i < parsed_.size(); ++i) {
            if (parsed_[i].kind == LineKind::Section && EqualNoCase(parsed_[i].name, section)) {
                std::size_t end = i + 1;
                while (end < parsed_.size() && parsed_[end].kind != LineKind::Section) {
                    ++end;
                }
                return {i + 1, end};
            }
        }
        return {std::string::npos, std::string::npos};
    }

    // The first line of the section range that holds key; npos when none.
    std::size_t FindKey(std::pair<std::size_t, std::size_t> range, std::string_view key) const {
        for (std::size_t i = range.first; i < range.second; ++i) {
            if (parsed_[i].kind == LineKind::Key && EqualNoCase(parsed_[i].name, key)) {
                return i;
            }
        }
        return std::string::npos;
    }

    const std::vector<RawLine>& lines() const { return lines_; }
    const std::vector<ParsedLine>& parsed() const { return parsed_; }

private:
    std::vector<RawLine> lines_;
    std::vector<ParsedLine> parsed_; // views into lines_, which are not changed afterwards
};

std::string Unquote(std::string_view value) {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        value = value.substr(1, value.size() - 2);
    }
    return std::string(value);
}

void CheckWritable(const std::string& file, const std::string& section, const std::string& key,
                   const std::string& value) {
    const auto holdsLineEnd = [](const std::string& text) {
        return text.find_first_of("\r\n") != std::string::npos;
    };
    const std::string item = "section [" + section + "], key \"" + key + "\"";
    if (Trim(section).empty() || section.find(']') != std::string::npos || holdsLineEnd(section)) {
        throw Error(file, item, "the section name cannot be written into a profile file");
    }
    const std::string_view name = Trim(key);
    if (name.empty() || key.find('=') != std::string::npos || name.front() == ';' ||
        name.front() == '[' || holdsLineEnd(key)) {
        throw Error(file, item, "the key name cannot be written into a profile file");
    }
    if (holdsLineEnd(value)) {
        throw Error(file, item, "the value holds a line end");
    }
}

} // namespace

std::string ReadProfileString(const std::string& file, const std::string& section,
                              const std::string& key) {
    const Profile profile(file);
    const auto range = profile.FindSection(section);
    if (range.first == std::string::npos) {
        return {};
    }
    const std::size_t line = profile.FindKey(range, key);
    if (line == std::string::npos) {
        return {};
    }
    return Unquote(profile.parsed()[line].value);
}

std::vector<std::string> ReadProfileKeys(const std::string& file, const std::string& section) {
    const Profile profile(file);
    const auto range = profile.FindSection(section);
    std::vector<std::string> keys;
    if (range.first == std::string::npos) {
        return keys;
    }
    for (std::size_t i = range.first; i < range.second; ++i) {
        if (profile.parsed()[i].kind == LineKind::Key) {
            keys.emplace_back(profile.parsed()[i].name);
        }
    }
    return keys;
}

void WriteProfileString(const std::string& file, const std::string& section,
                        const std::string& key, const std::string& value) {
    CheckWritable(file, section, key, value);
    const Profile profile(file);
    std::vector<RawLine> lines = profile.lines();
    const auto& parsed = profile.parsed();
    const std::string crlf = "\r\n";

    const auto range = profile.FindSection(section);
    if (range.first != std::string::npos) {
        const std::size_t keyLine = profile.FindKey(range, key);
        if (keyLine != std::string::npos) {
            lines[keyLine] = {std::string(parsed[keyLine].name) + "=" + value, crlf};
        } else {
            // After the last non-blank line of the section (its header when it has none).
            std::size_t after = range.first - 1;
            for (std::size_t i = range.first; i < range.second; ++i) {
                if (parsed[i].kind != LineKind::Blank) {
                    after = i;
                }
            }
            if (lines[after].ending.empty()) {
                lines[after].ending = crlf;
            }
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(after) + 1,
                         RawLine{key + "=" + value, crlf});
        }
    } else {
        if (!lines.empty() && lines.back().ending.empty()) {
            lines.back().ending = crlf;
        }
        lines.push_back({"[" + section + "]", crlf});
        lines.push_back({key + "=" + value, crlf});
    }

    std::string content;
    for (const RawLine& line : lines) {
        content += line.text;
        content += line.ending;
    }
    writeFileAtomically(fs::path(file),
                        std::span(reinterpret_cast<const std::uint8_t*>(content.data()), content.size()));
}

} // namespace gw

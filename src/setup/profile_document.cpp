#include "setup/profile_document.h"

#include "common/error.h"
#include "common/file_io.h"

#include <span>

namespace gw {

namespace fs = std::filesystem;

namespace {

const std::string kCrLf = "\r\n";

bool holdsLineEnd(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

std::string unquote(std::string_view value) {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        value = value.substr(1, value.size() - 2);
    }
    return std::string(value);
}

// The value as a key line holds it so that it reads back as it is: in quotes when reading would
// otherwise take blanks from its ends or a pair of quotes around it.
std::string quotedWhereNeeded(const std::string& value) {
    const bool enclosed = value.size() >= 2 && value.front() == '"' && value.back() == '"';
    return Trim(value).size() != value.size() || enclosed ? '"' + value + '"' : value;
}

} // namespace

ProfileDocument::ProfileDocument(std::string_view text, std::string name) : name_(std::move(name)) {
    for (TextLine& raw : SplitLines(text)) {
        lines_.push_back(parse(std::move(raw)));
    }
}

ProfileDocument ProfileDocument::Load(const fs::path& file) {
    std::error_code ec;
    if (fs::status(file, ec).type() == fs::file_type::not_found) {
        return ProfileDocument({}, DisplayPath(file)); // a missing file reads as empty
    }
    const std::vector<std::uint8_t> bytes = ReadFileBytes(file);
    return ProfileDocument(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
        DisplayPath(file));
}

ProfileDocument::Line ProfileDocument::parse(TextLine raw) {
    Line line{std::move(raw), LineKind::Other, {}, {}};
    const std::string_view text = Trim(line.Raw.text);
    if (text.empty()) {
        line.Kind = LineKind::Blank;
    } else if (text.front() == ';') {
        line.Kind = LineKind::Comment;
    } else if (const std::size_t close = text.find(']');
               text.front() == '[' && close != std::string_view::npos) {
        line.Kind = LineKind::Section;
        line.Name = Trim(text.substr(1, close - 1));
    } else if (const std::size_t equals = text.find('='); equals != std::string_view::npos) {
        const std::string_view name = Trim(text.substr(0, equals));
        if (!name.empty()) {
            line.Kind = LineKind::Key;
            line.Name = name;
            line.Value = Trim(text.substr(equals + 1));
        }
    }
    return line;
}

std::pair<std::size_t, std::size_t> ProfileDocument::findSection(std::string_view section) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].Kind == LineKind::Section && EqualNoCase(lines_[i].Name, section)) {
            std::size_t end = i + 1;
            while (end < lines_.size() && lines_[end].Kind != LineKind::Section) {
                ++end;
            }
            return {i + 1, end};
        }
    }
    return {std::string::npos, std::string::npos};
}

std::size_t ProfileDocument::findKey(std::pair<std::size_t, std::size_t> range,
                                     std::string_view key) const {
    for (std::size_t i = range.first; i < range.second; ++i) {
        if (lines_[i].Kind == LineKind::Key && EqualNoCase(lines_[i].Name, key)) {
            return i;
        }
    }
    return std::string::npos;
}

std::string ProfileDocument::read(std::string_view section, std::string_view key) const {
    const auto range = findSection(section);
    if (range.first == std::string::npos) {
        return {};
    }
    const std::size_t line = findKey(range, key);
    return line == std::string::npos ? std::string() : unquote(lines_[line].Value);
}

std::vector<std::string> ProfileDocument::keys(std::string_view section) const {
    std::vector<std::string> names;
    const auto range = findSection(section);
    for (std::size_t i = range.first; range.first != std::string::npos && i < range.second; ++i) {
        if (lines_[i].Kind == LineKind::Key) {
            names.push_back(lines_[i].Name);
        }
    }
    return names;
}

void ProfileDocument::write(const std::string& section, const std::string& key,
                            const std::string& value) {
    const std::string item = "section [" + section + "], key \"" + key + "\"";
    if (Trim(section).empty() || section.find(']') != std::string::npos || holdsLineEnd(section)) {
        throw Error(name_, item, "the section name cannot be written into a profile file");
    }
    const std::string_view trimmedKey = Trim(key);
    if (trimmedKey.empty() || key.find('=') != std::string::npos || trimmedKey.front() == ';' ||
        trimmedKey.front() == '[' || holdsLineEnd(key)) {
        throw Error(name_, item, "the key name cannot be written into a profile file");
    }
    if (holdsLineEnd(value)) {
        throw Error(name_, item, "the value holds a line end");
    }
    const std::string stored = quotedWhereNeeded(value);

    const auto range = findSection(section);
    if (range.first == std::string::npos) {
        if (!lines_.empty() && lines_.back().Raw.ending.empty()) {
            lines_.back().Raw.ending = kCrLf;
        }
        lines_.push_back(parse({"[" + section + "]", kCrLf}));
        lines_.push_back(parse({key + "=" + stored, kCrLf}));
        return;
    }
    if (const std::size_t keyLine = findKey(range, key); keyLine != std::string::npos) {
        lines_[keyLine] = parse({lines_[keyLine].Name + "=" + stored, kCrLf});
        return;
    }
    // After the last non-blank line of the section (its header when it has none).
    std::size_t after = range.first - 1;
    for (std::size_t i = range.first; i < range.second; ++i) {
        if (lines_[i].Kind != LineKind::Blank) {
            after = i;
        }
    }
    if (lines_[after].Raw.ending.empty()) {
        lines_[after].Raw.ending = kCrLf;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(after) + 1,
                  parse({key + "=" + stored, kCrLf}));
}

std::string ProfileDocument::text() const {
    std::string content;
    for (const Line& line : lines_) {
        content += line.Raw.text;
        content += line.Raw.ending;
    }
    return content;
}

void ProfileDocument::save(const fs::path& file) const {
    const std::string content = text();
    WriteFileAtomically(
        file, std::span(reinterpret_cast<const std::uint8_t*>(content.data()), content.size()));
}

std::string ReadProfileString(const fs::path& file, std::string_view section,
                              std::string_view key) {
    return ProfileDocument::Load(file).read(section, key);
}

std::vector<std::string> ReadProfileKeys(const fs::path& file, std::string_view section) {
    return ProfileDocument::Load(file).keys(section);
}

void WriteProfileString(const fs::path& file, const std::string& section, const std::string& key,
                        const std::string& value) {
    ProfileDocument document = ProfileDocument::Load(file);
    document.write(section, key, value);
    document.save(file);
}

} // namespace gw

#include "setup/text_file.h"

#include "common/checked.h"
#include "common/error.h"
#include "common/file_io.h"
#include "common/text.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <new>
#include <span>
#include <utility>

namespace gw {

namespace fs = std::filesystem;

namespace {

// The lines of a whole file: gw::SplitLines ends a line at every lone LF, so an LF ending that
// comes before a later CR is put back and joins its line to the next. A CR ending the file ends
// its line, and a final line end gives no empty last line.
std::vector<std::string> SplitTextFileLines(std::string_view content, const std::string& fileName) {
    const std::vector<TextLine> parts = SplitLines(content);
    std::size_t lastCr = 0; // one past the last part whose ending holds a CR
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (parts[i].ending.starts_with('\r')) {
            lastCr = i + 1;
        }
    }
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        line += parts[i].text;
        if (i < lastCr && parts[i].ending == "\n") {
            line += '\n';
            continue;
        }
        if (lines.size() >= static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
            throw Error(fileName, "", "the file has more lines than a text file can hold");
        }
        lines.push_back(std::exchange(line, {}));
    }
    return lines;
}

} // namespace

std::int32_t TextFile::NormalizedBlockSize() {
    if (blockSize_ <= 0) {
        blockSize_ = kDefaultBlockSize;
    } else if (blockSize_ > kMaxBlockSize) {
        blockSize_ = kMaxBlockSize;
    }
    return blockSize_;
}

void TextFile::CreateNew(std::int32_t lineCount) {
    const std::string item = "a text of " + std::to_string(lineCount) + " lines";
    if (lineCount < 1) {
        throw Error(std::string(kMsgSubscriptOutOfRange), item, "a text has at least one line");
    }
    try {
        std::vector<std::string> fresh(static_cast<std::size_t>(lineCount));
        lines_.swap(fresh);
    } catch (const std::bad_alloc&) {
        throw Error(std::string(kMsgOutOfMemory), item, "there is not enough memory for it");
    } catch (const std::length_error&) {
        throw Error(std::string(kMsgOutOfMemory), item, "there is not enough memory for it");
    }
}

std::int16_t TextFile::FoundPos() const {
    return checked::Narrow<std::int16_t>(foundPos_, "the found position");
}

std::string TextFile::Line(std::int32_t index) const {
    if (index < 1 || index > Lines()) {
        return {};
    }
    return lines_[static_cast<std::size_t>(index) - 1];
}

void TextFile::Line(std::int32_t index, std::string_view text) {
    if (index < 1 || index > Lines()) {
        throw Error("", "line " + std::to_string(index),
                    "there is no such line (the text has " + std::to_string(Lines()) + " lines)");
    }
    if (!text.empty() && text.back() == '\n') {
        text.remove_suffix(1);
    }
    if (!text.empty() && text.back() == '\r') {
        text.remove_suffix(1);
    }
    lines_[static_cast<std::size_t>(index) - 1] = std::string(text);
}

std::vector<std::string> TextFile::ReadLines(const std::string& fileName) {
    const std::string missing(kMsgFileMissing);
    std::error_code ec;
    const fs::path path = PathFromUtf8(fileName);
    const fs::file_status status = fs::status(path, ec);
    if (status.type() == fs::file_type::not_found) {
        throw Error(missing, fileName, "there is no such file");
    }
    if (fs::is_directory(status)) {
        throw Error(fileName, "", "it is a folder, not a file");
    }
    if (fs::exists(status) && !fs::is_regular_file(status)) {
        // A device or a pipe may never end or never answer.
        throw Error(fileName, "", "it is not a regular file");
    }
    std::FILE* file = OpenFile(path, "rb");
    if (file == nullptr) {
        throw Error(fileName, "", std::string("cannot open: ") + std::strerror(errno));
    }
    struct Closer {
        std::FILE* file;
        ~Closer() { std::fclose(file); }
    } closer{file};

    const std::size_t blockSize = static_cast<std::size_t>(NormalizedBlockSize());
    std::vector<char> block(blockSize);
    std::string content;
    std::size_t got;
    while ((got = std::fread(block.data(), 1, blockSize, file)) > 0) {
        content.append(block.data(), got);
    }
    if (std::ferror(file) != 0) {
        throw Error(fileName, "", std::string("cannot read: ") + std::strerror(errno));
    }
    if (content.empty()) {
        throw Error(missing, fileName, "the file is empty");
    }
    return SplitTextFileLines(content, fileName);
}

void TextFile::Load(const std::string& fileName) {
    lines_ = ReadLines(fileName);
}

void TextFile::LoadListBox(const std::string& fileName, ListBox& list) {
    const std::vector<std::string> lines = ReadLines(fileName);
    list.Clear();
    for (const std::string& line : lines) {
        list.AddItem(line);
    }
}

void TextFile::Save(const std::string& fileName) {
    if (lines_.empty()) {
        throw Error(std::string(kMsgNothingToSave), fileName, "");
    }
    if (fileName.empty()) {
        throw Error(std::string(kMsgNoFileName));
    }
    try {
        AtomicFile file{PathFromUtf8(fileName)};
        const std::size_t blockSize = static_cast<std::size_t>(NormalizedBlockSize());
        std::string buffer;
        buffer.reserve(blockSize + 2);
        const auto flush = [&] {
            file.write(
                std::span(reinterpret_cast<const std::uint8_t*>(buffer.data()), buffer.size()));
            buffer.clear();
        };
        for (const std::string& line : lines_) {
            buffer += line;
            buffer += "\r\n";
            if (buffer.size() >= blockSize) {
                flush();
            }
        }
        flush();
        file.commit();
    } catch (const Error& e) {
        throw Error(std::string(kMsgCannotSave) + fileName, "", e.cause(), e.kind());
    }
}

std::int32_t TextFile::FindFirst(const std::string& text, std::int16_t matchCase) {
    foundPos_ = 0;
    matchCase_ = matchCase;
    searchText_ = matchCase != 0 ? text : LowerCase(text);
    for (std::int32_t n = 1; n <= Lines(); ++n) {
        if (MatchFrom(n, 0)) {
            return n;
        }
    }
    return 0;
}

std::int32_t TextFile::FindNext() {
    std::int32_t n = 1;
    std::size_t from = 0;
    if (foundLine_ != 0) {
        if (foundPos_ == 0) {
            return 0; // the last search ended without a match
        }
        n = foundLine_;
        from = static_cast<std::size_t>(foundPos_ - 1) + searchText_.size();
    }
    for (; n <= Lines(); ++n, from = 0) {
        if (MatchFrom(n, from)) {
            return n;
        }
    }
    foundPos_ = 0;
    return 0;
}

bool TextFile::MatchFrom(std::int32_t lineNumber, std::size_t from) {
    if (searchText_.empty() || lineNumber < 1 || lineNumber > Lines()) {
        return false;
    }
    const std::string& stored = lines_[static_cast<std::size_t>(lineNumber) - 1];
    if (from >= stored.size()) {
        return false;
    }
    const std::size_t at = matchCase_ != 0 ? stored.find(searchText_, from)
                                           : LowerCase(stored).find(searchText_, from);
    if (at == std::string::npos) {
        return false;
    }
    foundLine_ = lineNumber;
    foundPos_ = checked::Narrow<std::int32_t>(at + 1, "the found position");
    return true;
}

} // namespace gw

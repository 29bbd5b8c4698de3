#include "setup/text_file.h"

#include "common/checked.h"
#include "common/error.h"
#include "common/file_io.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <new>
#include <span>

namespace gw {

namespace fs = std::filesystem;

namespace {

std::string UpperAscii(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return upper;
}

// Splits a stream of blocks into lines. The rule is that of a single block holding the whole
// file: while a CR follows anywhere later, lines end only at a CR (an LF directly after it
// belongs to the line end; any other LF stays inside its line); after the last CR, a lone LF
// ends a line. A CR at the end of the file ends its line too. Whatever cannot be decided yet
// (text with no CR after it, a CR whose next byte has not been read) is carried over to the
// next block, so the result does not depend on where the blocks end.
class LineSplitter {
public:
    LineSplitter(std::vector<std::string>& out, const std::string& fileName)
        : out_(out), fileName_(fileName) {}

    void Feed(const char* data, std::size_t size) {
        pending_.append(data, size);
        Drain(false);
    }

    void Finish() { Drain(true); }

private:
    void Emit(std::size_t from, std::size_t to) {
        if (out_.size() >= static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
            throw Error(fileName_, "", "the file has more lines than a text file can hold");
        }
        out_.emplace_back(pending_, from, to - from);
    }

    void Drain(bool atEnd) {
        for (;;) {
            const std::size_t cr = pending_.find('\r', std::max(start_, scanned_));
            if (cr == std::string::npos) {
                scanned_ = pending_.size();
                break;
            }
            if (cr + 1 == pending_.size() && !atEnd) {
                scanned_ = cr; // an LF that ends the same line end may begin the next block
                break;
            }
            Emit(start_, cr);
            start_ = cr + 1;
            if (start_ < pending_.size() && pending_[start_] == '\n') {
                ++start_;
            }
            scanned_ = start_;
        }
        if (atEnd) {
            // No CR is left: every LF ends a line, and the text after the last one is a line.
            while (start_ < pending_.size()) {
                const std::size_t lf = pending_.find('\n', start_);
                const std::size_t end = lf == std::string::npos ? pending_.size() : lf;
                Emit(start_, end);
                start_ = lf == std::string::npos ? end : lf + 1;
            }
            pending_.clear();
            start_ = scanned_ = 0;
        } else if (start_ > 0 && start_ >= pending_.size() / 2) {
            pending_.erase(0, start_);
            scanned_ -= start_;
            start_ = 0;
        }
    }

    std::vector<std::string>& out_;
    const std::string& fileName_;
    std::string pending_;
    std::size_t start_ = 0;   // where the undecided text begins
    std::size_t scanned_ = 0; // no CR lies in [start_, scanned_)
};

} // namespace

std::int32_t TextFile::NormalizedBlockSize() {
    if (blockSize_ <= 0) {
        blockSize_ = kDefaultBlockSize;
    } else if (blockSize_ > kMaxBlockSize) {
        blockSize_ = kMaxBlockSize;
    }
    return blockSize_;
}

void TextFile::CreateNew(std::int32_t lLineCount) {
    errorNum_ = 0;
    errorMsg_.clear();
    if (lLineCount < 1) {
        errorNum_ = kErrCannotCreate;
        errorMsg_ = kMsgSubscriptOutOfRange;
        return;
    }
    try {
        std::vector<std::string> fresh(static_cast<std::size_t>(lLineCount));
        lines_.swap(fresh);
    } catch (const std::bad_alloc&) {
        errorNum_ = kErrCannotCreate;
        errorMsg_ = kMsgOutOfMemory;
    } catch (const std::length_error&) {
        errorNum_ = kErrCannotCreate;
        errorMsg_ = kMsgOutOfMemory;
    }
}

std::int16_t TextFile::FoundPos() const {
    return checked::narrow<std::int16_t>(foundPos_, "the found position");
}

void TextFile::FoundPos(std::int16_t /*nDummy*/) {}

void TextFile::Lines(std::int32_t /*lDummy*/) {}

std::string TextFile::Line(std::int32_t lIndex) const {
    if (lIndex < 1 || lIndex > Lines()) {
        return {};
    }
    return lines_[static_cast<std::size_t>(lIndex) - 1];
}

void TextFile::Line(std::int32_t lIndex, std::string_view szText) {
    if (lIndex < 1 || lIndex > Lines()) {
        throw Error("", "line " + std::to_string(lIndex),
                    "there is no such line (the text has " + std::to_string(Lines()) + " lines)");
    }
    if (!szText.empty() && szText.back() == '\n') {
        szText.remove_suffix(1);
    }
    if (!szText.empty() && szText.back() == '\r') {
        szText.remove_suffix(1);
    }
    lines_[static_cast<std::size_t>(lIndex) - 1] = std::string(szText);
}

bool TextFile::ReadLines(const std::string& fileName, std::vector<std::string>& out) {
    std::error_code ec;
    const fs::path path(fileName);
    const fs::file_status status = fs::status(path, ec);
    if (status.type() == fs::file_type::not_found) {
        return false; // a missing file counts as empty
    }
    if (fs::is_directory(status)) {
        throw Error(fileName, "", "it is a folder, not a file");
    }
    std::FILE* file = std::fopen(path.string().c_str(), "rb");
    if (file == nullptr) {
        throw Error(fileName, "", std::string("cannot open: ") + std::strerror(errno));
    }
    struct Closer {
        std::FILE* file;
        ~Closer() { std::fclose(file); }
    } closer{file};

    if (std::fseek(file, 0, SEEK_END) != 0) {
        throw Error(fileName, "", std::string("cannot read: ") + std::strerror(errno));
    }
    const long length = std::ftell(file);
    if (length == 0) {
        return false;
    }
    std::rewind(file);

    const std::size_t blockSize = static_cast<std::size_t>(NormalizedBlockSize());
    std::vector<char> block(blockSize);
    LineSplitter splitter(out, fileName);
    std::size_t got;
    std::size_t total = 0;
    while ((got = std::fread(block.data(), 1, blockSize, file)) > 0) {
        splitter.Feed(block.data(), got);
        total += got;
    }
    if (std::ferror(file) != 0) {
        throw Error(fileName, "", std::string("cannot read: ") + std::strerror(errno));
    }
    splitter.Finish();
    return total > 0;
}

bool TextFile::LoadLines(const std::string& fileName, std::vector<std::string>& out) {
    errorNum_ = 0;
    errorMsg_.clear();
    if (!ReadLines(fileName, out)) {
        errorNum_ = kErrFileMissing;
        errorMsg_ = kMsgFileMissing;
        return false;
    }
    return true;
}

void TextFile::Load(const std::string& szFileName) {
    std::vector<std::string> lines;
    if (!LoadLines(szFileName, lines)) {
        return;
    }
    lines_ = std::move(lines);
}

void TextFile::LoadListBox(const std::string& szFileName, ListBox& List1) {
    std::vector<std::string> lines;
    if (!LoadLines(szFileName, lines)) {
        return;
    }
    List1.Clear();
    for (const std::string& line : lines) {
        List1.AddItem(line);
    }
}

void TextFile::Save(const std::string& szFileName) {
    if (lines_.empty()) {
        errorNum_ = kErrNothingToSave;
        errorMsg_ = kMsgNothingToSave;
        return;
    }
    if (szFileName.empty()) {
        errorNum_ = kErrNoFileName;
        errorMsg_ = kMsgNoFileName;
        return;
    }
    errorNum_ = 0;
    errorMsg_.clear();
    try {
        AtomicFile file{fs::path(szFileName)};
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
    } catch (const Error&) {
        errorNum_ = kErrCannotSave;
        errorMsg_ = std::string(kMsgCannotSave) + szFileName;
    }
}

std::int32_t TextFile::FindFirst(const std::string& szText, std::int16_t nCase) {
    foundPos_ = 0;
    matchCase_ = nCase;
    searchText_ = nCase != 0 ? szText : UpperAscii(szText);
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
                                           : UpperAscii(stored).find(searchText_, from);
    if (at == std::string::npos) {
        return false;
    }
    foundLine_ = lineNumber;
    foundPos_ = checked::narrow<std::int32_t>(at + 1, "the found position");
    return true;
}

} // namespace gw

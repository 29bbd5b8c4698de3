#include "common/file_io.h"

#include <cerrno>
#include <cstring>
#include <random>

#include "common/error.h"

namespace gw {

namespace fs = std::filesystem;

std::string displayPath(const fs::path& path) { return path.string(); }

namespace {

std::string causeOf(int err) { return std::strerror(err); }

std::string tempSuffix() {
    static std::mt19937_64 generator{std::random_device{}()};
    static const char digits[] = "0123456789abcdef";
    std::string suffix = ".~gw";
    for (int i = 0; i < 8; ++i) {
        suffix += digits[generator() % 16];
    }
    return suffix + ".tmp";
}

} // namespace

std::vector<std::uint8_t> readFileBytes(const fs::path& path) {
    std::FILE* file = std::fopen(path.string().c_str(), "rb");
    if (file == nullptr) {
        throw Error(displayPath(path), "", "cannot open: " + causeOf(errno));
    }
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[65536];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    const bool failed = std::ferror(file) != 0;
    const int err = errno;
    std::fclose(file);
    if (failed) {
        throw Error(displayPath(path), "", "cannot read: " + causeOf(err));
    }
    return bytes;
}

AtomicFile::AtomicFile(fs::path target) : target_(std::move(target)) {
    std::error_code ec;
    const fs::file_status status = fs::status(target_, ec);
    if (fs::is_directory(status)) {
        fail("it is a folder, not a file");
    }
    if (fs::exists(status) && (status.permissions() & fs::perms::owner_write) == fs::perms::none) {
        fail("the file is read-only");
    }
    const fs::path directory = target_.has_parent_path() ? target_.parent_path() : fs::path(".");
    if (!fs::is_directory(directory, ec)) {
        fail("the folder " + displayPath(directory) + " does not exist");
    }
    temp_ = target_;
    temp_ += tempSuffix();
    file_ = std::fopen(temp_.string().c_str(), "wb");
    if (file_ == nullptr) {
        const int err = errno;
        temp_.clear();
        fail("cannot create a file in " + displayPath(directory) + ": " + causeOf(err));
    }
}

AtomicFile::~AtomicFile() {
    if (!committed_) {
        discard();
    }
}

void AtomicFile::discard() noexcept {
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!temp_.empty()) {
        std::error_code ec;
        fs::remove(temp_, ec);
        temp_.clear();
    }
}

void AtomicFile::fail(const std::string& cause) {
    discard();
    throw Error(displayPath(target_), "", cause);
}

void AtomicFile::write(std::span<const std::uint8_t> bytes) {
    if (file_ == nullptr) {
        fail("write after the file was closed");
    }
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
        fail("cannot write: " + causeOf(errno));
    }
}

void AtomicFile::commit() {
    if (file_ == nullptr) {
        fail("commit after the file was closed");
    }
    const bool flushed = std::fflush(file_) == 0;
    const int flushErr = errno;
    const bool closed = std::fclose(file_) == 0;
    const int closeErr = errno;
    file_ = nullptr;
    if (!flushed || !closed) {
        fail("cannot write: " + causeOf(flushed ? closeErr : flushErr));
    }
    std::error_code ec;
    const fs::file_status old = fs::status(target_, ec);
    if (fs::exists(old)) {
        // The new file takes the old one's permissions, as an in-place rewrite would.
        fs::permissions(temp_, old.permissions(), ec);
    }
    fs::rename(temp_, target_, ec);
    if (ec) {
        fail("cannot replace the file: " + ec.message());
    }
    temp_.clear();
    committed_ = true;
}

void writeFileAtomically(const fs::path& target, std::span<const std::uint8_t> bytes) {
    AtomicFile file(target);
    file.write(bytes);
    file.commit();
}

} // namespace gw

#include "common/file_io.h"

#include "common/error.h"
#include "common/temporary_files.h"
#include "common/text.h"

#include <cerrno>
#include <cstring>
#include <optional>
#include <random>
#include <sys/stat.h>

#ifdef __linux__
#include <fcntl.h>
#include <unistd.h>
#endif

namespace gw {

namespace fs = std::filesystem;

fs::path PathFromUtf8(std::string_view text) {
#ifdef _WIN32
    const std::optional<std::u16string> wide = Utf16FromUtf8(text);
    // Text that is not UTF-8 (it never comes from this program) is read as Windows would.
    return wide ? fs::path(*wide) : fs::path(*Utf16FromUtf8(Utf8FromWindowsText(text)));
#else
    return fs::path(std::string(text));
#endif
}

std::string PathToUtf8(const fs::path& path) {
#ifdef _WIN32
    return Utf8FromUtf16(path.u16string());
#else
    return path.string();
#endif
}

std::vector<fs::path> PathsFromUtf8(const std::vector<std::string>& texts) {
    std::vector<fs::path> paths;
    for (const std::string& text : texts) {
        paths.push_back(PathFromUtf8(text));
    }
    return paths;
}

std::string DisplayPath(const fs::path& path) {
    fs::path shown = path;
    return PathToUtf8(shown.make_preferred());
}

std::FILE* OpenFile(const fs::path& path, const char* mode) {
#ifdef _WIN32
    const std::string_view narrowMode(mode);
    const std::wstring wideMode(narrowMode.begin(), narrowMode.end());
    return _wfopen(path.c_str(), wideMode.c_str());
#else
    return std::fopen(path.c_str(), mode);
#endif
}

namespace {

std::string causeOf(int err) {
    return std::strerror(err);
}

// A short name of its own in the target's folder, so that a target name of any length that the
// file system takes still leaves room: ".~gw" + 8 hex digits + ".tmp".
fs::path temporaryNameBeside(const fs::path& target) {
    static std::mt19937_64 generator{std::random_device{}()};
    static const char digits[] = "0123456789abcdef";
    std::string name = ".~gw";
    for (int i = 0; i < 8; ++i) {
        name += digits[generator() % 16];
    }
    name += ".tmp";
    return target.has_parent_path() ? target.parent_path() / name : fs::path(name);
}

fs::path folderOf(const fs::path& target) {
    return target.has_parent_path() ? target.parent_path() : fs::path(".");
}

[[noreturn]] void notWritable(const fs::path& target, const std::string& cause) {
    throw Error(DisplayPath(target), "", cause, ErrorKind::TargetNotWritable);
}

} // namespace

std::optional<std::uint64_t> RegularFileSize(std::FILE* file) {
#ifdef _WIN32
    struct _stat64 status {};
    if (_fstat64(_fileno(file), &status) != 0 || (status.st_mode & _S_IFMT) != _S_IFREG) {
        return std::nullopt;
    }
#else
    struct stat status {};
    if (::fstat(::fileno(file), &status) != 0 || !S_ISREG(status.st_mode)) {
        return std::nullopt;
    }
#endif
    return static_cast<std::uint64_t>(status.st_size);
}

std::vector<std::uint8_t> ReadFileBytes(const fs::path& path) {
    std::FILE* file = OpenFile(path, "rb");
    if (file == nullptr) {
        throw Error(DisplayPath(path), "", "cannot open: " + causeOf(errno));
    }
    // Unbuffered: the chunks below are large already, and the stream then makes no look at the
    // file of its own (a build reads thousands of small files).
    std::setvbuf(file, nullptr, _IONBF, 0);
    std::vector<std::uint8_t> bytes;
    // Room for the whole file at once, so a large one is not copied over and over as it grows.
    if (const std::optional<std::uint64_t> size = RegularFileSize(file)) {
        bytes.reserve(static_cast<std::size_t>(*size));
    }
    std::uint8_t chunk[65536];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    const bool failed = std::ferror(file) != 0;
    const int err = errno;
    std::fclose(file);
    if (failed) {
        throw Error(DisplayPath(path), "", "cannot read: " + causeOf(err));
    }
    return bytes;
}

void RequireReplaceable(const fs::path& target) {
    std::error_code ec;
    const fs::file_status status = fs::status(target, ec);
    if (ec && ec != std::errc::no_such_file_or_directory) {
        notWritable(target, ec.message());
    }
    if (fs::is_directory(status)) {
        notWritable(target, "it is a folder, not a file");
    }
    if (fs::exists(status) && !fs::is_regular_file(status)) {
        notWritable(target, "it is not a regular file");
    }
    if (fs::exists(status) && (status.permissions() & fs::perms::owner_write) == fs::perms::none) {
        notWritable(target, "the file is read-only");
    }
    if (fs::exists(status)) {
        // Opened for update and closed unchanged: a file another program holds locked, or one
        // this user may not write although its permission bits let its owner, fails here.
        std::FILE* file = OpenFile(target, "r+b");
        if (file == nullptr) {
            notWritable(target, "the file cannot be opened for writing: " + causeOf(errno));
        }
        std::fclose(file);
    }
    const fs::path folder = folderOf(target);
    const fs::file_status folderStatus = fs::status(folder, ec);
    if (!fs::is_directory(folderStatus)) {
        notWritable(target, ec && ec != std::errc::no_such_file_or_directory
                                ? "its folder cannot be reached: " + ec.message()
                                : "the folder " + DisplayPath(folder) + " does not exist");
    }
    if ((folderStatus.permissions() & fs::perms::owner_write) == fs::perms::none) {
        notWritable(target, "the folder " + DisplayPath(folder) + " is read-only");
    }
}

void RefuseOutputThatIsInput(const fs::path& output, const std::vector<fs::path>& inputs) {
    const auto refuse = [&](const fs::path& input) {
        throw Error(DisplayPath(output), "",
                    "this output is the input file " + DisplayPath(input) +
                        "; writing it would destroy the input, so nothing was written");
    };
    // An output that is not there yet is no input; one that is is identified once, and each
    // input by one look at it (a build of thousands of files pays one stat per file).
#ifdef _WIN32
    std::error_code ec;
    if (!fs::exists(output, ec)) {
        return;
    }
    for (const fs::path& input : inputs) {
        if (fs::equivalent(output, input, ec) && !ec) {
            refuse(input);
        }
    }
#else
    struct stat target {};
    if (::stat(output.c_str(), &target) != 0) {
        return;
    }
    for (const fs::path& input : inputs) {
        struct stat source {};
        if (::stat(input.c_str(), &source) == 0 && source.st_dev == target.st_dev &&
            source.st_ino == target.st_ino) {
            refuse(input);
        }
    }
#endif
}

AtomicFile::AtomicFile(fs::path target) : target_(std::move(target)) {
    RequireReplaceable(target_);
    const fs::path folder = folderOf(target_);
#ifdef O_TMPFILE
    // An unnamed file in the target's folder: nothing is left behind whatever ends the program,
    // even SIGKILL. It gets a name only when it is complete.
    const int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd >= 0) {
        file_ = ::fdopen(fd, "wb");
        if (file_ == nullptr) {
            ::close(fd);
        }
    }
#endif
    if (file_ == nullptr) {
        temp_ = temporaryNameBeside(target_);
        guard_ = std::make_unique<TemporaryFileGuard>(temp_);
        file_ = OpenFile(temp_, "wb");
        if (file_ == nullptr) {
            const int err = errno;
            notWritable(target_, "cannot create a file in the folder " + DisplayPath(folder) +
                                     ": " + causeOf(err));
        }
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
    guard_.reset();
}

void AtomicFile::fail(const std::string& cause) {
    discard();
    throw Error(DisplayPath(target_), "", cause);
}

void AtomicFile::write(std::span<const std::uint8_t> bytes) {
    if (file_ == nullptr || prepared_) {
        fail("write after the file was completed");
    }
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
        fail("cannot write: " + causeOf(errno));
    }
}

void AtomicFile::prepare() {
    if (prepared_) {
        return;
    }
    if (file_ == nullptr) {
        fail("the file was already closed");
    }
    if (std::fflush(file_) != 0) {
        fail("cannot write: " + causeOf(errno));
    }
    // The new file takes the old one's permissions, as an in-place rewrite would.
    std::error_code ec;
    const fs::file_status old = fs::status(target_, ec);
#ifdef __linux__
    if (fs::exists(old)) {
        ::fchmod(::fileno(file_), static_cast<mode_t>(old.permissions()));
    }
    if (temp_.empty()) {
        // Name the unnamed file in the target's folder; it is renamed over the target by
        // commit(). Until then it is removed on interruption like any named temporary file.
        const fs::path name = temporaryNameBeside(target_);
        guard_ = std::make_unique<TemporaryFileGuard>(name);
        const std::string link = "/proc/self/fd/" + std::to_string(::fileno(file_));
        if (::linkat(AT_FDCWD, link.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) != 0 &&
            ::linkat(::fileno(file_), "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) != 0) {
            fail("cannot give the new file a name in its folder: " + causeOf(errno));
        }
        temp_ = name;
    }
#endif
    const bool closed = std::fclose(file_) == 0;
    const int closeErr = errno;
    file_ = nullptr;
    if (!closed) {
        fail("cannot write: " + causeOf(closeErr));
    }
#ifndef __linux__
    if (fs::exists(old)) {
        fs::permissions(temp_, old.permissions(), ec);
    }
#endif
    prepared_ = true;
}

void AtomicFile::commit() {
    prepare();
    std::error_code ec;
    fs::rename(temp_, target_, ec);
    if (ec) {
        fail("cannot replace the file: " + ec.message());
    }
    committed_ = true;
}

void CommitTogether(std::span<AtomicFile* const> files) {
    for (AtomicFile* file : files) {
        file->prepare();
    }
    for (AtomicFile* file : files) {
        file->commit();
    }
}

void WriteFileAtomically(const fs::path& target, std::span<const std::uint8_t> bytes) {
    AtomicFile file(target);
    file.write(bytes);
    file.commit();
}

} // namespace gw

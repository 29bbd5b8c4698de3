#include "common/file_io.h"

#include "common/error.h"
#include "common/temporary_files.h"
#include "common/text.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <random>
#include <sys/stat.h>

#ifdef __linux__
#include <sys/mman.h>
#endif
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
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

namespace {

template <class Texts> std::vector<fs::path> pathsFrom(const Texts& texts) {
    std::vector<fs::path> paths;
    paths.reserve(texts.size());
    for (const auto& text : texts) {
        paths.push_back(PathFromUtf8(text));
    }
    return paths;
}

} // namespace

std::vector<fs::path> PathsFromUtf8(const std::vector<std::string>& texts) {
    return pathsFrom(texts);
}

std::vector<fs::path> PathsFromUtf8(std::span<const std::string_view> texts) {
    return pathsFrom(texts);
}

std::string DisplayPath(const fs::path& path) {
#ifdef _WIN32
    fs::path shown = path;
    return PathToUtf8(shown.make_preferred());
#else
    // The one separator is the preferred one already; no copy of the path is needed.
    return PathToUtf8(path);
#endif
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

namespace {

OpenFileFacts factsOfDescriptor(int descriptor) {
    OpenFileFacts facts;
#ifdef _WIN32
    BY_HANDLE_FILE_INFORMATION info{};
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(descriptor));
    if (handle != INVALID_HANDLE_VALUE && GetFileInformationByHandle(handle, &info) != 0) {
        facts.Identity =
            FileIdentity{info.dwVolumeSerialNumber,
                         std::uint64_t{info.nFileIndexHigh} << 32 | info.nFileIndexLow};
        if (GetFileType(handle) == FILE_TYPE_DISK &&
            (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            facts.RegularSize = std::uint64_t{info.nFileSizeHigh} << 32 | info.nFileSizeLow;
        }
    }
#else
    struct stat status {};
    if (::fstat(descriptor, &status) == 0) {
        facts.Identity = FileIdentity{static_cast<std::uint64_t>(status.st_dev),
                                      static_cast<std::uint64_t>(status.st_ino)};
        if (S_ISREG(status.st_mode)) {
            facts.RegularSize = static_cast<std::uint64_t>(status.st_size);
        }
    }
#endif
    return facts;
}

} // namespace

OpenFileFacts LookAtOpenFile(std::FILE* file) {
#ifdef _WIN32
    return factsOfDescriptor(_fileno(file));
#else
    return factsOfDescriptor(::fileno(file));
#endif
}

ReadOnlyFile::ReadOnlyFile(const fs::path& path) {
#ifdef _WIN32
    descriptor_ = _wopen(path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
#else
    descriptor_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
#endif
}

ReadOnlyFile::~ReadOnlyFile() {
    if (descriptor_ >= 0) {
#ifdef _WIN32
        _close(descriptor_);
#else
        ::close(descriptor_);
#endif
    }
}

OpenFileFacts ReadOnlyFile::facts() const {
    return factsOfDescriptor(descriptor_);
}

std::optional<std::size_t> ReadOnlyFile::read(std::uint8_t* into, std::size_t count) {
    // At most 1 GiB a call: Windows takes an unsigned int.
    const std::size_t piece = std::min<std::size_t>(count, std::size_t{1} << 30);
    while (true) {
#ifdef _WIN32
        const int got = _read(descriptor_, into, static_cast<unsigned>(piece));
#else
        const ssize_t got = ::read(descriptor_, into, piece);
        if (got < 0 && errno == EINTR) {
            continue;
        }
#endif
        if (got < 0) {
            return std::nullopt;
        }
        return static_cast<std::size_t>(got);
    }
}

bool ReadOnlyFile::seek(std::uint64_t offset) {
#ifdef _WIN32
    return _lseeki64(descriptor_, static_cast<__int64>(offset), SEEK_SET) >= 0;
#else
    return ::lseek(descriptor_, static_cast<off_t>(offset), SEEK_SET) >= 0;
#endif
}

namespace {

// The identity of the file at path; nothing when there is none (or it cannot be looked at).
std::optional<FileIdentity> identityOf(const fs::path& path) {
#ifdef _WIN32
    // Opened for no access, shared every way, folders included: only to ask who it is.
    const HANDLE handle =
        CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = GetFileInformationByHandle(handle, &info) != 0;
    CloseHandle(handle);
    if (!known) {
        return std::nullopt;
    }
    return FileIdentity{info.dwVolumeSerialNumber,
                        std::uint64_t{info.nFileIndexHigh} << 32 | info.nFileIndexLow};
#else
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return std::nullopt;
    }
    return FileIdentity{static_cast<std::uint64_t>(status.st_dev),
                        static_cast<std::uint64_t>(status.st_ino)};
#endif
}

} // namespace

namespace {

// Asks for large pages behind a large buffer about to be filled (where the system offers them
// on request): a file of tens of megabytes then costs a few dozen page faults instead of
// thousands. Only whole large pages inside the buffer are advised; nothing changes elsewhere.
void adviseLargePages([[maybe_unused]] void* start, [[maybe_unused]] std::size_t size) {
#ifdef MADV_HUGEPAGE
    constexpr std::uintptr_t kLargePage = std::uintptr_t{2} << 20;
    const auto from =
        (reinterpret_cast<std::uintptr_t>(start) + kLargePage - 1) & ~(kLargePage - 1);
    const auto to = (reinterpret_cast<std::uintptr_t>(start) + size) & ~(kLargePage - 1);
    if (to > from) {
        ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
    }
#endif
}

} // namespace

std::vector<std::uint8_t> ReadFileBytes(const fs::path& path) {
    std::FILE* file = OpenFile(path, "rb");
    if (file == nullptr) {
        throw Error(DisplayPath(path), "", "cannot open: " + causeOf(errno));
    }
    // Unbuffered: the chunks below are large already, and the stream then makes no look at the
    // file of its own (a build reads thousands of small files).
    std::setvbuf(file, nullptr, _IONBF, 0);
    std::vector<std::uint8_t> bytes;
    // The size the file has now is read straight into room made for it; whatever it holds
    // beyond (it grew, or it is no regular file) follows in chunks.
    if (const std::optional<std::uint64_t> size = LookAtOpenFile(file).RegularSize) {
        bytes.reserve(static_cast<std::size_t>(*size));
        adviseLargePages(bytes.data(), bytes.capacity());
        bytes.resize(static_cast<std::size_t>(*size));
        bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
    }
    std::uint8_t chunk[65536];
    std::size_t got;
    while (std::ferror(file) == 0 && (got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
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

OutputGuard::OutputGuard(const std::vector<fs::path>& outputs) {
    for (const fs::path& output : outputs) {
        if (const std::optional<FileIdentity> identity = identityOf(output)) {
            outputs_.emplace_back(output, *identity);
        }
    }
}

void OutputGuard::checkInput(const fs::path& input,
                             const std::optional<FileIdentity>& identity) const {
    for (const auto& [output, outputIdentity] : outputs_) {
        if (identity && *identity == outputIdentity) {
            throw Error(DisplayPath(output), "",
                        "this output is the input file " + DisplayPath(input) +
                            "; writing it would destroy the input, so nothing was written");
        }
    }
}

void RefuseOutputThatIsInput(const fs::path& output, const std::vector<fs::path>& inputs) {
    const OutputGuard guard({output});
    for (std::size_t i = 0; i < inputs.size() && !guard.empty(); ++i) {
        guard.checkInput(inputs[i], identityOf(inputs[i]));
    }
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
    // Unbuffered: the writers hand over whole chunks, which the stream's own buffer would only
    // split into two writes each.
    std::setvbuf(file_, nullptr, _IONBF, 0);
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

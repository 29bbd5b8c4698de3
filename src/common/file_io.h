#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace gw {

class TemporaryFileGuard;

// Paths travel through the program's text as UTF-8 on every platform. These two are the only
// crossings between that text and a path, so that a name outside the system's code page (Ärger,
// 日本) survives on Windows, where a path holds UTF-16 and a plain narrow string means the ANSI
// code page.
[[nodiscard]] std::filesystem::path PathFromUtf8(std::string_view text);
[[nodiscard]] std::string PathToUtf8(const std::filesystem::path& path);
[[nodiscard]] std::vector<std::filesystem::path>
PathsFromUtf8(const std::vector<std::string>& texts);
[[nodiscard]] std::vector<std::filesystem::path>
PathsFromUtf8(std::span<const std::string_view> texts);

// Text for a path in messages: UTF-8, with the platform's own separator throughout.
[[nodiscard]] std::string DisplayPath(const std::filesystem::path& path);

// Opens a file as std::fopen does, from the path itself (the wide-character call on Windows).
[[nodiscard]] std::FILE* OpenFile(const std::filesystem::path& path, const char* mode);

// What tells one file from another: its device and inode (its volume's serial number and its
// file index on Windows). Two paths with one identity name the same file.
struct FileIdentity {
    std::uint64_t Volume = 0;
    std::uint64_t Index = 0;
    bool operator==(const FileIdentity&) const = default;
};

// What one look at an open file tells, none at its path: its size when it is a regular file
// (nothing for a pipe or a device), and its identity; nothing when the system cannot say.
struct OpenFileFacts {
    std::optional<std::uint64_t> RegularSize;
    std::optional<FileIdentity> Identity;
};
[[nodiscard]] OpenFileFacts LookAtOpenFile(std::FILE* file);

// A file opened for reading through the system's own calls and closed with the object: for a
// reader that keeps a buffer of its own, so that opening one of thousands of small files costs
// no stream. Failures leave the cause in errno.
class ReadOnlyFile {
public:
    explicit ReadOnlyFile(const std::filesystem::path& path);
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    [[nodiscard]] bool isOpen() const { return descriptor_ >= 0; }
    [[nodiscard]] OpenFileFacts facts() const;
    // One read of up to count bytes from where the file stands: fewer where it ends (none at
    // its end) or where the system gives fewer at a time; nothing when the system fails.
    [[nodiscard]] std::optional<std::size_t> read(std::uint8_t* into, std::size_t count);
    // Moves to offset from the start; false when the system fails.
    [[nodiscard]] bool seek(std::uint64_t offset);

private:
    int descriptor_ = -1;
};

// The file's whole contents. Fails with an error naming the file and the cause.
[[nodiscard]] std::vector<std::uint8_t> ReadFileBytes(const std::filesystem::path& path);

// Fails (TargetNotWritable, naming the file and the cause) when target cannot be created or
// replaced: it is read-only, it is a folder, or its folder does not exist or is read-only.
void RequireReplaceable(const std::filesystem::path& target);

// Fails, naming both, when output is the same file as one of the inputs: the same path, a link
// to it or another spelling of it. Checked before anything is written, so no input is lost.
void RefuseOutputThatIsInput(const std::filesystem::path& output,
                             const std::vector<std::filesystem::path>& inputs);

// The same check for a command that reads many inputs: the outputs are identified once, when
// the guard is made (an output not there yet is no input), and each input by the identity its
// reader's one look at the open file gave (LookAtOpenFile), so that a build of thousands of
// files pays no look at their paths of its own.
class OutputGuard {
public:
    explicit OutputGuard(const std::vector<std::filesystem::path>& outputs);

    // Fails, naming the output and the input, when the input's identity is an output's.
    void checkInput(const std::filesystem::path& input,
                    const std::optional<FileIdentity>& identity) const;

    // Whether no output is there yet, so that no input can be one.
    [[nodiscard]] bool empty() const { return outputs_.empty(); }

private:
    std::vector<std::pair<std::filesystem::path, FileIdentity>> outputs_;
};

// Replaces a file without ever leaving it half-written: the bytes go to a temporary file in
// the target's folder (unnamed where the system allows, so that not even SIGKILL leaves it
// behind), which is renamed over the target only by commit(). Until then, and whenever
// anything fails, the old file stays as it was and the temporary file is removed, also when
// the program is interrupted. The new file keeps the old one's permission bits. A target that
// may not be written (see RequireReplaceable) fails at construction, before anything is written.
class AtomicFile {
public:
    explicit AtomicFile(std::filesystem::path target);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    void write(std::span<const std::uint8_t> bytes);
    // Completes the new file beside the target without replacing the target yet.
    void prepare();
    // prepare(), then renames the new file over the target.
    void commit();

    [[nodiscard]] const std::filesystem::path& target() const { return target_; }

private:
    [[noreturn]] void fail(const std::string& cause);
    void discard() noexcept;

    std::filesystem::path target_;
    std::filesystem::path temp_;
    std::FILE* file_ = nullptr;
    std::unique_ptr<TemporaryFileGuard> guard_; // while the temporary file has a name
    bool prepared_ = false;
    bool committed_ = false;
};

// Puts a set of files in place only when every one of them is complete: all are prepared
// first, and a failure there leaves every target as it was.
void CommitTogether(std::span<AtomicFile* const> files);

void WriteFileAtomically(const std::filesystem::path& target, std::span<const std::uint8_t> bytes);

} // namespace gw

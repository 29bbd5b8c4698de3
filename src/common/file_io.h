#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace gw {

// Text for a path in messages, in the platform's native form.
std::string displayPath(const std::filesystem::path& path);

// The file's whole contents. Fails with an error naming the file and the cause.
std::vector<std::uint8_t> readFileBytes(const std::filesystem::path& path);

// Replaces a file without ever leaving it half-written: the bytes go to a temporary file in
// the target's directory, which is renamed over the target only by commit(). Until then, and
// whenever anything fails, the old file stays as it was and the temporary file is removed.
// A target that may not be written (a read-only file, a folder, a missing directory) fails
// at construction, before anything is written.
class AtomicFile {
public:
    explicit AtomicFile(std::filesystem::path target);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    void write(std::span<const std::uint8_t> bytes);
    void commit();

    const std::filesystem::path& target() const { return target_; }

private:
    [[noreturn]] void fail(const std::string& cause);
    void discard() noexcept;

    std::filesystem::path target_;
    std::filesystem::path temp_;
    std::FILE* file_ = nullptr;
    bool committed_ = false;
};

void writeFileAtomically(const std::filesystem::path& target, std::span<const std::uint8_t> bytes);

} // namespace gw

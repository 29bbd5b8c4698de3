#pragma once

#include <filesystem>

// The temporary files a run has started to write, registered so that an interrupted program
// can remove them (the signal handlers live in system/interrupt_cleanup). The registry is a
// fixed table that a signal handler may read: registering allocates nothing it would touch.
namespace gw {

// Keeps a temporary file registered for removal on interruption while the guard lives.
class TemporaryFileGuard {
public:
    TemporaryFileGuard() = default;
    explicit TemporaryFileGuard(const std::filesystem::path& path);
    ~TemporaryFileGuard();
    TemporaryFileGuard(const TemporaryFileGuard&) = delete;
    TemporaryFileGuard& operator=(const TemporaryFileGuard&) = delete;

    // Stops watching the file (it was renamed into place or removed).
    void release() noexcept;

private:
    std::filesystem::path::string_type path_; // its buffer stays put while registered
    int slot_ = -1;
};

// Removes every registered temporary file. Async-signal-safe: made for a signal handler.
void RemoveRegisteredTemporaryFiles() noexcept;

} // namespace gw

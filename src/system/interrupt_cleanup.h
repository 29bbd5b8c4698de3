#pragma once

#include <filesystem>
#include <string>

// Clean-up when the program is interrupted (Ctrl-C, SIGTERM, SIGHUP): temporary files that are
// still registered are removed and child process groups that are still registered are ended,
// then the signal takes its default action, so an interrupted run leaves nothing behind.
// Everything the signal handler touches is prepared beforehand, and it calls only
// async-signal-safe functions.
namespace gw {

// Installs the handlers. Called once by each program's main(); safe to call again.
void InstallInterruptCleanup();

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

// Keeps a child process group registered to be ended (SIGKILL to the whole group) on
// interruption while the guard lives. POSIX only; elsewhere it does nothing.
class ChildProcessGuard {
public:
    explicit ChildProcessGuard(long processGroup);
    ~ChildProcessGuard();
    ChildProcessGuard(const ChildProcessGuard&) = delete;
    ChildProcessGuard& operator=(const ChildProcessGuard&) = delete;

private:
    int slot_ = -1;
};

} // namespace gw

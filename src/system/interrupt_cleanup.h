#pragma once

// Clean-up when the program is interrupted (Ctrl-C, SIGTERM, SIGHUP): the temporary files still
// registered (common/temporary_files) are removed and the child process groups still
// registered are ended, then the signal takes its default action, so an interrupted run leaves
// nothing behind. Everything the signal handler touches is prepared beforehand, and it calls
// only async-signal-safe functions.
namespace gw {

// Installs the handlers. Called once by each program's main(); safe to call again.
void InstallInterruptCleanup();

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

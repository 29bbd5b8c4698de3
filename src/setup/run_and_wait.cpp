#include "setup/run_and_wait.h"

#include <cerrno>
#include <cstring>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

namespace gw {

std::string ProcessOutcome::describe() const {
    if (!started) {
        return "could not be started: " + cause;
    }
    if (signal != 0) {
        return "was ended by signal " + std::to_string(signal);
    }
    if (!cause.empty()) {
        return "was started, but " + cause;
    }
    return "exited with code " + std::to_string(exitCode);
}

namespace {

ProcessOutcome notStarted(const std::string& cause) {
    ProcessOutcome outcome;
    outcome.cause = cause;
    return outcome;
}

} // namespace

#ifdef _WIN32

namespace {

std::string lastErrorText(DWORD code) {
    char* buffer = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<LPSTR>(&buffer), 0, nullptr);
    std::string text = length > 0 ? std::string(buffer, length) : "";
    LocalFree(buffer);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) {
        text.pop_back();
    }
    return text.empty() ? "error " + std::to_string(code) : text;
}

} // namespace

ProcessOutcome RunAndWait(const std::string& commandLine, const std::string& workingDirectory) {
    // CreateProcess may write into the command line, so it gets a copy of its own.
    std::vector<char> command(commandLine.begin(), commandLine.end());
    command.push_back('\0');
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS,
                        nullptr, workingDirectory.empty() ? nullptr : workingDirectory.c_str(),
                        &startup, &process)) {
        return notStarted(lastErrorText(GetLastError()));
    }
    CloseHandle(process.hThread);
    ProcessOutcome outcome;
    outcome.started = true;
    DWORD code = 0;
    if (WaitForSingleObject(process.hProcess, INFINITE) != WAIT_OBJECT_0) {
        outcome.cause = "waiting for it failed: " + lastErrorText(GetLastError());
    } else if (!GetExitCodeProcess(process.hProcess, &code)) {
        outcome.cause = "its exit code cannot be read: " + lastErrorText(GetLastError());
    } else {
        outcome.exitCode = static_cast<int>(code);
    }
    CloseHandle(process.hProcess);
    return outcome;
}

#else

namespace {

// The shell's exit codes for a command it could not run.
constexpr int kShellNotFound = 127;
constexpr int kShellNotExecutable = 126;

void closeQuietly(int fd) {
    if (fd >= 0) {
        ::close(fd);
    }
}

// What the child reports through the pipe when it cannot start the program.
struct StartFailure {
    int step = 0; // 0: none (exec succeeded and closed the pipe), else one of the steps below
    int error = 0;
};
constexpr int kStepDirectory = 1;
constexpr int kStepExec = 2;

StartFailure readStartFailure(int fd) {
    StartFailure failure;
    auto* into = reinterpret_cast<char*>(&failure);
    std::size_t got = 0;
    while (got < sizeof failure) {
        const ssize_t n = ::read(fd, into + got, sizeof failure - got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    return got == sizeof failure ? failure : StartFailure{};
}

// In the child, between fork and exec: only async-signal-safe calls. A failure is reported
// to the parent through the pipe before the child ends.
[[noreturn]] void failChild(int reportFd, int step) {
    const StartFailure failure{step, errno};
    [[maybe_unused]] const ssize_t n = ::write(reportFd, &failure, sizeof failure);
    ::_exit(kShellNotFound);
}

[[noreturn]] void runChild(const char* directory, char* const argv[], int reportFd) {
    if (directory != nullptr && ::chdir(directory) != 0) {
        failChild(reportFd, kStepDirectory);
    }
    ::execve("/bin/sh", argv, environ);
    failChild(reportFd, kStepExec);
}

} // namespace

ProcessOutcome RunAndWait(const std::string& commandLine, const std::string& workingDirectory) {
    // Everything the child needs is prepared before the fork.
    std::string shell = "sh";
    std::string option = "-c";
    std::string command = commandLine;
    char* const argv[] = {shell.data(), option.data(), command.data(), nullptr};
    const char* directory = workingDirectory.empty() ? nullptr : workingDirectory.c_str();

    int report[2] = {-1, -1};
    // The write end closes itself when exec succeeds; neither end may reach the program.
#ifdef __linux__
    const bool piped = ::pipe2(report, O_CLOEXEC) == 0;
#else
    const bool piped = ::pipe(report) == 0 && ::fcntl(report[0], F_SETFD, FD_CLOEXEC) == 0 &&
                       ::fcntl(report[1], F_SETFD, FD_CLOEXEC) == 0;
#endif
    if (!piped) {
        const int err = errno;
        closeQuietly(report[0]);
        closeQuietly(report[1]);
        return notStarted(std::string("cannot create a pipe: ") + std::strerror(err));
    }

    const pid_t pid = ::fork();
    if (pid < 0) {
        const int err = errno;
        closeQuietly(report[0]);
        closeQuietly(report[1]);
        return notStarted(std::string("cannot create a process: ") + std::strerror(err));
    }
    if (pid == 0) {
        runChild(directory, argv, report[1]);
    }
    closeQuietly(report[1]);
    const StartFailure failure = readStartFailure(report[0]);
    closeQuietly(report[0]);

    int status = 0;
    pid_t waited;
    do {
        waited = ::waitpid(pid, &status, 0);
    } while (waited < 0 && errno == EINTR);
    const int waitError = waited < 0 ? errno : 0;

    if (failure.step == kStepDirectory) {
        return notStarted("cannot enter the working directory " + workingDirectory + ": " +
                          std::strerror(failure.error));
    }
    if (failure.step == kStepExec) {
        return notStarted(std::string("cannot run /bin/sh: ") + std::strerror(failure.error));
    }
    ProcessOutcome outcome;
    outcome.started = true;
    if (waited < 0) {
        outcome.cause = std::string("waiting for it failed: ") + std::strerror(waitError);
    } else if (WIFSIGNALED(status)) {
        outcome.signal = WTERMSIG(status);
    } else if (WIFEXITED(status)) {
        outcome.exitCode = WEXITSTATUS(status);
    }
    if (outcome.exitCode == kShellNotFound) {
        return notStarted("the program was not found (the shell exited with code 127)");
    }
    if (outcome.exitCode == kShellNotExecutable) {
        return notStarted("the program is not executable (the shell exited with code 126)");
    }
    return outcome;
}

#endif

} // namespace gw

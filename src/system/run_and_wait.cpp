#include "system/run_and_wait.h"

#include "common/file_io.h"
#include "common/text.h"
#include "system/interrupt_cleanup.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <fcntl.h>
#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

namespace gw {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using std::chrono::seconds;

// How often the wait looks at the program, and how long a program asked to end may take
// before it is killed.
constexpr milliseconds kPollInterval{25};
constexpr milliseconds kGracePeriod{1500};
// How long the wait for a killed program to vanish may take.
constexpr milliseconds kReapLimit{10000};

std::string secondsText(seconds count) {
    return std::to_string(count.count()) + (count.count() == 1 ? " second" : " seconds");
}

std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

ProcessOutcome notStarted(const std::string& cause) {
    ProcessOutcome outcome;
    outcome.Cause = cause;
    return outcome;
}

// Why the wait for a running program ended early.
enum class Verdict { KeepWaiting, TimeLimit, Stop };

// Keeps the time of a wait: the time limit, and OnWait once for every whole second waited.
class WaitWatch {
public:
    explicit WaitWatch(const RunOptions& options) : options_(options), start_(Clock::now()) {}

    Verdict check() {
        const auto elapsed = Clock::now() - start_;
        if (elapsed >= options_.TimeLimit) {
            return Verdict::TimeLimit;
        }
        const seconds whole = std::chrono::floor<seconds>(elapsed);
        if (whole > reported_) {
            reported_ = whole;
            if (options_.OnWait && !options_.OnWait(whole)) {
                return Verdict::Stop;
            }
        }
        return Verdict::KeepWaiting;
    }

private:
    const RunOptions& options_;
    Clock::time_point start_;
    seconds reported_{0};
};

// The outcome of a program that was started, as far as the wait knows it.
ProcessOutcome ranOutcome(const RunOptions& options, Verdict verdict) {
    ProcessOutcome outcome;
    outcome.Started = true;
    outcome.TimeLimit = options.TimeLimit;
    outcome.TimedOut = verdict == Verdict::TimeLimit;
    outcome.Stopped = verdict == Verdict::Stop;
    return outcome;
}

} // namespace

std::string ProcessOutcome::describe() const {
    if (!Started) {
        return "could not be started: " + Cause;
    }
    if (TimedOut) {
        return "was ended after the time limit of " + secondsText(TimeLimit);
    }
    if (Stopped) {
        return "was stopped";
    }
    if (Signal != 0) {
        return "was ended by signal " + std::to_string(Signal);
    }
    if (!Cause.empty()) {
        return "was started, but " + Cause;
    }
    return "exited with code " + std::to_string(ExitCode);
}

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
    std::vector<std::string> words;
    const std::size_t size = commandLine.size();
    const auto blank = [&](std::size_t at) {
        return commandLine[at] == ' ' || commandLine[at] == '\t';
    };
    std::size_t i = 0;
    while (i < size && blank(i)) {
        ++i;
    }
    if (i == size) {
        return words;
    }

    // The program: quotes only group, backslashes are plain.
    std::string program;
    bool inQuotes = false;
    for (; i < size && (inQuotes || !blank(i)); ++i) {
        if (commandLine[i] == '"') {
            inQuotes = !inQuotes;
        } else {
            program += commandLine[i];
        }
    }
    words.push_back(std::move(program));

    // The arguments.
    while (true) {
        while (i < size && blank(i)) {
            ++i;
        }
        if (i == size) {
            break;
        }
        std::string word;
        inQuotes = false;
        while (i < size && (inQuotes || !blank(i))) {
            const char c = commandLine[i];
            if (c == '\\') {
                std::size_t run = 0;
                while (i < size && commandLine[i] == '\\') {
                    ++run;
                    ++i;
                }
                if (i < size && commandLine[i] == '"') {
                    word.append(run / 2, '\\');
                    if (run % 2 == 1) {
                        word += '"';
                        ++i;
                    }
                    // An even run leaves the quote to group, in the next round.
                } else {
                    word.append(run, '\\');
                }
            } else if (c == '"') {
                if (inQuotes && i + 1 < size && commandLine[i + 1] == '"') {
                    word += '"';
                    i += 2;
                } else {
                    inQuotes = !inQuotes;
                    ++i;
                }
            } else {
                word += c;
                ++i;
            }
        }
        words.push_back(std::move(word));
    }
    return words;
}

std::string JoinCommandLine(const std::vector<std::string>& words) {
    std::string line;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (i > 0) {
            line += ' ';
        }
        const bool plain = !word.empty() && word.find_first_of(" \t\"") == std::string::npos;
        if (plain || i == 0) {
            line += plain ? word : '"' + word + '"';
            continue;
        }
        line += '"';
        std::size_t backslashes = 0;
        for (const char c : word) {
            if (c == '\\') {
                ++backslashes;
                continue;
            }
            // Backslashes before a quote are doubled and the quote escaped; others stay plain.
            line.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
            backslashes = 0;
            line += c;
        }
        // Before the closing quote, backslashes are doubled so that they do not escape it.
        line.append(2 * backslashes, '\\');
        line += '"';
    }
    return line;
}

std::string SystemMessageText(const std::string& raw, const std::string& program,
                              unsigned long code) {
    std::string text;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '%' && i + 1 < raw.size() && raw[i + 1] >= '1' && raw[i + 1] <= '9') {
            text += raw[i + 1] == '1' ? quoted(program) : "";
            ++i;
        } else {
            text += raw[i];
        }
    }
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ' ||
                             text.back() == '.')) {
        text.pop_back();
    }
    return text.empty() ? "error " + std::to_string(code) : text;
}

#ifdef _WIN32

namespace {

std::wstring wide(const std::u16string& text) {
    return std::wstring(text.begin(), text.end());
}

std::string narrow(const std::wstring& text) {
    return Utf8FromUtf16(std::u16string(text.begin(), text.end()));
}

// The system's text for an error code, without its final full stop. Inserts such as "%1"
// ("%1 is not a valid Win32 application") are filled in with the program's name.
std::string systemMessage(DWORD code, const std::string& program) {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    const std::string raw = length > 0 ? narrow(std::wstring(buffer, length)) : "";
    LocalFree(buffer);
    return SystemMessageText(raw, program, code);
}

// Handles closed when the run is over, whichever way it ends.
struct Handles {
    HANDLE Job = nullptr;
    HANDLE Process = nullptr;
    HANDLE Outputs[2] = {};
    ~Handles() {
        for (HANDLE output : Outputs) {
            if (output != nullptr) {
                CloseHandle(output);
            }
        }
        if (Process != nullptr) {
            CloseHandle(Process);
        }
        if (Job != nullptr) {
            CloseHandle(Job); // ends whatever the program left running in its job
        }
    }

    // Opens the files the program's standard output and error go to, as handles it inherits.
    // Returns why one cannot be opened, "" when all are.
    std::string openOutputs(const RunOptions& options, const std::string& program) {
        SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        const std::filesystem::path* files[2] = {&options.StandardOutput, &options.StandardError};
        for (int stream = 0; stream < 2; ++stream) {
            if (files[stream]->empty()) {
                continue;
            }
            Outputs[stream] =
                CreateFileW(files[stream]->c_str(), GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherited,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (Outputs[stream] == INVALID_HANDLE_VALUE) {
                Outputs[stream] = nullptr;
                return "the output of the program " + quoted(program) +
                       " cannot go to its file: " + systemMessage(GetLastError(), program);
            }
        }
        return "";
    }

    // How the program starts: with the output files, when there are any, as its standard
    // handles.
    [[nodiscard]] STARTUPINFOW startupInfo() const {
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        if (Outputs[0] != nullptr || Outputs[1] != nullptr) {
            startup.dwFlags |= STARTF_USESTDHANDLES;
            startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
            startup.hStdOutput =
                Outputs[0] != nullptr ? Outputs[0] : GetStdHandle(STD_OUTPUT_HANDLE);
            startup.hStdError = Outputs[1] != nullptr ? Outputs[1] : GetStdHandle(STD_ERROR_HANDLE);
        }
        return startup;
    }
};

// How the wait for a started program ended: why it ended early, or why waiting failed ("" when
// it did not).
struct WaitResult {
    Verdict Ending = Verdict::KeepWaiting;
    std::string Problem;
};

// Waits until the program ends, the time limit passes or OnWait says stop; in the last two
// cases, and when waiting fails, the job is ended. Whatever OnWait throws ends the job first.
WaitResult waitForProcess(const Handles& handles, const RunOptions& options,
                          const std::string& program) {
    WaitWatch watch(options);
    try {
        while (true) {
            const DWORD waited =
                WaitForSingleObject(handles.Process, static_cast<DWORD>(kPollInterval.count()));
            if (waited == WAIT_OBJECT_0) {
                return {};
            }
            if (waited == WAIT_FAILED) {
                WaitResult failed{Verdict::KeepWaiting, "waiting for it failed: " +
                                                            systemMessage(GetLastError(), program)};
                TerminateJobObject(handles.Job, 1);
                return failed;
            }
            if (const Verdict verdict = watch.check(); verdict != Verdict::KeepWaiting) {
                TerminateJobObject(handles.Job, 1);
                WaitForSingleObject(handles.Process, static_cast<DWORD>(kReapLimit.count()));
                return {verdict, ""};
            }
        }
    } catch (...) {
        TerminateJobObject(handles.Job, 1); // OnWait failed: nothing may stay running
        throw;
    }
}

} // namespace

std::optional<std::filesystem::path> FindProgram(const std::string& program) {
    return program.empty() ? std::nullopt : std::optional(PathFromUtf8(program));
}

ProcessOutcome RunAndWait(const std::string& commandLine, const RunOptions& options) {
    // What this program has written so far goes out before the child writes a byte of its own
    // to the same place.
    std::fflush(nullptr);
    const std::vector<std::string> words = SplitCommandLine(commandLine);
    if (words.empty() || words.front().empty()) {
        return notStarted("the command line names no program");
    }
    const std::string& program = words.front();
    const std::optional<std::u16string> utf16 = Utf16FromUtf8(commandLine);
    const std::wstring command = utf16 ? wide(*utf16) : std::wstring();
    if (command.empty()) {
        return notStarted("the command line of the program " + quoted(program) +
                          " is not valid UTF-8 text");
    }
    const std::wstring directory = options.WorkingDirectory.wstring();

    Handles handles;
    handles.Job = CreateJobObjectW(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (handles.Job == nullptr ||
        !SetInformationJobObject(handles.Job, JobObjectExtendedLimitInformation, &limits,
                                 sizeof limits)) {
        return notStarted("no job object could be made for the program " + quoted(program) + ": " +
                          systemMessage(GetLastError(), program));
    }

    // CreateProcessW may write into the command line, so it gets a copy of its own.
    std::vector<wchar_t> line(command.begin(), command.end());
    line.push_back(L'\0');
    if (const std::string cause = handles.openOutputs(options, program); !cause.empty()) {
        return notStarted(cause);
    }
    STARTUPINFOW startup = handles.startupInfo();
    PROCESS_INFORMATION process{};
    // Suspended until it is in the job, so that nothing it starts can escape the job.
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE,
                        CREATE_SUSPENDED | NORMAL_PRIORITY_CLASS, nullptr,
                        directory.empty() ? nullptr : directory.c_str(), &startup, &process)) {
        const DWORD error = GetLastError();
        if (error == ERROR_DIRECTORY && !directory.empty()) {
            return notStarted("the program " + quoted(program) +
                              " cannot run in the working directory " + quoted(narrow(directory)) +
                              ": " + systemMessage(error, program));
        }
        return notStarted("the program " + quoted(program) +
                          " cannot be started: " + systemMessage(error, program));
    }
    handles.Process = process.hProcess;
    if (!AssignProcessToJobObject(handles.Job, process.hProcess)) {
        const DWORD error = GetLastError();
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, static_cast<DWORD>(kReapLimit.count()));
        CloseHandle(process.hThread);
        return notStarted("the program " + quoted(program) +
                          " cannot be put in a job object: " + systemMessage(error, program));
    }
    ResumeThread(process.hThread);
    CloseHandle(process.hThread);

    const WaitResult wait = waitForProcess(handles, options, program);
    ProcessOutcome outcome = ranOutcome(options, wait.Ending);
    DWORD code = 0;
    if (!wait.Problem.empty()) {
        outcome.Cause = wait.Problem; // the exit code means nothing
    } else if (!GetExitCodeProcess(process.hProcess, &code)) {
        outcome.Cause = "its exit code cannot be read: " + systemMessage(GetLastError(), program);
    } else {
        outcome.ExitCode = static_cast<int>(code);
    }
    return outcome;
}

#else

namespace {

// A file descriptor closed when it goes out of scope, whichever way that is.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() { close(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    [[nodiscard]] int get() const { return fd_; }
    void close() {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }

private:
    int fd_;
};

// What the child reports through the pipe when it cannot start the program.
struct StartFailure {
    int Step = 0; // 0: none (exec succeeded and closed the pipe), else one of the steps below
    int Errno = 0;
};
constexpr int kStepDirectory = 1;
constexpr int kStepExec = 2;
constexpr int kStepOutput = 3;

// Everything the child needs, prepared before the fork: between fork and exec the child may
// only make async-signal-safe calls, so it allocates nothing.
struct ChildPlan {
    std::vector<char*> Argv;             // the words, ending in a null pointer
    std::vector<const char*> Candidates; // the files to try, in order
    const char* Directory = nullptr;     // null: stay in the caller's directory
    const char* Outputs[2] = {};         // files for standard output and error, or null
    sigset_t Mask{};                     // the signal mask to run the program with
    int ReportFd = -1;
};

[[noreturn]] void failChild(int reportFd, int step, int error) {
    const StartFailure failure{step, error};
    [[maybe_unused]] const ssize_t n = ::write(reportFd, &failure, sizeof failure);
    ::_exit(127);
}

[[noreturn]] void runChild(const ChildPlan& plan) {
    ::setpgid(0, 0);
    // The caller's signal handlers must not run in the child; ignored signals stay ignored.
    for (int signal = 1; signal < NSIG; ++signal) {
        struct sigaction current {};
        if (signal == SIGKILL || signal == SIGSTOP || ::sigaction(signal, nullptr, &current) != 0) {
            continue;
        }
        if ((current.sa_flags & SA_SIGINFO) != 0 ||
            (current.sa_handler != SIG_IGN && current.sa_handler != SIG_DFL)) {
            struct sigaction plain {};
            plain.sa_handler = SIG_DFL;
            ::sigaction(signal, &plain, nullptr);
        }
    }
    ::sigprocmask(SIG_SETMASK, &plan.Mask, nullptr);
    // Opened before the change of directory, so that relative names mean the caller's.
    for (int stream = 0; stream < 2; ++stream) {
        if (plan.Outputs[stream] != nullptr) {
            const int fd = ::open(plan.Outputs[stream], O_WRONLY | O_CREAT | O_TRUNC, 0666);
            if (fd < 0 || ::dup2(fd, STDOUT_FILENO + stream) < 0) {
                failChild(plan.ReportFd, kStepOutput, errno);
            }
            ::close(fd);
        }
    }
    if (plan.Directory != nullptr && ::chdir(plan.Directory) != 0) {
        failChild(plan.ReportFd, kStepDirectory, errno);
    }
    // As execvp searches the PATH, but never hands a file to a shell.
    int error = ENOENT;
    bool denied = false;
    for (const char* candidate : plan.Candidates) {
        ::execve(candidate, plan.Argv.data(), environ);
        error = errno;
        if (error == EACCES) {
            denied = true;
        } else if (error != ENOENT && error != ENOTDIR && error != ESTALE) {
            break;
        }
    }
    failChild(plan.ReportFd, kStepExec, denied && error != ENOEXEC ? EACCES : error);
}

// The files the program may be: itself when it names a folder, else one per PATH entry (an
// empty entry is the working directory, as execvp has it).
std::vector<std::string> candidatesFor(const std::string& program) {
    if (program.find('/') != std::string::npos) {
        return {program};
    }
    const char* path = std::getenv("PATH");
    const std::string entries = path != nullptr ? path : "/bin:/usr/bin";
    std::vector<std::string> files;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = entries.find(':', start);
        const std::string entry = entries.substr(start, end - start);
        files.push_back((entry.empty() ? "." : entry) + "/" + program);
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    return files;
}

std::string startFailureText(const StartFailure& failure, const std::string& program,
                             const std::string& directory) {
    if (failure.Step == kStepOutput) {
        return "the output of the program " + quoted(program) +
               " cannot go to its file: " + std::strerror(failure.Errno);
    }
    if (failure.Step == kStepDirectory) {
        return "the program " + quoted(program) + " cannot run in the working directory " +
               quoted(directory) + ": " + std::strerror(failure.Errno);
    }
    if (failure.Errno == ENOENT) {
        return program.find('/') != std::string::npos
                   ? "the program " + quoted(program) + " does not exist"
                   : "the program " + quoted(program) + " was not found on the PATH";
    }
    return "the program " + quoted(program) + " cannot be run: " + std::strerror(failure.Errno);
}

// Whether the program has ended, without reaping it: its process ID, and with it the ID of
// its group, stays taken until it is reaped, so signals to the group cannot reach a stranger.
bool hasEnded(pid_t pid) {
    siginfo_t info{};
    info.si_pid = 0;
    if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0) {
        return errno != EINTR; // no such child any more: nothing left to wait for
    }
    return info.si_pid == pid;
}

void sleepAWhile() {
    std::this_thread::sleep_for(kPollInterval);
}

// Asks the group to end, then kills whatever is left of it after the grace period.
void endGroup(pid_t pid) {
    ::kill(-pid, SIGTERM);
    ::kill(-pid, SIGCONT); // a stopped program could not act on SIGTERM
    const auto deadline = Clock::now() + kGracePeriod;
    while (!hasEnded(pid) && Clock::now() < deadline) {
        sleepAWhile();
    }
    ::kill(-pid, SIGKILL);
}

// The ended program's wait status, or why it could not be collected.
struct Reaped {
    int Status = 0;
    std::string Problem; // "" when the status was collected
};

// Collects the ended program's status, waiting a bounded time for a killed one to vanish.
Reaped reap(pid_t pid) {
    const auto deadline = Clock::now() + kReapLimit;
    while (true) {
        int status = 0;
        const pid_t waited = ::waitpid(pid, &status, WNOHANG);
        if (waited == pid) {
            return {status, ""};
        }
        if (waited < 0 && errno != EINTR) {
            return {0, std::string("waiting for it failed: ") + std::strerror(errno)};
        }
        if (Clock::now() >= deadline) {
            return {0, "it did not end when it was killed"};
        }
        sleepAWhile();
    }
}

// What the child needs, pointing into the texts the caller keeps until the child has started.
ChildPlan planChild(std::vector<std::string>& words, const std::vector<std::string>& candidates,
                    const std::string& directory, const std::string (&outputs)[2]) {
    ChildPlan plan;
    for (std::string& word : words) {
        plan.Argv.push_back(word.data());
    }
    plan.Argv.push_back(nullptr);
    for (const std::string& candidate : candidates) {
        plan.Candidates.push_back(candidate.c_str());
    }
    plan.Directory = directory.empty() ? nullptr : directory.c_str();
    for (int stream = 0; stream < 2; ++stream) {
        plan.Outputs[stream] = outputs[stream].empty() ? nullptr : outputs[stream].c_str();
    }
    return plan;
}

// The pipe through which the child reports a failure to start the program. The write end
// closes itself when exec succeeds; neither end may reach the program, and reading never
// blocks. Both ends are -1 when it cannot be made, and errno says why.
struct ReportPipe {
    int Read = -1;
    int Write = -1;
};

ReportPipe openReportPipe() {
    int ends[2] = {-1, -1};
#ifdef __linux__
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
        return {};
    }
#else
    if (::pipe(ends) != 0) {
        return {};
    }
    if (::fcntl(ends[0], F_SETFD, FD_CLOEXEC) != 0 || ::fcntl(ends[1], F_SETFD, FD_CLOEXEC) != 0 ||
        ::fcntl(ends[0], F_SETFL, O_NONBLOCK) != 0) {
        const int error = errno;
        ::close(ends[0]);
        ::close(ends[1]);
        errno = error;
        return {};
    }
#endif
    return {ends[0], ends[1]};
}

// Waits until the program ends, the time limit passes or OnWait says stop; then ends its group:
// what it started and left running, or (when the wait ended early) the program too. Whatever
// OnWait throws ends the group first. The program is left to be reaped.
Verdict waitForChild(pid_t pid, const RunOptions& options) {
    WaitWatch watch(options);
    Verdict verdict = Verdict::KeepWaiting;
    try {
        while (!hasEnded(pid)) {
            verdict = watch.check();
            if (verdict != Verdict::KeepWaiting) {
                break;
            }
            sleepAWhile();
        }
    } catch (...) {
        endGroup(pid); // OnWait failed: nothing may stay running
        reap(pid);
        throw;
    }
    if (verdict != Verdict::KeepWaiting) {
        endGroup(pid);
    } else {
        ::kill(-pid, SIGKILL); // whatever the program started and left running
    }
    return verdict;
}

} // namespace

std::optional<std::filesystem::path> FindProgram(const std::string& program) {
    for (const std::string& candidate : candidatesFor(program)) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(candidate, ec) &&
            ::access(candidate.c_str(), X_OK) == 0) {
            return std::filesystem::path(candidate);
        }
    }
    return std::nullopt;
}

ProcessOutcome RunAndWait(const std::string& commandLine, const RunOptions& options) {
    // What this program has written so far goes out before the child writes a byte of its own
    // to the same place.
    std::fflush(nullptr);
    std::vector<std::string> words = SplitCommandLine(commandLine);
    if (words.empty() || words.front().empty()) {
        return notStarted("the command line names no program");
    }
    const std::string program = words.front();
    const std::string directory = options.WorkingDirectory.string();
    const std::vector<std::string> candidates = candidatesFor(program);
    const std::string outputs[2] = {options.StandardOutput.string(),
                                    options.StandardError.string()};
    ChildPlan plan = planChild(words, candidates, directory, outputs);

    const ReportPipe report = openReportPipe();
    const int pipeError = errno;
    Descriptor reportRead(report.Read), reportWrite(report.Write);
    if (report.Read < 0) {
        return notStarted("no pipe could be made to start the program " + quoted(program) + ": " +
                          std::strerror(pipeError));
    }
    plan.ReportFd = reportWrite.get();

    // No signal may be handled between the fork and the registration of the child's group:
    // the interruption clean-up then finds the group, and the child never runs the caller's
    // handlers.
    sigset_t all;
    sigfillset(&all);
    ::pthread_sigmask(SIG_SETMASK, &all, &plan.Mask);
    const pid_t pid = ::fork();
    if (pid == 0) {
        runChild(plan);
    }
    const int forkError = errno;
    std::optional<ChildProcessGuard> guard;
    if (pid > 0) {
        ::setpgid(pid, pid); // also done by the child; whichever comes first
        guard.emplace(static_cast<long>(pid));
    }
    ::pthread_sigmask(SIG_SETMASK, &plan.Mask, nullptr);
    reportWrite.close();
    if (pid < 0) {
        return notStarted("no process could be made for the program " + quoted(program) + ": " +
                          std::strerror(forkError));
    }

    const Verdict verdict = waitForChild(pid, options);
    guard.reset();
    const Reaped ended = reap(pid);

    StartFailure failure;
    const ssize_t got = ::read(reportRead.get(), &failure, sizeof failure);
    if (got == static_cast<ssize_t>(sizeof failure) && failure.Step != 0) {
        return notStarted(startFailureText(failure, program, directory));
    }

    ProcessOutcome outcome = ranOutcome(options, verdict);
    if (!ended.Problem.empty()) {
        outcome.Cause = ended.Problem;
    } else if (WIFSIGNALED(ended.Status)) {
        outcome.Signal = WTERMSIG(ended.Status);
    } else if (WIFEXITED(ended.Status)) {
        outcome.ExitCode = WEXITSTATUS(ended.Status);
    }
    return outcome;
}

#endif

} // namespace gw

// The cab builder's stand-in for the tests, on every platform. Its control files lie beside it,
// so a test gives each setup directory a copy (or link) of its own:
// - it writes its arguments, one a line, and then its working directory to "args";
// - "sleep-ms" holds a time to sleep before going on;
// - "fail" holds an exit code to end with at once;
// - it makes MyApp.<word>.CAB ("cab\n") in its working directory for every word after /cpu;
// - "hang" makes it start a child that sleeps a minute and record both process IDs in "pids";
//   then it waits for the child ("wait"), exits at once ("leave"), ignores SIGTERM and
//   waits ("stubborn", POSIX), or waits until SIGTERM asks it to end and then writes
//   "terminated" before it exits ("polite", POSIX).
// Started as "fake_cabwiz --sleep-ms N" it only sleeps: that is the child.
#include "common/file_io.h"
#include "common/text.h"

#include <chrono>
#include <filesystem>
#include <span>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

#ifndef _WIN32
volatile std::sig_atomic_t terminateAsked = 0;

extern "C" void onTerminate(int) {
    terminateAsked = 1;
}
#endif

std::string readText(const fs::path& path) {
    const std::vector<std::uint8_t> bytes = gw::ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

// Written whole under its name at once: a test polling for the file never reads half of it.
void writeText(const fs::path& path, const std::string& text) {
    gw::WriteFileAtomically(
        path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

void sleepMs(long ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

fs::path ownPath([[maybe_unused]] const std::string& argv0) {
#ifdef _WIN32
    std::wstring buffer(32768, L'\0');
    buffer.resize(GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size())));
    return fs::path(buffer);
#else
    return fs::absolute(argv0);
#endif
}

// Starts this program as the sleeping child; returns its process ID.
long startChild(const fs::path& self) {
#ifdef _WIN32
    std::wstring line = L"\"" + self.wstring() + L"\" --sleep-ms 60000";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return -1;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<long>(process.dwProcessId);
#else
    const std::string program = self.string();
    char* const argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>("--sleep-ms"),
                          const_cast<char*>("60000"), nullptr};
    pid_t pid = -1;
    return posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, nullptr) == 0 ? pid : -1;
#endif
}

long ownId() {
#ifdef _WIN32
    return static_cast<long>(GetCurrentProcessId());
#else
    return static_cast<long>(::getpid());
#endif
}

int run(const std::vector<std::string>& args, const fs::path& self) {
    if (args.size() == 2 && args[0] == "--sleep-ms") {
        sleepMs(std::stol(args[1]));
        return 0;
    }
    const fs::path dir = self.parent_path();
    std::string record;
    for (const std::string& arg : args) {
        record += arg + "\n";
    }
    writeText(dir / "args", record + gw::PathToUtf8(fs::current_path()) + "\n");
    if (fs::exists(dir / "sleep-ms")) {
        sleepMs(std::stol(readText(dir / "sleep-ms")));
    }
    if (fs::exists(dir / "fail")) {
        return std::stoi(readText(dir / "fail"));
    }
    bool cpus = false;
    for (const std::string& arg : args) {
        if (cpus) {
            writeText(gw::PathFromUtf8("MyApp." + arg + ".CAB"), "cab\n");
        }
        cpus = cpus || arg == "/cpu";
    }
    if (!fs::exists(dir / "hang")) {
        return 0;
    }
    const std::string how = readText(dir / "hang");
#ifndef _WIN32
    if (how == "stubborn") {
        std::signal(SIGTERM, SIG_IGN); // only the kill after the grace period ends it
    } else if (how == "polite") {
        std::signal(SIGTERM, onTerminate);
    }
#endif
    const long child = startChild(self);
    writeText(dir / "pids", std::to_string(ownId()) + " " + std::to_string(child) + "\n");
    if (how == "leave") {
        return 0;
    }
    while (true) {
#ifndef _WIN32
        if (terminateAsked != 0) {
            writeText(dir / "terminated", "asked to end\n");
            return 0;
        }
#endif
        sleepMs(50);
    }
}

} // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        args.push_back(gw::Utf8FromUtf16(reinterpret_cast<const char16_t*>(argv[i])));
    }
    return run(args, ownPath(""));
}
#else
int main(int argc, char** argv) {
    return run(std::vector<std::string>(argv + 1, argv + argc), ownPath(argv[0]));
}
#endif

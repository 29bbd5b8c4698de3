#include "common/interrupt_cleanup.h"

#include <array>
#include <atomic>
#include <csignal>
#include <cstdio>

#ifdef _WIN32
#include <stdio.h>
#else
#include <signal.h>
#include <unistd.h>
#endif

namespace gw {

namespace {

// Fixed tables, so that the handler never allocates. A run holds at most a few temporary files
// (seven for a build of every target) and one child at a time.
using NativeChar = std::filesystem::path::value_type;
std::array<std::atomic<const NativeChar*>, 64> temporaryFiles{};
std::array<std::atomic<long>, 8> childGroups{};

template <typename Table, typename Value> int claim(Table& table, Value value, Value empty) {
    for (std::size_t i = 0; i < table.size(); ++i) {
        Value expected = empty;
        if (table[i].compare_exchange_strong(expected, value)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

extern "C" void onInterrupt(int signal) {
    for (auto& slot : temporaryFiles) {
        if (const NativeChar* path = slot.load()) {
#ifdef _WIN32
            _wremove(path);
#else
            ::unlink(path);
#endif
        }
    }
#ifndef _WIN32
    for (auto& slot : childGroups) {
        if (const long group = slot.load(); group > 0) {
            ::kill(static_cast<pid_t>(-group), SIGKILL);
        }
    }
#endif
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

} // namespace

void InstallInterruptCleanup() {
#ifdef _WIN32
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
#else
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        sigaddset(&action.sa_mask, signal);
    }
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction previous {};
        // A signal the caller's parent chose to ignore (nohup, a background job) stays ignored.
        if (::sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN) {
            continue;
        }
        ::sigaction(signal, &action, nullptr);
    }
#endif
}

TemporaryFileGuard::TemporaryFileGuard(const std::filesystem::path& path) : path_(path.native()) {
    slot_ = claim(temporaryFiles, path_.c_str(), static_cast<const NativeChar*>(nullptr));
}

TemporaryFileGuard::~TemporaryFileGuard() {
    release();
}

void TemporaryFileGuard::release() noexcept {
    if (slot_ >= 0) {
        temporaryFiles[static_cast<std::size_t>(slot_)].store(nullptr);
        slot_ = -1;
    }
}

ChildProcessGuard::ChildProcessGuard(long processGroup) {
    slot_ = claim(childGroups, processGroup, 0L);
}

ChildProcessGuard::~ChildProcessGuard() {
    if (slot_ >= 0) {
        childGroups[static_cast<std::size_t>(slot_)].store(0);
    }
}

} // namespace gw

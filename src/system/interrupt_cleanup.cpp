#include "system/interrupt_cleanup.h"

#include "common/signal_safe_slots.h"
#include "common/temporary_files.h"

#include <csignal>

#ifndef _WIN32
#include <signal.h>
#endif

namespace gw {

namespace {

// A run waits for one child at a time.
SignalSafeSlots<long, 8> childGroups;

extern "C" void onInterrupt(int signal) {
    RemoveRegisteredTemporaryFiles();
#ifndef _WIN32
    childGroups.forEach([](long group) {
        if (group > 0) {
            ::kill(static_cast<pid_t>(-group), SIGKILL);
        }
    });
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

ChildProcessGuard::ChildProcessGuard(long processGroup) : slot_(childGroups.claim(processGroup)) {}

ChildProcessGuard::~ChildProcessGuard() {
    childGroups.release(slot_);
}

} // namespace gw

#include "common/temporary_files.h"
#include "support/setup_directory.h"
#include "support/test_support.h"
#include "system/interrupt_cleanup.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <csignal>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

namespace gw {
namespace {

// A real process is interrupted while it holds a named temporary file and a child group: the
// file is removed, the child group ended, and the process ends by the signal it was sent.
// Files whose guards were released or destroyed stay. Started under nohup (SIGHUP ignored), it
// goes on ignoring SIGHUP and ends at SIGTERM.
TEST(InterruptCleanupTest, RemovesRegisteredFilesAndEndsRegisteredChildren) {
    for (const auto& [signal, nohup] :
         {std::pair{SIGINT, false}, {SIGTERM, false}, {SIGHUP, false}, {SIGTERM, true}}) {
        test::TempDir dir;
        const std::string temporary = dir.file(".~gw0123abcd.tmp");
        const std::string kept = dir.file("released.tmp"), ended = dir.file("ended.tmp");
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            // A group of its own: a clean-up that signals the wrong group ends only this one,
            // never the test runner.
            ::setpgid(0, 0);
            if (nohup) {
                std::signal(SIGHUP, SIG_IGN);
            }
            InstallInterruptCleanup();
            // The guards that end first take the first places in the registry.
            test::WriteText(kept, "renamed into place");
            TemporaryFileGuard released(kept);
            released.release();
            { TemporaryFileGuard gone(ended); }
            test::WriteText(ended, "written after its guard ended");
            test::WriteText(temporary, "partial");
            TemporaryFileGuard guard(temporary);
            const pid_t child = ::fork();
            if (child == 0) {
                ::setpgid(0, 0);
                ::pause();
                ::_exit(0);
            }
            ::setpgid(child, child);
            ChildProcessGuard group(child);
            [[maybe_unused]] const auto n = ::write(ready[1], &child, sizeof child);
            for (;;) {
                ::pause();
            }
        }
        ::close(ready[1]);
        pid_t child = 0;
        ASSERT_EQ(::read(ready[0], &child, sizeof child), static_cast<ssize_t>(sizeof child));
        ::close(ready[0]);
        int status = 0;
        if (nohup) {
            ::kill(pid, SIGHUP);
            EXPECT_FALSE(test::ProcessGone(pid, std::chrono::milliseconds{300})) << "SIGHUP";
        }
        ::kill(pid, signal);
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        EXPECT_FALSE(std::filesystem::exists(temporary)) << signal;
        EXPECT_TRUE(std::filesystem::exists(kept) && std::filesystem::exists(ended)) << signal;
        EXPECT_TRUE(test::ProcessGone(child, std::chrono::seconds{5})) << signal;
    }
}

} // namespace
} // namespace gw
#endif

#include "common/interrupt_cleanup.h"
#include "support/setup_directory.h"
#include "support/test_support.h"

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
TEST(InterruptCleanupTest, RemovesRegisteredFilesAndEndsRegisteredChildren) {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        test::TempDir dir;
        const std::string temporary = dir.file(".~gw0123abcd.tmp");
        const std::string kept = dir.file("released.tmp");
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            // A group of its own: a clean-up that signals the wrong group ends only this one,
            // never the test runner.
            ::setpgid(0, 0);
            InstallInterruptCleanup();
            test::WriteText(temporary, "partial");
            test::WriteText(kept, "renamed into place");
            TemporaryFileGuard guard(temporary);
            TemporaryFileGuard released(kept);
            released.release();
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
        ::kill(pid, signal);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        EXPECT_FALSE(std::filesystem::exists(temporary)) << signal;
        EXPECT_TRUE(std::filesystem::exists(kept)) << signal;
        EXPECT_TRUE(test::ProcessGone(child, std::chrono::seconds{5})) << signal;
    }
}

} // namespace
} // namespace gw
#endif

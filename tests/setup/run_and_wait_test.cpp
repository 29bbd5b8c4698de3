#include "setup/run_and_wait.h"
#include "support/test_support.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/time.h>

namespace gw {
namespace {

using test::ShellQuote;
namespace fs = std::filesystem;

// Writes an executable shell script and returns its quoted path, ready for a command line.
std::string Script(const test::TempDir& dir, const std::string& name, const std::string& body) {
    const std::string path = dir.file(name);
    test::WriteText(path, "#!/bin/sh\n" + body);
    EXPECT_EQ(::chmod(path.c_str(), 0755), 0);
    return ShellQuote(path);
}

TEST(RunAndWaitTest, PassesTheArgumentsAsQuotedAndRunsInTheGivenDirectory) {
    test::TempDir dir;
    const fs::path work = dir.path() / "setup dir";
    fs::create_directory(work);
    const std::string record = dir.file("record.txt");
    const std::string script =
        Script(dir, "record.sh",
               "for a in \"$@\"; do echo \"[$a]\"; done >" + ShellQuote(record) + "\npwd -P >>" +
                   ShellQuote(record) + "\n");

    const ProcessOutcome outcome = RunAndWait(script + " 'a b' \"c\" d", work.string());
    EXPECT_TRUE(outcome.succeeded()) << outcome.describe();
    EXPECT_EQ(test::ReadText(record), "[a b]\n[c]\n[d]\n" + fs::canonical(work).string() + "\n");

    // Without a directory the program runs in the caller's.
    ASSERT_TRUE(RunAndWait(script).succeeded());
    EXPECT_EQ(test::ReadText(record), fs::canonical(fs::current_path()).string() + "\n");
}

TEST(RunAndWaitTest, ReportsHowTheProgramEnded) {
    test::TempDir dir;
    ProcessOutcome outcome = RunAndWait(Script(dir, "three.sh", "exit 3\n"));
    EXPECT_TRUE(outcome.started);
    EXPECT_FALSE(outcome.succeeded());
    EXPECT_EQ(outcome.exitCode, 3);
    EXPECT_EQ(outcome.describe(), "exited with code 3");

    outcome = RunAndWait("kill -KILL $$");
    EXPECT_TRUE(outcome.started);
    EXPECT_EQ(outcome.signal, SIGKILL);
    EXPECT_EQ(outcome.describe(), "was ended by signal 9");
}

TEST(RunAndWaitTest, ProgramsThatCannotRunAreNotStarted) {
    test::TempDir dir;
    ProcessOutcome outcome = RunAndWait(ShellQuote(dir.file("no-such-program")) + " arg");
    EXPECT_FALSE(outcome.started);
    EXPECT_FALSE(outcome.succeeded());
    EXPECT_EQ(outcome.describe(),
              "could not be started: the program was not found (the shell exited with code 127)");

    test::WriteText(dir.file("plain.txt"), "not a program\n");
    EXPECT_FALSE(RunAndWait(ShellQuote(dir.file("plain.txt"))).started);

    const std::string missing = dir.file("missing");
    outcome = RunAndWait("true", missing);
    EXPECT_FALSE(outcome.started);
    EXPECT_EQ(outcome.describe(), "could not be started: cannot enter the working directory " +
                                      missing + ": No such file or directory");
}

TEST(RunAndWaitTest, ReturnsOnlyAfterTheProgramEndedEvenWhenSignalsInterrupt) {
    test::TempDir dir;
    const std::string done = dir.file("done");
    const std::string script =
        Script(dir, "slow.sh", "sleep 0.3\necho finished >" + ShellQuote(done) + "\nexit 4\n");

    // A timer signal without SA_RESTART interrupts the wait several times.
    struct sigaction action {};
    action.sa_handler = [](int) {};
    struct sigaction previous {};
    ASSERT_EQ(::sigaction(SIGALRM, &action, &previous), 0);
    const itimerval every50ms{{0, 50000}, {0, 50000}};
    ASSERT_EQ(::setitimer(ITIMER_REAL, &every50ms, nullptr), 0);
    const ProcessOutcome outcome = RunAndWait(script);
    const itimerval off{};
    ::setitimer(ITIMER_REAL, &off, nullptr);
    ::sigaction(SIGALRM, &previous, nullptr);

    EXPECT_EQ(outcome.describe(), "exited with code 4");
    ASSERT_TRUE(fs::exists(done));
    EXPECT_EQ(test::ReadText(done), "finished\n");
}

} // namespace
} // namespace gw

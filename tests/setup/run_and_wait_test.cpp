#include "setup/run_and_wait.h"
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/time.h>

namespace gw {
namespace {

namespace fs = std::filesystem;

TEST(RunAndWaitTest, PassesTheArgumentsAsQuotedAndRunsInTheGivenDirectory) {
    test::TempDir dir;
    const fs::path work = dir.path() / "setup dir";
    fs::create_directory(work);
    const std::string record = dir.file("record.txt"), to = " >>" + test::ShellQuote(record);
    const std::string line = "printf '[%s]\\n' 'a b' \"c\" d" + to + "; pwd -P" + to;
    EXPECT_TRUE(RunAndWait(line, work.string()).succeeded());
    EXPECT_EQ(test::ReadText(record), "[a b]\n[c]\n[d]\n" + fs::canonical(work).string() + "\n");
    // Without a directory the program runs in the caller's.
    fs::remove(record);
    EXPECT_TRUE(RunAndWait(line).succeeded());
    EXPECT_EQ(test::ReadText(record),
              "[a b]\n[c]\n[d]\n" + fs::canonical(fs::current_path()).string() + "\n");
}

TEST(RunAndWaitTest, ReportsHowTheProgramEndedOrWhyItDidNotStart) {
    test::TempDir dir;
    test::WriteText(dir.file("plain.txt"), "not a program\n");
    const std::string missing = dir.file("missing"), notStarted = "could not be started: ";
    const std::pair<ProcessOutcome, std::string> outcomes[] = {
        {RunAndWait("exit 3"), "exited with code 3"},
        {RunAndWait("kill -KILL $$"), "was ended by signal 9"},
        {RunAndWait(test::ShellQuote(dir.file("no-such-program")) + " arg"),
         notStarted + "the program was not found (the shell exited with code 127)"},
        {RunAndWait(test::ShellQuote(dir.file("plain.txt"))),
         notStarted + "the program is not executable (the shell exited with code 126)"},
        {RunAndWait("true", missing), notStarted + "cannot enter the working directory " + missing +
                                          ": No such file or directory"},
    };
    for (const auto& [outcome, description] : outcomes) {
        EXPECT_EQ(outcome.describe(), description);
        EXPECT_FALSE(outcome.succeeded()) << description;
    }
}

TEST(RunAndWaitTest, ReturnsOnlyAfterTheProgramEndedEvenWhenSignalsInterrupt) {
    test::TempDir dir;
    const std::string done = dir.file("done");
    const std::string line = "sleep 0.3; echo finished >" + test::ShellQuote(done) + "; exit 4";
    // A timer signal without SA_RESTART interrupts the wait several times.
    struct sigaction action {};
    action.sa_handler = [](int) {};
    struct sigaction previous {};
    ASSERT_EQ(::sigaction(SIGALRM, &action, &previous), 0);
    const itimerval every50ms{{0, 50000}, {0, 50000}}, off{};
    ASSERT_EQ(::setitimer(ITIMER_REAL, &every50ms, nullptr), 0);
    const ProcessOutcome outcome = RunAndWait(line);
    ::setitimer(ITIMER_REAL, &off, nullptr);
    ::sigaction(SIGALRM, &previous, nullptr);
    EXPECT_EQ(outcome.describe(), "exited with code 4");
    EXPECT_EQ(test::ReadText(done), "finished\n");
}

} // namespace
} // namespace gw

#include "setup/run_and_wait.h"
#include "support/setup_directory.h"

#include <cstring>
#include <gtest/gtest.h>
#include <tuple>

#ifndef _WIN32
#include <signal.h>
#include <sys/time.h>
#endif

namespace gw {
namespace {

namespace fs = std::filesystem;
using Words = std::vector<std::string>;
using std::chrono::seconds;

TEST(SplitCommandLineTest, FollowsTheWindowsRuntimeRules) {
    const std::pair<std::string, Words> cases[] = {
        {"", {}},
        {" \t ", {}},
        {"  prog\ta  b\t", {"prog", "a", "b"}},
        // The program: quotes group, backslashes stay, even before a quote.
        {"\"C:\\Program Files\\CabWiz\\cabwiz.exe\" \"C:\\My App\\app.inf\" /cpu arm",
         {"C:\\Program Files\\CabWiz\\cabwiz.exe", "C:\\My App\\app.inf", "/cpu", "arm"}},
        {"C:\\dir\\\"a b\"\\tool.exe x", {"C:\\dir\\a b\\tool.exe", "x"}},
        {"\"\" x", {"", "x"}},
        // The arguments: the examples of the runtime's documentation.
        {"p \"a b c\" d e", {"p", "a b c", "d", "e"}},
        {"p \"ab\\\"c\" \"\\\\\" d", {"p", "ab\"c", "\\", "d"}},
        {"p a\\\\\\b d\"e f\"g h", {"p", "a\\\\\\b", "de fg", "h"}},
        {"p a\\\\\\\"b c d", {"p", "a\\\"b", "c", "d"}},
        {"p a\\\\\\\\\"b c\" d e", {"p", "a\\\\b c", "d", "e"}},
        // "" inside a quoted part is one literal quote, and the part stays quoted.
        {"p a\"b\"\" c d", {"p", "ab\" c d"}},
        {"p \"\" \"\"", {"p", "", ""}},
        {"p x\\\\ \"unclosed  part", {"p", "x\\\\", "unclosed  part"}},
        // Nothing a shell would act on means anything here.
        {"p $HOME;rm `id` $(id) a|b&c *", {"p", "$HOME;rm", "`id`", "$(id)", "a|b&c", "*"}},
    };
    for (const auto& [line, words] : cases) {
        EXPECT_EQ(SplitCommandLine(line), words) << line;
    }
}

#ifndef _WIN32

// An executable script in dir.
std::string Script(const test::TempDir& dir, const std::string& name, const std::string& body) {
    const std::string path = dir.file(name);
    test::WriteText(path, "#!/bin/sh\n" + body);
    fs::permissions(path, fs::perms::owner_all);
    return path;
}

RunOptions In(const fs::path& directory, seconds limit = seconds{600}) {
    RunOptions options;
    options.workingDirectory = directory;
    options.timeLimit = limit;
    return options;
}

TEST(RunAndWaitTest, StartsTheProgramDirectlyWithItsWordsInTheGivenDirectory) {
    test::TempDir dir;
    const fs::path work = dir.path() / "work $(touch PWNED) `touch PWNED`; & | *";
    fs::create_directory(work);
    const std::string record = dir.file("record.txt");
    const std::string program = Script(dir, "log args",
                                       "printf '[%s]\\n' \"$@\" > " + test::ShellQuote(record) +
                                           "\npwd -P >> " + test::ShellQuote(record) + "\n");
    const std::string line = "\"" + program + "\" \"a b\" $HOME \"" + work.string() + "\" x\\\"y";
    ASSERT_TRUE(RunAndWait(line, In(work)).succeeded());
    EXPECT_EQ(test::ReadText(record), "[a b]\n[$HOME]\n[" + work.string() + "]\n[x\"y]\n" +
                                          fs::canonical(work).string() + "\n");
    EXPECT_FALSE(fs::exists(work / "PWNED"));
    EXPECT_FALSE(fs::exists(dir.path() / "PWNED"));

    // A program without a folder is looked up on the PATH; without a directory the program
    // runs in the caller's.
    fs::remove(record);
    ASSERT_TRUE(RunAndWait("sh \"" + program + "\" c").succeeded());
    EXPECT_EQ(test::ReadText(record), "[c]\n" + fs::canonical(fs::current_path()).string() + "\n");
}

TEST(RunAndWaitTest, ReportsHowTheProgramEndedOrWhyItDidNotStart) {
    test::TempDir dir;
    const std::string plain = dir.file("plain.txt"), bare = dir.file("no-interpreter");
    const std::string missing = dir.file("missing"), cannot = "could not be started: the ";
    test::WriteText(plain, "not a program\n");
    // Executable, but without a #! line: no shell may be asked to run it.
    test::WriteText(bare, "touch " + dir.file("ran") + "\n");
    fs::permissions(bare, fs::perms::owner_all);
    // The command line, the working directory and what the outcome says.
    const std::tuple<std::string, fs::path, std::string> cases[] = {
        {Script(dir, "three", "exit 3"), "", "exited with code 3"},
        {Script(dir, "killed", "kill -KILL $$"), "", "was ended by signal 9"},
        {missing + " arg", "", cannot + "program \"" + missing + "\" does not exist"},
        {"no-such-program-of-glyphwright arg", "",
         cannot + "program \"no-such-program-of-glyphwright\" was not found on the PATH"},
        {plain, "", cannot + "program \"" + plain + "\" cannot be run: " + std::strerror(EACCES)},
        {bare, "", cannot + "program \"" + bare + "\" cannot be run: " + std::strerror(ENOEXEC)},
        {"true", missing,
         cannot + "program \"true\" cannot run in the working directory \"" + missing +
             "\": " + std::strerror(ENOENT)},
        {"  ", "", cannot + "command line names no program"}};
    for (const auto& [line, directory, description] : cases) {
        const ProcessOutcome outcome = RunAndWait(line, In(directory));
        EXPECT_EQ(outcome.describe(), description);
        EXPECT_FALSE(outcome.succeeded()) << description;
    }
    EXPECT_FALSE(fs::exists(dir.file("ran")));
}

TEST(RunAndWaitTest, EndsTheProgramAndWhatItLeftRunning) {
    test::TempDir dir;
    const std::string pids = dir.file("pids");
    // It starts a child; then, told to leave, it exits; else it ignores SIGTERM and runs on, so
    // only the kill after the grace period ends it.
    const std::string program =
        Script(dir, "hang",
               "trap '' TERM\nsleep 60 &\necho $! > " + test::ShellQuote(pids) +
                   "\n[ \"$1\" = leave ] && exit 0\nwhile :; do sleep 1; done\n");
    // onWait hears each second; false stops the program.
    std::vector<long> heard;
    RunOptions stop = In(dir.path(), seconds{30});
    stop.onWait = [&](seconds waited) {
        heard.push_back(static_cast<long>(waited.count()));
        return waited < seconds{2};
    };
    // The argument, the options, how long it must take at least and what the outcome says.
    const std::tuple<std::string, RunOptions, seconds, std::string> cases[] = {
        {"", In(dir.path(), seconds{1}), seconds{1}, "was ended after the time limit of 1 second"},
        {"", stop, seconds{2}, "was stopped"},
        {" leave", In(dir.path()), seconds{0}, "exited with code 0"}};
    for (const auto& [argument, options, least, description] : cases) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(RunAndWait(program + argument, options).describe(), description);
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_GE(took, least);
        EXPECT_LT(took, least + seconds{5});
        EXPECT_TRUE(test::ProcessGone(std::stol(test::ReadText(pids)))) << description;
    }
    EXPECT_EQ(heard, (std::vector<long>{1, 2}));
}

TEST(RunAndWaitTest, ReturnsOnlyAfterTheProgramEndedEvenWhenSignalsInterrupt) {
    test::TempDir dir;
    const std::string done = dir.file("done");
    const std::string program =
        Script(dir, "slow", "sleep 0.3; echo finished >" + test::ShellQuote(done) + "; exit 4");
    // A timer signal without SA_RESTART interrupts the sleeps of the wait several times.
    struct sigaction action {};
    action.sa_handler = [](int) {};
    struct sigaction previous {};
    ASSERT_EQ(::sigaction(SIGALRM, &action, &previous), 0);
    const itimerval every50ms{{0, 50000}, {0, 50000}}, off{};
    ASSERT_EQ(::setitimer(ITIMER_REAL, &every50ms, nullptr), 0);
    const ProcessOutcome outcome = RunAndWait(program);
    ::setitimer(ITIMER_REAL, &off, nullptr);
    ::sigaction(SIGALRM, &previous, nullptr);
    EXPECT_EQ(outcome.describe(), "exited with code 4");
    EXPECT_EQ(test::ReadText(done), "finished\n");
}

#endif

} // namespace
} // namespace gw

namespace gw {
namespace {

TEST(SystemMessageTextTest, FillsTheProgramAndEndsAsAClause) {
    const std::string cases[][2] = {
        {"%1 is not a valid Win32 application.\r\n", "\"C:\\cab wiz.exe\" is not a valid Win32 "
                                                     "application"},
        {"The system cannot find the file specified. \r\n",
         "The system cannot find the file specified"},
        {"Bad %2 format for %1..", "Bad  format for \"C:\\cab wiz.exe\""},
        {"100%", "100%"},
        {" .\r\n", "error 193"},
    };
    for (const auto& [raw, text] : cases) {
        EXPECT_EQ(SystemMessageText(raw, "C:\\cab wiz.exe", 193), text) << raw;
    }
}

} // namespace
} // namespace gw

#include "common/text.h"
#include "support/setup_directory.h"
#include "system/run_and_wait.h"

#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <stdexcept>
#include <tuple>

#ifndef _WIN32
#include <signal.h>
#include <sys/time.h>
#include <sys/wait.h>
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

RunOptions In(const fs::path& directory, seconds limit = seconds{600}) {
    RunOptions options;
    options.WorkingDirectory = directory;
    options.TimeLimit = limit;
    return options;
}

std::string Quoted(const fs::path& path) {
    return "\"" + path.string() + "\"";
}

TEST(JoinCommandLineTest, GivesBackEveryWordThroughTheSplit) {
    const Words cases[] = {
        {"C:\\Program Files\\cabwiz.exe", "a b", "", "x\"y", "\"", "\\\"", "c:\\dir\\",
         "c:\\dir with blank\\", "a\\\\b", "\t", "$HOME;`id`|*"},
        {"prog"},
        {"prog", "plain", "two words"},
    };
    for (const Words& words : cases) {
        EXPECT_EQ(SplitCommandLine(JoinCommandLine(words)), words) << JoinCommandLine(words);
    }
    EXPECT_EQ(JoinCommandLine({"a b", "c", "d e\\"}), "\"a b\" c \"d e\\\\\"");
}

TEST(RunAndWaitTest, StartsTheProgramDirectlyWithItsWordsInTheGivenDirectory) {
    test::TempDir dir;
    const fs::path work = dir.path() / "work $(touch PWNED) `touch PWNED`; & %PATH%";
    fs::create_directory(work);
    const fs::path program = test::InstallFakeCabwiz(dir.path(), "log args");
    const std::string line = Quoted(program) + " \"a b\" $HOME \"" + work.string() + "\" x\\\"y";
    ASSERT_TRUE(RunAndWait(line, In(work)).succeeded());
    const std::vector<TextLine> record = SplitLines(test::ReadText(dir.path() / "args"));
    ASSERT_EQ(record.size(), 5u);
    EXPECT_EQ(record[0].text + "|" + record[1].text + "|" + record[2].text + "|" + record[3].text,
              "a b|$HOME|" + work.string() + "|x\"y");
    EXPECT_TRUE(fs::equivalent(record[4].text, work)) << record[4].text;
    EXPECT_FALSE(fs::exists(work / "PWNED"));
    EXPECT_FALSE(fs::exists(dir.path() / "PWNED"));

    // Without a directory the program runs in the caller's; its output can go to files.
    RunOptions captured;
    captured.StandardOutput = dir.path() / "out.txt";
    captured.StandardError = dir.path() / "err.txt";
    test::WriteText(captured.StandardOutput, "old text");
    ASSERT_TRUE(RunAndWait(Quoted(program) + " c", captured).succeeded());
    EXPECT_TRUE(fs::equivalent(SplitLines(test::ReadText(dir.path() / "args")).at(1).text,
                               fs::current_path()));
    EXPECT_EQ(test::ReadText(captured.StandardOutput), "");
    EXPECT_EQ(test::ReadText(captured.StandardError), "");
}

TEST(RunAndWaitTest, ReportsHowTheProgramEndedOrWhyItDidNotStart) {
    test::TempDir dir;
    const fs::path program = test::InstallFakeCabwiz(dir.path());
    test::WriteText(dir.path() / "fail", "3");
    const std::string missing = dir.file("missing"), cannot = "could not be started: the ";
    RunOptions noFolderForOutput;
    noFolderForOutput.StandardOutput = dir.path() / "missing" / "out.txt";
    // The command line, the options and how the outcome's text begins (Windows words the
    // system's causes itself).
    std::vector<std::tuple<std::string, RunOptions, std::string>> cases = {
        {Quoted(program), {}, "exited with code 3"},
        {"  ", {}, cannot + "command line names no program"},
        {Quoted(program), In(missing),
         cannot + "program \"" + program.string() + "\" cannot run in the working directory \"" +
             missing + "\": "},
        {Quoted(program), noFolderForOutput,
         cannot + "output of the program \"" + program.string() + "\" cannot go to its file: "},
    };
#ifdef _WIN32
    cases.push_back(
        {Quoted(missing) + " arg", {}, cannot + "program \"" + missing + "\" cannot be started: "});
#else
    cases.push_back(
        {Quoted(missing) + " arg", {}, cannot + "program \"" + missing + "\" does not exist"});
#endif
#ifdef __linux__
    // Every run closes what it opened to start and watch the program, whatever its end.
    const std::size_t openBefore = test::FilesIn("/proc/self/fd");
#endif
    for (const auto& [line, options, description] : cases) {
        const ProcessOutcome outcome = RunAndWait(line, options);
        EXPECT_EQ(outcome.describe().substr(0, description.size()), description)
            << outcome.describe();
        EXPECT_EQ(outcome.describe().find("%1"), std::string::npos) << outcome.describe();
        EXPECT_FALSE(outcome.succeeded()) << description;
    }
#ifdef __linux__
    EXPECT_EQ(test::FilesIn("/proc/self/fd"), openBefore);
#endif
}

TEST(RunAndWaitTest, EndsTheProgramAndWhatItLeftRunning) {
    test::TempDir dir;
    const fs::path program = test::InstallFakeCabwiz(dir.path());
    // It starts a child; then, told to leave, it exits; else it runs on, and (POSIX) ignores
    // SIGTERM, so only the kill after the grace period ends it, or ends when SIGTERM asks it
    // to: a program at its limit is asked to end before it is killed.
    std::vector<long> heard;
    RunOptions stop = In(dir.path(), seconds{30});
    stop.OnWait = [&](seconds waited) {
        heard.push_back(static_cast<long>(waited.count()));
        return waited < seconds{2};
    };
    // How it hangs, the options, how long it must take at least and what the outcome says.
    const std::tuple<std::string, RunOptions, seconds, std::string> cases[] = {
        {"stubborn", In(dir.path(), seconds{1}), seconds{1},
         "was ended after the time limit of 1 second"},
        {"stubborn", stop, seconds{2}, "was stopped"},
#ifndef _WIN32
        {"polite", In(dir.path(), seconds{1}), seconds{1},
         "was ended after the time limit of 1 second"},
#endif
        {"leave", In(dir.path()), seconds{0}, "exited with code 0"}};
    for (const auto& [how, options, least, description] : cases) {
        test::WriteText(dir.path() / "hang", how);
        fs::remove(dir.path() / "pids");
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(RunAndWait(Quoted(program), options).describe(), description);
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_GE(took, least);
        EXPECT_LT(took, least + seconds{5});
        const std::string pids = test::ReadText(dir.path() / "pids");
        EXPECT_TRUE(test::ProcessGone(std::stol(pids.substr(pids.find(' '))))) << description;
    }
    EXPECT_EQ(heard, (std::vector<long>{1, 2}));
#ifndef _WIN32
    EXPECT_EQ(test::ReadText(dir.path() / "terminated"), "asked to end\n");
#endif

    // A watcher that throws: the program and its child are ended before the caller hears of it,
    // and nothing opened to watch them stays open.
    test::WriteText(dir.path() / "hang", "wait");
    fs::remove(dir.path() / "pids");
    RunOptions failing = In(dir.path());
    failing.OnWait = [](seconds) -> bool { throw std::runtime_error("the window was closed"); };
#ifdef __linux__
    const std::size_t openBefore = test::FilesIn("/proc/self/fd");
#endif
    EXPECT_THROW(RunAndWait(Quoted(program), failing), std::runtime_error);
#ifdef __linux__
    EXPECT_EQ(test::FilesIn("/proc/self/fd"), openBefore);
#endif
    const std::string pids = test::ReadText(dir.path() / "pids");
    EXPECT_TRUE(test::ProcessGone(std::stol(pids)) &&
                test::ProcessGone(std::stol(pids.substr(pids.find(' ')))));
#ifndef _WIN32
    // Collected too: no zombie is left for the caller.
    EXPECT_EQ(::waitpid(static_cast<pid_t>(std::stol(pids)), nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
#endif
}

#ifndef _WIN32

// Causes only POSIX has: a signal, a file that may not be run, a file without a #! line, a
// program looked up on the PATH.
TEST(RunAndWaitTest, ReportsPosixCauses) {
    test::TempDir dir;
    const std::string plain = dir.file("plain.txt"), bare = dir.file("no-interpreter");
    const std::string cannot = "could not be started: the ";
    test::WriteText(plain, "not a program\n");
    // Executable, but without a #! line: no shell may be asked to run it.
    test::WriteText(bare, "touch " + dir.file("ran") + "\n");
    fs::permissions(bare, fs::perms::owner_all);
    // A name found on the PATH only as a file that may not be run is refused as such, as
    // execvp refuses it, not as missing.
    test::WriteText(dir.path() / "glyphwright-not-runnable", "not a program\n");
    const std::string oldPath = std::getenv("PATH");
    ::setenv("PATH", (dir.path().string() + ":" + oldPath).c_str(), 1);
    const std::string onPath = RunAndWait("glyphwright-not-runnable").describe();
    // A PATH entry that is a file, not a folder, is passed over like a missing one.
    fs::create_directory(dir.path() / "bin");
    test::InstallFakeCabwiz(dir.path() / "bin", "glyphwright-on-path");
    ::setenv("PATH", (plain + ":" + dir.file("bin")).c_str(), 1);
    const std::string found = RunAndWait("glyphwright-on-path", In(dir.path())).describe();
    ::setenv("PATH", oldPath.c_str(), 1);
    EXPECT_EQ(found, "exited with code 0");
    EXPECT_EQ(onPath, cannot + "program \"glyphwright-not-runnable\" cannot be run: " +
                          std::strerror(EACCES));
    const std::pair<std::string, std::string> cases[] = {
        {"sh -c \"kill -KILL $$\"", "was ended by signal 9"},
        {"no-such-program-of-glyphwright arg",
         cannot + "program \"no-such-program-of-glyphwright\" was not found on the PATH"},
        {plain, cannot + "program \"" + plain + "\" cannot be run: " + std::strerror(EACCES)},
        {bare, cannot + "program \"" + bare + "\" cannot be run: " + std::strerror(ENOEXEC)}};
    for (const auto& [line, description] : cases) {
        EXPECT_EQ(RunAndWait(line).describe(), description);
    }
    EXPECT_FALSE(fs::exists(dir.file("ran")));
}

// A signal the caller ignores (as nohup leaves SIGHUP) stays ignored in the program.
TEST(RunAndWaitTest, TheProgramKeepsTheSignalsTheCallerIgnores) {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    struct sigaction previous {};
    ASSERT_EQ(::sigaction(SIGHUP, &ignore, &previous), 0);
    const std::string outcome = RunAndWait("sh -c \"kill -HUP $$\"").describe();
    ::sigaction(SIGHUP, &previous, nullptr);
    EXPECT_EQ(outcome, "exited with code 0");
}

TEST(RunAndWaitTest, ReturnsOnlyAfterTheProgramEndedEvenWhenSignalsInterrupt) {
    test::TempDir dir;
    const fs::path program = test::InstallFakeCabwiz(dir.path());
    test::WriteText(dir.path() / "sleep-ms", "300");
    // A timer signal without SA_RESTART interrupts the sleeps of the wait several times.
    struct sigaction action {};
    action.sa_handler = [](int) {};
    struct sigaction previous {};
    ASSERT_EQ(::sigaction(SIGALRM, &action, &previous), 0);
    const itimerval every50ms{{0, 50000}, {0, 50000}}, off{};
    ASSERT_EQ(::setitimer(ITIMER_REAL, &every50ms, nullptr), 0);
    const ProcessOutcome outcome = RunAndWait(Quoted(program) + " /cpu done", In(dir.path()));
    ::setitimer(ITIMER_REAL, &off, nullptr);
    ::sigaction(SIGALRM, &previous, nullptr);
    EXPECT_EQ(outcome.describe(), "exited with code 0");
    EXPECT_EQ(test::ReadText(dir.path() / "MyApp.done.CAB"), "cab\n");
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

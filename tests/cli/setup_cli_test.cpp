#include "cli/commands.h"
#include "support/setup_directory.h"
#include "support/test_support.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <regex>
#include <sstream>
#include <thread>

#ifndef _WIN32
#include <signal.h>
#endif

namespace gw {
namespace {

namespace fs = std::filesystem;
using Words = std::vector<std::string>;

test::ProcessResult Cli(const Words& arguments) {
    return test::RunCli(arguments);
}

// A path as the CLI prints it: with the platform's separator.
std::string Shown(fs::path path) {
    return path.make_preferred().string();
}

// The report, with the setup directory written SETUP, the cab builder's command COMMAND and
// every path with "/".
TEST(SetupCliTest, RewritesTheSetupDirectoryAndSaysWhatItDid) {
    test::SetupDirectory setup;
    const auto run = Cli({"setup", setup.root().string(), "--dll", "MyIcons.dll", "--extension",
                          "Q7", setup.icon()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string report =
        test::Replaced(test::Replaced(test::Replaced(run.out, setup.command(), "COMMAND"),
                                      Shown(setup.root()), "SETUP"),
                       "\\", "/");
    EXPECT_EQ(report, test::TestData("cli/setup-report.txt"));
    EXPECT_NE(test::ReadText(setup.infPath()).find("IconFile=MyIcons.dll"), std::string::npos);
    EXPECT_TRUE(fs::exists(setup.root() / "App" / "MyApp.q7"));
}

// Without -e an extension is drawn at random. On a terminal the seconds waited for the cab
// builder are one line, redrawn in place and ended once before the report goes on.
TEST(SetupCliTest, OnATerminalTheWaitIsOneRedrawnLine) {
    test::SetupDirectory setup("arm");
    setup.slowCabwiz(1400);
    std::ostringstream out, err;
    ASSERT_EQ(cli::RunCli({"setup", setup.root().string(), setup.icon()}, {out, err, true}), 0)
        << err.str();
    const std::string text = out.str();
    std::smatch drawn;
    ASSERT_TRUE(std::regex_search(text, drawn, std::regex("^extension: ([0-9][a-z][a-z])\n")))
        << text;
    EXPECT_TRUE(fs::exists(setup.root() / "App" / ("MyApp." + drawn[1].str())));
    EXPECT_TRUE(fs::exists(setup.root() / "Icons.dll")); // the default name
    const std::string waited = "\r  waited 1 s of at most 600 s\n";
    EXPECT_NE(text.find(setup.command() + "\n" + waited), std::string::npos) << text;
    EXPECT_EQ(text.find("\n\n"), std::string::npos) << text;
    EXPECT_EQ(text.rfind("done: ", std::string::npos), text.rfind('\n', text.size() - 2) + 1);
}

// A cab builder that fails or outlasts --cab-timeout fails the run (exit 1), and no "done".
TEST(SetupCliTest, ACabBuilderThatFailsOrOutlastsTheTimeoutFailsTheRun) {
    for (const bool hangs : {false, true}) {
        test::SetupDirectory setup;
        hangs ? setup.hangCabwiz() : setup.failCabwizWith(5);
        const auto run =
            Cli({"setup", "--cab-timeout", "1", "-e", "abc", setup.root().string(), setup.icon()});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_NE(run.err.find(hangs ? "\nIt was ended after the time limit of 1 second."
                                     : "\nIt exited with code 5."),
                  std::string::npos)
            << run.err;
        EXPECT_NE(run.out.find("running the cab builder: " + setup.command() + "\n"),
                  std::string::npos);
        EXPECT_EQ(run.out.find("done:"), std::string::npos);
    }
}

#ifndef _WIN32

TEST(SetupCliTest, CtrlCEndsTheCabBuilderToo) {
    test::SetupDirectory setup;
    setup.hangCabwiz();
    const std::string cli = GLYPHWRIGHT_CLI, dir = setup.root().string(), icon = setup.icon();
    test::Process run({cli, "setup", "-e", "abc", dir, icon});
    const auto pids = setup.cabwizPids(); // the builder runs and has started its child
    ASSERT_EQ(::kill(static_cast<pid_t>(run.pid()), SIGINT), 0);
    EXPECT_EQ(run.wait(std::chrono::seconds{10}).signal, SIGINT);
    ASSERT_TRUE(pids.has_value());
    EXPECT_TRUE(test::ProcessGone(pids->first));
    EXPECT_TRUE(test::ProcessGone(pids->second));
}

#endif

} // namespace
} // namespace gw

// Whole runs of the setup workflow against setup directories modelled on what the VBCE
// Application Install Wizard leaves, with a small program standing in for the cab builder.
#include "common/error.h"
#include "setup/extension.h"
#include "setup/setup_workflow.h"
#include "support/setup_directory.h"

#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <regex>
#include <set>

namespace gw {
namespace {

namespace fs = std::filesystem;
using test::kWizardInf;
using test::MachineOf;
using test::ReadText;
using test::Replaced;
using test::SetupDirectory;
using test::WriteText;
constexpr auto npos = std::string::npos;

SetupReport RunIn(const SetupDirectory& setup, const std::string& extension = "7xy",
                  const SetupCallbacks& callbacks = {}) {
    return RunSetup({setup.root(), "Icons.dll", {setup.icon()}, extension}, callbacks);
}

// The message of the run's failure; "(no error)" when it succeeded.
std::string Failure(const SetupDirectory& setup, const std::string& extension = "7xy",
                    const SetupCallbacks& callbacks = {}) {
    return test::ThrownBy([&] { RunIn(setup, extension, callbacks); }).text;
}

std::set<std::string> Names(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

// Drives a run as a window does and records what it heard, in order: "progress" (once for
// every stretch of progress calls), "choose", "start <command>", "stop: <how it ended>". The
// seconds waited are not recorded: how many there are depends on the machine's load.
struct Driver {
    std::vector<std::string> heard;
    std::function<std::string(const std::string&)> choose = [](const std::string& suggested) {
        return suggested;
    };
    std::function<bool(std::chrono::seconds)> wait = [](std::chrono::seconds) { return true; };

    SetupCallbacks callbacks() {
        SetupCallbacks callbacks;
        callbacks.ChooseExtension = [this](const std::string& suggested) {
            heard.push_back("choose");
            return choose(suggested);
        };
        callbacks.CabBuilder.OnStart = [this](const std::string& command) {
            heard.push_back("start " + command);
        };
        callbacks.CabBuilder.OnWait = [this](std::chrono::seconds waited) { return wait(waited); };
        callbacks.CabBuilder.OnStop = [this](const ProcessOutcome& outcome) {
            heard.push_back("stop: " + outcome.describe());
        };
        callbacks.OnProgress = [this] {
            if (heard.empty() || heard.back() != "progress") {
                heard.push_back("progress");
            }
        };
        return callbacks;
    }
};

TEST(SetupRunTest, RewritesATwoProcessorSetupDirectoryAndRerunsFromTheBackup) {
    // Nothing in the folder's name may reach a shell (Windows allows no "|" or "*" in names).
#ifdef _WIN32
    SetupDirectory setup("sh3 arm", kWizardInf, "README.TXT",
                         "h $(touch PWNED1) `touch PWNED2`; a & b %PATH% $HOME d");
#else
    SetupDirectory setup("sh3 arm", kWizardInf, "README.TXT",
                         "h $(touch PWNED1) `touch PWNED2`; a & b | c * $HOME d");
    // The rewritten INF keeps its permission bits.
    const fs::perms mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(setup.infPath(), mode);
#endif
    const SetupReport report = RunIn(setup);
    EXPECT_EQ(ReadText(setup.infPath()), test::TestData("setup/rewritten-sh3-arm.inf"));
#ifndef _WIN32
    EXPECT_EQ(fs::status(setup.infPath()).permissions(), mode);
#endif
    EXPECT_EQ(ReadText(setup.infPath() + ".old"), kWizardInf);
    EXPECT_EQ(MachineOf(setup.root() / "Icons.dll"), 0x014C);
    EXPECT_EQ(MachineOf(setup.root() / "Icons" / "sh3" / "Icons.dll"), 0x01A2);
    EXPECT_EQ(MachineOf(setup.root() / "Icons" / "arm" / "Icons.dll"), 0x01C0);
    ASSERT_EQ(report.Dlls.size(), 3u);
    EXPECT_EQ(report.Dlls[1].Cpu, "sh3");
    EXPECT_EQ(ReadText(setup.root() / "App" / "MyApp.7xy"), "compiled application");
    EXPECT_TRUE(fs::exists(setup.root() / "App" / "MyApp.vb"));
    // The cab builder ran in the setup directory with the README's arguments; its cabinets
    // replaced the old ones in CD1.
    EXPECT_EQ(setup.cabwizRecord(), setup.infPath() + "\n/err\nCabWiz.log\n/cpu\nsh3\narm\n" +
                                        fs::canonical(setup.root()).string() + "\n");
    EXPECT_EQ(Names(setup.root() / "CD1"),
              (std::set<std::string>{"MyApp.arm.CAB", "MyApp.sh3.CAB"}));
    for (const fs::path& where : {setup.root(), setup.root().parent_path(), fs::current_path()}) {
        EXPECT_FALSE(fs::exists(where / "PWNED1") || fs::exists(where / "PWNED2")) << where;
    }
    const fs::path cd1 = setup.root() / "CD1";
    EXPECT_EQ(report.Cabinets, (std::vector{cd1 / "MyApp.arm.CAB", cd1 / "MyApp.sh3.CAB"}));

    // Another extension over an INF edited by hand: built from the backup, which stays.
    WriteText(setup.infPath(), "[Version]\r\nedited by hand\r\n");
    RunIn(setup, "4Ab");
    const std::string other = ReadText(setup.infPath());
    EXPECT_NE(other.find("MyApp.4ab = 1"), npos);
    EXPECT_EQ(other.find("7xy"), npos);
    EXPECT_EQ(ReadText(setup.infPath() + ".old"), kWizardInf);
}

TEST(SetupRunTest, DisksProcessorsAndLineEnds) {
    // The new disk follows the largest disk number, whatever the order of the keys.
    SetupDirectory disks("sh3", Replaced(kWizardInf, "2 = ,\"SH3 Files\",,SH3",
                                         "3 = ,\"SH3 Files\",,SH3\r\n2 = ,\"More\",,More"));
    RunIn(disks);
    std::string text = ReadText(disks.infPath());
    EXPECT_NE(text.find("2 = ,\"More\",,More\r\n4=,\"sh3 Icons\",,Icons\\sh3\r\n"), npos);
    EXPECT_NE(text.find("%IconFile%=4"), npos);

    // Processors without a known type get their entries but no DLL, each named once.
    SetupDirectory unknown(
        "sh3 arm sh3",
        Replaced(Replaced(kWizardInf, "ProcessorType = 2577", "ProcessorType = 1234"),
                 "ProcessorType = 10003", "ProcessorType = unknown"));
    const SetupReport report = RunIn(unknown);
    EXPECT_EQ(report.Dlls.size(), 1u); // the setup directory's own
    ASSERT_EQ(report.Notes.size(), 2u);
    EXPECT_NE(report.Notes[0].find("[CEDevice.sh3] has no numeric \"ProcessorType\""), npos);
    EXPECT_NE(report.Notes[1].find("ProcessorType 1234"), npos);
    text = ReadText(unknown.infPath());
    EXPECT_NE(text.find("CopyFiles=Files.Common,Files.ARM, Icons.arm"), npos);
    EXPECT_EQ(text.find("[Icons.sh3]"), text.rfind("[Icons.sh3]"));

    // A lone LF stays inside its line; a lone CR ends one.
    SetupDirectory odd("sh3", kWizardInf + "a\nb\rc.VBp");
    RunIn(odd);
    EXPECT_NE(ReadText(odd.infPath()).find("a\nb\r\nc.7xyp\r\n"), npos);
}

TEST(SetupRunTest, NamesInAnyCaseAndAMissingCabinetFolder) {
    SetupDirectory setup("sh3", kWizardInf, "readme.txt");
    fs::rename(setup.root() / "App", setup.root() / "app");
    fs::rename(setup.root() / "app" / "MyApp.vb", setup.root() / "app" / "MyApp.VB");
    fs::remove_all(setup.root() / "CD1");
    RunIn(setup);
    EXPECT_EQ(ReadText(setup.root() / "app" / "MyApp.7xy"), "compiled application");
    EXPECT_TRUE(fs::exists(setup.root() / "CD1" / "MyApp.sh3.CAB"));
#ifndef _WIN32
    EXPECT_FALSE(fs::exists(setup.root() / "App")); // a file system that tells case apart
#endif
}

TEST(SetupRunTest, ASetupThatCannotBeRewrittenIsLeftAsItWas) {
    // The processors and the INF of each case, how it spoils the directory and the start of the
    // message it gives; the directory must come out of the run unchanged.
    using Spoil = std::function<std::string(const SetupDirectory&)>;
    const std::tuple<std::string, std::string, Spoil> cases[] = {
        {"sh3",
         Replaced(kWizardInf, "1 = ,\"Common Files\",,App\r\n2 = ,\"SH3 Files\",,SH3",
                  "Disk = ,\"Common Files\",,App"),
         [](auto& s) {
             return "The section [SourceDisksNames.sh3] of " + s.infPath() +
                    " has no numbered disk, so the icons cannot be given a disk of their own.";
         }},
        {"sh]3", kWizardInf,
         [](auto& s) {
             return s.infPath() + ": section [DefaultInstall.sh]3], key \"CopyFiles\": the "
                                  "section name cannot be written into a profile file";
         }},
        {"sh3", kWizardInf,
         [](auto& s) {
             WriteText(s.root() / "README.TXT", "no command here\r\n");
             return "The \"README.TXT\" file on: \n" +
                    (s.root() / "README.TXT").make_preferred().string() +
                    "\nError while extracting values from \"Readme.txt\" file: README.TXT has no "
                    "cab builder line (a line holding \"cabwiz\")";
         }},
        {"sh3", kWizardInf,
         [](auto& s) {
             WriteText(s.root() / "README.TXT", "");
             return "Could not access \"README.TXT\" file on: \n" +
                    (s.root() / "README.TXT").make_preferred().string() + "\nthe file is empty";
         }},
        {"sh3", kWizardInf,
         [](auto& s) {
             fs::remove(s.infPath());
             return "Could not access \".INF\" file on: \n" + s.infPath();
         }},
        {"sh3", kWizardInf,
         [](auto& s) {
             fs::remove(s.root() / "README.TXT");
             return std::string("Wrong directory selected. File \"Readme.txt\" not found!");
         }},
        {"sh3", kWizardInf, [](auto& s) {
             fs::permissions(s.infPath(), fs::perms::owner_read | fs::perms::group_read);
             return s.infPath() + ": the file is read-only";
         }}};
    for (const auto& [cpus, inf, spoil] : cases) {
        SetupDirectory setup(cpus, inf);
        const std::string expected = spoil(setup);
        const auto before = test::Snapshot(setup.root());
        Driver driver;
        EXPECT_EQ(Failure(setup, "7xy", driver.callbacks()).substr(0, expected.size()), expected);
        EXPECT_EQ(test::Snapshot(setup.root()), before) << expected;
        EXPECT_EQ(setup.cabwizRecord(), "") << expected;
        EXPECT_EQ(driver.heard, std::vector<std::string>{}) << expected;
    }
    // An extension asked for beforehand is checked with everything else.
    SetupDirectory setup;
    const auto before = test::Snapshot(setup.root());
    for (const char* bad : {"", "a b", "x.y", "a/b", "vb", "toolong12", "\xe9t\xe9"}) {
        EXPECT_EQ(Failure(setup, bad).rfind("The extension", 0), 0u) << bad;
    }
    EXPECT_EQ(test::Snapshot(setup.root()), before);
    EXPECT_EQ(setup.cabwizRecord(), "");
}

// The workflow as the main window drives it: no extension asked for beforehand, a chooser that
// stands for the extension dialog, a wait shown as the progress window shows it.
TEST(SetupRunTest, TheChooserComesAfterTheChecksAndBeforeAnythingTheExtensionDecides) {
    SetupDirectory setup;
    const auto before = test::Snapshot(setup.root());
    Driver driver;
    std::map<std::string, std::pair<fs::perms, std::string>> whenChosen;
    driver.choose = [&](const std::string& suggested) {
        whenChosen = test::Snapshot(setup.root());
        EXPECT_TRUE(std::regex_match(suggested, std::regex("[0-9][a-z][a-z]"))) << suggested;
        return std::string("Typed1");
    };
    const SetupReport report =
        RunSetup({setup.root(), "Icons.dll", {setup.icon()}, std::nullopt}, driver.callbacks());
    // Only the "Icons" folder and the x86 DLL were there before the choice.
    auto expected = before;
    expected[(setup.root() / "Icons").string()] = whenChosen[(setup.root() / "Icons").string()];
    expected[(setup.root() / "Icons.dll").string()] =
        whenChosen[(setup.root() / "Icons.dll").string()];
    EXPECT_EQ(whenChosen, expected);
    EXPECT_EQ(MachineOf(setup.root() / "Icons.dll"), 0x014C);
    // The chosen extension, in lower case, is the one used.
    EXPECT_NE(ReadText(setup.infPath()).find("HKCR,.typed1,,0x00000000,VBCE.typed1File\r\n"), npos);
    EXPECT_EQ(report.AppCopies, std::vector{setup.root() / "App" / "MyApp.typed1"});
    // Progress is heard while the DLLs are built, before the choice and after it.
    EXPECT_EQ(driver.heard,
              (std::vector<std::string>{"progress", "choose", "progress",
                                        "start " + setup.command(), "stop: exited with code 0"}));
}

TEST(SetupRunTest, AnExtensionChosenThatCannotBeUsedWritesNothingItDecides) {
    SetupDirectory setup;
    const std::string wizardInf = ReadText(setup.infPath());
    Driver driver;
    driver.choose = [](const std::string&) { return std::string("a b"); };
    EXPECT_EQ(Failure(setup, "7xy", driver.callbacks()),
              "The extension \"a b\" may hold only letters and digits (no blanks, dots or other "
              "characters).");
    EXPECT_EQ(ReadText(setup.infPath()), wizardInf);
    EXPECT_FALSE(fs::exists(setup.infPath() + ".old"));
    EXPECT_EQ(Names(setup.root() / "App"), std::set<std::string>{"MyApp.vb"});
    EXPECT_TRUE(fs::is_empty(setup.root() / "Icons"));
    EXPECT_EQ(setup.cabwizRecord(), "");
}

TEST(SetupRunTest, ACabBuilderThatFailsOutlastsItsLimitOrIsStoppedIsEndedAndCd1Stays) {
    // The exit code of the builder (0: it hangs), the program the README names instead of it,
    // whether the driver stops it at its first second, and how the message ends.
    const std::tuple<int, std::string, bool, std::string> cases[] = {
        {3, "", false, "It exited with code 3."},
        {0, "", false, "It was ended after the time limit of 2 seconds."},
        {0, "", true, "It was stopped."},
        {3, "/nonexistent/cabwiz.exe", false,
#ifdef _WIN32
         // Windows words the cause itself.
         "It could not be started: the program \"/nonexistent/cabwiz.exe\" cannot be started: "}};
#else
         "It could not be started: the program \"/nonexistent/cabwiz.exe\" does not exist."}};
#endif
    for (const auto& [code, program, stop, ending] : cases) {
        SetupDirectory setup;
        code != 0 ? setup.failCabwizWith(code) : setup.hangCabwiz();
        std::string command = setup.command();
        if (!program.empty()) {
            command = "\"" + program + "\" \"" + setup.infPath() + "\" /cpu sh3";
            WriteText(setup.root() / "README.TXT", command + "\r\n");
        }
        const auto cabinets = test::Snapshot(setup.root() / "CD1");
        Driver driver;
        driver.wait = [stop = stop](std::chrono::seconds) { return !stop; };
        SetupCallbacks callbacks = driver.callbacks();
        callbacks.CabBuilder.TimeLimit = std::chrono::seconds{2};
        const std::string expected = "The cab builder did not succeed, so the cabinets in \"CD1\" "
                                     "were left as they were.\nCommand: " +
                                     command + "\n" + ending;
        EXPECT_EQ(Failure(setup, "7xy", callbacks).substr(0, expected.size()), expected);
        // The builder's end is told once, and last, as the message tells it.
        ASSERT_EQ(driver.heard.size(), 5u);
        EXPECT_EQ(std::vector(driver.heard.begin(), driver.heard.begin() + 4),
                  (std::vector<std::string>{"progress", "choose", "progress", "start " + command}));
        EXPECT_EQ(("It " + driver.heard[4].substr(6) + ".").rfind(ending, 0), 0u)
            << driver.heard[4];
        EXPECT_EQ(test::Snapshot(setup.root() / "CD1"), cabinets);
        if (code == 0) { // the builder and its child are gone
            const auto pids = setup.cabwizPids();
            ASSERT_TRUE(pids.has_value());
            EXPECT_TRUE(test::ProcessGone(pids->first) && test::ProcessGone(pids->second));
        }
    }
}

TEST(ExtensionTest, RandomExtensionsAreADigitAndTwoLettersButNever2bp) {
    std::mt19937 generator(12345);
    std::set<std::string> seen;
    for (int i = 0; i < 100000; ++i) {
        const std::string ext = RandomExtension(generator);
        ASSERT_TRUE(ext.size() == 3 && ext[0] >= '0' && ext[0] <= '9' && ext[1] >= 'a' &&
                    ext[1] <= 'z' && ext[2] >= 'a' && ext[2] <= 'z' && ext != "2bp")
            << ext;
        seen.insert(ext);
    }
    EXPECT_GT(seen.size(), 6000u); // nearly all 6760 combinations occur
    EXPECT_FALSE(ExtensionProblem("A1b2C3d4").has_value());
    EXPECT_EQ(LowerExtension("A1B"), "a1b");
}

} // namespace
} // namespace gw

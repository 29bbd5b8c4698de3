// The setup rewrite: its plan worked out in memory, and whole runs against setup directories
// modelled on what the VBCE Application Install Wizard leaves, with a small script standing in
// for the cab builder.
#include "common/error.h"
#include "setup/extension.h"
#include "setup/setup_rewrite.h"
#include "support/setup_directory.h"
#include "support/test_support.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <sstream>

namespace gw {
namespace {

namespace fs = std::filesystem;
using test::kWizardInf;
using test::ReadText;
using test::SetupDirectory;
using test::WriteText;

// What a wizard's setup directory gives the plan, without a disk.
SetupInputs WizardInputs(const std::string& cpus = "sh3 arm", const std::string& inf = kWizardInf) {
    SetupInputs inputs;
    inputs.request = {"/setup", "Icons.dll", {"a.ico"}, "7Xy"};
    inputs.cabwiz.CabwizCommand = "cabwiz.exe /setup/MyApp.inf /cpu " + cpus;
    inputs.cabwiz.InfPath = "/setup/MyApp.inf";
    std::istringstream names(cpus);
    for (std::string name; names >> name;) {
        inputs.cabwiz.CpuNames.push_back(name);
    }
    inputs.infSource = inf;
    inputs.appFiles = {"MyApp.VB"};
    return inputs;
}

std::string PlanFailure(const SetupInputs& inputs) {
    try {
        MakeSetupPlan(inputs);
    } catch (const Error& e) {
        return e.what();
    }
    return "";
}

TEST(SetupPlanTest, RewritesTheInfAndPlansEveryStep) {
    const SetupPlan plan = MakeSetupPlan(WizardInputs());
    EXPECT_EQ(plan.infText, test::DataText("setup/rewritten-sh3-arm.inf"));
    EXPECT_EQ(plan.state.NewExtension, "7xy");
    EXPECT_TRUE(plan.makeBackup);
    EXPECT_EQ(plan.backupPath, "/setup/MyApp.inf.old");
    ASSERT_EQ(plan.processors.size(), 2u);
    EXPECT_EQ(plan.processors[0].machine, 0x01A2);
    EXPECT_EQ(plan.processors[0].dllPath, "/setup/Icons/sh3/Icons.dll");
    EXPECT_EQ(plan.processors[1].machine, 0x01C0);
    ASSERT_EQ(plan.appCopies.size(), 1u);
    EXPECT_EQ(plan.appCopies[0].second, "/setup/App/MyApp.7xy");
    EXPECT_EQ(plan.cabDir, "/setup/CD1");
}

TEST(SetupPlanTest, DisksProcessorsAndLineEnds) {
    // The new disk follows the largest disk number, whatever the order of the keys.
    std::string inf = kWizardInf;
    inf.replace(inf.find("2 = ,\"SH3 Files\",,SH3"), 21,
                "3 = ,\"SH3 Files\",,SH3\r\n2 = ,\"More\",,More");
    std::string text = MakeSetupPlan(WizardInputs("sh3", inf)).infText;
    EXPECT_NE(text.find("2 = ,\"More\",,More\r\n4=,\"sh3 Icons\",,Icons\\sh3\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("%IconFile%=4"), std::string::npos);

    // Processors without a known type get their entries but no DLL, each named once.
    inf = kWizardInf;
    inf.replace(inf.find("ProcessorType = 2577"), 20, "ProcessorType = 1234");
    inf.replace(inf.find("ProcessorType = 10003"), 21, "ProcessorType = unknown");
    const SetupPlan plan = MakeSetupPlan(WizardInputs("sh3 arm sh3", inf));
    ASSERT_EQ(plan.processors.size(), 2u);
    EXPECT_FALSE(plan.processors[0].machine.has_value());
    EXPECT_NE(plan.processors[0].note.find("[CEDevice.sh3] has no numeric \"ProcessorType\""),
              std::string::npos);
    EXPECT_NE(plan.processors[1].note.find("ProcessorType 1234"), std::string::npos);
    EXPECT_NE(plan.infText.find("CopyFiles=Files.Common,Files.ARM, Icons.arm"), std::string::npos);
    EXPECT_EQ(plan.infText.find("[Icons.sh3]"), plan.infText.rfind("[Icons.sh3]"));

    // A lone LF stays inside its line; a lone CR ends one; an empty INF is one empty line.
    SetupInputs odd = WizardInputs("sh3", kWizardInf + "a\nb\rc.VBp");
    EXPECT_NE(MakeSetupPlan(odd).infText.find("a\nb\r\nc.7xyp\r\n"), std::string::npos);
}

TEST(SetupPlanTest, RefusesWhatCannotBeRewritten) {
    std::string inf = kWizardInf;
    inf.replace(inf.find("1 = ,\"Common Files\",,App\r\n2 = ,\"SH3 Files\",,SH3"), 47,
                "Disk = ,\"Common Files\",,App");
    EXPECT_EQ(PlanFailure(WizardInputs("sh3", inf)),
              "The section [SourceDisksNames.sh3] of /setup/MyApp.inf has no numbered disk, so "
              "the icons cannot be given a disk of their own.");
    SetupInputs badName = WizardInputs("sh3");
    badName.cabwiz.CpuNames = {"sh]3"};
    EXPECT_EQ(PlanFailure(badName), "/setup/MyApp.inf: section [DefaultInstall.sh]3], key "
                                    "\"CopyFiles\": the section name cannot be written into a "
                                    "profile file");
    for (const char* bad : {"", "a b", "x.y", "a/b", "vb", "toolong12", "\xe9t\xe9"}) {
        SetupInputs inputs = WizardInputs();
        inputs.request.extension = bad;
        EXPECT_NE(PlanFailure(inputs), "") << bad;
    }
}

std::uint16_t MachineOf(const fs::path& dll) {
    return test::Le16(test::ReadBytes(dll), 0xAC);
}

std::set<std::string> Names(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

TEST(SetupRunTest, RewritesATwoProcessorSetupDirectoryAndRerunsFromTheBackup) {
    SetupDirectory setup;
    const fs::perms mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(setup.infPath(), mode);
    const SetupReport report = setup.run();
    EXPECT_EQ(ReadText(setup.infPath()), test::DataText("setup/rewritten-sh3-arm.inf"));
    EXPECT_EQ(fs::status(setup.infPath()).permissions(), mode);
    EXPECT_EQ(ReadText(setup.infPath() + ".old"), kWizardInf);
    EXPECT_EQ(MachineOf(setup.root() / "Icons.dll"), 0x014C);
    EXPECT_EQ(MachineOf(setup.root() / "Icons" / "sh3" / "Icons.dll"), 0x01A2);
    EXPECT_EQ(MachineOf(setup.root() / "Icons" / "arm" / "Icons.dll"), 0x01C0);
    ASSERT_EQ(report.dlls.size(), 3u);
    EXPECT_EQ(report.dlls[1].cpu, "sh3");
    EXPECT_EQ(ReadText(setup.root() / "App" / "MyApp.7xy"), "compiled application");
    EXPECT_TRUE(fs::exists(setup.root() / "App" / "MyApp.vb"));
    // The cab builder ran in the setup directory with the README's arguments; its cabinets
    // replaced the old ones in CD1.
    EXPECT_EQ(setup.cabwizArgs(), setup.infPath() + "\n/err\nCabWiz.log\n/cpu\nsh3\narm\n");
    const std::string cwd = setup.cabwizCwd();
    EXPECT_EQ(fs::canonical(cwd.substr(0, cwd.size() - 1)), fs::canonical(setup.root()));
    EXPECT_EQ(Names(setup.root() / "CD1"),
              (std::set<std::string>{"MyApp.arm.CAB", "MyApp.sh3.CAB"}));
    EXPECT_EQ(report.cabinets.size(), 2u);

    // Another extension over an INF edited by hand: built from the backup, which stays.
    WriteText(setup.infPath(), "[Version]\r\nedited by hand\r\n");
    setup.run("4Ab");
    const std::string other = ReadText(setup.infPath());
    EXPECT_NE(other.find("MyApp.4ab = 1"), std::string::npos);
    EXPECT_EQ(other.find("7xy"), std::string::npos);
    EXPECT_EQ(ReadText(setup.infPath() + ".old"), kWizardInf);
}

TEST(SetupRunTest, NamesInAnyCaseAndAMissingCabinetFolder) {
    SetupDirectory setup("sh3", kWizardInf, "readme.txt");
    fs::rename(setup.root() / "App", setup.root() / "app");
    fs::rename(setup.root() / "app" / "MyApp.vb", setup.root() / "app" / "MyApp.VB");
    fs::remove_all(setup.root() / "CD1");
    setup.run();
    EXPECT_EQ(ReadText(setup.root() / "app" / "MyApp.7xy"), "compiled application");
    EXPECT_TRUE(fs::exists(setup.root() / "CD1" / "MyApp.sh3.CAB"));
    EXPECT_FALSE(fs::exists(setup.root() / "App"));
}

TEST(SetupRunTest, ASetupThatCannotBeRewrittenIsLeftAsItWas) {
    // Each case and the message it gives; the directory must come out of the run unchanged.
    const std::pair<std::function<std::string(SetupDirectory&)>, std::string> cases[] = {
        {[](SetupDirectory& s) {
             WriteText(s.root() / "README.TXT", "no command here\r\n");
             return "Could not access \"README.TXT\" file on: \r\n" + s.setupDir() +
                    "README.TXT\r\nError while extracting values from \"Readme.txt\" file";
         },
         ""},
        {[](SetupDirectory& s) {
             fs::remove(s.infPath());
             return "Could not access \".INF\" file on: \r\n" + s.infPath();
         },
         ""},
        {[](SetupDirectory& s) {
             fs::remove(s.root() / "README.TXT");
             return std::string("Wrong directory selected. File \"Readme.txt\" not found!");
         },
         ""},
        {[](SetupDirectory& s) {
             fs::permissions(s.infPath(), fs::perms::owner_read | fs::perms::group_read);
             return s.infPath() + ": the file is read-only";
         },
         ""},
        {[](SetupDirectory&) { return std::string("The extension"); }, "vb"},
    };
    for (const auto& [prepare, extension] : cases) {
        SetupDirectory setup;
        const std::string expected = prepare(setup);
        const auto before = test::Snapshot(setup.root());
        const std::string failure = setup.failure(extension.empty() ? "7xy" : extension);
        EXPECT_EQ(failure.substr(0, expected.size()), expected);
        EXPECT_EQ(test::Snapshot(setup.root()), before) << expected;
        EXPECT_FALSE(setup.cabwizRan()) << expected;
    }
}

TEST(SetupRunTest, AFailingOrMissingCabBuilderIsReportedAndOldCabinetsStay) {
    SetupDirectory setup;
    setup.failCabwizWith(3);
    const std::string failure = setup.failure();
    EXPECT_NE(failure.find("fake-cabwiz.sh"), std::string::npos) << failure;
    EXPECT_NE(failure.find("exited with code 3"), std::string::npos) << failure;
    EXPECT_EQ(Names(setup.root() / "CD1"), std::set<std::string>{"Old.SH3.CAB"});

    SetupDirectory missing;
    WriteText(missing.root() / "README.TXT",
              "\"/nonexistent/cabwiz.exe\" \"" + missing.infPath() + "\" /cpu sh3\r\n");
    EXPECT_NE(missing.failure().find("\r\nIt could not be started: the program "
                                     "\"/nonexistent/cabwiz.exe\" does not exist."),
              std::string::npos);
}

#ifndef _WIN32

TEST(SetupRunTest, AHostileSetupPathReachesTheCabBuilderAsItIs) {
    const std::string name = "h $(touch PWNED1) `touch PWNED2`; a & b | c * $HOME d";
    SetupDirectory setup("sh3 arm", kWizardInf, "README.TXT", name);
    setup.run();
    EXPECT_EQ(setup.cabwizArgs(), setup.infPath() + "\n/err\nCabWiz.log\n/cpu\nsh3\narm\n");
    for (const fs::path& where : {setup.root(), setup.root().parent_path(), fs::current_path()}) {
        EXPECT_FALSE(fs::exists(where / "PWNED1")) << where;
        EXPECT_FALSE(fs::exists(where / "PWNED2")) << where;
    }
    EXPECT_TRUE(fs::exists(setup.root() / "CD1" / "MyApp.arm.CAB"));
}

TEST(SetupRunTest, ACabBuilderPastItsTimeLimitIsEndedWithItsChildAndCd1Stays) {
    SetupDirectory setup;
    setup.hangCabwiz();
    CabBuilderOptions options;
    options.timeLimit = std::chrono::seconds{2};
    std::string started;
    options.onStart = [&](const std::string& command) { started = command; };
    EXPECT_EQ(setup.failure("7xy", options),
              "The cab builder did not succeed, so the cabinets in \"CD1\" were left as they "
              "were.\r\nCommand: " +
                  setup.command() + "\r\nIt was ended after the time limit of 2 seconds.");
    EXPECT_EQ(started, setup.command());
    const auto pids = setup.cabwizPids();
    ASSERT_TRUE(pids.has_value());
    EXPECT_TRUE(test::ProcessGone(pids->first));
    EXPECT_TRUE(test::ProcessGone(pids->second));
    EXPECT_EQ(Names(setup.root() / "CD1"), std::set<std::string>{"Old.SH3.CAB"});
    EXPECT_EQ(ReadText(setup.root() / "CD1" / "Old.SH3.CAB"), "old cabinet");
}

#endif

TEST(ExtensionTest, RandomExtensionsAreADigitAndTwoLettersButNever2bp) {
    std::mt19937 generator(12345);
    std::set<std::string> seen;
    for (int i = 0; i < 100000; ++i) {
        const std::string ext = RandomExtension(generator);
        ASSERT_EQ(ext.size(), 3u);
        ASSERT_TRUE(ext[0] >= '0' && ext[0] <= '9') << ext;
        ASSERT_TRUE(ext[1] >= 'a' && ext[1] <= 'z' && ext[2] >= 'a' && ext[2] <= 'z') << ext;
        ASSERT_NE(ext, "2bp");
        seen.insert(ext);
    }
    EXPECT_GT(seen.size(), 6000u); // nearly all 6760 combinations occur
    EXPECT_FALSE(ExtensionProblem("A1b2C3d4").has_value());
    EXPECT_EQ(LowerExtension("A1B"), "a1b");
}

} // namespace
} // namespace gw

// The setup rewrite, run against setup directories modelled on what the VBCE Application
// Install Wizard leaves, with a small script standing in for the cab builder.
#include "common/error.h"
#include "dll/create_dll.h"
#include "setup/create_dll_mod.h"
#include "setup/extension.h"
#include "support/setup_directory.h"
#include "support/test_support.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <set>

namespace gw {
namespace {

namespace fs = std::filesystem;
using platform::MessageIcon;
using test::Crlf;
using test::kWizardInf;
using test::ReadText;
using test::SetupDirectory;
using test::WriteText;

const std::string kRewrittenInf = Crlf({
    "[Version]",
    "Signature = \"$Windows NT$\"",
    "Provider = \"Acme\"",
    "CESignature = \"$Windows CE$\"",
    "",
    "[CEStrings]",
    "AppName = \"MyApp\"",
    "InstallDir = %CE1%\\%AppName%",
    "",
    "[Strings]",
    "CompanyName = \"Acme\"",
    "IconFile=Icons.dll",
    "",
    "[CEDevice.SH3]",
    "ProcessorType = 10003",
    "",
    "[CEDevice.ARM]",
    "ProcessorType = 2577",
    "",
    "[DefaultInstall]",
    "CEShortcuts = Shortcuts",
    "AddReg=RegSettings",
    "",
    "[DefaultInstall.SH3]",
    "CopyFiles=Files.Common,Files.SH3, Icons.sh3",
    "",
    "[DefaultInstall.ARM]",
    "CopyFiles=Files.Common,Files.ARM, Icons.arm",
    "",
    "[SourceDisksNames.SH3]",
    "1 = ,\"Common Files\",,App",
    "2 = ,\"SH3 Files\",,SH3",
    "3=,\"sh3 Icons\",,Icons\\sh3",
    "",
    "[SourceDisksNames.ARM]",
    "1 = ,\"Common Files\",,App",
    "2 = ,\"ARM Files\",,ARM",
    "3=,\"arm Icons\",,Icons\\arm",
    "",
    "[SourceDisksFiles.SH3]",
    "MyApp.7xy = 1",
    "pvbload.exe = 2",
    "%IconFile%=3",
    "",
    "[SourceDisksFiles.ARM]",
    "MyApp.7xy = 1",
    "pvbload.exe = 2",
    "%IconFile%=3",
    "",
    "[DestinationDirs]",
    "Files.Common = 0,%InstallDir%",
    "Icons.sh3=,%InstallDir%",
    "Icons.arm=,%InstallDir%",
    "",
    "[Files.Common]",
    "MyApp.7xy,,,0",
    "",
    "[Shortcuts]",
    "MyApp,0,MyApp.7xyp",
    "",
    "[Icons.sh3]",
    "%IconFile%",
    "",
    "[Icons.arm]",
    "%IconFile%",
    "",
    "[RegSettings]",
    "HKCR,.7xy,,0x00000000,VBCE.7xyFile",
    "HKCR,VBCE.7xyFile,,0x00000000,Application VBCE",
    "HKCR,VBCE.7xyFile\\DefaultIcon,,0x00000000,\"%InstallDir%\\%IconFile%,0\"",
    "HKCR,VBCE.7xyFile\\Shell\\Open\\Command,,0x00000000,\"\\Windows\\pvbload.exe %%1\"",
});

std::uint16_t MachineOf(const fs::path& dll) {
    return test::Le16(test::ReadBytes(dll), 0xAC);
}

TEST(ChangeSetupFilesTest, RewritesATwoProcessorSetupDirectory) {
    SetupDirectory setup;
    const fs::perms mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(setup.infPath(), mode);
    const SetupReport report = setup.run();
    ASSERT_TRUE(report.succeeded) << report.failure;
    EXPECT_TRUE(setup.messages.shown.empty());

    EXPECT_EQ(ReadText(setup.infPath()), kRewrittenInf);
    EXPECT_EQ(fs::status(setup.infPath()).permissions(), mode); // the INF keeps its mode
    EXPECT_EQ(ReadText(setup.infPath() + ".old"), kWizardInf);
    EXPECT_EQ(setup.state.NewExtension, "7xy");

    // The x86 DLL in the setup directory, one DLL per processor under Icons.
    EXPECT_EQ(MachineOf(setup.root() / "Icons.dll"), 0x014C);
    EXPECT_EQ(MachineOf(setup.root() / "Icons" / "sh3" / "Icons.dll"), 0x01A2);
    EXPECT_EQ(MachineOf(setup.root() / "Icons" / "arm" / "Icons.dll"), 0x01C0);
    ASSERT_EQ(report.dlls.size(), 3u);
    EXPECT_EQ(report.dlls[1].cpu, "sh3");

    // The application under its new extension, beside the original.
    EXPECT_EQ(ReadText(setup.root() / "App" / "MyApp.7xy"), "compiled application");
    EXPECT_TRUE(fs::exists(setup.root() / "App" / "MyApp.vb"));

    // The cab builder ran in the setup directory with the README's arguments; its cabinets
    // replaced the old ones in CD1.
    EXPECT_EQ(setup.cabwizArgs(), setup.infPath() + "\n/err\nCabWiz.log\n/cpu\nsh3\narm\n");
    EXPECT_EQ(fs::canonical(setup.cabwizCwd().substr(0, setup.cabwizCwd().size() - 1)),
              fs::canonical(setup.root()));
    std::set<std::string> cabinets;
    for (const auto& entry : fs::directory_iterator(setup.root() / "CD1")) {
        cabinets.insert(entry.path().filename().string());
    }
    EXPECT_EQ(cabinets, (std::set<std::string>{"MyApp.arm.CAB", "MyApp.sh3.CAB"}));
    EXPECT_FALSE(fs::exists(setup.root() / "MyApp.sh3.CAB"));
    EXPECT_EQ(report.cabinets.size(), 2u);
}

TEST(ChangeSetupFilesTest, RerunsStartFromTheBackup) {
    SetupDirectory setup;
    ASSERT_TRUE(setup.run().succeeded);
    const std::string first = ReadText(setup.infPath());
    ASSERT_TRUE(setup.run().succeeded);
    EXPECT_EQ(ReadText(setup.infPath()), first); // the same run twice gives the same INF

    // Another extension: built from the backup, not from the rewritten INF.
    ASSERT_TRUE(setup.run("4Ab").succeeded);
    const std::string other = ReadText(setup.infPath());
    EXPECT_EQ(setup.state.NewExtension, "4ab");
    EXPECT_NE(other.find("MyApp.4ab = 1"), std::string::npos);
    EXPECT_EQ(other.find("7xy"), std::string::npos);
    EXPECT_EQ(other.find("[Icons.sh3]"), other.rfind("[Icons.sh3]"));
    EXPECT_EQ(ReadText(setup.infPath() + ".old"), kWizardInf);

    // An INF edited by hand since is ignored: the backup is the source.
    WriteText(setup.infPath(), "[Version]\r\nedited by hand\r\n");
    ASSERT_TRUE(setup.run("4ab").succeeded);
    EXPECT_EQ(ReadText(setup.infPath()), other);
}

TEST(ChangeSetupFilesTest, NewDiskFollowsTheLargestDiskNumber) {
    std::string inf = kWizardInf;
    inf.replace(inf.find("2 = ,\"SH3 Files\",,SH3"), 21,
                "3 = ,\"SH3 Files\",,SH3\r\n2 = ,\"More\",,More");
    SetupDirectory setup("sh3", inf);
    ASSERT_TRUE(setup.run().succeeded) << setup.messages.shown.at(0).text;
    const std::string text = ReadText(setup.infPath());
    EXPECT_NE(
        text.find(
            "3 = ,\"SH3 Files\",,SH3\r\n2 = ,\"More\",,More\r\n4=,\"sh3 Icons\",,Icons\\sh3\r\n"),
        std::string::npos)
        << text;
    EXPECT_NE(text.find("%IconFile%=4"), std::string::npos);
}

TEST(ChangeSetupFilesTest, ProcessorsWithoutAKnownTypeGetEntriesButNoDll) {
    std::string inf = kWizardInf;
    inf.replace(inf.find("ProcessorType = 2577"), 20, "ProcessorType = 1234");
    inf.replace(inf.find("ProcessorType = 10003"), 21, "ProcessorType = unknown");
    SetupDirectory setup("sh3 arm sh3", inf);
    const SetupReport report = setup.run();
    ASSERT_TRUE(report.succeeded) << report.failure;
    EXPECT_FALSE(fs::exists(setup.root() / "Icons" / "arm" / "Icons.dll"));
    EXPECT_FALSE(fs::exists(setup.root() / "Icons" / "sh3" / "Icons.dll"));
    ASSERT_EQ(setup.messages.shown.size(), 2u);
    EXPECT_EQ(setup.messages.shown[0].icon, MessageIcon::Exclamation);
    EXPECT_NE(setup.messages.shown[0].text.find("[CEDevice.sh3] has no numeric \"ProcessorType\""),
              std::string::npos);
    EXPECT_NE(setup.messages.shown[1].text.find("ProcessorType 1234"), std::string::npos);
    // The entries are written all the same, each processor once although sh3 is named twice.
    const std::string text = ReadText(setup.infPath());
    EXPECT_NE(text.find("CopyFiles=Files.Common,Files.ARM, Icons.arm"), std::string::npos);
    EXPECT_EQ(text.find("[Icons.sh3]"), text.rfind("[Icons.sh3]"));
    EXPECT_NE(text.find("CopyFiles=Files.Common,Files.SH3, Icons.sh3\r\n"), std::string::npos);
}

TEST(ChangeSetupFilesTest, NamesInAnyCaseAndAMissingCabinetFolder) {
    SetupDirectory setup("sh3", kWizardInf, "readme.txt");
    fs::rename(setup.root() / "App", setup.root() / "app");
    fs::rename(setup.root() / "app" / "MyApp.vb", setup.root() / "app" / "MyApp.VB");
    fs::remove_all(setup.root() / "CD1");
    ASSERT_TRUE(setup.run().succeeded);
    EXPECT_EQ(ReadText(setup.root() / "app" / "MyApp.7xy"), "compiled application");
    EXPECT_TRUE(fs::exists(setup.root() / "CD1" / "MyApp.sh3.CAB"));
    EXPECT_FALSE(fs::exists(setup.root() / "App"));
}

TEST(ChangeSetupFilesTest, UnusableReadmeOrInfChangesNothing) {
    {
        SetupDirectory setup;
        WriteText(setup.root() / "README.TXT", "no command here\r\n");
        const SetupReport report = setup.run();
        EXPECT_FALSE(report.succeeded);
        ASSERT_EQ(setup.messages.shown.size(), 2u);
        EXPECT_EQ(setup.messages.shown[0].text,
                  "Error while extracting values from \"Readme.txt\" file");
        EXPECT_EQ(setup.messages.shown[1].text, "Could not access \"README.TXT\" file on: \r\n" +
                                                    setup.setupDir() + "README.TXT");
        EXPECT_EQ(setup.messages.shown[1].icon, MessageIcon::Critical);
        EXPECT_EQ(ReadText(setup.infPath()), kWizardInf);
        EXPECT_FALSE(fs::exists(setup.infPath() + ".old"));
        EXPECT_FALSE(setup.cabwizRan());
    }
    {
        SetupDirectory setup;
        fs::remove(setup.infPath());
        EXPECT_FALSE(setup.run().succeeded);
        ASSERT_EQ(setup.messages.shown.size(), 1u);
        EXPECT_EQ(setup.messages.shown[0].text,
                  "Could not access \".INF\" file on: \r\n" + setup.infPath());
        EXPECT_FALSE(setup.cabwizRan());
    }
    {
        SetupDirectory setup;
        fs::remove(setup.root() / "README.TXT");
        EXPECT_FALSE(setup.run().succeeded);
        ASSERT_EQ(setup.messages.shown.size(), 1u);
        EXPECT_EQ(setup.messages.shown[0].text,
                  "Wrong directory selected. File \"Readme.txt\" not found!");
        EXPECT_FALSE(fs::exists(setup.root() / "Icons.dll"));
        EXPECT_FALSE(fs::exists(setup.root() / "Icons"));
    }
}

TEST(ChangeSetupFilesTest, ABrokenDiskSectionLeavesTheInfAsItWas) {
    std::string inf = kWizardInf;
    inf.replace(inf.find("1 = ,\"Common Files\",,App\r\n2 = ,\"SH3 Files\",,SH3"), 47,
                "Disk = ,\"Common Files\",,App");
    SetupDirectory setup("sh3", inf);
    const SetupReport report = setup.run();
    EXPECT_FALSE(report.succeeded);
    EXPECT_EQ(report.failure, "The section [SourceDisksNames.sh3] of " + setup.infPath() +
                                  " has no numbered disk, so the icons cannot be given a disk of "
                                  "their own.");
    EXPECT_EQ(ReadText(setup.infPath()), inf);
    EXPECT_FALSE(setup.cabwizRan());
    EXPECT_TRUE(fs::exists(setup.root() / "CD1" / "Old.SH3.CAB"));
    for (const auto& entry : fs::directory_iterator(setup.root())) {
        EXPECT_EQ(entry.path().filename().string().find(".~gw"), std::string::npos);
    }
}

TEST(ChangeSetupFilesTest, AnEditThatCannotBeWrittenNamesTheInf) {
    // A processor name that cannot stand in a section name.
    SetupDirectory setup("sh]3");
    const SetupReport report = setup.run();
    EXPECT_FALSE(report.succeeded);
    EXPECT_EQ(report.failure, setup.infPath() +
                                  ": section [DefaultInstall.sh]3], key \"CopyFiles\": the section "
                                  "name cannot be written into a profile file");
    EXPECT_EQ(ReadText(setup.infPath()), kWizardInf);
    EXPECT_FALSE(setup.cabwizRan());
    for (const auto& entry : fs::directory_iterator(setup.root())) {
        EXPECT_EQ(entry.path().filename().string().find(".~gw"), std::string::npos);
    }
}

TEST(ChangeSetupFilesTest, AReadOnlyInfIsRefusedBeforeAnythingIsWritten) {
    // The message the DLL writer gives for a read-only file.
    test::TempDir dir;
    const std::string dll = dir.file("ReadOnly.dll");
    WriteText(dll, "old");
    fs::permissions(dll, fs::perms::owner_read);
    std::string dllMessage;
    try {
        CreateDll(0x014C, {SetupDirectory().icon()}, dll);
    } catch (const Error& e) {
        dllMessage = e.what();
    }
    ASSERT_EQ(dllMessage.rfind(dll + ": ", 0), 0u) << dllMessage;
    const std::string cause = dllMessage.substr(dll.size());

    // The whole run (the command line) and the rewrite alone (the window, after the x86 DLL).
    for (const bool whole : {true, false}) {
        SetupDirectory setup;
        const fs::perms mode = fs::perms::owner_read | fs::perms::group_read;
        fs::permissions(setup.infPath(), mode);
        const auto before = test::Snapshot(setup.root());
        setup.state.NewExtension = "7xy";
        const SetupReport report =
            whole ? setup.run()
                  : ChangeSetupFiles(setup.setupDir(), "Icons.dll", {setup.icon()}, setup.state,
                                     setup.messages);
        EXPECT_FALSE(report.succeeded);
        ASSERT_EQ(setup.messages.shown.size(), 1u);
        EXPECT_EQ(setup.messages.shown[0].text, setup.infPath() + cause);
        EXPECT_EQ(setup.messages.shown[0].icon, MessageIcon::Critical);
        EXPECT_EQ(test::Snapshot(setup.root()), before); // mode, bytes and all else unchanged
        EXPECT_EQ(fs::status(setup.infPath()).permissions(), mode);
        EXPECT_FALSE(setup.cabwizRan());
    }
}

TEST(ChangeSetupFilesTest, AFailingCabBuilderIsReportedAndOldCabinetsStay) {
    SetupDirectory setup;
    setup.failCabwizWith(3);
    const SetupReport report = setup.run();
    EXPECT_FALSE(report.succeeded);
    EXPECT_TRUE(report.cabwizRan);
    ASSERT_EQ(setup.messages.shown.size(), 1u);
    const std::string& text = setup.messages.shown[0].text;
    EXPECT_NE(text.find("fake-cabwiz.sh"), std::string::npos) << text;
    EXPECT_NE(text.find("exited with code 3"), std::string::npos) << text;
    EXPECT_TRUE(fs::exists(setup.root() / "CD1" / "Old.SH3.CAB"));

    // A cab builder that is not there at all.
    SetupDirectory missing;
    WriteText(missing.root() / "README.TXT",
              "\"/nonexistent/cabwiz.exe\" \"" + missing.infPath() + "\" /cpu sh3\r\n");
    const SetupReport notStarted = missing.run();
    EXPECT_FALSE(notStarted.succeeded);
    EXPECT_NE(notStarted.failure.find("\r\nIt could not be started: the program "
                                      "\"/nonexistent/cabwiz.exe\" does not exist."),
              std::string::npos)
        << notStarted.failure;
}

#ifndef _WIN32

TEST(ChangeSetupFilesTest, AHostileSetupPathReachesTheCabBuilderAsItIs) {
    const std::string name = "h $(touch PWNED1) `touch PWNED2`; a & b | c * $HOME d";
    SetupDirectory setup("sh3 arm", kWizardInf, "README.TXT", name);
    const SetupReport report = setup.run();
    ASSERT_TRUE(report.succeeded) << report.failure;
    EXPECT_EQ(setup.infPath(), (setup.root() / "MyApp.inf").string());
    EXPECT_EQ(setup.cabwizArgs(), setup.infPath() + "\n/err\nCabWiz.log\n/cpu\nsh3\narm\n");
    const std::string cwd = setup.cabwizCwd();
    EXPECT_EQ(fs::canonical(cwd.substr(0, cwd.size() - 1)), fs::canonical(setup.root()));
    for (const fs::path& where : {setup.root(), setup.root().parent_path(), fs::current_path()}) {
        EXPECT_FALSE(fs::exists(where / "PWNED1")) << where;
        EXPECT_FALSE(fs::exists(where / "PWNED2")) << where;
    }
    EXPECT_TRUE(fs::exists(setup.root() / "CD1" / "MyApp.arm.CAB"));
}

TEST(ChangeSetupFilesTest, ACabBuilderPastItsTimeLimitIsEndedWithItsChildAndCd1Stays) {
    SetupDirectory setup;
    setup.hangCabwiz();
    CabBuilderOptions options;
    options.timeLimit = std::chrono::seconds{2};
    std::string started;
    options.onStart = [&](const std::string& command) { started = command; };
    const SetupReport report = setup.run("7xy", options);
    EXPECT_FALSE(report.succeeded);
    EXPECT_EQ(started, setup.command());
    EXPECT_TRUE(report.cabwiz.timedOut);
    ASSERT_EQ(setup.messages.shown.size(), 1u);
    EXPECT_EQ(setup.messages.shown[0].text,
              "The cab builder did not succeed, so the cabinets in \"CD1\" were left as they "
              "were.\r\nCommand: " +
                  setup.command() + "\r\nIt was ended after the time limit of 2 seconds.");
    const auto pids = setup.cabwizPids();
    ASSERT_TRUE(pids.has_value());
    EXPECT_TRUE(test::ProcessGone(pids->first));
    EXPECT_TRUE(test::ProcessGone(pids->second));
    std::set<std::string> cabinets;
    for (const auto& entry : fs::directory_iterator(setup.root() / "CD1")) {
        cabinets.insert(entry.path().filename().string());
    }
    EXPECT_EQ(cabinets, std::set<std::string>{"Old.SH3.CAB"});
    EXPECT_EQ(ReadText(setup.root() / "CD1" / "Old.SH3.CAB"), "old cabinet");
}

#endif

TEST(ChangeSetupFilesTest, RefusesAnExtensionBeforeWritingAnything) {
    for (const char* bad : {"", "a b", "x.y", "a/b", "vb", "toolong12", "\xe9t\xe9"}) {
        SetupDirectory setup;
        const SetupReport report = setup.run(bad);
        EXPECT_FALSE(report.succeeded) << bad;
        ASSERT_EQ(setup.messages.shown.size(), 1u) << bad;
        EXPECT_EQ(setup.messages.shown[0].icon, MessageIcon::Critical);
        EXPECT_FALSE(fs::exists(setup.root() / "Icons.dll")) << bad;
        EXPECT_FALSE(fs::exists(setup.root() / "Icons")) << bad;
        EXPECT_EQ(ReadText(setup.infPath()), kWizardInf);
    }
}

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

TEST(ProcessorTypeTest, KnownTypesMapToTheirMachines) {
    EXPECT_EQ(MachineForProcessorType(486), 0x014C);
    EXPECT_EQ(MachineForProcessorType(821), 0x01F0);
    EXPECT_EQ(MachineForProcessorType(1824), 0x01C0);
    EXPECT_EQ(MachineForProcessorType(2577), 0x01C0);
    EXPECT_EQ(MachineForProcessorType(4000), 0x0166);
    EXPECT_EQ(MachineForProcessorType(10003), 0x01A2);
    EXPECT_EQ(MachineForProcessorType(10005), 0x01A6);
    EXPECT_FALSE(MachineForProcessorType(10004).has_value());
}

} // namespace
} // namespace gw

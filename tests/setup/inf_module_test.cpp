#include "setup/inf_module.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/error.h"
#include "support/test_support.h"

namespace gw {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;
using test::ReadText;
using test::RecordingMessages;
using test::TempDir;
using test::WriteText;

// ---- NextToken ----------------------------------------------------------------------------

struct TokenStep {
    std::string token;
    bool failed;
    std::string rest;
};

std::vector<TokenStep> Tokens(std::string text, int calls) {
    std::vector<TokenStep> steps;
    for (int i = 0; i < calls; ++i) {
        bool failed = false;
        std::string token = NextToken(text, failed);
        steps.push_back({token, failed, text});
    }
    return steps;
}

void ExpectStep(const TokenStep& step, const std::string& token, bool failed, const std::string& rest) {
    EXPECT_EQ(step.token, token);
    EXPECT_EQ(step.failed, failed);
    EXPECT_EQ(step.rest, rest);
}

TEST(NextTokenTest, QuotedPathKeepsItsBlanks) {
    const auto steps =
        Tokens("  \"C:\\Program Files\\Microsoft Visual Studio\\VB98\\Wince\\cabwiz.exe\"  \"C:\\Setup\\MyApp.inf\" /cpu arm ", 3);
    ExpectStep(steps[0], "C:\\Program Files\\Microsoft Visual Studio\\VB98\\Wince\\cabwiz.exe", false,
               "\"C:\\Setup\\MyApp.inf\" /cpu arm");
    ExpectStep(steps[1], "C:\\Setup\\MyApp.inf", false, "/cpu arm");
    ExpectStep(steps[2], "/cpu", false, "arm");
}

TEST(NextTokenTest, BlanksInsideQuotesAtTheEndsAreRemoved) {
    ExpectStep(Tokens("\"  padded name \" rest", 1)[0], "padded name", false, "rest");
}

TEST(NextTokenTest, QuotedTokenDirectlyFollowedByText) {
    const auto steps = Tokens("\"a b\"cd ef", 2);
    ExpectStep(steps[0], "a b", false, "cd ef");
    ExpectStep(steps[1], "cd", false, "ef");
}

TEST(NextTokenTest, UnquotedTokenEndsBeforeAQuote) {
    const auto steps = Tokens("ab\"c d\" e", 3);
    ExpectStep(steps[0], "ab", false, "\"c d\" e");
    ExpectStep(steps[1], "c d", false, "e");
    ExpectStep(steps[2], "e", false, "");
}

TEST(NextTokenTest, EmptyQuotesFailAfterMovingPastThem) {
    const auto steps = Tokens("  \"\"  next", 2);
    ExpectStep(steps[0], "", true, "  next");
    ExpectStep(steps[1], "next", false, "");
    ExpectStep(Tokens("\"   \" x", 1)[0], "", true, " x");
}

TEST(NextTokenTest, EmptyOrBlankTextFails) {
    ExpectStep(Tokens("", 1)[0], "", true, "");
    ExpectStep(Tokens("     ", 1)[0], "", true, "");
}

TEST(NextTokenTest, UnclosedQuoteFailsAndKeepsTheTrimmedText) {
    ExpectStep(Tokens("  \"C:\\Setup\\MyApp.inf /cpu arm  ", 1)[0], "", true,
               "\"C:\\Setup\\MyApp.inf /cpu arm");
}

TEST(NextTokenTest, OnlyTheBlankSeparatesTabsStay) {
    ExpectStep(Tokens("\ta\tb c", 1)[0], "\ta\tb", false, "c");
}

TEST(NextTokenTest, FailedIsClearedBySuccess) {
    std::string text = "x";
    bool failed = true;
    EXPECT_EQ(NextToken(text, failed), "x");
    EXPECT_FALSE(failed);
    EXPECT_EQ(text, "");
    EXPECT_EQ(NextToken(text, failed), "");
    EXPECT_TRUE(failed);
}

// ---- ReadCabwizCommand --------------------------------------------------------------------

const char* const kCabwizLine =
    "\"C:\\Program Files\\Microsoft Visual Studio\\VB98\\Wince\\cabwiz.exe\" "
    "\"C:\\Setup\\MyApp.inf\" /err CabWiz.log /cpu sh3 mips arm";

// A README.TXT as the VBCE Application Install Wizard leaves it, around the given command line.
std::string WizardReadme(const std::string& commandLine) {
    return "Microsoft Windows CE Toolkit for Visual Basic 6.0\r\n"
           "Application Install Wizard\r\n"
           "\r\n"
           "The wizard created the following in C:\\Setup:\r\n"
           "    MyApp.inf        the setup information file read by CABWIZ.EXE\r\n"
           "    App\\             the application files\r\n"
           "    CD1\\             the cabinet files to copy to the device\r\n"
           "\r\n"
           "Errors of the cabinet build are written to CabWiz.log.\r\n"
           "To rebuild the cabinet files after a change, run the following command:\r\n"
           "\r\n" +
           commandLine +
           "\r\n"
           "\r\n"
           "Then copy the new .CAB files to the CD1 folder.\r\n";
}

struct ReadmeRun {
    bool ok = false;
    CabwizInfo info;
    RecordingMessages messages;
};

void RunReadme(ReadmeRun& run, const std::string& path) {
    run.info.CpuNames = {"stale"};
    run.info.InfPath = "stale";
    run.ok = ReadCabwizCommand(path, run.info, run.messages);
}

void ExpectReadmeError(const ReadmeRun& run) {
    EXPECT_FALSE(run.ok);
    ASSERT_EQ(run.messages.shown.size(), 1u);
    const platform::Message& message = run.messages.shown[0];
    EXPECT_EQ(message.text, "Error while extracting values from \"Readme.txt\" file");
    EXPECT_EQ(message.icon, platform::MessageIcon::Critical);
    EXPECT_EQ(message.buttons, platform::MessageButtons::Ok);
    EXPECT_EQ(message.title, ""); // the application's title
    EXPECT_TRUE(run.info.CpuNames.empty());
}

TEST(ReadCabwizCommandTest, WizardReadme) {
    TempDir dir;
    const std::string readme = dir.file("Readme.txt");
    WriteText(readme, WizardReadme(kCabwizLine));
    ReadmeRun run;
    RunReadme(run, readme);
    EXPECT_TRUE(run.ok);
    EXPECT_TRUE(run.messages.shown.empty());
    EXPECT_EQ(run.info.CabwizCommand, kCabwizLine);
    EXPECT_EQ(run.info.CabwizProgram, "C:\\Program Files\\Microsoft Visual Studio\\VB98\\Wince\\cabwiz.exe");
    EXPECT_EQ(run.info.InfPath, "C:\\Setup\\MyApp.inf");
    EXPECT_EQ(run.info.CpuNames, (Names{"sh3", "mips", "arm"}));
}

TEST(ReadCabwizCommandTest, AllProcessorsAndUnquotedPaths) {
    TempDir dir;
    const std::string readme = dir.file("Readme.txt");
    const std::string line =
        "C:\\VB98\\Wince\\cabwiz.exe C:\\Setup\\Tools.inf /err CabWiz.log /cpu  sh3 sh4  mips arm ppc x86  ";
    WriteText(readme, WizardReadme(line));
    ReadmeRun run;
    RunReadme(run, readme);
    EXPECT_TRUE(run.ok);
    EXPECT_EQ(run.info.CabwizCommand, line);
    EXPECT_EQ(run.info.CabwizProgram, "C:\\VB98\\Wince\\cabwiz.exe");
    EXPECT_EQ(run.info.InfPath, "C:\\Setup\\Tools.inf");
    EXPECT_EQ(run.info.CpuNames, (Names{"sh3", "sh4", "mips", "arm", "ppc", "x86"}));
}

TEST(ReadCabwizCommandTest, FirstLineWithCabwizInLowerCaseWins) {
    TempDir dir;
    const std::string readme = dir.file("Readme.txt");
    WriteText(readme, "CABWIZ.EXE \"C:\\Other.inf\" /cpu arm\r\n" + std::string(kCabwizLine) +
                          "\r\n\"D:\\cabwiz.exe\" \"D:\\Second.inf\" /cpu mips\r\n");
    ReadmeRun run;
    RunReadme(run, readme);
    EXPECT_TRUE(run.ok);
    EXPECT_EQ(run.info.InfPath, "C:\\Setup\\MyApp.inf");
}

TEST(ReadCabwizCommandTest, LineEndingsOfOtherKinds) {
    TempDir dir;
    const std::string readme = dir.file("Readme.txt");
    WriteText(readme, "Application Install Wizard\n\n" + std::string(kCabwizLine) + "\n");
    ReadmeRun run;
    RunReadme(run, readme);
    EXPECT_TRUE(run.ok);
    EXPECT_EQ(run.info.CabwizCommand, kCabwizLine);
    EXPECT_EQ(run.info.CpuNames, (Names{"sh3", "mips", "arm"}));
}

TEST(ReadCabwizCommandTest, WithoutCpuOptionNoProcessors) {
    TempDir dir;
    const std::string readme = dir.file("Readme.txt");
    const std::string line = "\"C:\\Wince\\cabwiz.exe\" \"C:\\Setup\\MyApp.inf\" /err CabWiz.log";
    WriteText(readme, WizardReadme(line));
    ReadmeRun run;
    RunReadme(run, readme);
    EXPECT_TRUE(run.ok);
    EXPECT_TRUE(run.messages.shown.empty());
    EXPECT_EQ(run.info.InfPath, "C:\\Setup\\MyApp.inf");
    EXPECT_TRUE(run.info.CpuNames.empty());
}

TEST(ReadCabwizCommandTest, CpuOptionWithoutNames) {
    TempDir dir;
    const std::string readme = dir.file("Readme.txt");
    WriteText(readme, WizardReadme("\"C:\\Wince\\cabwiz.exe\" \"C:\\Setup\\MyApp.inf\" /cpu   "));
    ReadmeRun run;
    RunReadme(run, readme);
    EXPECT_TRUE(run.ok);
    EXPECT_TRUE(run.info.CpuNames.empty());
}

TEST(ReadCabwizCommandTest, CpuOptionMatchesCase) {
    TempDir dir;
    const std::string readme = dir.file("Readme.txt");
    WriteText(readme, WizardReadme("\"C:\\Wince\\cabwiz.exe\" \"C:\\Setup\\MyApp.inf\" /CPU sh3 arm"));
    ReadmeRun run;
    RunReadme(run, readme);
    EXPECT_TRUE(run.ok);
    EXPECT_TRUE(run.info.CpuNames.empty());
}

TEST(ReadCabwizCommandTest, ProcessorNamesEndAtTheNextOption) {
    TempDir dir;
    const std::string readme = dir.file("Readme.txt");
    WriteText(readme,
              WizardReadme("\"C:\\Wince\\cabwiz.exe\" \"C:\\Setup\\MyApp.inf\" /cpu sh3 arm /compress /err x.log"));
    ReadmeRun run;
    RunReadme(run, readme);
    EXPECT_TRUE(run.ok);
    EXPECT_EQ(run.info.CpuNames, (Names{"sh3", "arm"}));
}

TEST(ReadCabwizCommandTest, CpuInsideTheFirstTwoTokensIsNotTheOption) {
    TempDir dir;
    const std::string readme = dir.file("Readme.txt");
    WriteText(readme, WizardReadme("\"C:\\x/cpu y\\cabwiz.exe\" \"C:\\Setup/cpu z\\MyApp.inf\" /err log"));
    ReadmeRun run;
    RunReadme(run, readme);
    EXPECT_TRUE(run.ok);
    EXPECT_EQ(run.info.InfPath, "C:\\Setup/cpu z\\MyApp.inf");
    EXPECT_TRUE(run.info.CpuNames.empty());
}

TEST(ReadCabwizCommandTest, MissingEmptyOrUnreadableReadme) {
    TempDir dir;
    WriteText(dir.file("Empty.txt"), "");
    for (const std::string& path :
         {dir.file("Missing.txt"), dir.file("Empty.txt"), dir.path().string()}) {
        ReadmeRun run;
        RunReadme(run, path);
        ExpectReadmeError(run);
        EXPECT_EQ(run.info.CabwizCommand, "");
        EXPECT_EQ(run.info.InfPath, "");
    }
}

TEST(ReadCabwizCommandTest, NoLineWithCabwizInLowerCase) {
    TempDir dir;
    const std::string readme = dir.file("Readme.txt");
    WriteText(readme, WizardReadme("\"C:\\Wince\\CABWIZ.EXE\" \"C:\\Setup\\MyApp.inf\" /cpu arm"));
    ReadmeRun run;
    RunReadme(run, readme);
    ExpectReadmeError(run);
    EXPECT_EQ(run.info.CabwizCommand, "");
}

TEST(ReadCabwizCommandTest, LineWithOneTokenOnly) {
    TempDir dir;
    const std::string readme = dir.file("Readme.txt");
    const std::string line = "\"C:\\Wince\\cabwiz.exe\"   ";
    WriteText(readme, WizardReadme(line));
    ReadmeRun run;
    RunReadme(run, readme);
    ExpectReadmeError(run);
    EXPECT_EQ(run.info.CabwizCommand, line); // still the line found
    EXPECT_EQ(run.info.CabwizProgram, "C:\\Wince\\cabwiz.exe");
    EXPECT_EQ(run.info.InfPath, "");
}

TEST(ReadCabwizCommandTest, UnclosedQuote) {
    TempDir dir;
    const std::string readme = dir.file("Readme.txt");
    WriteText(readme, WizardReadme("\"C:\\Wince\\cabwiz.exe\" \"C:\\Setup\\MyApp.inf /cpu arm"));
    ReadmeRun run;
    RunReadme(run, readme);
    ExpectReadmeError(run); // the second token opens a quote that is never closed
    EXPECT_EQ(run.info.CabwizProgram, "C:\\Wince\\cabwiz.exe");
}

// ---- profile files ------------------------------------------------------------------------

// An INF as the VBCE Application Install Wizard writes it (abridged), lines ending in CR LF.
const std::string kWizardInf =
    "[Version]\r\n"
    "Signature = \"$Windows NT$\"\r\n"
    "Provider = \"Microsoft\"\r\n"
    "CESignature = \"$Windows CE$\"\r\n"
    "\r\n"
    "[CEStrings]\r\n"
    "AppName = \"MyApp\"\r\n"
    "InstallDir = %CE1%\\%AppName%\r\n"
    "\r\n"
    "[Strings]\r\n"
    "; strings used by the sections below\r\n"
    "VBDir = \"%CE2%\"\r\n"
    "Greeting = \"Say \"hello\"\"\r\n"
    "Formula = a=b+c\r\n"
    "\r\n"
    "[CEDevice.SH3]\r\n"
    "ProcessorType = 10003\r\n"
    "\r\n"
    "[CEDevice.MIPS]\r\n"
    "ProcessorType=4000\r\n"
    "\r\n"
    "[DefaultInstall]\r\n"
    "CEShortcuts = Shortcuts\r\n"
    "CopyFiles = Files.Common\r\n"
    "\r\n"
    "[DefaultInstall.SH3]\r\n"
    "CopyFiles = Files.SH3\r\n"
    "\r\n"
    "[DefaultInstall.MIPS]\r\n"
    "CopyFiles = Files.MIPS\r\n"
    "\r\n"
    "[SourceDisksNames]\r\n"
    "1 = ,\"Common1\",,App\r\n"
    "\r\n"
    "[SourceDisksNames.SH3]\r\n"
    "2 = ,\"SH3 Files\",,SH3\r\n"
    "4 = ,\"SH3 Runtime\",,SH3\\Runtime\r\n"
    "3 = ,\"SH3 Controls\",,SH3\\Controls\r\n"
    "\r\n"
    "[SourceDisksFiles]\r\n"
    "MyApp.vb = 1\r\n"
    "\r\n"
    "[DestinationDirs]\r\n"
    "Files.Common = 0,%InstallDir%\r\n"
    "Shortcuts = 0,%CE11%\r\n"
    "DefaultDestDir = 0,%InstallDir%\r\n"
    "\r\n"
    "[Files.Common]\r\n"
    "MyApp.vb,,,0\r\n"
    "\r\n"
    "[Shortcuts]\r\n"
    "MyApp,0,MyApp.vb\r\n";

class ProfileTest : public testing::Test {
protected:
    void SetUp() override { WriteText(inf, kWizardInf); }

    std::string Read(const std::string& section, const std::string& key) const {
        return ReadProfileString(inf, section, key);
    }

    // The wizard's INF with one text replaced by another (which must occur exactly once).
    static std::string Edited(const std::string& from, const std::string& to) {
        std::string text = kWizardInf;
        const std::size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        EXPECT_EQ(text.find(from, at + 1), std::string::npos) << from;
        return text.replace(at, from.size(), to);
    }

    TempDir dir;
    const std::string inf = dir.file("MyApp.inf");
};

TEST_F(ProfileTest, ReadsValuesWithoutBlanksAndEnclosingQuotes) {
    EXPECT_EQ(Read("Version", "Signature"), "$Windows NT$");
    EXPECT_EQ(Read("CEStrings", "InstallDir"), "%CE1%\\%AppName%");
    EXPECT_EQ(Read("CEDevice.SH3", "ProcessorType"), "10003");
    EXPECT_EQ(Read("CEDevice.MIPS", "ProcessorType"), "4000");
    EXPECT_EQ(Read("SourceDisksNames.SH3", "2"), ",\"SH3 Files\",,SH3"); // quotes inside stay
    EXPECT_EQ(Read("Strings", "Greeting"), "Say \"hello\""); // one enclosing pair removed
    EXPECT_EQ(Read("Strings", "Formula"), "a=b+c"); // split at the first "="
    EXPECT_EQ(Read("DestinationDirs", "Shortcuts"), "0,%CE11%");
}

TEST_F(ProfileTest, SectionsAndKeysMatchWithoutRegardToCase) {
    EXPECT_EQ(Read("defaultinstall.sh3", "COPYFILES"), "Files.SH3");
    EXPECT_EQ(Read("DEFAULTINSTALL", "copyfiles"), "Files.Common");
    EXPECT_EQ(Read("cedevice.mips", "processortype"), "4000");
}

TEST_F(ProfileTest, MissingSectionKeyOrFileReadsAsEmpty) {
    EXPECT_EQ(Read("DefaultInstall.ARM", "CopyFiles"), "");
    EXPECT_EQ(Read("DefaultInstall", "AddReg"), "");
    EXPECT_EQ(Read("Files.Common", "MyApp.vb,,,0"), ""); // a line without "=" is no key
    EXPECT_EQ(Read("Strings", "; strings used by the sections below"), "");
    EXPECT_EQ(Read("Version", ""), "");
    EXPECT_EQ(ReadProfileString(dir.file("missing.inf"), "Version", "Signature"), "");
    EXPECT_TRUE(ReadProfileKeys(dir.file("missing.inf"), "Version").empty());
    EXPECT_EQ(ReadProfileString(dir.file("no folder/x.inf"), "Version", "Signature"), "");
    EXPECT_FALSE(fs::exists(dir.file("missing.inf")));
}

TEST_F(ProfileTest, UnreadableFileThrows) {
    EXPECT_THROW(ReadProfileString(dir.path().string(), "Version", "Signature"), Error);
}

TEST_F(ProfileTest, KeyListInFileOrder) {
    EXPECT_EQ(ReadProfileKeys(inf, "sourcedisksnames.sh3"), (Names{"2", "4", "3"}));
    EXPECT_EQ(ReadProfileKeys(inf, "Strings"), (Names{"VBDir", "Greeting", "Formula"}));
    EXPECT_TRUE(ReadProfileKeys(inf, "Files.Common").empty()); // lines without "="
    EXPECT_TRUE(ReadProfileKeys(inf, "Nothing").empty());
}

TEST_F(ProfileTest, CommentsSectionHeadersAndDuplicateKeys) {
    WriteText(inf,
              "; a comment before any section\r\n"
              "Orphan = 1\r\n"
              "  [ Strings ]  \r\n"
              ";IconFile = commented.dll\r\n"
              "  ; IconFile = also commented.dll\r\n"
              "IconFile = first.dll\r\n"
              "\tICONFILE\t=\tsecond.dll\t\r\n"
              "=no name\r\n"
              "[Strings]\r\n"
              "IconFile = second section.dll\r\n"
              "Other = x\r\n");
    EXPECT_EQ(Read("Strings", "IconFile"), "first.dll");
    EXPECT_EQ(Read("Strings", "Other"), ""); // only the first section of a name is used
    EXPECT_EQ(ReadProfileKeys(inf, "strings"), (Names{"IconFile", "ICONFILE"}));
    EXPECT_EQ(Read("", "Orphan"), "");

    WriteProfileString(inf, "Strings", "iconfile", "Icons.dll");
    EXPECT_EQ(ReadText(inf),
              "; a comment before any section\r\n"
              "Orphan = 1\r\n"
              "  [ Strings ]  \r\n"
              ";IconFile = commented.dll\r\n"
              "  ; IconFile = also commented.dll\r\n"
              "IconFile=Icons.dll\r\n"
              "\tICONFILE\t=\tsecond.dll\t\r\n"
              "=no name\r\n"
              "[Strings]\r\n"
              "IconFile = second section.dll\r\n"
              "Other = x\r\n");
}

TEST_F(ProfileTest, ReplacedEntryKeepsItsPlaceAndSpelling) {
    WriteProfileString(inf, "defaultinstall.sh3", "COPYFILES", "Files.SH3, Icons.SH3");
    EXPECT_EQ(ReadText(inf), Edited("CopyFiles = Files.SH3\r\n", "CopyFiles=Files.SH3, Icons.SH3\r\n"));
    EXPECT_EQ(Read("DefaultInstall.SH3", "CopyFiles"), "Files.SH3, Icons.SH3");
    EXPECT_EQ(ReadProfileKeys(inf, "DefaultInstall.SH3"), Names{"CopyFiles"});
}

TEST_F(ProfileTest, NewKeyGoesAfterTheLastEntryBeforeTheBlankLines) {
    WriteProfileString(inf, "DefaultInstall", "AddReg", "RegSettings");
    EXPECT_EQ(ReadText(inf), Edited("CopyFiles = Files.Common\r\n\r\n",
                                    "CopyFiles = Files.Common\r\nAddReg=RegSettings\r\n\r\n"));
    WriteProfileString(inf, "DestinationDirs", "Icons.SH3", ",%InstallDir%");
    EXPECT_EQ(Read("DestinationDirs", "Icons.SH3"), ",%InstallDir%");
    EXPECT_EQ(ReadProfileKeys(inf, "DestinationDirs"),
              (Names{"Files.Common", "Shortcuts", "DefaultDestDir", "Icons.SH3"}));
}

TEST_F(ProfileTest, NewKeyInASectionWithOnlyCommentsOrNothing) {
    WriteText(inf, "[A]\r\n\r\n[B]\r\n; only a comment\r\n\r\n\r\n[C]\r\n");
    WriteProfileString(inf, "A", "k", "1");
    WriteProfileString(inf, "B", "k", "2");
    WriteProfileString(inf, "C", "k", "3");
    EXPECT_EQ(ReadText(inf), "[A]\r\nk=1\r\n\r\n[B]\r\n; only a comment\r\nk=2\r\n\r\n\r\n[C]\r\nk=3\r\n");
}

TEST_F(ProfileTest, NewSectionGoesAtTheEndOfTheFile) {
    WriteProfileString(inf, "SourceDisksNames.MIPS", "2", ",\"MIPS Icons\",,Icons\\MIPS");
    EXPECT_EQ(ReadText(inf), kWizardInf + "[SourceDisksNames.MIPS]\r\n2=,\"MIPS Icons\",,Icons\\MIPS\r\n");
    EXPECT_EQ(Read("SourceDisksNames.MIPS", "2"), ",\"MIPS Icons\",,Icons\\MIPS");
}

TEST_F(ProfileTest, LastLineWithoutLineEnd) {
    WriteText(inf, "[Strings]\r\nAppName = MyApp");
    WriteProfileString(inf, "Strings", "IconFile", "Icons.dll");
    EXPECT_EQ(ReadText(inf), "[Strings]\r\nAppName = MyApp\r\nIconFile=Icons.dll\r\n");

    WriteText(inf, "[Strings]\r\nAppName = MyApp");
    WriteProfileString(inf, "Other", "k", "v");
    EXPECT_EQ(ReadText(inf), "[Strings]\r\nAppName = MyApp\r\n[Other]\r\nk=v\r\n");

    WriteText(inf, "[Strings]\r\nAppName = MyApp");
    WriteProfileString(inf, "Strings", "appname", "Other");
    EXPECT_EQ(ReadText(inf), "[Strings]\r\nAppName=Other\r\n");
}

TEST_F(ProfileTest, MissingFileIsCreated) {
    const std::string fresh = dir.file("fresh.inf");
    WriteProfileString(fresh, "Strings", "IconFile", "Icons.dll");
    EXPECT_EQ(ReadText(fresh), "[Strings]\r\nIconFile=Icons.dll\r\n");
    WriteText(fresh, "");
    WriteProfileString(fresh, "Strings", "IconFile", "Icons.dll");
    EXPECT_EQ(ReadText(fresh), "[Strings]\r\nIconFile=Icons.dll\r\n");
}

TEST_F(ProfileTest, OtherLinesStayByteForByte) {
    const std::string original =
        "; Setup INF\n"
        "[Strings]   \r"
        "  AppName =   \"My App\"   \r\n"
        "\t\r\n"
        "Odd line without equals\r\n"
        "   \r\n"
        "[DefaultInstall]\r\n"
        "CopyFiles=Files.Common\n"
        "\r\n";
    WriteText(inf, original);
    EXPECT_EQ(Read("Strings", "AppName"), "My App");
    WriteProfileString(inf, "Strings", "IconFile", "Icons.dll");
    EXPECT_EQ(ReadText(inf),
              "; Setup INF\n"
              "[Strings]   \r"
              "  AppName =   \"My App\"   \r\n"
              "\t\r\n"
              "Odd line without equals\r\n"
              "IconFile=Icons.dll\r\n"
              "   \r\n"
              "[DefaultInstall]\r\n"
              "CopyFiles=Files.Common\n"
              "\r\n");
}

TEST_F(ProfileTest, ValuesWithQuotesAndEqualsAreWrittenAsGiven) {
    const std::string icon = "\"%InstallDir%\\%IconFile%,0\"";
    WriteProfileString(inf, "Strings", "Quoted", icon);
    WriteProfileString(inf, "Strings", "Formula", "x=y=z");
    EXPECT_EQ(Read("Strings", "Quoted"), "%InstallDir%\\%IconFile%,0");
    EXPECT_EQ(Read("Strings", "Formula"), "x=y=z");
    const std::string text = ReadText(inf);
    EXPECT_NE(text.find("\r\nQuoted=" + icon + "\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nFormula=x=y=z\r\n"), std::string::npos);
    WriteProfileString(inf, "Strings", "Empty", "");
    EXPECT_EQ(Read("Strings", "Empty"), "");
    EXPECT_EQ(ReadProfileKeys(inf, "Strings"), (Names{"VBDir", "Greeting", "Formula", "Quoted", "Empty"}));
}

TEST_F(ProfileTest, LongValuesAreNotCut) {
    std::string files = "Files.Common";
    for (int i = 0; i < 40; ++i) {
        files += ", Files.Extra" + std::to_string(i);
    }
    ASSERT_GT(files.size(), 500u);
    WriteProfileString(inf, "DefaultInstall.SH3", "CopyFiles", files);
    const std::string read = Read("DefaultInstall.SH3", "CopyFiles");
    EXPECT_EQ(read, files);
    // Read, extend, write back: nothing is lost.
    WriteProfileString(inf, "DefaultInstall.SH3", "CopyFiles", read + ", Icons.SH3");
    EXPECT_EQ(Read("DefaultInstall.SH3", "CopyFiles"), files + ", Icons.SH3");
}

TEST_F(ProfileTest, LongKeyListsAreNotCut) {
    Names keys;
    std::size_t total = 0;
    for (int i = 0; i < 60; ++i) {
        keys.push_back("SomeRatherLongKeyName" + std::to_string(i));
        total += keys.back().size() + 1;
        WriteProfileString(inf, "Strings.Many", keys.back(), std::to_string(i));
    }
    ASSERT_GT(total, 255u);
    EXPECT_EQ(ReadProfileKeys(inf, "Strings.Many"), keys);
}

TEST_F(ProfileTest, WritingTheSameValueTwiceChangesNothingMore) {
    WriteProfileString(inf, "Strings", "IconFile", "Icons.dll");
    const std::string once = ReadText(inf);
    WriteProfileString(inf, "strings", "ICONFILE", "Icons.dll");
    EXPECT_EQ(ReadText(inf), once);
}

TEST_F(ProfileTest, SectionNamesMatchWhole) {
    WriteProfileString(inf, "DefaultInstall", "CopyFiles", "Replaced");
    EXPECT_EQ(Read("DefaultInstall.SH3", "CopyFiles"), "Files.SH3");
    EXPECT_EQ(Read("DefaultInstall", "CopyFiles"), "Replaced");
}

TEST_F(ProfileTest, WriteFailureThrowsAndLeavesTheFile) {
    fs::permissions(inf, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    try {
        WriteProfileString(inf, "Strings", "IconFile", "Icons.dll");
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_NE(std::string(error.what()).find(inf), std::string::npos) << error.what();
        EXPECT_NE(std::string(error.what()).find("read-only"), std::string::npos) << error.what();
    }
    EXPECT_EQ(ReadText(inf), kWizardInf);

    const std::string nowhere = dir.file("no folder/x.inf");
    try {
        WriteProfileString(nowhere, "Strings", "IconFile", "Icons.dll");
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_NE(std::string(error.what()).find(nowhere), std::string::npos) << error.what();
    }
    EXPECT_THROW(WriteProfileString(dir.path().string(), "Strings", "IconFile", "x"), Error);

    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir.path())) {
        ++files;
    }
    EXPECT_EQ(files, 1u); // no temporary file left
}

TEST_F(ProfileTest, NamesAndValuesThatCannotBeWrittenThrow) {
    EXPECT_THROW(WriteProfileString(inf, "Strings", "", "x"), Error);
    EXPECT_THROW(WriteProfileString(inf, "Strings", "a=b", "x"), Error);
    EXPECT_THROW(WriteProfileString(inf, "Strings", ";key", "x"), Error);
    EXPECT_THROW(WriteProfileString(inf, "", "key", "x"), Error);
    EXPECT_THROW(WriteProfileString(inf, "Str]ings", "key", "x"), Error);
    EXPECT_THROW(WriteProfileString(inf, "Strings", "key", "two\r\nlines"), Error);
    EXPECT_THROW(WriteProfileString(inf, "Strings", "key", "lf\nonly"), Error);
    EXPECT_EQ(ReadText(inf), kWizardInf);
}

// The edits of the setup rewrite for one processor, on the wizard's INF.
TEST_F(ProfileTest, SetupRewriteEditsForOneProcessor) {
    const std::string cpu = "SH3";
    const std::string copyFiles = Read("DefaultInstall." + cpu, "CopyFiles");
    WriteProfileString(inf, "DefaultInstall." + cpu, "CopyFiles", copyFiles + ", Icons." + cpu);
    WriteProfileString(inf, "DestinationDirs", "Icons." + cpu, ",%InstallDir%");
    const Names disks = ReadProfileKeys(inf, "SourceDisksNames." + cpu);
    ASSERT_FALSE(disks.empty());
    const std::string n = std::to_string(std::stoi(disks.back()) + 1); // last in file order: 3
    ASSERT_EQ(n, "4");
    WriteProfileString(inf, "SourceDisksNames." + cpu, n, ",\"" + cpu + " Icons\",,Icons\\" + cpu);
    WriteProfileString(inf, "SourceDisksFiles." + cpu, "%IconFile%", n);
    WriteProfileString(inf, "Strings", "IconFile", "Icons.dll");
    WriteProfileString(inf, "DefaultInstall", "AddReg", "RegSettings");

    std::string expected = kWizardInf;
    const auto replace = [&](const std::string& from, const std::string& to) {
        const std::size_t at = expected.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        expected.replace(at, from.size(), to);
    };
    replace("CopyFiles = Files.SH3\r\n", "CopyFiles=Files.SH3, Icons.SH3\r\n");
    replace("DefaultDestDir = 0,%InstallDir%\r\n",
            "DefaultDestDir = 0,%InstallDir%\r\nIcons.SH3=,%InstallDir%\r\n");
    replace("4 = ,\"SH3 Runtime\",,SH3\\Runtime\r\n", "4=,\"SH3 Icons\",,Icons\\SH3\r\n");
    replace("Formula = a=b+c\r\n", "Formula = a=b+c\r\nIconFile=Icons.dll\r\n");
    replace("CopyFiles = Files.Common\r\n", "CopyFiles = Files.Common\r\nAddReg=RegSettings\r\n");
    expected += "[SourceDisksFiles.SH3]\r\n%IconFile%=4\r\n";
    EXPECT_EQ(ReadText(inf), expected);
}

} // namespace
} // namespace gw

#include "common/error.h"
#include "setup/inf_module.h"
#include "support/test_support.h"

#include <array>
#include <filesystem>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <vector>

namespace gw {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;
using namespace test;

TEST(NextTokenTest, QuotedAndPlainTokens) {
    // text, token, what is left; an empty token means the call fails.
    const std::vector<std::array<std::string, 3>> cases = {{"\"  padded \" rest", "padded", "rest"},
                                                           {"\"a b\"cd ef", "a b", "cd ef"},
                                                           {"ab\"c d\" e", "ab", "\"c d\" e"},
                                                           {"\ta\tb  c ", "\ta\tb", "c"},
                                                           {"  \"\"  next", "", ""}};
    for (const auto& [text, token, rest] : cases) {
        std::string left = text;
        bool failed = !token.empty();
        EXPECT_EQ(NextToken(left, failed), token) << text;
        EXPECT_EQ(failed, token.empty()) << text;
        if (!failed) {
            EXPECT_EQ(left, rest) << text;
        }
    }
}

TEST(ReadCabwizCommandTest, TakesTheCommandLineApartOrShowsTheErrorOnce) {
    const std::string vb = "\"C:\\Program Files\\cabwiz.exe\" \"C:\\Setup\\My.inf\"";
    const std::string exe = "C:\\Program Files\\cabwiz.exe", inf = "C:\\Setup\\My.inf";
    // The README line and what is expected from it: no program when no line holds "cabwiz", no
    // INF path when the line is unusable.
    const std::vector<CabwizInfo> cases = {
        {vb + " /err CabWiz.log /cpu sh3 mips arm", exe, inf, {"sh3", "mips", "arm"}},
        {"D:\\cabwiz.exe T.inf /cpu  sh3  x86  ", "D:\\cabwiz.exe", "T.inf", {"sh3", "x86"}},
        {vb + " /cpu sh3 arm /compress /err x.log", exe, inf, {"sh3", "arm"}},
        {vb + " /err CabWiz.log", exe, inf, {}},
        {vb + " /cpu   ", exe, inf, {}},
        {vb + " /CPU sh3 arm", exe, inf, {}},
        {"\"C:\\/cpu\\cabwiz.exe\" \"/cpu a\" /err x", "C:\\/cpu\\cabwiz.exe", "/cpu a", {}},
        {"\"C:\\cabwiz.exe\" \"C:\\My.inf /cpu arm", "C:\\cabwiz.exe", "", {}},
        {"\"C:\\CABWIZ.EXE\" \"C:\\My.inf\" /cpu arm", "", "", {}}};
    TempDir dir;
    const auto check = [](const std::string& path, const CabwizInfo& expected) {
        SCOPED_TRACE(path + ": " + expected.CabwizCommand);
        CabwizInfo info{"stale", "stale", "stale", {"stale"}};
        RecordingMessages messages;
        EXPECT_EQ(ReadCabwizCommand(path, info, messages), !expected.InfPath.empty());
        EXPECT_EQ(info.CabwizCommand, expected.CabwizProgram.empty() ? "" : expected.CabwizCommand);
        EXPECT_EQ(info.CabwizProgram, expected.CabwizProgram);
        EXPECT_EQ(info.InfPath, expected.InfPath);
        EXPECT_EQ(info.CpuNames, expected.CpuNames);
        ASSERT_EQ(messages.shown.size(), expected.InfPath.empty() ? 1u : 0u);
        for (const platform::Message& message : messages.shown) {
            EXPECT_EQ(message.text, "Error while extracting values from \"Readme.txt\" file");
            EXPECT_EQ(message.icon, platform::MessageIcon::Critical);
        }
    };
    for (const CabwizInfo& c : cases) {
        // The lines before the command name CABWIZ.EXE and CabWiz.log: neither is the command.
        WriteText(dir.file("Readme.txt"),
                  "Install Wizard\r\n\r\nMyApp.inf is read by CABWIZ.EXE.\r\n"
                  "Errors go to CabWiz.log. Run:\r\n\r\n" +
                      c.CabwizCommand + "\r\n\r\nThen copy the .CAB files.\r\n");
        check(dir.file("Readme.txt"), c);
    }
    for (const std::string& path : {dir.file("None.txt"), dir.path().string()}) {
        check(path, CabwizInfo{}); // a missing README, and one that cannot be read
    }
}

// An INF as the install wizard writes it (abridged), lines ending in CR LF.
const std::string kWizardInf =
    "[Version]\r\nSignature = \"$Windows NT$\"\r\n\r\n"
    "[Strings]\r\n; IconFile = set by the setup\r\nAppName = \"MyApp\"\r\n"
    "Greeting = \"Say \"hello\"\"\r\nFormula = a=b+c\r\n\r\n"
    "[DefaultInstall]\r\nCopyFiles = Files.Common\r\n\r\n"
    "[DefaultInstall.SH3]\r\nCopyFiles = Files.SH3\r\n\r\n"
    "[SourceDisksNames.SH3]\r\n2 = ,\"SH3 Files\",,SH3\r\n4 = ,\"SH3 Runtime\",,SH3\\Runtime\r\n"
    "3 = ,\"SH3 Controls\",,SH3\\Controls\r\n\r\n"
    "[Files.Common]\r\nMyApp.vb,,,0\r\n";

class ProfileTest : public testing::Test {
protected:
    void SetUp() override { WriteText(inf, kWizardInf); }
    TempDir dir;
    const std::string inf = dir.file("MyApp.inf");
};

TEST_F(ProfileTest, ReadsAndEditsTheWizardInf) {
    // Blanks and one pair of enclosing quotes go; quotes inside and every "=" after the first stay.
    const std::vector<std::array<std::string, 3>> reads = {
        {"Version", "Signature", "$Windows NT$"},
        {"defaultinstall.sh3", "COPYFILES", "Files.SH3"},
        {"SourceDisksNames.SH3", "2", ",\"SH3 Files\",,SH3"},
        {"Strings", "Greeting", "Say \"hello\""},
        {"Strings", "Formula", "a=b+c"},
        {"DefaultInstall.ARM", "CopyFiles", ""},
        {"DefaultInstall", "AddReg", ""}};
    for (const auto& [section, key, value] : reads) {
        EXPECT_EQ(ReadProfileString(inf, section, key), value) << section << " " << key;
    }
    EXPECT_EQ(ReadProfileKeys(inf, "sourcedisksnames.sh3"), (Names{"2", "4", "3"}));
    EXPECT_EQ(ReadProfileKeys(inf, "Strings"), (Names{"AppName", "Greeting", "Formula"}));
    EXPECT_TRUE(ReadProfileKeys(inf, "Files.Common").empty());
    EXPECT_EQ(ReadProfileString(dir.file("missing.inf"), "Version", "Signature"), "");
    EXPECT_THROW(ReadProfileString(dir.path().string(), "Version", "Signature"), Error);

    // The edits the setup rewrite makes for one processor: every line not written stays as it
    // was, and a value and a key list far beyond 255 characters go in and come back whole.
    std::string files = "Files.SH3", added = "[SourceDisksFiles.SH3]\r\n";
    Names keys;
    for (int i = 0; i < 30; ++i) {
        files += ", Icons.SH3." + std::to_string(i);
        keys.push_back("SomeRatherLongKeyName" + std::to_string(i));
        WriteProfileString(inf, "SourceDisksFiles.SH3", keys.back(), "1");
        added += keys.back() + "=1\r\n";
    }
    WriteProfileString(inf, "defaultinstall.sh3", "COPYFILES", files);
    WriteProfileString(inf, "DefaultInstall.SH3", "CopyFiles",
                       ReadProfileString(inf, "DefaultInstall.SH3", "CopyFiles") + ", X");
    WriteProfileString(inf, "SourceDisksNames.SH3", "5", ",\"SH3 Icons\",,Icons\\SH3");
    WriteProfileString(inf, "Strings", "IconPath", "\"%InstallDir%\\Icons.dll,0\"");
    WriteProfileString(inf, "Strings", "Formula", "x=y=z");
    std::string expected = kWizardInf + added;
    const auto replace = [&](const std::string& from, const std::string& to) {
        expected.replace(expected.find(from), from.size(), to);
    };
    replace("CopyFiles = Files.SH3\r\n", "CopyFiles=" + files + ", X\r\n");
    replace("Controls\r\n", "Controls\r\n5=,\"SH3 Icons\",,Icons\\SH3\r\n");
    replace("Formula = a=b+c\r\n", "Formula=x=y=z\r\nIconPath=\"%InstallDir%\\Icons.dll,0\"\r\n");
    EXPECT_EQ(ReadText(inf), expected);
    EXPECT_EQ(ReadProfileKeys(inf, "SourceDisksFiles.SH3"), keys);
}

TEST_F(ProfileTest, WritesKeepOtherLinesByteForByte) {
    // before, section, key, after writing key=v
    const std::vector<std::array<std::string, 4>> cases = {
        {"; Setup\n[S]   \r  A =  x  \r\n\t\r\nOdd line\r\n   \r\n[T]\r\nB=1\n\r\n", "s", "K",
         "; Setup\n[S]   \r  A =  x  \r\n\t\r\nOdd line\r\nK=v\r\n   \r\n[T]\r\nB=1\n\r\n"},
        {"[S]\r\n;IconFile = c\r\nIconFile = 1\r\n\tICONFILE\t=\t2\t\r\n[S]\r\nI=3\r\n", "s",
         "iconfile", "[S]\r\n;IconFile = c\r\nIconFile=v\r\n\tICONFILE\t=\t2\t\r\n[S]\r\nI=3\r\n"},
        {"[A]\r\n\r\n[B]\r\n", "A", "k", "[A]\r\nk=v\r\n\r\n[B]\r\n"},
        {"[S]\r\nA = 1", "S", "K", "[S]\r\nA = 1\r\nK=v\r\n"},
        {"[S]\r\nA = 1", "T", "k", "[S]\r\nA = 1\r\n[T]\r\nk=v\r\n"},
        {"[S]\r\nA = 1\n", "s", "a", "[S]\r\nA=v\r\n"},
        {"", "S", "k", "[S]\r\nk=v\r\n"}};
    for (const auto& [before, section, key, after] : cases) {
        WriteText(inf, before);
        WriteProfileString(inf, section, key, "v");
        EXPECT_EQ(ReadText(inf), after) << testing::PrintToString(before);
    }
}

TEST_F(ProfileTest, WriteFailuresThrowAndLeaveTheFile) {
    const std::vector<std::array<std::string, 3>> unwritable = {
        {"S", "", "x"},   {"S", "a=b", "x"},    {"S", ";k", "x"},  {"", "k", "x"},
        {"S]", "k", "x"}, {"S", "k", "a\r\nb"}, {"S", "k", "a\nb"}};
    for (const auto& [section, key, value] : unwritable) {
        EXPECT_THROW(WriteProfileString(inf, section, key, value), Error) << section << key;
    }
    EXPECT_THROW(WriteProfileString(dir.file("no folder/x.inf"), "S", "k", "v"), Error);
    fs::permissions(inf, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    try {
        WriteProfileString(inf, "Strings", "IconFile", "Icons.dll");
        ADD_FAILURE() << "no error";
    } catch (const Error& error) {
        EXPECT_NE(std::string(error.what()).find(inf), std::string::npos) << error.what();
    }
    EXPECT_EQ(ReadText(inf), kWizardInf);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1); // no temporary file
}

} // namespace
} // namespace gw

#include "common/error.h"
#include "common/text.h"
#include "setup/cabwiz_command.h"
#include "support/test_support.h"

#include <array>
#include <gtest/gtest.h>

namespace gw {
namespace {

TEST(NextTokenTest, QuotedAndPlainTokens) {
    // text, token, what is left; an empty token means there is none.
    const std::vector<std::array<std::string, 3>> cases = {{"\"  padded \" rest", "padded", "rest"},
                                                           {"\"a b\"cd ef", "a b", "cd ef"},
                                                           {"ab\"c d\" e", "ab", "\"c d\" e"},
                                                           {"\ta\tb  c ", "\ta\tb", "c"},
                                                           {"  \"\"  next", "", ""},
                                                           {"\"open", "", ""},
                                                           {"   ", "", ""}};
    for (const auto& [text, token, rest] : cases) {
        const auto got = NextToken(text);
        EXPECT_EQ(got.has_value(), !token.empty()) << text;
        if (got) {
            EXPECT_EQ(got->Text, token) << text;
            EXPECT_EQ(got->Rest, rest) << text;
        }
    }
}

TEST(ReadCabwizCommandTest, TakesTheCommandLineApartOrSaysWhy) {
    const std::string vb = "\"C:\\Program Files\\cabwiz.exe\" \"C:\\Setup\\My.inf\"";
    const std::string exe = "C:\\Program Files\\cabwiz.exe", inf = "C:\\Setup\\My.inf";
    // The README line and what is expected from it; no INF path: the line is refused.
    const std::vector<CabwizInfo> cases = {
        {vb + " /err CabWiz.log /cpu sh3 mips arm", exe, inf, {"sh3", "mips", "arm"}},
        {"D:\\cabwiz.exe T.inf /cpu  sh3  x86  ", "D:\\cabwiz.exe", "T.inf", {"sh3", "x86"}},
        {vb + " /cpu sh3 arm /compress /err x.log", exe, inf, {"sh3", "arm"}},
        {vb + " /err CabWiz.log", exe, inf, {}},
        {vb + " /cpu   ", exe, inf, {}},
        {vb + " /CPU sh3 arm", exe, inf, {}},
        {"\"C:\\/cpu\\cabwiz.exe\" \"/cpu a\" /err x", "C:\\/cpu\\cabwiz.exe", "/cpu a", {}},
        {"\"C:\\cabwiz.exe\" \"C:\\My.inf /cpu arm", "", "", {}},
        {"\"C:\\CABWIZ.EXE\" \"C:\\My.inf\" /cpu arm", "", "", {}},
        // Written in the Windows code page: the line and its paths as UTF-8.
        {"D:\\\xC4rger\\cabwiz.exe \"C:\\\xC4rger\\My.inf\"",
         "D:\\\xC3\x84rger\\cabwiz.exe",
         "C:\\\xC3\x84rger\\My.inf",
         {}}};
    test::TempDir dir;
    const std::string readme = dir.file("Readme.txt");
    for (const CabwizInfo& c : cases) {
        SCOPED_TRACE(c.CabwizCommand);
        // The lines before the command name CABWIZ.EXE and CabWiz.log: neither is the command.
        test::WriteText(readme, "Install Wizard\r\n\r\nMyApp.inf is read by CABWIZ.EXE.\r\n"
                                "Errors go to CabWiz.log. Run:\r\n\r\n" +
                                    c.CabwizCommand + "\r\n\r\nThen copy the .CAB files.\r\n");
        if (c.InfPath.empty()) {
            EXPECT_THROW(ReadCabwizCommand(readme), Error);
            continue;
        }
        const CabwizInfo info = ReadCabwizCommand(readme);
        EXPECT_EQ(info.CabwizCommand, Utf8FromWindowsText(c.CabwizCommand));
        EXPECT_EQ(info.CabwizProgram, c.CabwizProgram);
        EXPECT_EQ(info.InfPath, c.InfPath);
        EXPECT_EQ(info.CpuNames, c.CpuNames);
    }
    // A missing, an empty and an unreadable README are refused with the fixed text first and
    // the cause in English.
    test::WriteText(dir.file("Empty.txt"), "");
    const struct {
        std::string Path;
        std::string Cause;
    } unreadable[] = {{dir.file("None.txt"), "there is no such file"},
                      {dir.file("Empty.txt"), "the file is empty"},
                      {dir.path().string(), "it is a folder, not a file"}};
    for (const auto& c : unreadable) {
        const std::string error =
            test::ThrownBy([&] { static_cast<void>(ReadCabwizCommand(c.Path)); }).text;
        EXPECT_TRUE(error.starts_with(kReadmeErrorMessage)) << error;
        EXPECT_TRUE(error.ends_with(": " + c.Cause)) << error;
        EXPECT_EQ(error.find("Ficheiro"), std::string::npos) << error;
    }
}

} // namespace
} // namespace gw

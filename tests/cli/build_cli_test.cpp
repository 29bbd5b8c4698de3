#include "support/test_support.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace gw {
namespace {

using test::Bytes;
using test::ShellQuote;

test::ProcessResult Cli(const std::string& arguments) {
    return test::RunShell(ShellQuote(GLYPHWRIGHT_CLI) + " " + arguments);
}

std::string Example(const std::string& name) {
    return ShellQuote((test::ExamplesDir() / name).string());
}

TEST(BuildCliTest, BuildsOneDllAndSaysWhatItWrote) {
    test::TempDir dir;
    const std::string out = dir.file("Icons.dll");
    const auto run = Cli("build -t Arm -o " + ShellQuote(out) + " " + Example("glyph-4bit.ico") +
                         " " + Example("multi.ico"));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto size = std::filesystem::file_size(out);
    EXPECT_EQ(run.out,
              out + ": ARM, 2 icon groups, 7 images, " + std::to_string(size) + " bytes\n");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(test::Le16(test::ReadBytes(out), 0xAC), 0x01C0);
}

TEST(BuildCliTest, AllTargetsWritesTheChosenFileAndOnePerProcessor) {
    test::TempDir dir;
    const std::string out = dir.file("B.dll");
    const auto run = Cli("build --target mips --all-targets -o " + ShellQuote(out) + " " +
                         Example("mono-1bit.ico"));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::pair<const char*, std::uint16_t> expected[] = {
        {"", 0x0166},     {".X86", 0x014C}, {".MIPS", 0x0166}, {".SH3", 0x01A2},
        {".SH4", 0x01A6}, {".ARM", 0x01C0}, {".PPC", 0x01F0}};
    std::size_t line = 0;
    for (const auto& [suffix, machine] : expected) {
        const std::string path = out + suffix;
        ASSERT_TRUE(std::filesystem::exists(path)) << path;
        EXPECT_EQ(test::Le16(test::ReadBytes(path), 0xAC), machine) << path;
        const std::size_t at = run.out.find(path + ": ", line);
        EXPECT_NE(at, std::string::npos) << path << " not reported in order:\n" << run.out;
        line = at;
    }
    EXPECT_EQ(test::ReadBytes(out), test::ReadBytes(out + ".MIPS"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 7);
}

TEST(BuildCliTest, FailedBuildLeavesTheExistingOutputAndNamesTheCause) {
    test::TempDir dir;
    const std::string out = dir.file("keep.dll");
    test::WriteText(out, "old contents");
    test::WriteText(dir.file("text.ico"), "not an icon, but text with the icon extension\n");

    const auto missing = Cli("build -o " + ShellQuote(out) + " " + Example("multi.ico") + " " +
                             ShellQuote(dir.file("gone.ico")));
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("gone.ico: cannot open"), std::string::npos) << missing.err;
    EXPECT_EQ(missing.out, "");

    const auto bad = Cli("build -o " + ShellQuote(out) + " " + ShellQuote(dir.file("text.ico")));
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_NE(bad.err.find("text.ico"), std::string::npos) << bad.err;
    EXPECT_EQ(test::ReadText(out), "old contents");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

TEST(BuildCliTest, UsageErrorsExitTwoWithTheUsage) {
    test::TempDir dir;
    const std::string out = ShellQuote(dir.file("x.dll"));
    const std::pair<std::string, std::string> cases[] = {
        {"build -o " + out, "no icon files"},
        {"build " + Example("multi.ico"), "no output file"},
        {"build -t z80 -o " + out + " " + Example("multi.ico"), "unknown target z80"},
        {"build --fast -o " + out + " " + Example("multi.ico"), "unknown option --fast"},
        {"build -o", "needs a value"},
        {"images", "no icon file"},
        {"frobnicate", "unknown command frobnicate"},
        {"", "no command"},
    };
    for (const auto& [arguments, message] : cases) {
        const auto run = Cli(arguments);
        EXPECT_EQ(run.exitCode, 2) << arguments;
        EXPECT_NE(run.err.find(message), std::string::npos) << arguments << "\n" << run.err;
        EXPECT_NE(run.err.find("Usage:"), std::string::npos) << arguments;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("x.dll")));
}

TEST(BuildCliTest, ImagesListsRowTextDepthAndSize) {
    const auto run = Cli("images " + Example("multi.ico"));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "0: 48 x 48 - 0 Colors, 8 bits per pixel, 3752 bytes\n"
                       "1: 32 x 32 - 0 Colors, 8 bits per pixel, 2216 bytes\n"
                       "2: 32 x 32 - 16 Colors, 4 bits per pixel, 744 bytes\n"
                       "3: 16 x 16 - 16 Colors, 4 bits per pixel, 296 bytes\n"
                       "4: 16 x 16 - 2 Colors, 1 bit per pixel, 176 bytes\n");
    const auto missing = Cli("images /nonexistent/a.ico");
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("/nonexistent/a.ico: cannot open"), std::string::npos);
}

TEST(BuildCliTest, HelpAndVersion) {
    const auto help = Cli("--help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("glyphwright-cli build"), std::string::npos);
    const auto version = Cli("--version");
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.rfind("glyphwright-cli ", 0), 0u);
}

} // namespace
} // namespace gw

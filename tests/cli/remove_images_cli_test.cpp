#include "support/test_support.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace gw {
namespace {

using test::Bytes;
using test::ShellQuote;

// A copy of the five-image example (48, 32 at 8 bits; 32, 16 at 4 bits; 16 at 1 bit).
std::string CopyOfExample(const test::TempDir& dir) {
    const std::string path = dir.file("multi.ico");
    std::filesystem::copy_file(test::ExamplesDir() / "multi.ico", path);
    return path;
}

test::ProcessResult RemoveImages(const std::string& icon, const std::string& rest) {
    return test::RunShell(ShellQuote(GLYPHWRIGHT_CLI) + " remove-images " + ShellQuote(icon) + " " +
                          rest);
}

TEST(RemoveImagesCliTest, KeepsTheListedImagesInTheirFileOrder) {
    test::TempDir dir;
    const std::string icon = CopyOfExample(dir), out = dir.file("kept.ico");
    const Bytes source = test::ReadBytes(icon);
    // To another file first, leaving the source as it was; then in place.
    const struct {
        std::string options, target;
        std::size_t first, second, size;
    } cases[] = {{"--keep=3,0,3 -o " + ShellQuote(out), out, 0, 3, 38 + 3752 + 296},
                 {"--keep 4,1", icon, 1, 4, 38 + 2216 + 176}};
    for (const auto& [options, target, first, second, size] : cases) {
        const auto run = RemoveImages(icon, options);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, target + ": 2 of 5 images kept, " + std::to_string(size) + " bytes\n");
        const Bytes file = test::ReadBytes(target);
        EXPECT_EQ(file.size(), size);
        ASSERT_EQ(test::Le16(file, 4), 2);
        EXPECT_EQ(test::IconImageBytes(file, 0), test::IconImageBytes(source, first));
        EXPECT_EQ(test::IconImageBytes(file, 1), test::IconImageBytes(source, second));
        EXPECT_TRUE(target == icon || test::ReadBytes(icon) == source) << "source changed";
    }
}

TEST(RemoveImagesCliTest, RefusalsWriteNothing) {
    test::TempDir dir;
    const std::string icon = CopyOfExample(dir);
    const Bytes source = test::ReadBytes(icon);
    ASSERT_EQ(::chmod(icon.c_str(), 0444), 0);
    // The source under another spelling and through a hard link: -o may not name it.
    const std::string respelled = (dir.path() / "." / "multi.ico").string();
    const std::string linked = dir.file("linked.ico");
    std::filesystem::create_hard_link(icon, linked);
    const std::string isInput = ": this output is the input file " + icon + ";";
    const std::tuple<std::string, int, std::string> cases[] = {
        {"--keep ''", 1, "Save...: No images selected!\n"},
        {"--keep= -o " + ShellQuote(dir.file("new.ico")), 1, "Save As...: No images selected!\n"},
        {"--keep 0", 1, "glyphwright-cli: " + icon + ": the file is read-only\n"},
        {"--keep 0 -o " + ShellQuote(respelled), 1, respelled + isInput},
        {"--keep 0 -o " + ShellQuote(linked), 1, linked + isInput},
        {"", 2, "Usage:"},
        {"--keep 0,5", 2, "Usage:"},
        {"--keep 0,,1", 2, "Usage:"},
        {"--keep 1-2", 2, "Usage:"}};
    for (const auto& [options, exitCode, message] : cases) {
        const auto run = RemoveImages(icon, options);
        EXPECT_EQ(run.exitCode, exitCode) << options;
        EXPECT_NE(run.err.find(message), std::string::npos) << options << ": " << run.err;
        EXPECT_EQ(run.out, "") << options;
    }
    EXPECT_EQ(test::ReadBytes(icon), source);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

} // namespace
} // namespace gw

#include "support/test_support.h"

#include <filesystem>
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

// The file holds exactly the given images of the source, in that order.
void ExpectImages(const Bytes& file, const Bytes& source, const std::vector<std::size_t>& kept) {
    ASSERT_GE(file.size(), 6u);
    ASSERT_EQ(test::Le16(file, 4), kept.size());
    std::size_t size = 6 + 16 * kept.size();
    for (std::size_t i = 0; i < kept.size(); ++i) {
        const Bytes image = test::IconImageBytes(source, kept[i]);
        EXPECT_EQ(test::IconImageBytes(file, i), image) << "image " << i;
        size += image.size();
    }
    EXPECT_EQ(file.size(), size);
}

TEST(RemoveImagesCliTest, ReplacesTheFileKeepingTheFileOrder) {
    test::TempDir dir;
    const std::string icon = CopyOfExample(dir);
    const Bytes source = test::ReadBytes(icon);
    const auto run = RemoveImages(icon, "--keep 4,1");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const Bytes file = test::ReadBytes(icon);
    ExpectImages(file, source, {1, 4});
    EXPECT_EQ(run.out, icon + ": 2 of 5 images kept, " + std::to_string(file.size()) + " bytes\n");
    EXPECT_EQ(run.err, "");
}

TEST(RemoveImagesCliTest, SaveAsLeavesTheSourceAsItWas) {
    test::TempDir dir;
    const std::string icon = CopyOfExample(dir);
    const Bytes source = test::ReadBytes(icon);
    const std::string out = dir.file("kept.ico");
    const auto run = RemoveImages(icon, "--keep=3,0,3 -o " + ShellQuote(out));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    ExpectImages(test::ReadBytes(out), source, {0, 3});
    EXPECT_EQ(test::ReadBytes(icon), source);
    EXPECT_EQ(run.out.rfind(out + ": 2 of 5 images kept, ", 0), 0u) << run.out;
}

TEST(RemoveImagesCliTest, RefusalsWriteNothing) {
    test::TempDir dir;
    const std::string icon = CopyOfExample(dir);
    const Bytes source = test::ReadBytes(icon);

    auto run = RemoveImages(icon, "--keep ''");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "Save...: No images selected!\n");
    run = RemoveImages(icon, "--keep= -o " + ShellQuote(dir.file("new.ico")));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "Save As...: No images selected!\n");

    for (const char* list : {"5", "0,5", "0,,1", "1-2", "x", "-1"}) {
        run = RemoveImages(icon, std::string("--keep ") + ShellQuote(list));
        EXPECT_EQ(run.exitCode, 2) << list;
        EXPECT_NE(run.err.find("Usage:"), std::string::npos) << list << ": " << run.err;
    }
    EXPECT_EQ(RemoveImages(icon, "").exitCode, 2); // --keep missing

    ASSERT_EQ(::chmod(icon.c_str(), 0444), 0);
    run = RemoveImages(icon, "--keep 0");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "Save...: This file is currently locked (open). Use another name.\n");
    EXPECT_EQ(run.out, "");

    EXPECT_EQ(test::ReadBytes(icon), source);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

} // namespace
} // namespace gw

#include "support/test_support.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace gw {
namespace {

using test::Bytes;

// The five-image example: 48, 32 at 8 bits; 32, 16 at 4 bits; 16 at 1 bit.
TEST(RemoveImagesCliTest, KeepsTheListedImagesInTheirFileOrder) {
    test::TempDir dir;
    const std::string icon = dir.file("multi.ico"), out = dir.file("kept.ico");
    std::filesystem::copy_file(test::Example("multi.ico"), icon);
    const Bytes source = test::ReadBytes(icon);
    // To another file first, leaving the source as it was; then in place.
    const struct {
        std::vector<std::string> options;
        std::string target;
        std::size_t first, second, size;
    } cases[] = {{{"--keep=3,0,3", "-o", out}, out, 0, 3, 38 + 3752 + 296},
                 {{"--keep", "4,1"}, icon, 1, 4, 38 + 2216 + 176}};
    for (const auto& [options, target, first, second, size] : cases) {
        std::vector<std::string> arguments = {"remove-images", icon};
        arguments.insert(arguments.end(), options.begin(), options.end());
        const auto run = test::RunCli(arguments);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, target + ": 2 of 5 images kept, " + std::to_string(size) + " bytes\n");
        const Bytes file = test::ReadBytes(target);
        EXPECT_EQ(file.size(), size);
        ASSERT_EQ(test::Le16(file, 4), 2);
        EXPECT_EQ(test::IconImageBytes(file, 0), test::IconImageBytes(source, first));
        EXPECT_EQ(test::IconImageBytes(file, 1), test::IconImageBytes(source, second));
        EXPECT_TRUE(target == icon || test::ReadBytes(icon) == source) << "source changed";
    }
    EXPECT_EQ(test::FilesIn(dir.path()), 2u); // no temporary file left beside them
}

} // namespace
} // namespace gw

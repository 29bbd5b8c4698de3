#include "support/test_support.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace gw {
namespace {

using test::Bytes;

// A modern icon: a 256-pixel PNG, a 32-bit bitmap and two palette images. The images command
// lists each kind; any of them can be kept, byte for byte and in their file order, behind
// entries from their headers: to another file, leaving the source as it was, or in place.
TEST(RemoveImagesCliTest, ListsAndKeepsImagesOfEveryKind) {
    test::TempDir dir;
    const std::vector<Bytes> images = {test::MakePng(256, 256), test::MakeImage(48, 48, 32),
                                       test::MakeImage(32, 32, 4), test::MakeImage(16, 16, 8)};
    const std::string icon = dir.file("modern.ico"), out = dir.file("palette.ico");
    test::WriteBytes(icon, test::MakeIcon(images));
    const Bytes source = test::ReadBytes(icon);
    const auto listed = test::RunCli({"images", icon});
    EXPECT_EQ(listed.out, "0: 256 x 256 - 0 Colors, 32 bits per pixel, PNG, " +
                              std::to_string(images[0].size()) +
                              " bytes\n"
                              "1: 48 x 48 - 0 Colors, 32 bits per pixel, 9640 bytes\n"
                              "2: 32 x 32 - 16 Colors, 4 bits per pixel, 744 bytes\n"
                              "3: 16 x 16 - 256 Colors, 8 bits per pixel, 1384 bytes\n")
        << listed.err;
    const struct {
        std::vector<std::string> options;
        std::string target;
        std::vector<std::size_t> kept;
    } cases[] = {{{"--keep=3,2,3", "-o", out}, out, {2, 3}}, {{"--keep", "1,0"}, icon, {0, 1}}};
    for (const auto& [options, target, kept] : cases) {
        std::vector<std::string> arguments = {"remove-images", icon};
        arguments.insert(arguments.end(), options.begin(), options.end());
        const auto run = test::RunCli(arguments);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        std::vector<Bytes> expected;
        for (std::size_t j : kept) {
            expected.push_back(images[j]);
        }
        // Palette images get planes and bit count 0, as before; the others their real ones.
        const Bytes written = test::MakeIcon(expected, 1, [&](std::size_t, auto& e) {
            if (e.bitCount <= 8) {
                e.planes = e.bitCount = 0;
            }
        });
        EXPECT_EQ(run.out,
                  target + ": 2 of 4 images kept, " + std::to_string(written.size()) + " bytes\n");
        EXPECT_EQ(test::ReadBytes(target), written) << target;
        EXPECT_TRUE(target == icon || test::ReadBytes(icon) == source) << "source changed";
    }
    EXPECT_EQ(test::FilesIn(dir.path()), 2u); // no temporary file left beside them
}

// An icon made by icoutils from PNG art (a 16-pixel image it stores as a palette bitmap, a
// 32-pixel one kept as PNG) is cut down to either image; icotool reads the result and draws
// the kept image exactly as it draws it from the original.
TEST(RemoveImagesCliTest, CutsAnIconMadeByIcotoolAsIcotoolReadsIt) {
    if (!test::HaveProgram("icotool")) {
        GTEST_SKIP() << "icotool (icoutils) is not on the PATH";
    }
    test::TempDir dir;
    test::WriteBytes(dir.path() / "p16.png", test::MakePng(16, 16));
    test::WriteBytes(dir.path() / "p32.png", test::MakePng(32, 32));
    const std::string icon = dir.file("modern.ico");
    ASSERT_EQ(test::RunProcess({"icotool", "-c", "-o", icon, dir.file("p16.png"),
                                "--raw=" + dir.file("p32.png")})
                  .exitCode,
              0);
    // The image as icotool draws it, as a PNG file's bytes.
    int drawings = 0;
    const auto drawn = [&](const std::string& file, const std::string& index) {
        const std::filesystem::path out = dir.path() / ("drawn-" + std::to_string(++drawings));
        std::filesystem::create_directory(out);
        EXPECT_EQ(
            test::RunProcess({"icotool", "-x", "-i", index, "-o", out.string(), file}).exitCode, 0)
            << file;
        const auto first = std::filesystem::directory_iterator(out);
        return first == std::filesystem::directory_iterator() ? Bytes{}
                                                              : test::ReadBytes(first->path());
    };
    for (const std::string keep : {"0", "1"}) {
        const std::string out = dir.file("kept-" + keep + ".ico");
        const auto run = test::RunCli({"remove-images", icon, "--keep", keep, "-o", out});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const Bytes original = drawn(icon, std::to_string(std::stoi(keep) + 1));
        EXPECT_FALSE(original.empty());
        EXPECT_EQ(drawn(out, "1"), original) << "image " << keep;
    }
}

} // namespace
} // namespace gw

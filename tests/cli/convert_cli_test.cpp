#include "dll/pe_reader.h"
#include "support/test_support.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <set>

namespace gw {
namespace {

namespace fs = std::filesystem;

// A 48 x 48 logo: colour bands on a disc, transparent around it.
RgbaImage Logo() {
    return test::MakePicture(48, 48, [](int x, int y) {
        const int dx = x - 24, dy = y - 24;
        const bool inside = dx * dx + dy * dy < 22 * 22;
        return std::array<std::uint8_t, 4>{
            static_cast<std::uint8_t>(x * 5), static_cast<std::uint8_t>(y * 5),
            static_cast<std::uint8_t>(200 - x * 2), static_cast<std::uint8_t>(inside ? 255 : 0)};
    });
}

// A PNG to an icon file, that icon file to another, both into a DLL whose groups hold the
// sizes and depths asked for, in the order sizes x depths.
TEST(ConvertCliTest, MakesIconsThatBuildIntoADll) {
    test::TempDir dir;
    const std::string png = dir.file("logo.png"), icon = dir.file("logo.ico"),
                      again = dir.file("again.ico"), dll = dir.file("logo.dll");
    test::WriteBytes(png, test::EncodePng(Logo()));
    const auto first = test::RunCli({"convert", png, "-o", icon});
    ASSERT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(first.out, icon + ": 4 images, " + std::to_string(fs::file_size(icon)) + " bytes\n");
    const auto second = test::RunCli({"convert", icon, "-o", again, "--sizes=48,16", "--depths",
                                      "1,4", "--standard-palette", "--no-dither"});
    ASSERT_EQ(second.exitCode, 0) << second.err;
    const auto build = test::RunCli({"build", "-o", dll, icon, again});
    ASSERT_EQ(build.exitCode, 0) << build.err;

    const PeIconFile file = ReadPeIconFile(dll);
    const std::vector<std::vector<std::pair<int, int>>> expected = {
        {{16, 4}, {16, 8}, {32, 4}, {32, 8}}, {{48, 1}, {48, 4}, {16, 1}, {16, 4}}};
    ASSERT_EQ(file.Groups.size(), expected.size());
    for (std::size_t g = 0; g < expected.size(); ++g) {
        ASSERT_EQ(file.Groups[g].Entries.size(), expected[g].size());
        for (std::size_t i = 0; i < expected[g].size(); ++i) {
            const GroupIconEntry& entry = file.Groups[g].Entries[i];
            EXPECT_EQ(std::make_pair(int{entry.Width}, int{entry.BitCount}), expected[g][i])
                << "group " << g << ", image " << i;
        }
    }
}

// Mid grey at 1 bit per pixel: white all over without dithering (each row of 4 bytes 0xFF, 0,
// 0, 0 behind the header and 2 colours), black and white mixed with it.
TEST(ConvertCliTest, DithersUnlessAskedNotTo) {
    test::TempDir dir;
    const std::string grey = dir.file("grey.png"), out = dir.file("out.ico");
    test::WriteBytes(grey, test::EncodePng(test::MakePicture(8, 8, [](int, int) {
                         return std::array<std::uint8_t, 4>{128, 128, 128, 255};
                     })));
    for (const std::string last : {"--", "--no-dither"}) {
        ASSERT_EQ(
            test::RunCli({"convert", grey, "-o", out, "--depths=1", "--sizes=8", last}).exitCode,
            0);
        const test::Bytes icon = test::ReadBytes(out);
        EXPECT_EQ(std::count(icon.begin() + 70, icon.begin() + 102, 0xFF) == 8, last != "--");
    }
}

// Usage errors (exit 2) say which option is wrong; failures (exit 1) name the file; neither
// writes anything.
TEST(ConvertCliTest, RefusesBadOptionsAndSources) {
    test::TempDir dir;
    const std::string png = dir.file("logo.png"), out = dir.file("out.ico");
    test::WriteBytes(png, test::EncodePng(Logo()));
    test::WriteText(dir.file("notes.txt"), "not a picture\n");
    const struct {
        std::vector<std::string> arguments;
        int exitCode;
        std::string message;
    } cases[] = {
        {{png}, 2, "no output file given (-o OUT.ico)"},
        {{"-o", out}, 2, "no source picture given"},
        {{png, png, "-o", out}, 2, "one source picture at a time"},
        {{png, "-o", out, "--sizes", "0"}, 2, "size 0 is not 1 to 256 pixels"},
        {{png, "-o", out, "--sizes", "16,257"}, 2, "size 257 is not 1 to 256 pixels"},
        {{png, "-o", out, "--sizes", "16,,32"}, 2, "--sizes takes numbers separated by commas"},
        {{png, "-o", out, "--sizes", "32,32"}, 2, "size 32 is given twice"},
        {{png, "-o", out, "--depths", "2"}, 2, "depth 2 is not 1, 4 or 8 bits per pixel"},
        {{png, "-o", out, "--depths", "8", "--standard-palette"},
         2,
         "the standard palette applies to 4-bit images only"},
        {{png, "-o", png}, 1, png + ": this output is the input file"},
        {{dir.file("notes.txt"), "-o", out},
         1,
         dir.file("notes.txt") + ": not a PNG, BMP or icon file"},
        {{dir.file("gone.png"), "-o", out}, 1, dir.file("gone.png") + ": cannot open"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> arguments = {"convert"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const auto run = test::RunCli(arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.message;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_EQ(c.exitCode == 2, run.err.find("Usage:") != std::string::npos) << run.err;
    }
    EXPECT_EQ(test::FilesIn(dir.path()), 2u); // only the two sources
}

} // namespace
} // namespace gw

#include "common/error.h"
#include "icons/icon_files.h"
#include "support/test_support.h"

#include <algorithm>
#include <array>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace gw {
namespace {

using test::Bytes;
using test::Le16;
using test::Le32;
using test::MakeImage;
using test::TempDir;

IconImage Decoded(const Bytes& image) {
    return DecodeIconImage(image, "made.ico", "image");
}

// Width, height, colour count, reserved, planes, bit count, size and offset of a directory entry.
using Entry = std::array<std::uint32_t, 8>;
Entry EntryAt(const Bytes& file, std::size_t i) {
    const std::size_t at = 6 + 16 * i;
    return {file.at(at),        file.at(at + 1),    file.at(at + 2),    file.at(at + 3),
            Le16(file, at + 4), Le16(file, at + 6), Le32(file, at + 8), Le32(file, at + 12)};
}

TEST(IconWriterTest, BuildsTheDirectoryFromTheBitmapHeaders) {
    TempDir dir;
    Bytes odd = MakeImage(16, 16, 1);
    odd[8] = 63; // biHeight: an odd value rounds down to a height of 31
    // Planes and BitCount stay 0; the colour count comes from the bitmap's bit depth.
    const std::pair<std::vector<Bytes>, std::vector<Entry>> cases[] = {
        {{MakeImage(32, 32, 4, 1), MakeImage(16, 16, 4, 2)},
         {{32, 32, 16, 0, 0, 0, 744, 38}, {16, 16, 16, 0, 0, 0, 296, 782}}},
        {{MakeImage(32, 32, 8)}, {{32, 32, 0, 0, 0, 0, 2216, 22}}},
        {{odd}, {{16, 31, 2, 0, 0, 0, 176, 22}}},
        // 256 pixels wide and high: stored as 0 in the directory's bytes.
        {{MakeImage(256, 256, 1)}, {{0, 0, 2, 0, 0, 0, 40 + 8 + 2 * 32 * 256, 22}}},
    };
    const std::string out = dir.file("out.ico");
    for (const auto& [images, entries] : cases) {
        std::vector<IconImage> decoded;
        std::transform(images.begin(), images.end(), std::back_inserter(decoded), Decoded);
        WriteIconFile(out, decoded);
        const Bytes file = test::ReadBytes(out);
        const auto count = static_cast<std::uint8_t>(images.size());
        EXPECT_EQ(Bytes(file.begin(), file.begin() + 6), (Bytes{0, 0, 1, 0, count, 0}));
        for (std::size_t i = 0; i < images.size(); ++i) {
            EXPECT_EQ(EntryAt(file, i), entries[i]) << i;
            EXPECT_EQ(test::IconImageBytes(file, i), images[i]) << i;
        }
        EXPECT_EQ(file.size(), entries.back()[6] + entries.back()[7]);
    }
    // The last one, as another program reads it.
    if (!test::HaveProgram("icotool")) {
        GTEST_SKIP() << "icotool is not installed";
    }
    const auto listing = test::RunShell("icotool -l " + test::ShellQuote(out));
    ASSERT_EQ(listing.exitCode, 0) << listing.err;
    EXPECT_EQ(listing.out,
              "--icon --index=1 --width=256 --height=256 --bit-depth=1 --palette-size=2\n");
}

TEST(IconWriterTest, FewerImagesOverTheirOwnFileAsIcotoolReadsThem) {
    TempDir dir;
    const std::string path = dir.file("multi.ico");
    std::filesystem::copy_file(test::ExamplesDir() / "multi.ico", path);
    const Bytes before = test::ReadBytes(path);
    std::vector<IconImage> kept;
    for (std::size_t j : {0, 2, 4}) {
        kept.push_back(Decoded(test::IconImageBytes(before, j)));
    }
    WriteIconFile(path, kept);
    const Bytes after = test::ReadBytes(path);
    EXPECT_EQ(after.size(), 6 + 3 * 16 + 3752 + 744 + 176); // no old bytes left behind
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(test::IconImageBytes(after, i), test::IconImageBytes(before, 2 * i)) << i;
    }
    // No temporary file is left beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
    if (!test::HaveProgram("icotool")) {
        GTEST_SKIP() << "icotool is not installed";
    }
    const auto listing = test::RunShell("icotool -l " + test::ShellQuote(path));
    ASSERT_EQ(listing.exitCode, 0) << listing.err;
    EXPECT_EQ(listing.out,
              "--icon --index=1 --width=48 --height=48 --bit-depth=8 --palette-size=256\n"
              "--icon --index=2 --width=32 --height=32 --bit-depth=4 --palette-size=16\n"
              "--icon --index=3 --width=16 --height=16 --bit-depth=1 --palette-size=2\n");
}

TEST(IconWriterTest, UnwritableTargetsFailWithTheirCauseAndAreLeftAsTheyWere) {
    TempDir dir;
    const std::string path = test::WriteIcon(dir, "locked.ico", {{32, 32, 4}});
    const Bytes before = test::ReadBytes(path);
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    const std::pair<std::string, std::string> cases[] = {
        {path, "the file is read-only"},
        {dir.file("missing/new.ico"), "the folder " + dir.file("missing") + " does not exist"}};
    for (const auto& [target, cause] : cases) {
        try {
            WriteIconFile(target, {Decoded(MakeImage(16, 16, 4))});
            ADD_FAILURE() << "written: " << target;
        } catch (const Error& e) {
            EXPECT_EQ(e.kind(), ErrorKind::TargetNotWritable) << e.what();
            EXPECT_EQ(std::string(e.what()), target + ": " + cause);
        }
    }
    EXPECT_EQ(test::ReadBytes(path), before);
    // No temporary file is left beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

// Runs the writer on images it must refuse and returns the error text.
std::string RefusalOf(const std::string& path, const std::vector<IconImage>& images) {
    try {
        WriteIconFile(path, images);
    } catch (const Error& e) {
        EXPECT_FALSE(std::filesystem::exists(path)) << "written despite the refusal";
        return e.what();
    }
    ADD_FAILURE() << "the writer accepted the images";
    return "";
}

TEST(IconWriterTest, RefusesImagesThatDoNotFitBeforeWriting) {
    TempDir dir;
    const IconImage good = Decoded(MakeImage(1, 1, 1));
    const std::string out = dir.file("out.ico");
    const std::pair<std::function<void(IconImage&)>, std::string> refused[] = {
        {[](IconImage& i) { i.Header.biWidth = 257; },
         "image 1: its width of 257 pixels is outside 1 to 256"},
        {[](IconImage& i) { i.Header.biHeight = 514; }, "image 1: its height of 257"},
        {[](IconImage& i) { i.Header.biWidth = 0; }, "image 1: its width of 0"},
        {[](IconImage& i) { i.Header.biSize = 44; }, "image 1: the bitmap header size is 44"},
        {[](IconImage& i) { i.Palette.pop_back(); }, "image 1: the colour table has 1 entries"},
        {[](IconImage& i) { i.Bits.clear(); }, "image 1: the image has no pixel data"},
    };
    for (const auto& [edit, cause] : refused) {
        std::vector<IconImage> images(2, good);
        edit(images[1]);
        EXPECT_NE(RefusalOf(out, images).find(out + ": " + cause), std::string::npos) << cause;
    }
    EXPECT_NE(RefusalOf(out, {}).find("no images"), std::string::npos);

    // 2047 images put the first one at offset 32758; one more does not fit 16 bits.
    std::vector<IconImage> many(2048, good);
    EXPECT_NE(RefusalOf(out, many).find("image 2047"), std::string::npos);
    many.pop_back();
    WriteIconFile(out, many);
    EXPECT_EQ(EntryAt(test::ReadBytes(out), 0)[7], 32758u);
}

} // namespace
} // namespace gw

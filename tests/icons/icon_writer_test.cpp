#include "common/error.h"
#include "icons/icon_files.h"
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace gw {
namespace {

using test::Bytes;
using test::Le16;
using test::Le32;
using test::MakeIcon;
using test::MakeImage;
using test::TempDir;

// The images of an icon file as the reader holds them.
std::vector<IconImage> ReadImages(const std::string& path) {
    IconDir header;
    std::vector<IconDirEntry> entries;
    std::vector<IconImage> images;
    ReadIconImages(path, header, entries, images);
    return images;
}

// The images of an icon file made from the given raw images, as the reader holds them.
std::vector<IconImage>
ImagesOf(const TempDir& dir, const std::vector<Bytes>& raw,
         const std::function<void(std::size_t, test::DirEntry&)>& edit = {}) {
    const std::string path = dir.file("source.ico");
    test::WriteBytes(path, MakeIcon(raw, 1, edit));
    return ReadImages(path);
}

// Fields of directory entry i of a written file.
struct Entry {
    int width, height, colours, reserved, planes, bitCount;
    std::uint32_t bytes, offset;
    bool operator==(const Entry&) const = default;
};
Entry EntryAt(const Bytes& file, std::size_t i) {
    const std::size_t at = 6 + 16 * i;
    return {file.at(at),        file.at(at + 1),    file.at(at + 2),    file.at(at + 3),
            Le16(file, at + 4), Le16(file, at + 6), Le32(file, at + 8), Le32(file, at + 12)};
}

// How many files the directory holds: a temporary file left behind shows up here.
std::ptrdiff_t FileCount(const TempDir& dir) {
    return std::distance(std::filesystem::directory_iterator(dir.path()), {});
}

struct CountingPump : platform::EventPump {
    int calls = 0;
    void processEvents() override { ++calls; }
};

TEST(IconWriterTest, BuildsAFreshDirectoryFromTheBitmapHeaders) {
    TempDir dir;
    const Bytes image32 = MakeImage(32, 32, 4, 1);
    const Bytes image16 = MakeImage(16, 16, 4, 2);
    // A careless source directory: Planes 1, BitCount 4, ColorCount 0, wrong offsets.
    const auto images = ImagesOf(dir, {image32, image16}, [](std::size_t, test::DirEntry& e) {
        e.planes = 1;
        e.bitCount = 4;
        e.colorCount = 0;
        e.reserved = 7;
        e.imageOffset = 12345;
    });
    test::RecordingMessages messages;
    CountingPump pump;
    const std::string out = dir.file("out.ico");
    ASSERT_TRUE(WriteIconFile(out, images, messages, &pump));
    EXPECT_EQ(pump.calls, 1);
    EXPECT_TRUE(messages.shown.empty());

    const Bytes file = test::ReadBytes(out);
    ASSERT_EQ(file.size(), 1078u);
    EXPECT_EQ(Le16(file, 0), 0);
    EXPECT_EQ(Le16(file, 2), 1);
    EXPECT_EQ(Le16(file, 4), 2);
    EXPECT_EQ(EntryAt(file, 0), (Entry{32, 32, 16, 0, 0, 0, 744, 38}));
    EXPECT_EQ(EntryAt(file, 1), (Entry{16, 16, 16, 0, 0, 0, 296, 782}));
    EXPECT_EQ(test::IconImageBytes(file, 0), image32);
    EXPECT_EQ(test::IconImageBytes(file, 1), image16);
}

TEST(IconWriterTest, ColourCountAndHeightFollowTheBitmapHeader) {
    TempDir dir;
    const Bytes image8 = MakeImage(32, 32, 8);
    const Bytes image1 = MakeImage(16, 16, 1);
    const auto images = ImagesOf(dir, {image8, image1});
    test::RecordingMessages messages;
    const std::string out = dir.file("out.ico");

    ASSERT_TRUE(WriteIconFile(out, {images[0]}, messages));
    Bytes file = test::ReadBytes(out);
    EXPECT_EQ(EntryAt(file, 0), (Entry{32, 32, 0, 0, 0, 0, 2216, 22}));
    EXPECT_EQ(file.size(), 22u + 2216u);

    ASSERT_TRUE(WriteIconFile(out, {images[1]}, messages));
    file = test::ReadBytes(out);
    EXPECT_EQ(EntryAt(file, 0).colours, 2);
    EXPECT_EQ(test::IconImageBytes(file, 0), image1); // 8-byte colour table included

    IconImage odd = images[1];
    odd.Header.biHeight = 63;
    ASSERT_TRUE(WriteIconFile(out, {odd}, messages));
    EXPECT_EQ(EntryAt(test::ReadBytes(out), 0).height, 31);
}

TEST(IconWriterTest, RoundTripsTheExampleAndItsOutsideListing) {
    TempDir dir;
    const std::string example = (test::ExamplesDir() / "multi.ico").string();
    const Bytes source = test::ReadBytes(example);
    test::RecordingMessages messages;
    const std::string out = dir.file("copy.ico");
    ASSERT_TRUE(WriteIconFile(out, ReadImages(example), messages));
    const Bytes written = test::ReadBytes(out);
    ASSERT_EQ(written.size(), source.size());
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(test::IconImageBytes(written, i), test::IconImageBytes(source, i)) << i;
    }
    ASSERT_TRUE(WriteIconFile(out, ReadImages(out), messages));
    EXPECT_EQ(test::ReadBytes(out), written);

    if (!test::HaveProgram("icotool")) {
        GTEST_SKIP() << "icotool is not installed";
    }
    const auto listing = test::RunShell("icotool -l " + test::ShellQuote(out));
    ASSERT_EQ(listing.exitCode, 0) << listing.err;
    EXPECT_EQ(listing.out,
              "--icon --index=1 --width=48 --height=48 --bit-depth=8 --palette-size=256\n"
              "--icon --index=2 --width=32 --height=32 --bit-depth=8 --palette-size=256\n"
              "--icon --index=3 --width=32 --height=32 --bit-depth=4 --palette-size=16\n"
              "--icon --index=4 --width=16 --height=16 --bit-depth=4 --palette-size=16\n"
              "--icon --index=5 --width=16 --height=16 --bit-depth=1 --palette-size=2\n");
}

TEST(IconWriterTest, FewerImagesOverTheirOwnFileLeaveNoOldBytes) {
    TempDir dir;
    const std::string path =
        test::WriteIcon(dir, "three.ico", {{48, 48, 8}, {32, 32, 4}, {16, 16, 1}});
    const Bytes before = test::ReadBytes(path);
    const auto images = ReadImages(path);
    test::RecordingMessages messages;
    ASSERT_TRUE(WriteIconFile(path, {images[0], images[2]}, messages));

    const Bytes after = test::ReadBytes(path);
    const Bytes kept0 = test::IconImageBytes(before, 0);
    const Bytes kept2 = test::IconImageBytes(before, 2);
    EXPECT_EQ(after.size(), 6 + 2 * 16 + kept0.size() + kept2.size());
    EXPECT_EQ(test::IconImageBytes(after, 0), kept0);
    EXPECT_EQ(test::IconImageBytes(after, 1), kept2);
    EXPECT_EQ(FileCount(dir), 1);
}

TEST(IconWriterTest, UnwritableTargetsAreToldAndLeftAsTheyWere) {
    TempDir dir;
    const std::string path = test::WriteIcon(dir, "locked.ico", {{32, 32, 4}, {16, 16, 4}});
    const Bytes before = test::ReadBytes(path);
    const auto images = ReadImages(path);
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);

    for (const std::string& target : {path, dir.file("missing/new.ico")}) {
        test::RecordingMessages messages;
        EXPECT_FALSE(WriteIconFile(target, {images[1]}, messages)) << target;
        ASSERT_EQ(messages.shown.size(), 1u) << target;
        EXPECT_EQ(messages.shown[0].text,
                  "This file is currently locked (open). Use another name.");
        EXPECT_EQ(messages.shown[0].title, "Save...");
        EXPECT_EQ(messages.shown[0].icon, platform::MessageIcon::Critical);
    }
    EXPECT_EQ(test::ReadBytes(path), before);
    EXPECT_EQ(FileCount(dir), 1);
}

// Runs the writer on images it must refuse and returns the error text.
std::string RefusalOf(const std::string& path, const std::vector<IconImage>& images) {
    test::RecordingMessages messages;
    try {
        WriteIconFile(path, images, messages);
    } catch (const Error& e) {
        EXPECT_TRUE(messages.shown.empty());
        EXPECT_FALSE(std::filesystem::exists(path)) << "written despite the refusal";
        return e.what();
    }
    ADD_FAILURE() << "the writer accepted the images";
    return "";
}

TEST(IconWriterTest, RefusesImagesThatDoNotFitBeforeWriting) {
    TempDir dir;
    const auto good = ImagesOf(dir, {MakeImage(1, 1, 1)});
    const std::string out = dir.file("out.ico");
    const auto with = [&](const std::function<void(IconImage&)>& edit) {
        std::vector<IconImage> images(2, good[0]);
        edit(images[1]);
        return images;
    };

    EXPECT_EQ(RefusalOf(out, with([](IconImage& i) { i.Header.biWidth = 256; })),
              out + ": image 1: its width of 256 pixels does not fit the directory's 8-bit field "
                    "(0 to 255)");
    const std::pair<std::function<void(IconImage&)>, const char*> refused[] = {
        {[](IconImage& i) { i.Header.biHeight = 512; }, "image 1: its height of 256"},
        {[](IconImage& i) { i.Header.biWidth = -1; }, "image 1: its width of -1"},
        {[](IconImage& i) { i.Header.biSize = 44; }, "image 1: the bitmap header size is 44"},
        {[](IconImage& i) { i.Palette.pop_back(); }, "image 1: the colour table has 1 entries"},
    };
    for (const auto& [edit, cause] : refused) {
        EXPECT_NE(RefusalOf(out, with(edit)).find(cause), std::string::npos) << cause;
    }
    EXPECT_NE(RefusalOf(out, {}).find("no images"), std::string::npos);

    // 2047 images put the first one at offset 32758; one more does not fit 16 bits.
    std::vector<IconImage> many(2047, good[0]);
    test::RecordingMessages messages;
    ASSERT_TRUE(WriteIconFile(out, many, messages));
    EXPECT_EQ(EntryAt(test::ReadBytes(out), 0).offset, 32758u);
    std::filesystem::remove(out);
    many.push_back(good[0]);
    EXPECT_NE(RefusalOf(out, many).find("image 2047"), std::string::npos);
}

} // namespace
} // namespace gw

#include "common/error.h"
#include "icons/icon_files.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

namespace gw {
namespace {

using test::Bytes;
using test::MakeIcon;
using test::MakeImage;
using test::TempDir;

std::string WriteFile(const TempDir& dir, const std::string& name, const Bytes& bytes) {
    const std::string path = dir.file(name);
    test::WriteBytes(path, bytes);
    return path;
}

// Runs the reader and returns the error text, failing the test when it does not throw.
std::string ReadError(const std::string& path) {
    IconFileRecord icon;
    try {
        ReadIconFile(path, icon);
    } catch (const Error& e) {
        return e.what();
    }
    ADD_FAILURE() << "reading " << path << " did not fail";
    return "";
}

TEST(IconReaderTest, ReadsTwoFourBitImagesAndDerivesGroupEntries) {
    TempDir dir;
    const Bytes image32 = MakeImage(32, 32, 4, 1);
    const Bytes image16 = MakeImage(16, 16, 4, 2);
    const std::string path = WriteFile(dir, "two.ico", MakeIcon({image32, image16}));

    IconDir header;
    std::vector<IconDirEntry> entries;
    std::vector<IconImage> images;
    ASSERT_EQ(ReadIconImages(path, header, entries, images), 2);
    EXPECT_EQ(header.Type, 1);
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(entries[0].BytesInRes, 744);
    EXPECT_EQ(images[0].Palette.size(), 16u);
    EXPECT_EQ(images[0].Bits.size(), 640u);
    EXPECT_EQ(entries[1].BytesInRes, 296);
    EXPECT_EQ(images[1].Bits.size(), 192u);
    EXPECT_EQ(images[1].Palette[3], static_cast<std::int32_t>(test::Le32(image16, 40 + 12)));
    EXPECT_EQ(images[1].Bits.back(), image16.back());

    IconFileRecord icon;
    ReadIconFile(path, icon);
    ASSERT_EQ(icon.Entries.size(), 2u);
    const GroupIconEntry& e = icon.Entries[0];
    EXPECT_EQ(e.Width, 32);
    EXPECT_EQ(e.Height, 32);
    EXPECT_EQ(e.ColorCount, 16);
    EXPECT_EQ(e.Reserved, 0);
    EXPECT_EQ(e.Planes, 1);
    EXPECT_EQ(e.BitCount, 4);
    EXPECT_EQ(e.BytesInRes, 744);
    EXPECT_EQ(e.Id, 0);
}

TEST(IconReaderTest, PaletteSizeAndColourCountFollowTheBitDepth) {
    TempDir dir;
    const std::string path =
        WriteFile(dir, "depths.ico",
                  MakeIcon({MakeImage(32, 32, 8), MakeImage(32, 32, 1), MakeImage(16, 16, 2)}));
    IconFileRecord icon;
    ReadIconFile(path, icon);
    EXPECT_EQ(icon.Entries[0].BytesInRes, 2216);
    EXPECT_EQ(icon.Images[0].Palette.size(), 256u);
    EXPECT_EQ(icon.Images[0].Bits.size(), 1152u);
    EXPECT_EQ(icon.Entries[0].ColorCount, 0);
    EXPECT_EQ(icon.Images[1].Palette.size(), 2u);
    EXPECT_EQ(icon.Entries[1].ColorCount, 2);
    EXPECT_EQ(icon.Entries[2].ColorCount, 4);
}

TEST(IconReaderTest, GroupEntriesComeFromTheImageWhereTheDirectoryIsCareless) {
    TempDir dir;
    // A careless editor: colour count 0 for a 16-colour image, planes and bit count 0 in one
    // entry, values that disagree with the image in the other, and nonsense image offsets.
    const Bytes icon = MakeIcon({MakeImage(32, 32, 4), MakeImage(16, 16, 4)}, 2,
                                [](std::size_t j, test::DirEntry& e) {
                                    e.colorCount = 0;
                                    e.imageOffset = 12345;
                                    if (j == 0) {
                                        e.planes = 0;
                                        e.bitCount = 0;
                                    } else {
                                        e.planes = 3;
                                        e.bitCount = 7;
                                    }
                                });
    IconFileRecord record;
    ReadIconFile(WriteFile(dir, "careless.cur", icon), record);
    EXPECT_EQ(record.Header.Type, 2); // read like an icon, type kept
    EXPECT_EQ(record.Entries[0].ColorCount, 16);
    EXPECT_EQ(record.Entries[0].Planes, 1);
    EXPECT_EQ(record.Entries[0].BitCount, 4);
    EXPECT_EQ(record.Entries[1].Planes, 3);
    EXPECT_EQ(record.Entries[1].BitCount, 7);
    EXPECT_EQ(record.Images[1].Bits.size(), 192u); // read in file order despite the offsets
}

TEST(IconReaderTest, ImagesAreReadInFileOrderWhateverTheOffsetsSay) {
    TempDir dir;
    // The directory's offsets are swapped; the reader still takes the bytes sequentially.
    const Bytes a = MakeImage(16, 16, 4, 10);
    const Bytes b = MakeImage(16, 16, 4, 20);
    Bytes icon = MakeIcon({a, b}, 1, [](std::size_t j, test::DirEntry& e) {
        e.imageOffset = j == 0 ? 6 + 32 + 296 : 6 + 32;
    });
    IconFileRecord record;
    ReadIconFile(WriteFile(dir, "swapped.ico", icon), record);
    EXPECT_EQ(record.Images[0].Bits, Bytes(a.begin() + 40 + 64, a.end()));
    EXPECT_EQ(record.Images[1].Bits, Bytes(b.begin() + 40 + 64, b.end()));
}

TEST(IconReaderTest, RefusesCountsThatCannotSizeADirectory) {
    TempDir dir;
    Bytes zero = {0, 0, 1, 0, 0, 0};
    Bytes negative = {0, 0, 1, 0, 0xFF, 0xFF};
    EXPECT_NE(ReadError(WriteFile(dir, "zero.ico", zero)).find("image count is 0"),
              std::string::npos);
    EXPECT_NE(ReadError(WriteFile(dir, "neg.ico", negative)).find("image count is -1"),
              std::string::npos);
    EXPECT_NE(ReadError(WriteFile(dir, "empty.ico", {})).find("truncated"), std::string::npos);
    const std::string missing = ReadError(dir.file("missing.ico"));
    EXPECT_NE(missing.find("missing.ico"), std::string::npos);
    EXPECT_NE(missing.find("cannot open"), std::string::npos);
}

TEST(IconReaderTest, NamesTheBitDepthOfTrueColourImages) {
    TempDir dir;
    for (int bits : {16, 24, 32}) {
        // A true-colour image carries no colour table; the reader must say why it refuses it.
        Bytes image = MakeImage(16, 16, 1);
        image[14] = static_cast<std::uint8_t>(bits);
        const std::string error =
            ReadError(WriteFile(dir, "deep.ico", MakeIcon({MakeImage(16, 16, 4), image})));
        EXPECT_NE(error.find("deep.ico: image 1: the image has " + std::to_string(bits) +
                             " bits per pixel"),
                  std::string::npos)
            << error;
    }
}

TEST(IconReaderTest, NamesPngImagesAndOddHeaderSizes) {
    TempDir dir;
    Bytes png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    png.resize(200, 0x42);
    EXPECT_NE(ReadError(WriteFile(dir, "png.ico", MakeIcon({png})))
                  .find("image 0: the image is PNG-compressed"),
              std::string::npos);

    Bytes odd = MakeImage(16, 16, 4);
    odd[0] = 44;
    const std::string error = ReadError(WriteFile(dir, "odd.ico", MakeIcon({odd})));
    EXPECT_NE(error.find("header size is 44, not 40"), std::string::npos) << error;
}

TEST(IconReaderTest, TruncatedFilesFailWithoutAllocatingWhatTheyClaim) {
    TempDir dir;
    const Bytes full = MakeIcon({MakeImage(32, 32, 4), MakeImage(16, 16, 4)});
    // Cut inside the directory, inside the first image's header, its palette and the last
    // image's pixels: every cut is reported as truncation, never read as zeros.
    for (std::size_t cut : {std::size_t{10}, std::size_t{50}, std::size_t{100}, full.size() - 1}) {
        const Bytes shortened(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(cut));
        const std::string error = ReadError(WriteFile(dir, "cut.ico", shortened));
        EXPECT_NE(error.find("truncated"), std::string::npos) << cut << ": " << error;
    }

    // A 100-byte file whose directory claims a 2 GiB image: refused before any allocation
    // (under the sanitizer an attempt to allocate it would abort the test).
    Bytes huge = MakeIcon({MakeImage(1, 1, 1)}, 1,
                          [](std::size_t, test::DirEntry& e) { e.bytesInRes = 0x7FFFFFF0; });
    huge.resize(100);
    const std::string error = ReadError(WriteFile(dir, "huge.ico", huge));
    EXPECT_NE(error.find("huge.ico: image 0: truncated"), std::string::npos) << error;
}

TEST(IconReaderTest, RefusesSizesThatLeaveNoPixelsOrOverflow) {
    TempDir dir;
    auto withSize = [&](std::int32_t size) {
        return WriteFile(dir, "size.ico",
                         MakeIcon({MakeImage(16, 16, 4)}, 1,
                                  [size](std::size_t, test::DirEntry& e) { e.bytesInRes = size; }));
    };
    EXPECT_NE(ReadError(withSize(40 + 64)).find("leaves no room for pixels"), std::string::npos);
    EXPECT_NE(ReadError(withSize(-5)).find("leaves no room for pixels"), std::string::npos);
    // BytesInRes - biSize below the smallest 32-bit value.
    Bytes image = MakeImage(16, 16, 4);
    const std::string path =
        WriteFile(dir, "overflow.ico", MakeIcon({image}, 1, [](std::size_t, test::DirEntry& e) {
                      e.bytesInRes = INT32_MIN + 10;
                  }));
    EXPECT_NE(ReadError(path).find("overflow"), std::string::npos);
}

TEST(IconReaderTest, TextFileWithIconExtensionIsRefused) {
    TempDir dir;
    const std::string text = "This is not an icon at all, just some text.\r\n";
    test::WriteText(dir.file("text.ico"), text);
    EXPECT_FALSE(ReadError(dir.file("text.ico")).empty());
}

TEST(IconReaderTest, RowTextUsesTheStoredDirectoryEntry) {
    IconDirEntry e;
    e.Width = 32;
    e.Height = 32;
    e.ColorCount = 16;
    EXPECT_EQ(ImageRowText(e), "32 x 32 - 16 Colors");
    e.ColorCount = 0;
    EXPECT_EQ(ImageRowText(e), "32 x 32 - 0 Colors");
}

} // namespace
} // namespace gw

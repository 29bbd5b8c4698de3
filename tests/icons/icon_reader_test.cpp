#include "common/byte_io.h"
#include "common/error.h"
#include "icons/icon_writer.h"
#include "support/test_support.h"

#include <algorithm>
#include <array>
#include <gtest/gtest.h>

namespace gw {
namespace {

using test::Bytes;
using test::MakeIcon;
using test::MakeImage;

using Rows = std::vector<std::array<int, 9>>;

// Writes an icon file of the images and reads it. Each image must read back as its source
// bytes; gives per image its group entry's width, height, colour count, reserved, planes, bit
// count and size, then the image's colour-table entries and pixel bytes.
// An icon file of the images stored in reverse order, gap bytes before each, its directory
// entries placing each where it lies, as some tools write them.
Bytes StoredInReverse(const std::vector<Bytes>& images, std::size_t gap) {
    Bytes file = MakeIcon(images);
    file.resize(6 + 16 * images.size());
    for (std::size_t j = images.size(); j-- > 0;) {
        file.insert(file.end(), gap, 0xEE);
        test::PutLe32(file, 6 + 16 * j + 12, std::uint32_t(file.size()));
        file.insert(file.end(), images[j].begin(), images[j].end());
    }
    return file;
}

Rows ReadBack(const std::string& path, const std::vector<Bytes>& images, std::int16_t type = 1,
              const std::function<void(std::size_t, test::DirEntry&)>& edit = {}) {
    test::WriteBytes(path, MakeIcon(images, type, edit));
    const IconFileRecord icon = ReadIconFile(path);
    EXPECT_EQ(icon.Header.Type, type);
    Rows rows;
    for (std::size_t j = 0; j < icon.Images.size(); ++j) {
        const GroupIconEntry& e = icon.Entries.at(j);
        const IconImage& image = icon.Images[j];
        rows.push_back({e.Width, e.Height, e.ColorCount, e.Reserved, e.Planes, e.BitCount,
                        e.BytesInRes, int(image.Palette.size()), int(image.Bits.size())});
        ByteWriter out;
        PutIconImage(out, image);
        EXPECT_EQ(out.take(), images.at(j)) << "image " << j;
    }
    return rows;
}

TEST(IconReaderTest, ReadsImagesInFileOrderAndDerivesGroupEntriesFromTheirBitmaps) {
    test::TempDir dir;
    EXPECT_EQ(ReadBack(dir.file("two.ico"), {MakeImage(32, 32, 4, 1), MakeImage(16, 16, 4, 2)}),
              (Rows{{32, 32, 16, 0, 1, 4, 744, 16, 640}, {16, 16, 16, 0, 1, 4, 296, 16, 192}}));

    // A cursor-type file from a careless editor: wrong colour counts, planes and bit count 0 in
    // one entry and odd ones in another, and offsets that lead nowhere or to the other image.
    const auto careless = [](std::size_t j, test::DirEntry& e) {
        e.colorCount = 7;
        e.imageOffset = j == 2 ? e.imageOffset + 296 : j == 3 ? e.imageOffset - 296 : 12345;
        const std::int16_t planesAndBits[][2] = {{0, 0}, {3, 7}, {1, 4}, {1, 4}};
        e.planes = planesAndBits[j][0];
        e.bitCount = planesAndBits[j][1];
    };
    const std::vector<Bytes> images = {MakeImage(32, 32, 8, 1), MakeImage(32, 32, 1, 2),
                                       MakeImage(16, 16, 4, 3), MakeImage(16, 16, 4, 4)};
    // Entries that place their images behind the directory without overlap are taken as
    // placed, by both readers: stored in reverse order with a gap before each. Offsets that
    // lead before the directory's end or past the file's are not: the images are then taken
    // one after another, as nearly every file stores them.
    const std::vector<Bytes> two = {MakeImage(32, 32, 4, 5), MakeImage(16, 16, 8, 6)};
    const Bytes reversed = StoredInReverse(two, 3);
    Bytes early = MakeIcon(two), late = MakeIcon(two);
    test::PutLe32(early, 6 + 16 + 12, 20);
    test::PutLe32(late, 6 + 16 + 12, std::uint32_t(late.size() - 10));
    for (const Bytes& file : {reversed, early, late}) {
        test::WriteBytes(dir.file("placed.ico"), file);
        const IconFileRecord icon = ReadIconFile(dir.file("placed.ico"));
        const StoredIconFile stored = ReadStoredIcon(dir.file("placed.ico"));
        for (std::size_t j = 0; j < two.size(); ++j) {
            ByteWriter out;
            PutIconImage(out, icon.Images.at(j));
            EXPECT_EQ(out.take(), two[j]) << j;
            EXPECT_EQ(stored.Images.at(j).Bytes, two[j]) << j;
        }
    }
    EXPECT_EQ(ReadBack(dir.file("careless.cur"), images, 2, careless),
              (Rows{{32, 32, 0, 0, 1, 8, 2216, 256, 1152},
                    {32, 32, 2, 0, 3, 7, 304, 2, 256},
                    {16, 16, 16, 0, 1, 4, 296, 16, 192},
                    {16, 16, 16, 0, 1, 4, 296, 16, 192}}));
}

// Both readers over a file far larger than the reader's buffer, its images stored in reverse
// order with gaps: images that lie across the buffer's end, behind it and before it (a seek
// back), large ones read past the buffer, small ones between them. The packed reader keeps
// every image as stored; both give the same group entries.
TEST(IconReaderTest, BothReadersTakeEveryImageOfALargeFileWhereverItLies) {
    test::TempDir dir;
    std::vector<Bytes> images;
    for (std::uint8_t seed = 1; seed <= 6; ++seed) {
        // Small ones, middling ones and one of more than a quarter of the arena's block.
        images.push_back(seed % 2 == 0 ? MakeImage(16, 16, 4, seed)
                         : seed == 1   ? MakeImage(256, 256, 8, seed)
                                       : MakeImage(200, 180, 8, seed));
    }
    const std::string path = dir.file("large.ico");
    test::WriteBytes(path, StoredInReverse(images, 5000));

    const IconFileRecord icon = ReadIconFile(path);
    ByteArena arena;
    const PackedIconFile packed = ReadPackedIconFile(path, arena);
    ASSERT_EQ(icon.Images.size(), images.size());
    ASSERT_EQ(packed.Images.size(), images.size());
    EXPECT_EQ(packed.Record.Images.size(), images.size()); // stand-ins for the layout
    EXPECT_EQ(packed.Record.FileName, icon.FileName);
    for (std::size_t j = 0; j < images.size(); ++j) {
        ByteWriter decoded, stored;
        PutIconImage(decoded, icon.Images[j]);
        PutIconImage(stored, packed.Images[j]);
        EXPECT_EQ(decoded.take(), images[j]) << j;
        EXPECT_EQ(stored.take(), images[j]) << j;
        EXPECT_EQ(packed.Images[j].byteSize(), std::int32_t(images[j].size())) << j;
        ByteWriter entries;
        PutRecord(entries, icon.Entries[j]);
        PutRecord(entries, packed.Record.Entries[j]);
        const Bytes both = entries.take();
        EXPECT_TRUE(std::equal(both.begin(), both.begin() + 14, both.begin() + 14)) << j;
    }
}

TEST(IconReaderTest, RefusesWhatItCannotPackNamingFileImageAndCause) {
    test::TempDir dir;
    const Bytes full = MakeIcon({MakeImage(32, 32, 4), MakeImage(16, 16, 4)});
    const auto cut = [&](std::size_t n) { return Bytes(full.begin(), full.begin() + n); };
    // A 16 x 16 image as the second one, with a header field of the given width changed.
    const auto withField = [](std::size_t offset, std::size_t width, std::int32_t value) {
        Bytes image = MakeImage(16, 16, 4);
        for (std::size_t i = 0; i < width; ++i) {
            image[offset + i] =
                static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> 8 * i);
        }
        return MakeIcon({MakeImage(16, 16, 4), image});
    };
    const auto bits = [&](std::int32_t v) { return withField(14, 2, v); };
    const auto compression = [&](std::int32_t v) { return withField(16, 4, v); };
    const auto width = [&](std::int32_t v) { return withField(4, 4, v); };
    const auto height = [&](std::int32_t v) { return withField(8, 4, 2 * v); };
    // A 100-byte file holding one 56-byte image whose directory entry claims the given size.
    const auto claiming = [](std::int32_t size) {
        Bytes icon = MakeIcon({MakeImage(1, 1, 1)}, 1,
                              [size](std::size_t, test::DirEntry& e) { e.bytesInRes = size; });
        icon.resize(100);
        return icon;
    };
    Bytes png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    png.resize(200, 0x42);

    const std::string path = dir.file("bad.ico"), at = path + ": ";
    const std::pair<Bytes, std::string> cases[] = {
        {{0, 0, 1, 0, 0, 0}, at + "header: the image count is 0"},
        {{0, 0, 1, 0, 0xFF, 0xFF}, at + "header: the image count is 65535"},
        {png, path + " is not an icon file: it starts with the PNG signature"},
        {Bytes{'h', 'e', 'l', 'l', 'o', ' ', 't', 'e', 'x', 't', '\n'},
         path + " is not an icon file: it starts with text"},
        // Text whose directory fits the file is read as an icon file and fails on its images.
        {Bytes(6 + 16 * 0x2020, ' '), at + "image 0: truncated"},
        {bits(0), at + "image 1: the image has 0 bits per pixel"},
        {bits(3), at + "image 1: the image has 3 bits per pixel"},
        {compression(1), at + "image 1: its compression is 1 (BI_RLE8)"},
        {compression(6), at + "image 1: its compression is 6; only uncompressed"},
        {width(0), at + "image 1: its width of 0 pixels is outside 1 to 256"},
        {width(257), at + "image 1: its width of 257 pixels"},
        {height(0), at + "image 1: its height of 0 pixels"},
        {height(257), at + "image 1: its height of 257 pixels"},
        {MakeIcon({png}), at + "image 0: the image is PNG-compressed"},
        {withField(0, 4, 44), at + "image 1: the bitmap header size is 44, not 40"},
        {claiming(48), at + "image 0: truncated: its 48 bytes are too few for the header, colour "
                            "table and colour pixels of 1 x 1 pixels"},
        // Refused by the size check before the claimed 2 GiB are allocated, not while reading.
        {claiming(0x7FFFFFF0), at + "image 0: truncated: its 2147483632 bytes at offset 22 run "
                                    "past the end of the file at 100"},
        // Cut in the header, the directory, the first bitmap header, its colour table and the
        // last image's pixels: every cut is reported, none read as zeros.
        {cut(0), at + "header: truncated"},
        {cut(10), at + "directory: truncated"},
        {cut(50), at + "image 0: truncated"},
        {cut(100), at + "image 0: truncated"},
        {cut(full.size() - 1), at + "image 1: truncated"},
        {claiming(INT32_MIN + 10), at + "image 0: its directory entry gives it -2147483638 bytes"},
    };
    for (const auto& [bytes, expected] : cases) {
        test::WriteBytes(path, bytes);
        const std::string error = test::ThrownBy([&] { return ReadIconFile(path); }).text;
        EXPECT_NE(error.find(expected), std::string::npos) << error;
    }
}

// Images of every kind: palette, 16-, 24- and 32-bit bitmaps and PNGs of every colour type,
// up to 512 pixels. Each with what its header says (width, height, bits, PNG) and the entry the
// writer derives from it (width, height, colour count, planes, bit count).
struct Kind {
    Bytes bytes;
    std::array<int, 4> info;
    std::array<int, 5> entry;
};
std::vector<Kind> EveryKind() {
    return {{MakeImage(16, 16, 1), {16, 16, 1, 0}, {16, 16, 2, 0, 0}},
            {MakeImage(32, 32, 4), {32, 32, 4, 0}, {32, 32, 16, 0, 0}},
            {MakeImage(48, 48, 8), {48, 48, 8, 0}, {48, 48, 0, 0, 0}},
            {MakeImage(16, 16, 16), {16, 16, 16, 0}, {16, 16, 0, 1, 16}},
            {MakeImage(24, 24, 24), {24, 24, 24, 0}, {24, 24, 0, 1, 24}},
            {MakeImage(256, 256, 32), {256, 256, 32, 0}, {0, 0, 0, 1, 32}},
            {test::MakePng(256, 256), {256, 256, 32, 1}, {0, 0, 0, 1, 32}},
            {test::MakePng(512, 300, 2, 16), {512, 300, 48, 1}, {0, 0, 0, 1, 48}},
            {test::MakePng(16, 16, 3, 4), {16, 16, 4, 1}, {16, 16, 16, 1, 4}},
            {test::MakePng(20, 10, 4, 8), {20, 10, 16, 1}, {20, 10, 0, 1, 16}},
            {test::MakePng(1, 1, 0, 1), {1, 1, 1, 1}, {1, 1, 2, 1, 1}}};
}

TEST(IconReaderTest, ReadsEveryImageKindWhereItsEntryPlacesItAndWritesItBack) {
    test::TempDir dir;
    const std::vector<Kind> kinds = EveryKind();
    std::vector<Bytes> images;
    for (const Kind& k : kinds) {
        images.push_back(k.bytes);
    }
    const std::string source = dir.file("modern.ico"), out = dir.file("out.ico");
    test::WriteBytes(source, StoredInReverse(images, 3));
    const StoredIconFile icon = ReadStoredIcon(source);
    ASSERT_EQ(icon.Images.size(), kinds.size());
    for (std::size_t j = 0; j < kinds.size(); ++j) {
        const ImageInfo& i = icon.Images[j].Info;
        EXPECT_EQ(icon.Images[j].Bytes, kinds[j].bytes) << j;
        EXPECT_EQ((std::array<int, 4>{i.Width, i.Height, i.BitCount, i.Format == ImageFormat::Png}),
                  kinds[j].info)
            << j;
    }
    EXPECT_EQ(ImageRowText(icon.Images[7]), "512 x 300 - 0 Colors");
    // The colours shown: the entry's count, and 256 for an 8-bit image whose count byte says 0.
    const std::vector<int> colors = {2, 16, 256, 0, 0, 0, 0, 0, 0, 0, 0};
    ASSERT_EQ(colors.size(), kinds.size());
    for (std::size_t j = 0; j < kinds.size(); ++j) {
        EXPECT_EQ(ShownColorCount(icon.Images[j]), colors[j]) << j;
    }

    // Written back one after another, each entry from the image's own header.
    WriteStoredIcon(out, icon.Images);
    const Bytes written = test::ReadBytes(out);
    std::size_t end = 6 + 16 * kinds.size();
    for (std::size_t j = 0; j < kinds.size(); ++j) {
        const std::size_t at = 6 + 16 * j;
        EXPECT_EQ((std::array<int, 5>{written[at], written[at + 1], written[at + 2],
                                      test::Le16(written, at + 4), test::Le16(written, at + 6)}),
                  kinds[j].entry)
            << j;
        EXPECT_EQ(test::Le32(written, at + 12), end) << j;
        EXPECT_EQ(test::IconImageBytes(written, j), kinds[j].bytes) << j;
        end += kinds[j].bytes.size();
    }
    EXPECT_EQ(written.size(), end);
    // The DLL's reader still takes palette images only, and says what to do with the others.
    test::WriteBytes(source, MakeIcon(images));
    EXPECT_EQ(test::ThrownBy([&] { return ReadIconFile(source); }).text,
              source + ": image 3: the image has 16 bits per pixel; only palette images of 1, 2, "
                       "4 or 8 bits per pixel can be packed; make palette images from it with "
                       "glyphwright-cli convert");
}

// The DLL's reader sends only true-colour images to convert; an image of a bit count no bitmap
// has is refused without that hint.
TEST(IconReaderTest, OnlyTrueColourImagesAreSentToConvert) {
    test::TempDir dir;
    const std::string path = dir.file("deep.ico");
    for (const auto& [bits, hinted] :
         {std::pair{32, true}, std::pair{24, true}, std::pair{16, true}, std::pair{3, false}}) {
        Bytes image = MakeImage(16, 16, 32);
        image[14] = static_cast<std::uint8_t>(bits); // biBitCount
        test::WriteBytes(path, MakeIcon({image}));
        const std::string error = test::ThrownBy([&] { return ReadIconFile(path); }).text;
        EXPECT_NE(error.find("the image has " + std::to_string(bits) + " bits per pixel"),
                  std::string::npos)
            << error;
        EXPECT_EQ(error.find("glyphwright-cli convert") != std::string::npos, hinted) << error;
    }
}

TEST(IconReaderTest, StoredReaderRefusesDamageNamingImageAndCause) {
    test::TempDir dir;
    const std::string path = dir.file("bad.ico"), at = path + ": ";
    const Bytes png = test::MakePng(16, 16), bmp = MakeImage(16, 16, 32);
    const Bytes two = MakeIcon({MakeImage(16, 16, 4), png});
    const auto entry = [](std::size_t field, std::int32_t value, Bytes icon) {
        test::PutLe32(icon, 6 + 16 + field, std::uint32_t(value));
        return icon;
    };
    const auto image = [](Bytes bytes, std::size_t offset, std::uint8_t value) {
        bytes.at(offset) = value;
        return MakeIcon({MakeImage(16, 16, 4), bytes});
    };
    const std::pair<Bytes, std::string> cases[] = {
        {entry(8, 0, two), at + "image 1: its directory entry gives it 0 bytes"},
        // Image 1 claims the bytes of the larger image 0 a second time: the images are then
        // taken one after another, and the second runs past the end.
        {entry(8, std::int32_t(png.size()), entry(12, 38, MakeIcon({png, MakeImage(16, 16, 4)}))),
         at + "image 1: truncated: its " + std::to_string(png.size()) + " bytes at offset " +
             std::to_string(38 + png.size())},
        {MakeIcon({Bytes(png.begin(), png.begin() + 28)}),
         at + "image 0: truncated: the PNG image is 28 bytes long"},
        {image(png, 15, 'X'), at + "image 1: the PNG image does not begin with a 13-byte IHDR"},
        {image(png, 25, 5), at + "image 1: the PNG image's colour type 5 with a bit depth of 8"},
        {image(png, 24, 4), at + "image 1: the PNG image's colour type 6 with a bit depth of 4"},
        {image(png, 19, 0), at + "image 1: the PNG image's width of 0 pixels"},
        {image(png, 16, 0x80), at + "image 1: the PNG image's width of 2147483664 pixels"},
        {image(bmp, 14, 3), at + "image 1: the image has 3 bits per pixel"},
        {image(bmp, 16, 1), at + "image 1: its compression is 1 (BI_RLE8) at 32 bits per pixel"},
        {image(bmp, 0, 12), at + "image 1: the bitmap header size is 12"},
        {image(bmp, 4, 0), at + "image 1: its size of 0 x 16 pixels is not an image"},
        {image(bmp, 5, 1), at + "image 1: truncated: its 1128 bytes are too few"},
        {image(MakeImage(16, 16, 4), 32, 17), at + "image 1: its colour table of 17 entries"},
    };
    for (const auto& [bytes, expected] : cases) {
        test::WriteBytes(path, bytes);
        const std::string error = test::ThrownBy([&] { return ReadStoredIcon(path); }).text;
        EXPECT_TRUE(error.starts_with(expected)) << error;
    }
}

} // namespace
} // namespace gw

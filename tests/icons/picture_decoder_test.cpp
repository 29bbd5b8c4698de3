#include "common/error.h"
#include "icons/image_sources.h"
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace gw {
namespace {

test::Bytes DataFile(const std::string& name) {
    const std::string text = test::TestData(name);
    return {text.begin(), text.end()};
}

// The pixels another decoder (ImageMagick) gives for a PngSuite picture: 16 bits a channel,
// big-endian, rounded here to 8 bits.
test::Bytes Reference(const std::string& name) {
    const test::Bytes wide = DataFile("pngsuite/" + name + ".rgba16");
    test::Bytes pixels;
    for (std::size_t i = 0; i + 1 < wide.size(); i += 2) {
        pixels.push_back(
            static_cast<std::uint8_t>(((wide[i] << 8 | wide[i + 1]) * 255 + 32767) / 65535));
    }
    return pixels;
}

std::string RefusalOf(const test::Bytes& bytes) {
    return test::ThrownBy([&] { return DecodePicture(bytes, "p.png", "picture"); }).text;
}

// Every colour type and depth, with transparency and interlacing, decodes to the pixels
// another decoder (ImageMagick) gives; the interlaced files to those of their plain namesakes.
TEST(PictureDecoderTest, DecodesEveryKindOfPngAsAnotherDecoderDoes) {
    for (const char* name :
         {"basn0g01", "basn0g02", "basn0g04", "basn0g08", "basn0g16", "basn2c08", "basn2c16",
          "basn3p01", "basn3p02", "basn3p04", "basn3p08", "basn4a08", "basn4a16", "basn6a08",
          "basn6a16", "ftbbn3p08", "ftbrn2c08", "ftbwn0g16"}) {
        const std::string file = std::string("pngsuite/") + name;
        const RgbaImage image = DecodePicture(DataFile(file + ".png"), name, "");
        EXPECT_EQ(image.Width, 32) << name;
        EXPECT_EQ(image.Height, 32) << name;
        EXPECT_TRUE(image.Pixels == Reference(name)) << name;
    }
    for (const char* name : {"basn0g04", "basn3p08", "basn6a16"}) {
        EXPECT_TRUE(
            DecodePicture(DataFile("pngsuite/i" + std::string(name) + ".png"), name, "").Pixels ==
            Reference(name))
            << name;
    }
}

// BMP files another program wrote (run-length encoded, bit fields with alpha, plain rows)
// decode to the pixels of the picture they were written from.
TEST(PictureDecoderTest, DecodesBmpFilesAsTheirSourcePictures) {
    const std::pair<const char*, const char*> cases[] = {
        {"rle8", "basn3p08"}, {"bitfields-alpha", "basn6a08"}, {"rgb24", "basn2c08"}};
    for (const auto& [bmp, png] : cases) {
        const RgbaImage image =
            DecodePicture(DataFile(std::string("bmp/") + bmp + ".bmp"), bmp, "picture");
        EXPECT_TRUE(image.Pixels == Reference(png)) << bmp;
    }
}

// A BMP file as the tests build it: file header, a header of headerSize bytes with these
// fields, the colour table or masks, then the pixels at the offset the file header gives.
test::Bytes BmpFile(std::uint32_t headerSize, std::int32_t width, std::int32_t height, int bits,
                    std::uint32_t compression, const test::Bytes& table,
                    const test::Bytes& pixels) {
    const std::uint32_t pixelsAt = 14 + headerSize + static_cast<std::uint32_t>(table.size());
    test::Bytes b = {'B', 'M'};
    test::Put(b, 4, {pixelsAt + static_cast<std::uint32_t>(pixels.size()), 0, pixelsAt});
    const test::Bytes header = test::BitmapHeader(headerSize, width, height, bits, compression,
                                                  bits <= 8 ? std::uint32_t(table.size() / 4) : 0);
    b.insert(b.end(), header.begin(), header.end());
    b.insert(b.end(), table.begin(), table.end());
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

// Red, green, blue and white as colour table entries (blue, green, red, 0).
const test::Bytes kFourColours = {0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0, 255, 255, 255, 0};
constexpr std::array<std::uint8_t, 4> kRed{255, 0, 0, 255}, kGreen{0, 255, 0, 255},
    kBlue{0, 0, 255, 255}, kWhite{255, 255, 255, 255}, kNone{0, 0, 0, 0};

std::vector<std::array<std::uint8_t, 4>> PixelsOf(const RgbaImage& image) {
    std::vector<std::array<std::uint8_t, 4>> pixels;
    for (std::size_t i = 0; i + 3 < image.Pixels.size(); i += 4) {
        pixels.push_back(
            {image.Pixels[i], image.Pixels[i + 1], image.Pixels[i + 2], image.Pixels[i + 3]});
    }
    return pixels;
}

// Runs, the escapes (end of line, a move, pixels as they are, end of bitmap), at 8 and at 4
// bits; pixels the runs skip or never reach stay transparent, a run past the row's end is cut.
TEST(PictureDecoderTest, DecodesRunLengthEncodedBmps) {
    // 4 x 3, bottom row first. Bottom row: a run of 2 red; 3 indexes as they are (green,
    // blue, then white past the row's end), padded to 16 bits; end of line. Then a move 1 right
    // and 1 up, past the middle row to x = 1 of the top one: a run of 9 white, cut at the row's
    // end; end of bitmap, and bytes never read.
    const test::Bytes rle8 = {2, 0, 0, 3, 1, 2, 3, 0, 0, 0, 0, 2, 1, 1, 9, 3, 0, 1, 7, 7};
    const RgbaImage image8 = DecodePicture(BmpFile(40, 4, 3, 8, 1, kFourColours, rle8), "r8", "");
    EXPECT_EQ(PixelsOf(image8),
              (std::vector<std::array<std::uint8_t, 4>>{kNone, kWhite, kWhite, kWhite, // top
                                                        kNone, kNone, kNone, kNone,    // middle
                                                        kRed, kRed, kGreen, kBlue}));  // bottom
    // At 4 bits a run alternates its two indexes (green, blue, green), and 3 indexes as they are
    // (white, red, green) take 2 bytes.
    const test::Bytes rle4 = {3, 0x12, 0, 0, 0, 3, 0x30, 0x10, 0, 1};
    const RgbaImage image4 = DecodePicture(BmpFile(40, 4, 2, 4, 2, kFourColours, rle4), "r4", "");
    EXPECT_EQ(PixelsOf(image4),
              (std::vector<std::array<std::uint8_t, 4>>{kWhite, kRed, kGreen, kNone,     // top
                                                        kGreen, kBlue, kGreen, kNone})); // bottom
}

// 16-bit pixels with bit fields (5-6-5), and a 32-bit one whose alpha mask (a header of 56 bytes
// or more) gives alpha; rows top-down.
TEST(PictureDecoderTest, DecodesBitFieldBmps) {
    test::Bytes masks565;
    test::Put(masks565, 4, {0xF800, 0x07E0, 0x001F});
    // White, and a red of 16 of 31 levels, in one row padded to 4 bytes.
    const RgbaImage rgb565 =
        DecodePicture(BmpFile(40, 2, -1, 16, 3, masks565, {0xFF, 0xFF, 0x00, 0x80}), "f", "");
    EXPECT_EQ(PixelsOf(rgb565),
              (std::vector<std::array<std::uint8_t, 4>>{kWhite, {131, 0, 0, 255}}));
    // A 56-byte header holds the masks in its fields: blue in the low byte, alpha in the high.
    test::Bytes header = test::BitmapHeader(56, 2, -1, 32, 3);
    test::PutLe32(header, 40, 0x00FF0000);
    test::PutLe32(header, 44, 0x0000FF00);
    test::PutLe32(header, 48, 0x000000FF);
    test::PutLe32(header, 52, 0xFF000000);
    test::Bytes file = {'B', 'M'};
    test::Put(file, 4, {14 + 56 + 8, 0, 14 + 56});
    file.insert(file.end(), header.begin(), header.end());
    file.insert(file.end(), {0x30, 0x20, 0x10, 0x80, 0xFF, 0xFF, 0xFF, 0x00});
    EXPECT_EQ(
        PixelsOf(DecodePicture(file, "a", "")),
        (std::vector<std::array<std::uint8_t, 4>>{{0x10, 0x20, 0x30, 0x80}, {255, 255, 255, 0}}));
}

// What cannot be read is refused with what the file holds, never with an empty cause.
TEST(PictureDecoderTest, RefusesWhatItCannotReadWithTheCause) {
    const test::Bytes png = DataFile("pngsuite/basn2c08.png");
    // gAMA, the ancillary chunk after IHDR, with a damaged byte: its CRC no longer matches.
    test::Bytes badAncillary = png;
    badAncillary[33 + 8] ^= 1;
    // The same for the image data: its CRC, before the 12-byte IEND chunk, damaged.
    test::Bytes badData = png;
    badData[badData.size() - 12 - 1] ^= 1;
    // A palette picture without its palette: the PLTE chunk after IHDR (768 bytes) taken out.
    test::Bytes noPalette = test::EncodePngRows(1, 1, 3, 8, {0, 0});
    noPalette.erase(noPalette.begin() + 33, noPalette.begin() + 33 + 12 + 768);
    const struct {
        test::Bytes bytes;
        const char* cause;
    } cases[] = {
        {badAncillary, "CRC error"},
        {badData, "CRC error"},
        {noPalette, "PLTE"},
        {test::Bytes(png.begin(), png.begin() + 100), "the file ends inside the picture"},
        {BmpFile(12, 1, 1, 24, 0, {}, {0, 0, 0, 0}), "an OS/2 bitmap"},
        {BmpFile(40, 1, 1, 24, 4, {}, {0, 0, 0, 0}), "its compression is 4 (BI_JPEG)"},
        {BmpFile(40, 1, -1, 8, 1, kFourColours, {1, 0, 0, 1}), "claim to be stored top-down"},
        {BmpFile(40, 4, 4, 24, 0, {}, {0, 0, 0, 0}), "truncated"},
    };
    for (const auto& c : cases) {
        const std::string error = RefusalOf(c.bytes);
        EXPECT_NE(error.find(c.cause), std::string::npos) << c.cause << ": " << error;
        EXPECT_FALSE(error.ends_with(": ")) << error;
    }
}

// Image data that goes on a little after the last row adds nothing; data that goes on far
// beyond what the rows need (a small file that inflates for seconds) is refused, and says so.
TEST(PictureDecoderTest, ImageDataFarBeyondTheRowsIsRefused) {
    test::Bytes raw = {0, 10, 20, 30, 40};
    raw.resize(raw.size() + 1000, 0);
    const RgbaImage image = DecodePicture(test::EncodePngRows(1, 1, 6, 8, raw), "long.png", "");
    EXPECT_EQ(image.Pixels, (test::Bytes{10, 20, 30, 40}));
    raw.resize(raw.size() + (1 << 20), 0);
    EXPECT_NE(RefusalOf(test::EncodePngRows(1, 1, 6, 8, raw))
                  .find("its image data inflates to more than the 5 bytes its pixels need"),
              std::string::npos);
}

} // namespace
} // namespace gw

#include "icons/dib.h"
#include "icons/icon_files.h"
#include "icons/image_sources.h"
#include "support/test_support.h"

#include <array>
#include <gtest/gtest.h>

namespace gw {
namespace {

using test::BitmapHeader;
using test::Bytes;

// Where the layout puts the colour masks, the colour table (and its entries), the colour pixels
// (and their row length), the AND mask and the end, for headers of every kind.
TEST(DibTest, OneLayoutForEveryHeader) {
    constexpr std::uint32_t kBitFields = 3;
    const struct {
        Bytes header;
        std::array<std::uint64_t, 7> expected;
    } cases[] = {
        // 8 bits with biClrUsed 16: the table has 16 entries, not 256.
        {BitmapHeader(40, 16, 32, 8, 0, 16), {40, 40, 16, 104, 16, 360, 424}},
        // True colour: a table only when biClrUsed gives one.
        {BitmapHeader(124, 2, 4, 24, 0, 3), {40, 124, 3, 136, 8, 152, 160}},
        // BI_BITFIELDS: the masks behind a header too short to hold them, else at byte 40.
        {BitmapHeader(40, 2, 4, 16, kBitFields, 0), {40, 52, 0, 52, 4, 60, 68}},
        {BitmapHeader(44, 2, 4, 16, kBitFields, 0), {44, 56, 0, 56, 4, 64, 72}},
        {BitmapHeader(52, 2, 4, 32, kBitFields, 0), {40, 52, 0, 52, 8, 68, 76}},
        {BitmapHeader(108, 2, 4, 32, kBitFields, 0), {40, 108, 0, 108, 8, 124, 132}},
    };
    for (const auto& c : cases) {
        const DibLayout l = LayOutIconBitmap(ReadBitmapInfoHeader(c.header, "", ""), "", "");
        EXPECT_EQ((std::array<std::uint64_t, 7>{l.ColourMasksAt, l.TableAt, l.TableEntries,
                                                l.ColourAt, l.Stride, l.ColourEnd, l.AndEnd}),
                  c.expected)
            << "header of " << c.header.size() << " bytes, " << l.BitCount << " bits";
    }
}

// The DLL builder's reader, the reader of every image kind (inspect, extract, the image
// remover) and the decoder (convert, the previews) take an image by the same rules.
TEST(DibTest, EveryReaderTakesAnImageByTheSameRules) {
    // 2 x 2 at 16 bits, 5-6-5 by masks behind a 44-byte header: red, white on top, then blue,
    // green; the AND mask clear. The colour pixels end at 64.
    Bytes fields = BitmapHeader(44, 2, 4, 16, 3, 0);
    test::Put(fields, 4, {0xF800, 0x07E0, 0x001F});
    fields.insert(fields.end(), {0x1F, 0x00, 0xE0, 0x07, 0x00, 0xF8, 0xFF, 0xFF});
    fields.resize(fields.size() + 8, 0);
    const RgbaImage decoded = DecodeIconImageBytes(fields, "f.ico", "image 0");
    EXPECT_EQ(decoded.Pixels,
              (Bytes{255, 0, 0, 255, 255, 255, 255, 255, 0, 0, 255, 255, 0, 255, 0, 255}));

    // A palette image whose table biClrUsed makes 16 entries long, and one that claims more
    // entries than its depth can index.
    Bytes short8 = BitmapHeader(40, 2, 4, 8, 0, 16);
    for (std::uint32_t i = 0; i < 16; ++i) {
        test::Put(short8, 4, {i * 0x00010101});
    }
    short8.insert(short8.end(), {15, 20, 0, 0, 2, 3, 0, 0}); // 20 lies beyond the table
    short8.resize(short8.size() + 8, 0);
    Bytes large8 = short8;
    large8[32] = 1; // biClrUsed 257
    large8[33] = 1;
    // The same with the tables their biClrUsed gives all there: 256 entries fit 8 bits, 257 do
    // not, though the bytes hold them.
    const auto withTable = [](std::uint32_t entries) {
        Bytes image = BitmapHeader(40, 2, 4, 8, 0, entries);
        for (std::uint32_t i = 0; i < entries; ++i) {
            test::Put(image, 4, {(i & 0xFF) * 0x00010101});
        }
        image.insert(image.end(), {15, 20, 0, 0, 2, 3, 0, 0});
        image.resize(image.size() + 8, 0);
        return image;
    };
    const Bytes full8 = withTable(256), whole257 = withTable(257);

    const auto cutTo = [](const Bytes& b, std::size_t size) {
        return Bytes(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(size));
    };
    const auto verdict = [](auto read) { return test::ThrownBy([&] { return read(); }).text; };
    const std::string ok = "(no error)", truncated = "x.ico: image 0: truncated: its ";
    const std::string tooLarge = "x.ico: image 0: its colour table of 257 entries is larger "
                                 "than 8 bits per pixel can use";
    const std::string shortHeader =
        "x.ico: image 0: truncated: the image is 39 bytes long, less than a 40-byte bitmap header";
    const std::string notPackable =
        "x.ico: image 0: the bitmap header size is 44, not 40; the image cannot be packed";
    const struct {
        Bytes image;
        std::string packed, described, decoded;
    } cases[] = {
        {short8, ok, ok, ok},
        {large8, tooLarge, tooLarge, tooLarge},
        {full8, ok, ok, ok},
        {whole257, tooLarge, tooLarge, tooLarge},
        // Cut within the header, the colour pixels and the AND mask, which only the decoder
        // draws.
        {cutTo(short8, 39), shortHeader, shortHeader, shortHeader},
        {cutTo(short8, 40), truncated, truncated, truncated},
        {cutTo(short8, 112), ok, ok, "x.ico: image 0: the image is cut short: 112 bytes"},
        {cutTo(fields, 63), notPackable, truncated, truncated},
        {cutTo(fields, 64), notPackable, ok, "x.ico: image 0: the image is cut short: 64 bytes"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.image.size()) + " bytes");
        const std::string verdicts[] = {
            verdict([&] { return DecodeIconImage(c.image, "x.ico", "image 0"); }),
            verdict([&] { return DescribeImage(c.image, "x.ico", "image 0"); }),
            verdict([&] { return DecodeIconImageBytes(c.image, "x.ico", "image 0"); })};
        const std::string* expected[] = {&c.packed, &c.described, &c.decoded};
        for (int k = 0; k < 3; ++k) {
            EXPECT_TRUE(verdicts[k].starts_with(*expected[k])) << k << ": " << verdicts[k];
        }
    }
    const IconImage packed = DecodeIconImage(short8, "x.ico", "image 0");
    EXPECT_EQ(packed.Palette.size(), 16u);
    EXPECT_EQ(DecodeIconImageBytes(short8, "x.ico", "").Pixels,
              (Bytes{2, 2, 2, 255, 3, 3, 3, 255, 15, 15, 15, 255, 0, 0, 0, 255}));
    // The decoder takes at most 16384 pixels a side.
    for (const int width : {16384, 16385}) {
        Bytes wide = BitmapHeader(40, width, 2, 1, 0, 0);
        wide.resize(40 + 8 + 2 * static_cast<std::size_t>((width + 31) / 32 * 4), 0);
        EXPECT_EQ(verdict([&] { return DecodeIconImageBytes(wide, "x.ico", "image 0"); }),
                  width == 16384 ? ok
                                 : "x.ico: image 0: the picture is 16385 x 1 pixels; pictures of "
                                   "at most 16384 x 16384 pixels are converted");
    }
}

} // namespace
} // namespace gw

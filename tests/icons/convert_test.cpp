#include "common/error.h"
#include "common/file_io.h"
#include "icons/convert_for_handhelds.h"
#include "icons/icon_writer.h"
#include "icons/image_sources.h"
#include "icons/quantize.h"
#include "icons/resample.h"
#include "support/test_support.h"

#include <algorithm>
#include <array>
#include <gtest/gtest.h>
#include <set>

namespace gw {
namespace {

using Pixel = std::array<std::uint8_t, 4>;
using test::MakePicture;

Pixel PixelAt(const RgbaImage& image, int x, int y) {
    const std::size_t at = (static_cast<std::size_t>(y) * image.Width + x) * 4;
    return {image.Pixels[at], image.Pixels[at + 1], image.Pixels[at + 2], image.Pixels[at + 3]};
}

// Colour i of a set of distinct colours (37 is odd, so the red values differ), never black.
Pixel ColourNo(int i) {
    return {static_cast<std::uint8_t>(i * 37 % 256 + (i == 0)),
            static_cast<std::uint8_t>((i * 91 + 17) % 256),
            static_cast<std::uint8_t>((i * 53 + 101) % 256), 255};
}

// The 16 colours of the Windows palette.
const std::vector<Pixel> kWindowsColours = {
    {0, 0, 0, 255},       {128, 0, 0, 255},   {0, 128, 0, 255},   {128, 128, 0, 255},
    {0, 0, 128, 255},     {128, 0, 128, 255}, {0, 128, 128, 255}, {192, 192, 192, 255},
    {128, 128, 128, 255}, {255, 0, 0, 255},   {0, 255, 0, 255},   {255, 255, 0, 255},
    {0, 0, 255, 255},     {255, 0, 255, 255}, {0, 255, 255, 255}, {255, 255, 255, 255}};

// Converts, writes the icon file and decodes it again, as a device would show it.
std::vector<RgbaImage> Converted(const std::vector<RgbaImage>& sources,
                                 const ConvertOptions& options) {
    test::TempDir dir;
    const std::filesystem::path file = dir.path() / "made.ico";
    WriteIconFile(file, ConvertForHandhelds(sources, options));
    return LoadSourceImages(file);
}

// A picture with no more colours than its depth's palette holds comes out with every opaque
// pixel's colour as it was, dithered or not; the AND mask follows alpha (opaque from 128), and
// transparent pixels are stored black so that the screen shows through them unchanged.
TEST(ConvertTest, KeepsEveryColourThatFitsThePaletteAndMasksByAlpha) {
    std::vector<Pixel> blackAndWhite = {kWindowsColours.front(), kWindowsColours.back()};
    const auto distinct = [](int n) {
        std::vector<Pixel> colours;
        for (int i = 0; i < n; ++i) {
            colours.push_back(ColourNo(i));
        }
        return colours;
    };
    const struct {
        const char* name;
        int bits;
        bool standard;
        std::vector<Pixel> colours;
        bool transparent;
    } cases[] = {
        {"16 colours, 4 bits", 4, false, distinct(16), false},
        {"15 colours and transparency, 4 bits", 4, false, distinct(15), true},
        {"256 colours, 8 bits", 8, false, distinct(256), false},
        {"255 colours and transparency, 8 bits", 8, false, distinct(255), true},
        {"the Windows colours, standard palette", 4, true, kWindowsColours, true},
        {"black and white, 1 bit", 1, false, blackAndWhite, true},
    };
    for (const auto& c : cases) {
        const int n = static_cast<int>(c.colours.size());
        // Every colour on some opaque pixel; alphas 0 and 127 transparent, 128 and 255 opaque.
        const RgbaImage picture = MakePicture(32, 32, [&](int x, int y) {
            const int i = y * 32 + x;
            Pixel p = c.colours[static_cast<std::size_t>(i % n)];
            p[3] = c.transparent && i % 7 == 3 ? (i % 2 ? 0 : 127) : (i % 3 ? 255 : 128);
            return p;
        });
        for (const bool dither : {true, false}) {
            SCOPED_TRACE(std::string(c.name) + (dither ? ", dithered" : ""));
            const auto images = Converted({picture}, {{32}, {c.bits}, dither, c.standard});
            ASSERT_EQ(images.size(), 1u);
            int wrong = 0;
            for (int y = 0; y < 32; ++y) {
                for (int x = 0; x < 32; ++x) {
                    Pixel expected = PixelAt(picture, x, y);
                    expected = expected[3] >= 128
                                   ? Pixel{expected[0], expected[1], expected[2], 255}
                                   : Pixel{0, 0, 0, 0};
                    wrong += PixelAt(images[0], x, y) != expected;
                }
            }
            EXPECT_EQ(wrong, 0);
        }
    }
    // Any other colour goes to one of the Windows colours on the standard palette.
    const RgbaImage rainbow =
        MakePicture(16, 16, [](int x, int y) { return ColourNo(x * 16 + y); });
    const RgbaImage standard = Converted({rainbow}, {{16}, {4}, true, true}).at(0);
    for (int i = 0; i < 256; ++i) {
        const Pixel p = PixelAt(standard, i % 16, i / 16);
        EXPECT_NE(std::find(kWindowsColours.begin(), kWindowsColours.end(), p),
                  kWindowsColours.end())
            << int(p[0]) << "," << int(p[1]) << "," << int(p[2]);
    }
}

// Each size starts from the smallest source at least as large, else from the largest; of two
// sources of one size the one with more colours.
// With more colours than the palette holds, the palette splits the colours where that leaves the
// least error: a lone bright colour keeps an entry of its own, and the two dark ones, close to
// each other, share one.
TEST(ConvertTest, SplitsColoursWhereTheErrorIsLeast) {
    const RgbaImage picture = MakePicture(21, 1, [](int x, int) {
        return x < 10 ? Pixel{0, 0, 0, 255} : x < 20 ? Pixel{12, 0, 0, 255} : Pixel{220, 0, 0, 255};
    });
    const std::vector<Rgb> palette = ChoosePalette(picture, 2);
    ASSERT_EQ(palette.size(), 2u);
    EXPECT_NE(std::find(palette.begin(), palette.end(), Rgb{220, 0, 0}), palette.end());
    const Rgb dark = palette[0] == Rgb{220, 0, 0} ? palette[1] : palette[0];
    EXPECT_EQ(dark.G, 0);
    EXPECT_LE(dark.R, 12);
}

TEST(ConvertTest, StartsEachSizeFromTheClosestLargerSource) {
    const auto flat = [](int size, int colour) {
        return MakePicture(size, size, [&](int, int) { return ColourNo(colour); });
    };
    const RgbaImage twoColours =
        MakePicture(32, 32, [](int x, int) { return ColourNo(x < 16 ? 3 : 4); });
    const std::vector<RgbaImage> sources = {flat(48, 0), flat(16, 1), flat(32, 2), twoColours};
    const std::vector<int> sizes = {16, 24, 32, 64, 8, 1};
    const int expected[] = {1, 3, 3, 0, 1, 1};
    const auto images = Converted(sources, {sizes, {8}, true, false});
    ASSERT_EQ(images.size(), sizes.size());
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        EXPECT_EQ(images[i].Width, sizes[i]);
        EXPECT_EQ(PixelAt(images[i], 0, 0), ColourNo(expected[i])) << "size " << sizes[i];
    }
    // A single pixel fills the whole icon.
    const auto dot = Converted({flat(1, 5)}, {{16}, {4}, true, false});
    EXPECT_EQ(PixelAt(dot.at(0), 15, 15), ColourNo(5));
}

// From an icon file only the images that suit the sizes asked for are decoded: a damaged image
// that no size needs costs nothing and stops nothing, as many images beyond the pixel budget
// that no size needs do not either.
TEST(ConvertTest, DecodesOnlyTheImagesTheSizesNeed) {
    test::TempDir dir;
    test::Bytes damaged = test::MakePng(48, 48);
    damaged[damaged.size() - 13] ^= 1; // the image data's CRC
    // A PNG whose header claims 4096 x 4096 (the width and height at 16 and 20, big-endian).
    test::Bytes large = test::MakePng(8, 8);
    large[18] = large[22] = 0x10;
    const test::Bytes small = test::MakeImage(16, 16, 32);
    const std::filesystem::path file = dir.path() / "many.ico";
    test::WriteBytes(file, test::MakeIcon({small, damaged, large, small, large}));
    const std::vector<int> sixteen = {16}, twenty = {20};
    const std::vector<RgbaImage> both = LoadSourceImages(file, sixteen);
    ASSERT_EQ(both.size(), 2u); // the two 16 x 16 images, which suit alike
    EXPECT_EQ(both[0].Width, 16);
    EXPECT_EQ(both[1].Width, 16);
    const std::string needsDamaged =
        test::ThrownBy([&] { return LoadSourceImages(file, twenty); }).text;
    EXPECT_NE(needsDamaged.find("image 1"), std::string::npos) << needsDamaged;
    const std::string all = test::ThrownBy([&] { return LoadSourceImages(file); }).text;
    EXPECT_NE(all.find("at most 16777216 pixels"), std::string::npos) << all;
}

// Area averaging: partly covered pixels count by the part covered; colours are averaged as
// light (a third of white's light is 156 in sRGB, half of it 188, a third of 200's is 121) and
// weighted by alpha, so a transparent pixel lends no colour.
TEST(ConvertTest, AveragesTheCoveredAreaAsSquaresInPremultipliedAlpha) {
    // Values are averaged as their squares: black and white give sqrt(1/2) = 180, one black
    // and half a white sqrt(1/3) = 147.
    const struct {
        RgbaImage source;
        int width, height;
        std::vector<Pixel> expected; // row by row
    } cases[] = {
        {{3, 1, {0, 0, 0, 255, 255, 255, 255, 255, 255, 255, 255, 255}},
         2,
         1,
         {{147, 147, 147, 255}, {255, 255, 255, 255}}},
        {{2, 1, {0, 0, 0, 255, 255, 255, 255, 255}}, 1, 1, {{180, 180, 180, 255}}},
        {{2, 1, {255, 0, 0, 255, 0, 255, 0, 0}}, 1, 1, {{255, 0, 0, 128}}},
        {{2, 2, {200, 0, 0, 255, 0, 200, 0, 255, 0, 0, 200, 255, 9, 9, 9, 0}},
         1,
         1,
         {{115, 115, 115, 191}}},
        {{1, 1, {10, 20, 30, 40}}, 3, 2, std::vector<Pixel>(6, {10, 20, 30, 40})},
    };
    for (const auto& c : cases) {
        const RgbaImage scaled = AreaAverage(c.source, c.width, c.height);
        ASSERT_EQ(scaled.Pixels.size(), c.expected.size() * 4);
        for (std::size_t i = 0; i < c.expected.size(); ++i) {
            EXPECT_EQ(PixelAt(scaled, static_cast<int>(i) % c.width, static_cast<int>(i) / c.width),
                      c.expected[i])
                << c.source.Width << " x " << c.source.Height << ", pixel " << i;
        }
    }
    // Every value survives the way to squares and back: pairs of equal pixels halve to
    // themselves.
    const RgbaImage ramp = MakePicture(512, 1, [](int x, int) {
        const auto v = static_cast<std::uint8_t>(x / 2);
        return Pixel{v, static_cast<std::uint8_t>(255 - v), v, 255};
    });
    const RgbaImage halved = AreaAverage(ramp, 256, 1);
    for (int x = 0; x < 256; ++x) {
        EXPECT_EQ(PixelAt(halved, x, 0), PixelAt(ramp, 2 * x, 0)) << "value " << x;
    }
    // A wide picture keeps its shape, centred on transparency.
    const RgbaImage wide = MakePicture(4, 2, [](int, int) { return Pixel{9, 9, 9, 255}; });
    const RgbaImage square = FitToSquare(wide, 4);
    EXPECT_EQ(PixelAt(square, 0, 0)[3], 0);
    EXPECT_EQ(PixelAt(square, 3, 1), (Pixel{9, 9, 9, 255}));
    EXPECT_EQ(PixelAt(square, 3, 3)[3], 0);
}

// Without dithering every opaque pixel gets the palette colour nearest to its own. A palette
// chosen for the picture is dithered only where that helps, so flat tiles stay flat (each pixel
// its nearest colour); on a fixed palette a flat grey becomes black and white pixels of the
// same brightness.
TEST(ConvertTest, DithersWhereItHelpsAndMapsToTheNearestColourOtherwise) {
    // 32 flat tiles of 8 x 4 pixels in 32 colours: too many for 16.
    const RgbaImage tiles =
        MakePicture(32, 32, [](int x, int y) { return ColourNo(x / 8 + 4 * (y / 4)); });
    for (const bool dither : {true, false}) {
        SCOPED_TRACE(dither ? "dithered" : "not dithered");
        const IconImage icon = ConvertForHandhelds({tiles}, {{32}, {4}, dither, false}).at(0);
        std::vector<Rgb> palette;
        for (const std::int32_t c : icon.Palette) {
            palette.push_back({static_cast<std::uint8_t>(c >> 16),
                               static_cast<std::uint8_t>(c >> 8), static_cast<std::uint8_t>(c)});
        }
        const RgbaImage made = Converted({tiles}, {{32}, {4}, dither, false}).at(0);
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 32; ++x) {
                const Pixel p = PixelAt(tiles, x, y);
                const Rgb nearest = palette[NearestColour(palette, p[0], p[1], p[2])];
                ASSERT_EQ(PixelAt(made, x, y), (Pixel{nearest.R, nearest.G, nearest.B, 255}))
                    << x << ", " << y;
            }
        }
        // Diffusing the error regardless would have mixed colours inside the tiles.
        EXPECT_NE(MapToPalette(tiles, palette, Dithering::Always),
                  MapToPalette(tiles, palette, Dithering::None));
    }

    const RgbaImage grey = MakePicture(32, 32, [](int, int) { return Pixel{100, 100, 100, 255}; });
    for (const bool dither : {true, false}) {
        const RgbaImage made = Converted({grey}, {{32}, {1}, dither, false}).at(0);
        int white = 0;
        for (int i = 0; i < 32 * 32; ++i) {
            white += PixelAt(made, i % 32, i / 32)[0] == 255;
        }
        // Dithered, the share of white is the grey's 100 of 255; without dithering none.
        EXPECT_NEAR(white, dither ? 1024 * 100 / 255 : 0, 4) << (dither ? "dithered" : "plain");
    }
}

// Icon images of the depths the readers do not keep: 16, 24 and 32 bits per pixel, with the
// AND mask deciding transparency unless 32-bit pixels carry alpha.
// Floyd-Steinberg on black and white, worked by hand: the even rows run left to right and the
// odd rows right to left, each pushing 7/16 of its error on along its own direction. Greys 100,
// 128, 200 give black, white, white from the left (100 leaves +100, 128 + 43.75 is white and
// leaves -83.25, 200 - 36.42 is white) and white, black, white from the right (200 leaves -55,
// 128 - 24.06 is black and leaves +103.94, 100 + 45.47 is white).
TEST(ConvertTest, DithersRowsInAlternatingDirections) {
    const std::vector<Rgb> blackWhite = {{0, 0, 0}, {255, 255, 255}};
    const std::array<std::uint8_t, 3> greys = {100, 128, 200};
    const auto row = [&](int rows) {
        // Every row but the last transparent, so that only the last is dithered.
        return MakePicture(3, rows, [&](int x, int y) {
            const std::uint8_t v = greys[static_cast<std::size_t>(x)];
            return Pixel{v, v, v, static_cast<std::uint8_t>(y == rows - 1 ? 255 : 0)};
        });
    };
    const struct {
        int rows;
        std::vector<std::size_t> lastRow;
    } cases[] = {{1, {0, 1, 1}}, {2, {1, 0, 1}}, {3, {0, 1, 1}}, {4, {1, 0, 1}}};
    for (const auto& c : cases) {
        const std::vector<std::size_t> indexes =
            MapToPalette(row(c.rows), blackWhite, Dithering::Always);
        EXPECT_EQ(std::vector<std::size_t>(indexes.end() - 3, indexes.end()), c.lastRow)
            << c.rows << " rows";
    }
}

TEST(ConvertTest, DecodesTrueColourIconBitmaps) {
    // A 2 x 2 bitmap: header, a colour table of `table` entries its pixels do not use, XOR rows
    // bottom-up, AND rows (top-right pixel masked).
    // With fields, the bitmap is BI_BITFIELDS: those three colour masks follow the header.
    const auto bitmap = [](int bits, const std::vector<std::uint8_t>& xorRows, int table,
                           const std::vector<std::uint32_t>& fields) {
        test::Bytes b = test::BitmapHeader(40, 2, 4, bits, fields.empty() ? 0 : 3, table);
        for (const std::uint32_t field : fields) {
            test::Put(b, 4, {field});
        }
        b.insert(b.end(), 4 * table, 0xEE);
        b.insert(b.end(), xorRows.begin(), xorRows.end());
        const test::Bytes masks = {0, 0, 0, 0, 0x40, 0, 0, 0}; // bottom row, then top row
        b.insert(b.end(), masks.begin(), masks.end());
        return b;
    };
    const struct {
        int bits;
        std::vector<std::uint8_t> rows;
        std::array<Pixel, 4> expected; // top-left, top-right, bottom-left, bottom-right
        int table = 0;
        std::vector<std::uint32_t> fields = {};
    } cases[] = {
        {24,
         {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0},
         {{{9, 8, 7, 255}, {0, 0, 0, 0}, {3, 2, 1, 255}, {6, 5, 4, 255}}},
         2},
        {24,
         {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0},
         {{{9, 8, 7, 255}, {0, 0, 0, 0}, {3, 2, 1, 255}, {6, 5, 4, 255}}}},
        {32,
         {1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0, 10, 11, 12, 0},
         {{{9, 8, 7, 255}, {0, 0, 0, 0}, {3, 2, 1, 255}, {6, 5, 4, 255}}}},
        {32,
         {1, 2, 3, 9, 4, 5, 6, 255, 7, 8, 9, 0, 10, 11, 12, 200},
         {{{0, 0, 0, 0}, {12, 11, 10, 200}, {3, 2, 1, 9}, {6, 5, 4, 255}}}},
        {16,
         {0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0xFF, 0x7F},
         {{{0, 0, 255, 255}, {0, 0, 0, 0}, {255, 0, 0, 255}, {0, 255, 0, 255}}}},
        // 32 bits by bit fields whose masks leave the fourth byte out (no alpha).
        {32,
         {1, 2, 3, 9, 4, 5, 6, 255, 7, 8, 9, 0, 10, 11, 12, 200},
         {{{9, 8, 7, 255}, {0, 0, 0, 0}, {3, 2, 1, 255}, {6, 5, 4, 255}}},
         0,
         {0xFF0000, 0xFF00, 0xFF}},
    };
    for (const auto& c : cases) {
        const RgbaImage image =
            DecodeIconImageBytes(bitmap(c.bits, c.rows, c.table, c.fields), "t.ico", "image 0");
        ASSERT_EQ(image.Width * image.Height, 4);
        for (int i = 0; i < 4; ++i) {
            Pixel got = PixelAt(image, i % 2, i / 2);
            if (got[3] == 0 && c.expected[i][3] == 0) {
                got = {0, 0, 0, 0}; // the colour under a masked pixel does not matter
            }
            EXPECT_EQ(got, c.expected[i]) << c.bits << " bits, pixel " << i;
        }
        // Its AND mask one byte short: refused, not read past the end (a 32-bit image may go
        // without a mask; its alpha decides).
        test::Bytes cut = bitmap(c.bits, c.rows, c.table, c.fields);
        cut.pop_back();
        if (c.bits != 32) {
            EXPECT_THROW(static_cast<void>(DecodeIconImageBytes(cut, "t.ico", "image 0")), Error)
                << c.bits;
        }
    }
}

// A BMP file of width x height pixels at 24 bits, bottom-up, each row ending on a 32-bit
// boundary: its 14-byte file header, a BITMAPINFOHEADER and the rows.
test::Bytes Bmp(std::int32_t width, std::int32_t height, const test::Bytes& rows) {
    test::Bytes b = {'B', 'M'};
    test::Put(b, 4, {static_cast<std::uint32_t>(54 + rows.size()), 0, 54});
    const test::Bytes header = test::BitmapHeader(40, width, height, 24);
    b.insert(b.end(), header.begin(), header.end());
    b.insert(b.end(), rows.begin(), rows.end());
    return b;
}

TEST(ConvertTest, ReadsBmpRowsStoredEitherWay) {
    // Two rows of two 24-bit pixels (blue, green, red), each row padded to 8 bytes: red and green
    // on top, blue and white below. A negative height stores the top row first.
    const test::Bytes top = {0, 0, 255, 0, 255, 0, 0, 0}, bottom = {255, 0, 0, 255, 255, 255, 0, 0};
    test::Bytes bottomUp = bottom, topDown = top;
    bottomUp.insert(bottomUp.end(), top.begin(), top.end());
    topDown.insert(topDown.end(), bottom.begin(), bottom.end());
    for (const test::Bytes& file : {Bmp(2, 2, bottomUp), Bmp(2, -2, topDown)}) {
        const RgbaImage image = DecodePicture(file, "rows.bmp", "picture");
        ASSERT_EQ(image.Height, 2);
        EXPECT_EQ(PixelAt(image, 0, 0), (Pixel{255, 0, 0, 255}));
        EXPECT_EQ(PixelAt(image, 1, 0), (Pixel{0, 255, 0, 255}));
        EXPECT_EQ(PixelAt(image, 0, 1), (Pixel{0, 0, 255, 255}));
        EXPECT_EQ(PixelAt(image, 1, 1), (Pixel{255, 255, 255, 255}));
    }
}

TEST(ConvertTest, ReadsAPngWithAnEmptyImageDataChunk) {
    // An empty IDAT (allowed, and adding nothing) before the image data: the same pixels.
    const RgbaImage picture = MakePicture(3, 2, [](int x, int y) { return ColourNo(x + 3 * y); });
    test::Bytes png = test::EncodePng(picture);
    const test::Bytes emptyIdat = {0, 0, 0, 0, 'I', 'D', 'A', 'T', 0x35, 0xAF, 0x06, 0x1E};
    png.insert(png.begin() + 33, emptyIdat.begin(), emptyIdat.end()); // after the IHDR chunk
    const RgbaImage decoded = DecodePicture(png, "empty-idat.png", "picture");
    EXPECT_EQ(decoded.Pixels, picture.Pixels);
}

// Which files the main window offers to convert: those that hold no image a handheld shows.
TEST(ConvertTest, TellsWhichFilesHoldNoHandheldImage) {
    test::TempDir dir;
    test::Bytes damaged = test::MakeIcon({test::MakeImage(16, 16, 4)});
    damaged.resize(30);
    const std::pair<test::Bytes, bool> cases[] = {
        {test::MakePng(16, 16), true},
        {Bmp(1, 1, {0, 0, 0, 0}), true},
        {test::MakeIcon({test::MakeImage(32, 32, 32), test::MakePng(48, 48)}), true},
        {test::MakeIcon({test::MakeImage(300, 300, 8)}), true},
        {test::MakeIcon({test::MakeImage(32, 32, 32), test::MakeImage(32, 32, 4)}), false},
        {test::MakeIcon({test::MakeImage(256, 256, 8)}), false},
        {damaged, false},
        {{'t', 'e', 'x', 't'}, false},
    };
    const std::filesystem::path file = dir.path() / "source";
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        test::WriteBytes(file, cases[i].first);
        EXPECT_EQ(HoldsNoHandheldImage(file), cases[i].second) << i;
    }
    EXPECT_FALSE(HoldsNoHandheldImage(dir.path() / "missing.ico"));
}

// Sources that are not pictures, or that claim more pixels than allowed or than their bytes
// can hold, fail from their header, naming the file, before any pixel memory is taken.
TEST(ConvertTest, RefusesWhatCannotBeDecoded) {
    test::TempDir dir;
    const test::Bytes png =
        test::EncodePng(MakePicture(8, 8, [](int x, int y) { return ColourNo(x + y); }));
    // IHDR's width and height are the big-endian words at 16 and 20.
    const auto claiming = [&](std::uint32_t width, std::uint32_t height) {
        test::Bytes b = png;
        for (int k = 0; k < 4; ++k) {
            b[16 + k] = static_cast<std::uint8_t>(width >> (24 - 8 * k));
            b[20 + k] = static_cast<std::uint8_t>(height >> (24 - 8 * k));
        }
        return b;
    };
    // Two images, each of the largest size: too many pixels together, refused from the headers.
    const test::Bytes largest = claiming(4096, 4096);
    // A picture whose file is padded (a text chunk) so that it could hold all the pixels it
    // claims: refused by the pixel budget before anything is decoded.
    test::Bytes padded = claiming(8192, 8192);
    const test::Bytes text = {0, 0, 0x23, 0x28, 't', 'E', 'X', 't'};
    padded.insert(padded.begin() + 33, text.begin(), text.end());
    padded.insert(padded.begin() + 33 + 8, 9000 + 4, 'x');
    const struct {
        test::Bytes bytes;
        const char* cause;
    } cases[] = {
        {claiming(20000, 20000), "at most 16384 x 16384 pixels"},
        {claiming(1, 20000), "at most 16384 x 16384 pixels"},
        {claiming(4000, 4000), "more than the"},
        {Bmp(20000, 1, test::Bytes(60000, 0)), "at most 16384 x 16384 pixels"},
        {Bmp(2000, -2000, test::Bytes(8, 0)),
         "too few for the header, colour table and colour pixels"},
        {test::MakeIcon({largest, largest}), "its images come to 33554432 pixels"},
        {padded, "8192 x 8192 pixels, 67108864 in all; pictures of at most 16777216 pixels"},
        // Sides beyond the limit are refused image by image before any pixels are summed (three
        // such images would overflow the sum).
        {test::MakeIcon({claiming(0x7FFFFFFF, 0x7FFFFFFF), claiming(0x7FFFFFFF, 0x7FFFFFFF)}),
         "image 0: the picture is 2147483647 x 2147483647 pixels"},
        {test::Bytes(png.begin(), png.begin() + 60), "cannot be decoded"},
        {{'h', 'e', 'l', 'l', 'o'}, "not a PNG, BMP or icon file"},
        // A chunk after IHDR whose length field is 0xFFFFFFFF.
        {[&] {
             test::Bytes b(png.begin(), png.begin() + 33);
             b.insert(b.end(), {0xFF, 0xFF, 0xFF, 0xFF, 'I', 'D', 'A', 'T'});
             b.resize(b.size() + 20, 0);
             return b;
         }(),
         "not a picture that can be read: PNG unsigned integer out of range"},
    };
    for (const auto& c : cases) {
        const std::filesystem::path file = dir.path() / "source.png";
        test::WriteBytes(file, c.bytes);
        const std::string error = test::ThrownBy([&] { return LoadSourceImages(file); }).text;
        EXPECT_TRUE(error.starts_with(DisplayPath(file)) && error.find(c.cause) != error.npos)
            << c.cause << ": " << error;
        // Every refusal says why: its message never ends with the colon before a cause.
        EXPECT_FALSE(error.ends_with(": ")) << error;
    }
}

} // namespace
} // namespace gw

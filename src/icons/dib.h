#pragma once

#include "common/byte_io.h"

#include <cstdint>
#include <span>
#include <string>

// The device-independent bitmap (DIB): the form of every non-PNG image of an icon file, and of
// the picture in a BMP file behind its 14-byte file header. Its header, and the one description
// of where its parts lie that every reader, writer and decoder of these images works from.
namespace gw {

// BITMAPINFOHEADER: the first 40 bytes of every DIB, written and read through its list of
// fields (PutRecord, ReadRecord). The longer headers (BITMAPV4HEADER, BITMAPV5HEADER) begin with
// the same fields.
struct BitmapInfoHeader {
    std::uint32_t biSize = 0;
    std::int32_t biWidth = 0;
    std::int32_t biHeight = 0;
    std::uint16_t biPlanes = 0;
    std::uint16_t biBitCount = 0;
    std::uint32_t biCompression = 0;
    std::uint32_t biSizeImage = 0;
    std::int32_t biXPelsPerMeter = 0;
    std::int32_t biYPelsPerMeter = 0;
    std::uint32_t biClrUsed = 0;
    std::uint32_t biClrImportant = 0;

    static void eachField(auto& r, auto&& f) {
        f(r.biSize);
        f(r.biWidth);
        f(r.biHeight);
        f(r.biPlanes);
        f(r.biBitCount);
        f(r.biCompression);
        f(r.biSizeImage);
        f(r.biXPelsPerMeter);
        f(r.biYPelsPerMeter);
        f(r.biClrUsed);
        f(r.biClrImportant);
    }
};

inline constexpr std::uint32_t kBitmapInfoHeaderSize = 40;

// BITMAPFILEHEADER: the 14 bytes before the DIB in a BMP file.
inline constexpr std::uint32_t kBitmapFileHeaderSize = 14;

// biCompression values.
inline constexpr std::uint32_t kBiRgb = 0;
inline constexpr std::uint32_t kBiRle8 = 1;
inline constexpr std::uint32_t kBiRle4 = 2;
inline constexpr std::uint32_t kBiBitFields = 3;

// The first 40 bytes of an image as a header (ReadRecord). Fails with an Error naming fileName
// and item when the image is shorter.
[[nodiscard]] BitmapInfoHeader ReadBitmapInfoHeader(std::span<const std::uint8_t> bytes,
                                                    const std::string& fileName,
                                                    const std::string& item);

// Where the parts of a DIB lie, as offsets from its first byte, and what its pixels are. One
// rule for the masks: with BI_BITFIELDS the red, green and blue masks are three 32-bit words at
// byte 40, inside a header of 52 bytes or more (the version 2 header and its successors up to
// BITMAPV5HEADER), else right behind the header, which is then too short to hold them. The colour
// table follows the header and the masks; the colour pixels follow the table; an icon image's AND
// mask follows them.
struct DibLayout {
    BitmapInfoHeader Header;
    std::int32_t Width = 0;          // pixels per row
    std::int32_t Height = 0;         // rows of colour pixels (an icon image's biHeight / 2)
    int BitCount = 0;                // 1, 2, 4, 8, 16, 24 or 32
    bool BitFields = false;          // BI_BITFIELDS: the colour masks say where each colour lies
    bool AlphaMask = false;          // a fourth mask, for alpha, follows the three (BMP files)
    std::uint32_t Rle = 0;           // kBiRle8 or kBiRle4 for run-length pixels (BMP files)
    bool TopDown = false;            // rows stored from the top (a BMP file's negative height)
    std::uint64_t ColourMasksAt = 0; // the three colour masks, when BitFields
    std::uint64_t TableAt = 0;       // the colour table, 4 bytes an entry (blue, green, red, 0)
    std::uint64_t TableEntries = 0;  // biClrUsed, or 2^BitCount for a palette image that gives 0
    std::uint64_t Stride = 0;        // bytes per row of colour pixels, padded to 32 bits
    std::uint64_t ColourAt = 0;      // the colour (XOR) pixels, bottom row first unless TopDown
    std::uint64_t ColourEnd = 0;     // the end of the colour pixels, where the AND mask begins
    std::uint64_t AndStride = 0;     // bytes per row of the AND mask, 1 bit a pixel (0: none)
    std::uint64_t AndEnd = 0;        // the end of the AND mask

    // Palette images look their colours up in the table; deeper ones may carry a table their
    // pixels do not use.
    [[nodiscard]] bool isPalette() const { return BitCount <= 8; }
};

// The layout of an icon image with this header: biHeight counts the rows of the colour pixels
// and of the AND mask. Fails with an Error naming fileName and item unless the header is one
// of a bitmap: 40 bytes or more, 1, 2, 4, 8, 16, 24 or 32 bits per pixel, uncompressed or
// BI_BITFIELDS at 16 or 32 bits, at least 1 x 1 pixels, a colour table no larger than a palette
// image's pixels can index.
[[nodiscard]] DibLayout LayOutIconBitmap(const BitmapInfoHeader& header,
                                         const std::string& fileName, const std::string& item);

// Fails with an Error naming fileName and item unless an image of size bytes holds the header,
// the colour masks, the colour table and the colour pixels the layout places.
void RequireColourPixels(const DibLayout& layout, std::uint64_t size, const std::string& fileName,
                         const std::string& item);

// The layout of the icon image held in bytes, all of them being the image, checked that they
// hold all of it up to the colour pixels (LayOutIconBitmap, RequireColourPixels).
[[nodiscard]] DibLayout DescribeIconBitmap(std::span<const std::uint8_t> bytes,
                                           const std::string& fileName, const std::string& item);

// The layout of the picture in a BMP file, all of bytes being the file: the DIB behind the
// 14-byte file header, offsets counted from the DIB's first byte. Its height is the number of
// rows, negative for rows stored top-down; its pixels lie where the file header says when that is
// past the colour table, else right after it. Uncompressed pixels of 1 to 32 bits, BI_BITFIELDS
// at 16 and 32 bits (with an alpha mask in a header of 56 bytes or more) and run-length encoded
// ones (BI_RLE8 at 8 bits, BI_RLE4 at 4, bottom-up) are read; anything else fails with an Error
// naming what the file holds. Uncompressed pixels are checked to lie within the file.
[[nodiscard]] DibLayout DescribeBitmapFile(std::span<const std::uint8_t> bytes,
                                           const std::string& fileName, const std::string& item);

// The usual name of a compression value, for messages: "1 (BI_RLE8)".
[[nodiscard]] std::string CompressionName(std::uint32_t compression);

} // namespace gw

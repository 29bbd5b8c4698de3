#include "icons/dib.h"

#include "common/error.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>

namespace gw {

BitmapInfoHeader ReadBitmapInfoHeader(std::span<const std::uint8_t> bytes,
                                      const std::string& fileName, const std::string& item) {
    if (bytes.size() < kBitmapInfoHeaderSize) {
        throw Error(fileName, item,
                    "truncated: the image is " + std::to_string(bytes.size()) +
                        " bytes long, less than a 40-byte bitmap header");
    }
    ByteReader in(bytes, "bitmap header");
    return ReadRecord<BitmapInfoHeader>(in);
}

std::string CompressionName(std::uint32_t compression) {
    static const std::array<const char*, 6> kNames = {"BI_RGB",       "BI_RLE8", "BI_RLE4",
                                                      "BI_BITFIELDS", "BI_JPEG", "BI_PNG"};
    if (compression < kNames.size()) {
        return std::to_string(compression) + " (" + kNames[compression] + ")";
    }
    return std::to_string(compression);
}

namespace {

// What every DIB's header says of its pixels, rows being the number of colour rows: the bit
// count, the size, the colour table and the colour masks, and the bytes of a row. The caller
// decides the compression and places the pixels.
DibLayout layOutHeader(const BitmapInfoHeader& h, std::int64_t rows, const std::string& fileName,
                       const std::string& item) {
    // BITMAPINFOHEADER, or one of its longer successors (BITMAPV4HEADER, BITMAPV5HEADER).
    if (h.biSize < kBitmapInfoHeaderSize) {
        throw Error(fileName, item,
                    "the bitmap header size is " + std::to_string(h.biSize) +
                        "; a bitmap header has 40 bytes or more");
    }
    DibLayout layout;
    layout.Header = h;
    const int bits = h.biBitCount;
    if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16 && bits != 24 &&
        bits != 32) {
        throw Error(fileName, item,
                    "the image has " + std::to_string(bits) +
                        " bits per pixel; a bitmap has 1, 2, 4, 8, 16, 24 or 32");
    }
    layout.BitCount = bits;
    layout.BitFields = h.biCompression == kBiBitFields && (bits == 16 || bits == 32);
    if (h.biWidth < 1 || rows < 1 || rows > INT32_MAX / 2) {
        throw Error(fileName, item,
                    "its size of " + std::to_string(h.biWidth) + " x " + std::to_string(rows) +
                        " pixels is not an image");
    }
    layout.Width = h.biWidth;
    layout.Height = static_cast<std::int32_t>(rows);
    const std::uint64_t full = layout.isPalette() ? std::uint64_t{1} << bits : 0;
    if (layout.isPalette() && h.biClrUsed > full) {
        throw Error(fileName, item,
                    "its colour table of " + std::to_string(h.biClrUsed) +
                        " entries is larger than " + std::to_string(bits) +
                        " bits per pixel can use");
    }
    layout.TableEntries = h.biClrUsed != 0 ? h.biClrUsed : full;

    constexpr std::uint64_t kMasksAt = kBitmapInfoHeaderSize, kMasksSize = 12;
    layout.ColourMasksAt = kMasksAt;
    layout.TableAt = h.biSize;
    if (layout.BitFields && h.biSize < kMasksAt + kMasksSize) {
        layout.ColourMasksAt = h.biSize;
        layout.TableAt = h.biSize + kMasksSize;
    }
    // Within 64 bits: a row has fewer than 2^34 bytes and there are fewer than 2^30 rows.
    layout.Stride =
        (static_cast<std::uint64_t>(layout.Width) * static_cast<std::uint64_t>(bits) + 31) / 32 * 4;
    layout.ColourAt = layout.TableAt + 4 * layout.TableEntries;
    layout.ColourEnd = layout.ColourAt + layout.Stride * static_cast<std::uint64_t>(rows);
    layout.AndEnd = layout.ColourEnd;
    return layout;
}

} // namespace

DibLayout LayOutIconBitmap(const BitmapInfoHeader& h, const std::string& fileName,
                           const std::string& item) {
    DibLayout layout = layOutHeader(h, h.biHeight / 2, fileName, item);
    if (h.biCompression != kBiRgb && !layout.BitFields) {
        throw Error(fileName, item,
                    "its compression is " + CompressionName(h.biCompression) + " at " +
                        std::to_string(layout.BitCount) +
                        " bits per pixel; icon images are uncompressed");
    }
    layout.AndStride = (static_cast<std::uint64_t>(layout.Width) + 31) / 32 * 4;
    layout.AndEnd = layout.ColourEnd + layout.AndStride * static_cast<std::uint64_t>(layout.Height);
    return layout;
}

DibLayout DescribeBitmapFile(std::span<const std::uint8_t> bytes, const std::string& fileName,
                             const std::string& item) {
    constexpr std::uint32_t kCoreHeaderSize = 12, kAlphaMaskHeaderSize = 56;
    if (bytes.size() < kBitmapFileHeaderSize + 4) {
        throw Error(fileName, item,
                    "truncated: the file is " + std::to_string(bytes.size()) +
                        " bytes long, too short for a bitmap's headers");
    }
    // "BM", the file size and two reserved words, which nothing needs, then the pixels' offset.
    ByteReader file(bytes.subspan(10), "bitmap file header");
    const std::uint32_t pixelsAt = file.u32();
    const std::span<const std::uint8_t> dib = bytes.subspan(kBitmapFileHeaderSize);
    if (ByteReader(dib, "bitmap header").u32() == kCoreHeaderSize) {
        throw Error(fileName, item,
                    "an OS/2 bitmap (a 12-byte header); Windows bitmaps, with a header of 40 "
                    "bytes or more, are read");
    }
    const BitmapInfoHeader h = ReadBitmapInfoHeader(dib, fileName, item);
    const std::int64_t height = h.biHeight;
    DibLayout layout = layOutHeader(h, height < 0 ? -height : height, fileName, item);
    layout.TopDown = height < 0;
    const int bits = layout.BitCount;
    if ((h.biCompression == kBiRle8 && bits == 8) || (h.biCompression == kBiRle4 && bits == 4)) {
        layout.Rle = h.biCompression;
    } else if (h.biCompression != kBiRgb && !layout.BitFields) {
        throw Error(fileName, item,
                    "its compression is " + CompressionName(h.biCompression) + " at " +
                        std::to_string(bits) +
                        " bits per pixel; BMP pictures are read uncompressed, with bit fields "
                        "(16 or 32 bits), or run-length encoded (BI_RLE8 at 8 bits, BI_RLE4 at "
                        "4)");
    }
    if (layout.Rle != 0 && layout.TopDown) {
        throw Error(fileName, item,
                    "its run-length encoded rows claim to be stored top-down (a negative "
                    "height), which such rows never are");
    }
    layout.AlphaMask = layout.BitFields && h.biSize >= kAlphaMaskHeaderSize;
    // The pixels lie where the file header says when that is past the header and masks, the
    // colour table then ending there; a header that says less leaves them behind the table.
    const std::uint64_t size = dib.size();
    if (pixelsAt >= kBitmapFileHeaderSize && pixelsAt - kBitmapFileHeaderSize >= layout.TableAt &&
        pixelsAt - kBitmapFileHeaderSize <= size) {
        layout.ColourAt = pixelsAt - kBitmapFileHeaderSize;
        layout.TableEntries = std::min(layout.TableEntries, (layout.ColourAt - layout.TableAt) / 4);
    }
    if (layout.Rle != 0) {
        if (layout.ColourAt > size) {
            throw Error(fileName, item,
                        "truncated: its " + std::to_string(size) +
                            " bytes end inside the header and colour table");
        }
        layout.ColourEnd = size; // the runs end with the file or their end-of-bitmap mark
    } else {
        layout.ColourEnd =
            layout.ColourAt + layout.Stride * static_cast<std::uint64_t>(layout.Height);
        RequireColourPixels(layout, size, fileName, item);
    }
    layout.AndEnd = layout.ColourEnd;
    return layout;
}

void RequireColourPixels(const DibLayout& layout, std::uint64_t size, const std::string& fileName,
                         const std::string& item) {
    if (size < layout.ColourEnd) {
        throw Error(fileName, item,
                    "truncated: its " + std::to_string(size) +
                        " bytes are too few for the header, colour table and colour pixels of " +
                        std::to_string(layout.Width) + " x " + std::to_string(layout.Height) +
                        " pixels at " + std::to_string(layout.BitCount) + " bits per pixel");
    }
}

DibLayout DescribeIconBitmap(std::span<const std::uint8_t> bytes, const std::string& fileName,
                             const std::string& item) {
    const DibLayout layout =
        LayOutIconBitmap(ReadBitmapInfoHeader(bytes, fileName, item), fileName, item);
    RequireColourPixels(layout, bytes.size(), fileName, item);
    return layout;
}

} // namespace gw

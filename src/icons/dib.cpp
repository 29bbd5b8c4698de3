#include "icons/dib.h"

#include "common/error.h"

#include <array>

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

DibLayout LayOutIconBitmap(const BitmapInfoHeader& h, const std::string& fileName,
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
    if (h.biCompression != kBiRgb && !layout.BitFields) {
        throw Error(fileName, item,
                    "its compression is " + CompressionName(h.biCompression) + " at " +
                        std::to_string(bits) + " bits per pixel; icon images are uncompressed");
    }
    layout.Width = h.biWidth;
    layout.Height = h.biHeight / 2;
    if (layout.Width < 1 || layout.Height < 1) {
        throw Error(fileName, item,
                    "its size of " + std::to_string(layout.Width) + " x " +
                        std::to_string(layout.Height) + " pixels is not an image");
    }
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
    // Within 64 bits: a row has fewer than 2^34 bytes and an icon image fewer than 2^30 rows.
    const auto width = static_cast<std::uint64_t>(layout.Width);
    const auto height = static_cast<std::uint64_t>(layout.Height);
    layout.Stride = (width * static_cast<std::uint64_t>(bits) + 31) / 32 * 4;
    layout.ColourAt = layout.TableAt + 4 * layout.TableEntries;
    layout.ColourEnd = layout.ColourAt + layout.Stride * height;
    layout.AndStride = (width + 31) / 32 * 4;
    layout.AndEnd = layout.ColourEnd + layout.AndStride * height;
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

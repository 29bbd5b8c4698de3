#include "ui/icon_preview.h"

#include <cstdint>

namespace gw::ui {

namespace {

// Bytes of one mask row: rows are padded to whole 32-bit words.
std::int64_t rowBytes(std::int64_t width, std::int64_t bits) {
    return (width * bits + 31) / 32 * 4;
}

} // namespace

QImage IconPreview(const IconImage& image) {
    const BitmapInfoHeader& header = image.Header;
    const std::int64_t bits = header.biBitCount;
    if (bits != 1 && bits != 2 && bits != 4 && bits != 8) {
        return {};
    }
    // The header counts the XOR and AND masks together in its height.
    const std::int64_t width = header.biWidth;
    const std::int64_t height = std::int64_t(header.biHeight) / 2;
    if (width <= 0 || height <= 0 || width > 1024 || height > 1024) {
        return {};
    }
    const std::int64_t xorRow = rowBytes(width, bits);
    const std::int64_t andRow = rowBytes(width, 1);
    const std::int64_t andStart = xorRow * height;
    if (std::int64_t(image.Bits.size()) < andStart + andRow * height) {
        return {};
    }

    QImage picture(int(width), int(height), QImage::Format_ARGB32);
    const std::uint8_t* data = image.Bits.data();
    const std::int64_t perByte = 8 / bits;
    const unsigned mask = (1u << bits) - 1u;
    for (std::int64_t y = 0; y < height; ++y) {
        // Row 0 of the masks is the bottom row of the picture.
        const std::uint8_t* xorBits = data + (height - 1 - y) * xorRow;
        const std::uint8_t* andBits = data + andStart + (height - 1 - y) * andRow;
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(int(y)));
        for (std::int64_t x = 0; x < width; ++x) {
            if ((andBits[x / 8] >> (7 - x % 8)) & 1u) {
                line[x] = qRgba(0, 0, 0, 0);
                continue;
            }
            // The leftmost pixel sits in the highest bits of its byte.
            const int shift = int((perByte - 1 - x % perByte) * bits);
            const std::size_t index = (xorBits[x / perByte] >> shift) & mask;
            const std::uint32_t colour =
                index < image.Palette.size() ? std::uint32_t(image.Palette[index]) : 0u;
            line[x] =
                qRgb(int((colour >> 16) & 0xFF), int((colour >> 8) & 0xFF), int(colour & 0xFF));
        }
    }
    return picture;
}

} // namespace gw::ui

#include "icons/dib_decoder.h"

#include "common/error.h"

#include <array>
#include <bit>

namespace gw {

namespace {

// The channel a mask selects from a pixel, scaled to 8 bits (a mask's bits are contiguous).
std::uint8_t maskedChannel(std::uint32_t pixel, std::uint32_t mask) {
    if (mask == 0) {
        return 0;
    }
    const int shift = std::countr_zero(mask);
    const std::uint64_t largest = mask >> shift;
    return static_cast<std::uint8_t>(((pixel & mask) >> shift) * 255 / largest);
}

// Reads the colours of a DIB's pixels as its layout describes them.
class PixelReader {
public:
    PixelReader(std::span<const std::uint8_t> bytes, const DibLayout& layout,
                const std::string& where)
        : bytes_(bytes), layout_(layout), colours_(layout.isPalette() ? layout.TableEntries : 0) {
        if (layout.BitFields) {
            ByteReader fields(bytes.subspan(static_cast<std::size_t>(layout.ColourMasksAt)),
                              where + ": the colour masks");
            for (std::size_t k = 0; k < (layout.AlphaMask ? 4 : 3); ++k) {
                masks_[k] = fields.u32();
            }
        }
    }

    // Writes pixel x of a row as RGBA; returns whether it carried alpha (a 32-bit pixel without
    // masks, or one with an alpha mask, whose alpha is not 0).
    bool read(const std::uint8_t* row, std::int64_t x, std::uint8_t* out) const {
        const int bitCount = layout_.BitCount;
        out[3] = 255;
        switch (bitCount) {
        case 1:
        case 2:
        case 4:
        case 8: {
            const std::int64_t bit = x * bitCount;
            const unsigned shift = 8 - bitCount - static_cast<unsigned>(bit % 8);
            paletteColour((row[bit / 8] >> shift) & ((1u << bitCount) - 1), out);
            return false;
        }
        case 16: {
            const std::uint32_t v = row[2 * x] | std::uint32_t{row[2 * x + 1]} << 8;
            if (layout_.BitFields) {
                return fromMasks(v, out);
            }
            const unsigned r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31; // 5-5-5
            out[0] = static_cast<std::uint8_t>(r << 3 | r >> 2);
            out[1] = static_cast<std::uint8_t>(g << 3 | g >> 2);
            out[2] = static_cast<std::uint8_t>(b << 3 | b >> 2);
            return false;
        }
        case 24: {
            const std::uint8_t* p = row + 3 * x;
            out[0] = p[2];
            out[1] = p[1];
            out[2] = p[0];
            return false;
        }
        default: { // 32 bits
            const std::uint8_t* p = row + 4 * x;
            if (layout_.BitFields) {
                return fromMasks(p[0] | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
                                     std::uint32_t{p[3]} << 24,
                                 out);
            }
            out[0] = p[2];
            out[1] = p[1];
            out[2] = p[0];
            out[3] = p[3];
            return p[3] != 0;
        }
        }
    }

    // The colour of a palette index; an index beyond the table shows black.
    void paletteColour(std::size_t index, std::uint8_t* out) const {
        if (index >= colours_) {
            out[0] = out[1] = out[2] = 0;
            return;
        }
        const std::uint8_t* entry = bytes_.data() + layout_.TableAt + 4 * index;
        out[0] = entry[2];
        out[1] = entry[1];
        out[2] = entry[0];
    }

private:
    // Without an alpha mask, bit-field pixels carry no alpha: the AND mask decides, or none.
    bool fromMasks(std::uint32_t pixel, std::uint8_t* out) const {
        for (std::size_t k = 0; k < 3; ++k) {
            out[k] = maskedChannel(pixel, masks_[k]);
        }
        if (masks_[3] == 0) {
            return false;
        }
        out[3] = maskedChannel(pixel, masks_[3]);
        return out[3] != 0;
    }

    std::span<const std::uint8_t> bytes_;
    const DibLayout& layout_;
    std::size_t colours_;
    std::array<std::uint32_t, 4> masks_{};
};

// The row y from the top of the colour pixels, as stored.
const std::uint8_t* colourRow(std::span<const std::uint8_t> dib, const DibLayout& layout,
                              std::int64_t y) {
    const std::int64_t stored = layout.TopDown ? y : layout.Height - 1 - y;
    return dib.data() + layout.ColourAt + static_cast<std::uint64_t>(stored) * layout.Stride;
}

// Makes the pixels whose AND mask bit is set transparent, the others opaque.
void applyAndMask(std::span<const std::uint8_t> dib, const DibLayout& layout, RgbaImage& image) {
    const std::int64_t width = image.Width, height = image.Height;
    for (std::int64_t y = 0; y < height; ++y) {
        const std::uint8_t* row = dib.data() + layout.ColourEnd +
                                  static_cast<std::uint64_t>(height - 1 - y) * layout.AndStride;
        for (std::int64_t x = 0; x < width; ++x) {
            std::uint8_t* out = image.Pixels.data() + 4 * (y * width + x);
            const bool transparent = ((row[x / 8] >> (7 - x % 8)) & 1) != 0;
            out[3] = transparent ? 0 : 255;
        }
    }
}

// Run-length encoded pixels (BI_RLE8, BI_RLE4), bottom-up: a run is a count and one index
// (RLE4: two, alternating); a count of 0 starts an escape: end of line, end of bitmap, a move
// right and up, or that many indexes stored as they are, padded to 16 bits. Every pixel written
// is opaque; what the runs skip stays transparent. The work is bounded by the bytes and the
// pixels: each step reads at least two bytes, and pixels past the row's end are not visited.
void decodeRuns(std::span<const std::uint8_t> dib, const DibLayout& layout,
                const PixelReader& reader, RgbaImage& image) {
    const std::int64_t width = image.Width, height = image.Height;
    const bool four = layout.Rle == kBiRle4;
    std::int64_t x = 0, y = 0; // y counts rows from the bottom
    const auto put = [&](unsigned index) {
        if (x < width && y < height) {
            std::uint8_t* out = image.Pixels.data() + 4 * ((height - 1 - y) * width + x);
            reader.paletteColour(index, out);
            out[3] = 255;
        }
        ++x;
    };
    const std::uint8_t* at = dib.data() + layout.ColourAt;
    const std::uint8_t* const end = dib.data() + layout.ColourEnd;
    while (end - at >= 2 && y < height) {
        const unsigned count = at[0], value = at[1];
        at += 2;
        if (count > 0) {
            const std::int64_t shown =
                std::min<std::int64_t>(count, std::max<std::int64_t>(width - x, 0));
            for (std::int64_t i = 0; i < shown; ++i) {
                put(four ? (i % 2 == 0 ? value >> 4 : value & 15) : value);
            }
            x += count - shown;
        } else if (value == 0) { // end of line
            x = 0;
            ++y;
        } else if (value == 1) { // end of bitmap
            break;
        } else if (value == 2) { // move right and up
            if (end - at < 2) {
                break;
            }
            x += at[0];
            y += at[1];
            at += 2;
        } else { // indexes as they are
            const std::int64_t bytes = four ? (value + 1) / 2 : value;
            const std::int64_t padded = bytes + bytes % 2;
            if (end - at < bytes) {
                break;
            }
            for (unsigned i = 0; i < value; ++i) {
                put(four ? (i % 2 == 0 ? at[i / 2] >> 4 : at[i / 2] & 15) : at[i]);
            }
            at += std::min<std::int64_t>(padded, end - at);
        }
    }
}

} // namespace

RgbaImage DecodeDib(std::span<const std::uint8_t> dib, const DibLayout& layout,
                    const std::string& fileName, const std::string& item) {
    const std::int64_t width = layout.Width, height = layout.Height;
    // A 32-bit image carries its transparency in alpha; only there may the AND mask be missing.
    const bool icon = layout.AndStride != 0;
    const bool hasMask = icon && dib.size() >= layout.AndEnd;
    if (icon && !hasMask && layout.BitCount != 32) {
        throw Error(fileName, item,
                    "the image is cut short: " + std::to_string(dib.size()) + " bytes where a " +
                        std::to_string(width) + " x " + std::to_string(height) + " bitmap of " +
                        std::to_string(layout.BitCount) + " bits per pixel needs " +
                        std::to_string(layout.AndEnd));
    }
    const PixelReader reader(dib, layout, fileName + ": " + item);
    RgbaImage image;
    image.Width = layout.Width;
    image.Height = layout.Height;
    image.Pixels.assign(static_cast<std::size_t>(4 * width * height), 0);
    if (layout.Rle != 0) {
        decodeRuns(dib, layout, reader, image);
        return image;
    }
    bool anyAlpha = false;
    for (std::int64_t y = 0; y < height; ++y) {
        const std::uint8_t* row = colourRow(dib, layout, y);
        for (std::int64_t x = 0; x < width; ++x) {
            anyAlpha = reader.read(row, x, image.Pixels.data() + 4 * (y * width + x)) || anyAlpha;
        }
    }
    if (hasMask && !(layout.BitCount == 32 && anyAlpha)) {
        applyAndMask(dib, layout, image); // the AND mask decides where alpha does not
    } else if (!anyAlpha) {
        for (std::size_t i = 3; i < image.Pixels.size(); i += 4) {
            image.Pixels[i] = 255; // no alpha anywhere: opaque
        }
    }
    return image;
}

} // namespace gw

#include "icons/image_sources.h"

#include "common/byte_io.h"
#include "common/error.h"
#include "common/file_io.h"
#include "common/text.h"
#include "icons/dib.h"
#include "icons/icon_files.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#define STBI_NO_STDIO
#define STBI_NO_HDR
#define STBI_NO_LINEAR
#include <stb_image.h>

namespace gw {

namespace {

// Deflate packs at most 1032 bytes into one, and a PNG pixel takes at least one bit: a file of
// N bytes cannot hold more than 8 * 1032 * N pixels. A BMP stores every pixel, at least one bit
// each. A header that claims more describes data the file does not have.
constexpr std::int64_t kPngPixelsPerByte = 8 * 1032;
constexpr std::int64_t kBmpPixelsPerByte = 8;

bool isBmp(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M';
}

// The header of an icon or cursor file: reserved 0, type 1 or 2, at least one image.
bool isIconFile(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= 6 && bytes[0] == 0 && bytes[1] == 0 &&
           (bytes[2] == 1 || bytes[2] == 2) && bytes[3] == 0;
}

std::string sizeText(std::int64_t width, std::int64_t height) {
    return std::to_string(width) + " x " + std::to_string(height);
}

// Fails unless a picture of width x height has pixels and no side beyond the largest converted.
void checkPictureSides(std::int64_t width, std::int64_t height, const std::string& fileName,
                       const std::string& item) {
    if (width < 1 || height < 1) {
        throw Error(fileName, item, "the picture has no pixels (" + sizeText(width, height) + ")");
    }
    if (width > kMaxSourceSide || height > kMaxSourceSide) {
        throw Error(fileName, item,
                    "the picture is " + sizeText(width, height) +
                        " pixels; pictures of at most 16384 x 16384 pixels are converted");
    }
    if (width * height > kMaxSourcePixels) {
        throw Error(fileName, item,
                    "the picture is " + sizeText(width, height) + " pixels, " +
                        std::to_string(width * height) +
                        " in all; pictures of at most 16777216 pixels (4096 x 4096) are "
                        "converted");
    }
}

// Fails unless a picture of width x height may be decoded from a file of fileBytes bytes.
void checkPictureSize(std::int64_t width, std::int64_t height, std::int64_t fileBytes,
                      std::int64_t pixelsPerByte, const std::string& fileName,
                      const std::string& item) {
    checkPictureSides(width, height, fileName, item);
    if (width * height > fileBytes * pixelsPerByte) {
        throw Error(fileName, item,
                    "the header claims " + sizeText(width, height) + " pixels, more than the " +
                        std::to_string(fileBytes) + " bytes of the file can hold");
    }
}

// The size a PNG's IHDR or a BMP's header claims, read before the decoder sees the file, so
// that a picture too large to decode is refused with its size (the decoder's own message would
// not say why). Zero when the header is not there; the decoder then says what is wrong.
std::pair<std::int64_t, std::int64_t> claimedSize(std::span<const std::uint8_t> bytes,
                                                  const std::string& fileName,
                                                  const std::string& item) {
    if (IsPng(bytes)) {
        const ImageInfo info = DescribeImage(bytes, fileName, item);
        return {info.Width, info.Height};
    }
    if (isBmp(bytes) && bytes.size() >= kBitmapFileHeaderSize + kBitmapInfoHeaderSize) {
        const BitmapInfoHeader header =
            ReadBitmapInfoHeader(bytes.subspan(kBitmapFileHeaderSize), fileName, item);
        if (header.biSize >= kBitmapInfoHeaderSize) {
            const std::int64_t width = header.biWidth, height = header.biHeight;
            // A negative height marks rows stored top-down.
            return {width, height < 0 ? -height : height};
        }
    }
    return {0, 0};
}

// A PNG without its empty IDAT chunks, which add nothing to the image data but which the
// decoder mishandles (it copies from a null pointer); nothing when there is none to drop. The
// chunks are walked as far as their lengths lie within the file; the decoder judges the rest.
std::optional<std::vector<std::uint8_t>>
withoutEmptyImageData(std::span<const std::uint8_t> bytes) {
    constexpr std::size_t kSignature = 8, kChunkOverhead = 12; // length, type, CRC
    std::vector<std::size_t> empty;
    std::size_t at = kSignature;
    while (at + kChunkOverhead <= bytes.size()) {
        const std::uint32_t length = std::uint32_t{bytes[at]} << 24 |
                                     std::uint32_t{bytes[at + 1]} << 16 |
                                     std::uint32_t{bytes[at + 2]} << 8 | bytes[at + 3];
        if (length > bytes.size() - at - kChunkOverhead) {
            break;
        }
        if (length == 0 &&
            std::equal(bytes.begin() + static_cast<std::ptrdiff_t>(at + 4),
                       bytes.begin() + static_cast<std::ptrdiff_t>(at + 8), std::begin("IDAT"))) {
            empty.push_back(at);
        }
        at += kChunkOverhead + length;
    }
    if (empty.empty()) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> kept;
    kept.reserve(bytes.size());
    std::size_t from = 0;
    for (const std::size_t chunk : empty) {
        kept.insert(kept.end(), bytes.begin() + static_cast<std::ptrdiff_t>(from),
                    bytes.begin() + static_cast<std::ptrdiff_t>(chunk));
        from = chunk + kChunkOverhead;
    }
    kept.insert(kept.end(), bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.end());
    return kept;
}

// Why the decoder failed, in its words; some failures leave it without any.
std::string decoderReason() {
    const char* reason = stbi_failure_reason();
    if (reason == nullptr || *reason == '\0') {
        return "its data is damaged";
    }
    // The reason may quote bytes of the file (an unknown chunk's type): read as text a Windows
    // program would have written, then made safe to print, as every name from a file is.
    return PrintableText(Utf8FromWindowsText(reason));
}

} // namespace

RgbaImage DecodePicture(std::span<const std::uint8_t> bytes, const std::string& fileName,
                        const std::string& item) {
    std::optional<std::vector<std::uint8_t>> cleaned;
    if (IsPng(bytes) && (cleaned = withoutEmptyImageData(bytes))) {
        bytes = *cleaned;
    }
    if (bytes.size() > static_cast<std::size_t>(INT_MAX)) {
        throw Error(fileName, item, "the file is too large to decode (more than 2 GiB)");
    }
    const int length = static_cast<int>(bytes.size());
    const std::int64_t pixelsPerByte = IsPng(bytes) ? kPngPixelsPerByte : kBmpPixelsPerByte;
    if (const auto [claimedWidth, claimedHeight] = claimedSize(bytes, fileName, item);
        claimedWidth > 0 && claimedHeight > 0) {
        checkPictureSize(claimedWidth, claimedHeight, length, pixelsPerByte, fileName, item);
    }
    int width = 0, height = 0, channels = 0;
    if (stbi_info_from_memory(bytes.data(), length, &width, &height, &channels) == 0) {
        throw Error(fileName, item, "not a picture that can be read: " + decoderReason());
    }
    // A BMP whose rows are stored top-down says so with a negative height.
    checkPictureSize(width, std::abs(height), length, pixelsPerByte, fileName, item);
    const std::unique_ptr<stbi_uc, void (*)(void*)> pixels(
        stbi_load_from_memory(bytes.data(), length, &width, &height, &channels, 4),
        stbi_image_free);
    if (!pixels) {
        throw Error(fileName, item, "the picture cannot be decoded: " + decoderReason());
    }
    RgbaImage image;
    image.Width = width;
    image.Height = height;
    image.Pixels.assign(pixels.get(), pixels.get() + std::size_t{4} * width * height);
    return image;
}

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

// The bitmap form of an icon image: header, colour table, XOR rows and AND rows, bottom-up.
// Reads the colours of an icon bitmap's pixels as its layout describes them.
class IconPixelReader {
public:
    IconPixelReader(std::span<const std::uint8_t> bytes, const DibLayout& layout,
                    const std::string& where)
        : bytes_(bytes), layout_(layout), colours_(layout.isPalette() ? layout.TableEntries : 0) {
        if (layout.BitFields) {
            ByteReader fields(bytes.subspan(static_cast<std::size_t>(layout.ColourMasksAt)),
                              where + ": the colour masks");
            for (std::uint32_t& mask : masks_) {
                mask = fields.u32();
            }
        }
    }

    // Writes pixel x of a row as RGBA; returns whether it carried alpha (only a 32-bit pixel
    // without masks does, and only when its alpha is not 0).
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
                fromMasks(v, out);
                return false;
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
                fromMasks(p[0] | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
                              std::uint32_t{p[3]} << 24,
                          out);
                return false;
            }
            out[0] = p[2];
            out[1] = p[1];
            out[2] = p[0];
            out[3] = p[3];
            return p[3] != 0;
        }
        }
    }

private:
    void paletteColour(std::size_t index, std::uint8_t* out) const {
        if (index >= colours_) {
            out[0] = out[1] = out[2] = 0; // an index beyond the table shows black
            return;
        }
        const std::uint8_t* entry = bytes_.data() + layout_.TableAt + 4 * index;
        out[0] = entry[2];
        out[1] = entry[1];
        out[2] = entry[0];
    }

    // Bit-field pixels carry no alpha here: the AND mask decides their transparency.
    void fromMasks(std::uint32_t pixel, std::uint8_t* out) const {
        for (std::size_t k = 0; k < 3; ++k) {
            out[k] = maskedChannel(pixel, masks_[k]);
        }
    }

    std::span<const std::uint8_t> bytes_;
    const DibLayout& layout_;
    std::size_t colours_;
    std::array<std::uint32_t, 3> masks_{};
};

// Makes the pixels whose AND mask bit is set transparent, the others opaque.
void applyAndMask(std::span<const std::uint8_t> bytes, const DibLayout& layout, RgbaImage& image) {
    const std::int64_t width = image.Width, height = image.Height;
    const auto andStart = static_cast<std::int64_t>(layout.ColourEnd);
    const auto andStride = static_cast<std::int64_t>(layout.AndStride);
    for (std::int64_t y = 0; y < height; ++y) {
        const std::uint8_t* row = bytes.data() + andStart + (height - 1 - y) * andStride;
        for (std::int64_t x = 0; x < width; ++x) {
            std::uint8_t* out = image.Pixels.data() + 4 * (y * width + x);
            const bool transparent = ((row[x / 8] >> (7 - x % 8)) & 1) != 0;
            out[3] = transparent ? 0 : 255;
        }
    }
}

RgbaImage decodeIconBitmap(std::span<const std::uint8_t> bytes, const std::string& fileName,
                           const std::string& item) {
    const DibLayout layout = DescribeIconBitmap(bytes, fileName, item);
    const std::int32_t width = layout.Width, height = layout.Height;
    const int bitCount = layout.BitCount;
    checkPictureSides(width, height, fileName, item);
    const IconPixelReader reader(bytes, layout, fileName + ": " + item);
    // A 32-bit image carries its transparency in alpha; only there may the AND mask be missing.
    const bool hasMask = bytes.size() >= layout.AndEnd;
    if (!hasMask && bitCount != 32) {
        throw Error(fileName, item,
                    "the image is cut short: " + std::to_string(bytes.size()) + " bytes where a " +
                        sizeText(width, height) + " bitmap of " + std::to_string(bitCount) +
                        " bits per pixel needs " + std::to_string(layout.AndEnd));
    }
    const auto xorStart = static_cast<std::int64_t>(layout.ColourAt);
    const auto xorStride = static_cast<std::int64_t>(layout.Stride);

    RgbaImage image;
    image.Width = width;
    image.Height = height;
    image.Pixels.assign(static_cast<std::size_t>(4 * std::int64_t{width} * height), 0);
    bool anyAlpha = false;
    for (std::int64_t y = 0; y < height; ++y) {
        const std::uint8_t* row = bytes.data() + xorStart + (height - 1 - y) * xorStride;
        for (std::int64_t x = 0; x < width; ++x) {
            anyAlpha = reader.read(row, x, image.Pixels.data() + 4 * (y * width + x)) || anyAlpha;
        }
    }
    // Alpha decides in a 32-bit image that has any; the AND mask everywhere else (a 32-bit
    // image without either is opaque).
    if (!(bitCount == 32 && anyAlpha) && hasMask) {
        applyAndMask(bytes, layout, image);
    }
    return image;
}

// The first 8 bytes of a file, which tell a PNG, a BMP and an icon file apart; zeros past the
// end of a shorter file.
std::array<std::uint8_t, 8> fileStart(const std::filesystem::path& fileName) {
    std::array<std::uint8_t, 8> start{};
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(OpenFile(fileName, "rb"),
                                                               &std::fclose);
    if (!file) {
        throw Error(DisplayPath(fileName), "", "cannot open: " + std::string(std::strerror(errno)));
    }
    if (std::fread(start.data(), 1, start.size(), file.get()) < start.size() &&
        std::ferror(file.get())) {
        throw Error(DisplayPath(fileName), "", "cannot read: " + std::string(std::strerror(errno)));
    }
    return start;
}

} // namespace

RgbaImage DecodeIconImageBytes(std::span<const std::uint8_t> bytes, const std::string& fileName,
                               const std::string& item) {
    if (IsPng(bytes)) {
        return DecodePicture(bytes, fileName, item);
    }
    return decodeIconBitmap(bytes, fileName, item);
}

std::vector<RgbaImage> LoadSourceImages(const std::filesystem::path& fileName) {
    const std::string name = DisplayPath(fileName);
    const auto start = fileStart(fileName);
    if (IsPng(start) || isBmp(start)) {
        return {DecodePicture(ReadFileBytes(fileName), name, "")};
    }
    if (!isIconFile(start)) {
        throw Error(name, "", "not a PNG, BMP or icon file");
    }
    const StoredIconFile icon = ReadStoredIcon(fileName);
    // Each image is checked on its own when decoded; together they may not take more pixels than
    // one picture may either, which their headers tell before any is decoded.
    // With every side checked first, 65,535 images of at most 2^28 pixels sum within 64 bits.
    std::int64_t pixels = 0;
    for (std::size_t j = 0; j < icon.Images.size(); ++j) {
        const ImageInfo& info = icon.Images[j].Info;
        checkPictureSides(info.Width, info.Height, name, ImageItem(j));
        pixels += std::int64_t{info.Width} * info.Height;
    }
    if (pixels > kMaxSourcePixels) {
        throw Error(name, "",
                    "its images come to " + std::to_string(pixels) +
                        " pixels; at most 16777216 pixels (4096 x 4096) are converted");
    }
    std::vector<RgbaImage> images;
    for (std::size_t j = 0; j < icon.Images.size(); ++j) {
        images.push_back(DecodeIconImageBytes(icon.Images[j].Bytes, name, ImageItem(j)));
    }
    return images;
}

bool HoldsNoHandheldImage(const std::filesystem::path& fileName) {
    std::array<std::uint8_t, 8> start{};
    try {
        start = fileStart(fileName);
    } catch (const Error&) {
        return false;
    }
    if (IsPng(start) || isBmp(start)) {
        return true;
    }
    if (!isIconFile(start)) {
        return false;
    }
    try {
        const StoredIconFile icon = ReadStoredIcon(fileName);
        return std::none_of(icon.Images.begin(), icon.Images.end(), [](const StoredIconImage& i) {
            return i.Info.Format == ImageFormat::Bitmap && i.Info.BitCount <= 8 &&
                   i.Info.Width <= kMaxIconSide && i.Info.Height <= kMaxIconSide;
        });
    } catch (const Error&) {
        return false; // the list takes it, and shows why it cannot be read when it is selected
    }
}

} // namespace gw

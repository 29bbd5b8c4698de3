#include "icons/image_sources.h"

#include "common/byte_io.h"
#include "common/error.h"
#include "common/file_io.h"
#include "common/text.h"
#include "icons/convert_for_handhelds.h"
#include "icons/dib.h"
#include "icons/dib_decoder.h"
#include "icons/icon_files.h"
#include "icons/png_decoder.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace gw {

namespace {

// Deflate packs at most 1032 bytes into one, and a PNG pixel takes at least one bit: a file of
// N bytes cannot hold more than 8 * 1032 * N pixels. A BMP stores every pixel, at least one bit
// each. A header that claims more describes data the file does not have.
constexpr std::int64_t kPngPixelsPerByte = 8 * 1032;

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

// Why libpng refused a picture, in its words made safe to print; never empty.
std::string decoderReason(const std::array<char, 256>& reason) {
    const std::string text(reason.data());
    if (text.empty()) {
        return "its data is damaged";
    }
    // The reason may quote bytes of the file (a chunk's type): read as text a Windows program
    // would have written, then made safe to print, as every name from a file is.
    return PrintableText(Utf8FromWindowsText(text));
}

// Decodes a PNG with libpng: its header first, whose size is checked against what is decoded
// and what the file can hold before the pixels' memory is taken, then the pixels into it (the
// decoder refuses a buffer that does not fit the picture).
RgbaImage decodePng(std::span<const std::uint8_t> bytes, const std::string& fileName,
                    const std::string& item) {
    // The header as the project's own reader sees it, so that a picture too large is refused
    // with its size in words of this program.
    const ImageInfo info = DescribeImage(bytes, fileName, item);
    checkPictureSize(info.Width, info.Height, static_cast<std::int64_t>(bytes.size()),
                     kPngPixelsPerByte, fileName, item);
    // libpng reads the same header and every chunk before the image data, so that damage there
    // is refused before the pixels' memory is taken; the size it gives is the one checked above.
    std::array<char, 256> reason{};
    GwPngSize size{};
    if (GwDecodePng(bytes.data(), bytes.size(), kMaxSourceSide, &size, nullptr, 0, reason.data(),
                    reason.size()) == 0) {
        throw Error(fileName, item, "not a picture that can be read: " + decoderReason(reason));
    }
    RgbaImage image;
    image.Width = static_cast<std::int32_t>(size.width);
    image.Height = static_cast<std::int32_t>(size.height);
    image.Pixels.resize(std::size_t{4} * size.width * size.height);
    if (GwDecodePng(bytes.data(), bytes.size(), kMaxSourceSide, &size, image.Pixels.data(),
                    image.Pixels.size(), reason.data(), reason.size()) == 0) {
        throw Error(fileName, item, "the picture cannot be decoded: " + decoderReason(reason));
    }
    return image;
}

} // namespace

RgbaImage DecodePicture(std::span<const std::uint8_t> bytes, const std::string& fileName,
                        const std::string& item) {
    if (IsPng(bytes)) {
        return decodePng(bytes, fileName, item);
    }
    if (!isBmp(bytes)) {
        throw Error(fileName, item, "not a PNG or BMP picture");
    }
    const DibLayout layout = DescribeBitmapFile(bytes, fileName, item);
    checkPictureSides(layout.Width, layout.Height, fileName, item);
    return DecodeDib(bytes.subspan(kBitmapFileHeaderSize), layout, fileName, item);
}

namespace {

RgbaImage decodeIconBitmap(std::span<const std::uint8_t> bytes, const std::string& fileName,
                           const std::string& item) {
    const DibLayout layout = DescribeIconBitmap(bytes, fileName, item);
    checkPictureSides(layout.Width, layout.Height, fileName, item);
    return DecodeDib(bytes, layout, fileName, item);
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

namespace {

// Which images of an icon suit one of the sizes best by their headers: all of them when no size
// is given.
std::vector<bool> imagesNeeded(const StoredIconFile& icon, std::span<const int> sizes) {
    std::vector<bool> needed(icon.Images.size(), sizes.empty());
    for (const int size : sizes) {
        const ImageInfo* best = &icon.Images.front().Info;
        for (const StoredIconImage& image : icon.Images) {
            if (CompareSourceFit(image.Info.Width, image.Info.Height, best->Width, best->Height,
                                 size) < 0) {
                best = &image.Info;
            }
        }
        for (std::size_t j = 0; j < icon.Images.size(); ++j) {
            const ImageInfo& info = icon.Images[j].Info;
            if (CompareSourceFit(info.Width, info.Height, best->Width, best->Height, size) == 0) {
                needed[j] = true;
            }
        }
    }
    return needed;
}

} // namespace

std::vector<RgbaImage> LoadSourceImages(const std::filesystem::path& fileName,
                                        std::span<const int> sizes) {
    const std::string name = DisplayPath(fileName);
    const auto start = fileStart(fileName);
    if (IsPng(start) || isBmp(start)) {
        // Moved into the list, not copied (a list made from braces would copy the picture),
        // and the file's bytes are let go as soon as the picture is decoded.
        std::vector<RgbaImage> picture;
        picture.push_back(DecodePicture(ReadFileBytes(fileName), name, ""));
        return picture;
    }
    if (!isIconFile(start)) {
        throw Error(name, "", "not a PNG, BMP or icon file");
    }
    const StoredIconFile icon = ReadStoredIcon(fileName);
    if (icon.Images.empty()) {
        throw Error(name, "", "the icon file holds no image");
    }
    const std::vector<bool> needed = imagesNeeded(icon, sizes);
    // Each image is checked on its own when decoded; together the images decoded may not take
    // more pixels than one picture may either, which their headers tell before any is decoded.
    // With every side checked first, 65,535 images of at most 2^28 pixels sum within 64 bits.
    std::int64_t pixels = 0;
    for (std::size_t j = 0; j < icon.Images.size(); ++j) {
        if (needed[j]) {
            const ImageInfo& info = icon.Images[j].Info;
            checkPictureSides(info.Width, info.Height, name, ImageItem(j));
            pixels += std::int64_t{info.Width} * info.Height;
        }
    }
    if (pixels > kMaxSourcePixels) {
        throw Error(name, "",
                    "its images come to " + std::to_string(pixels) +
                        " pixels; at most 16777216 pixels (4096 x 4096) are converted");
    }
    std::vector<RgbaImage> images;
    for (std::size_t j = 0; j < icon.Images.size(); ++j) {
        if (needed[j]) {
            images.push_back(DecodeIconImageBytes(icon.Images[j].Bytes, name, ImageItem(j)));
        }
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

#pragma once

#include "icons/rgba_image.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace gw {

// The longest side of a picture the converter decodes, and the most pixels it decodes from one
// file (4096 x 4096: 64 MiB as RGBA, held at most twice while decoding); a larger picture, or
// an icon file whose images together have more, is refused from the headers, before any pixel
// memory is taken.
inline constexpr std::int64_t kMaxSourceSide = 16384;
inline constexpr std::int64_t kMaxSourcePixels = 4096 * 4096;

// The pictures of a source file the converter may start from, decoded: the one picture of a PNG
// or BMP file, or the images of an icon file in directory order. With sizes given, only the
// images that suit one of them best by their headers (CompareSourceFit) are decoded, so that an
// icon of thousands of images costs what the few it needs cost; with none, every image. Fails
// with an Error naming the file, the image and the cause.
[[nodiscard]] std::vector<RgbaImage> LoadSourceImages(const std::filesystem::path& fileName,
                                                      std::span<const int> sizes = {});

// Decodes a PNG or BMP file held in memory. fileName and item name it in messages.
[[nodiscard]] RgbaImage DecodePicture(std::span<const std::uint8_t> bytes,
                                      const std::string& fileName, const std::string& item);

// Decodes one image of an icon file, all of bytes being the image: a PNG, or a bitmap of 1, 2,
// 4, 8, 16, 24 or 32 bits per pixel followed by its AND mask (biHeight counts both masks).
// Pixels the AND mask marks transparent get alpha 0; a 32-bit bitmap's own alpha is used when
// any pixel has one.
[[nodiscard]] RgbaImage DecodeIconImageBytes(std::span<const std::uint8_t> bytes,
                                             const std::string& fileName, const std::string& item);

// Whether a file holds no image a Windows CE handheld shows, so that it is worth converting: a PNG
// or BMP picture, or an icon file whose images are all PNG-compressed or of more than 8 bits per
// pixel. A file that cannot be read, or is none of these, gives false.
[[nodiscard]] bool HoldsNoHandheldImage(const std::filesystem::path& fileName);

} // namespace gw

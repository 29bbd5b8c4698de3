#pragma once

#include "icons/icon_files.h"
#include "icons/rgba_image.h"

#include <cstdint>
#include <string>
#include <vector>

namespace gw {

// What ConvertForHandhelds makes: one image per size and depth, in the order sizes x depths.
struct ConvertOptions {
    std::vector<int> Sizes{16, 32}; // square sides, 1 to 256
    std::vector<int> Depths{4, 8};  // bits per pixel: 1, 4 or 8
    bool Dither = true; // error diffusion; on a chosen palette only where it helps (MapToPalette)
    bool StandardPalette = false; // 4-bit images on the 16-colour Windows palette
};

// Why the options cannot be converted ("size 300 is not 1 to 256 pixels"), or empty when they
// can: sizes 1 to 256, depths 1, 4 and 8, none twice, the standard palette only with depth 4.
[[nodiscard]] std::string CheckConvertOptions(const ConvertOptions& options);

// How well a picture of width x height suits as the start for an image of size pixels, against
// another of otherWidth x otherHeight: negative when it suits better, positive when worse, 0
// when both suit alike (then their colours decide). Better: one whose longer side reaches size
// over one whose does not; among those that reach it the smaller, among those that do not the
// larger (by the longer side, then by area).
[[nodiscard]] int CompareSourceFit(std::int64_t width, std::int64_t height, std::int64_t otherWidth,
                                   std::int64_t otherHeight, int size);

// Makes palette icon images for Windows CE from pictures (usually the images of one source
// file). Each size starts from the smallest source at least that large (else the largest), is
// area-averaged to size in linear light and premultiplied alpha, gets an AND mask from alpha
// (opaque at 128 and above) and its colours on a palette: black and white at 1 bit, a palette
// chosen for the picture at 4 and 8 bits (the Windows palette at 4 bits when asked). A picture with
// no more colours than the palette holds keeps every colour exactly. Fails with an Error on options
// out of range or no sources.
[[nodiscard]] std::vector<IconImage> ConvertForHandhelds(const std::vector<RgbaImage>& sources,
                                                         const ConvertOptions& options);

} // namespace gw

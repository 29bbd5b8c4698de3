#pragma once

#include <cstdint>
#include <vector>

namespace gw {

// A picture as the converter works on it: 8-bit red, green, blue and alpha per pixel, straight
// (not premultiplied) alpha, rows from top to bottom, 4 * Width * Height bytes.
struct RgbaImage {
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::vector<std::uint8_t> Pixels;
};

} // namespace gw

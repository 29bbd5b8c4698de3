#pragma once

#include "icons/rgba_image.h"
#include "support/test_support.h"

#include <filesystem>

namespace gw::test {

// The picture as a PNG file of 8-bit RGBA, made by stb_image_write, a writer independent of
// the decoder under test.
Bytes EncodePng(const RgbaImage& image);
void WritePng(const std::filesystem::path& path, const RgbaImage& image);

// A picture of width x height pixels, each from pixel(x, y) as {r, g, b, a}.
template <class Pixel> RgbaImage MakePicture(int width, int height, Pixel&& pixel) {
    RgbaImage image{width, height, {}};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const auto rgba = pixel(x, y);
            image.Pixels.insert(image.Pixels.end(), rgba.begin(), rgba.end());
        }
    }
    return image;
}

} // namespace gw::test

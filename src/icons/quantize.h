#pragma once

#include "icons/rgba_image.h"

#include <cstdint>
#include <span>
#include <vector>

namespace gw {

struct Rgb {
    std::uint8_t R = 0, G = 0, B = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// Pixels at this alpha and above are opaque in an icon's AND mask; the rest show what is behind.
inline constexpr std::uint8_t kOpaqueAlpha = 128;

inline bool IsOpaque(const std::uint8_t* rgba) {
    return rgba[3] >= kOpaqueAlpha;
}

// A palette of at most maxColours colours for the opaque pixels of a picture. A picture with
// no more colours than that gets exactly its own colours; any other gets the colours of a
// variance-minimizing median cut (boxes of colours split where the summed squared error
// drops most, as in Wu's method), refined by a few rounds of k-means.
std::vector<Rgb> ChoosePalette(const RgbaImage& image, int maxColours);

// The index of the palette colour nearest to (r, g, b), by squared distance.
std::size_t NearestColour(std::span<const Rgb> palette, double r, double g, double b);

} // namespace gw

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
// drops most, as in Wu's method), refined by a few rounds of k-means. Each pixel counts by how
// visible an error in it would be: fully in a flat area, less where its neighbourhood varies
// and hides small errors.
[[nodiscard]] std::vector<Rgb> ChoosePalette(const RgbaImage& image, int maxColours);

// The index of the palette colour nearest to (r, g, b), by squared distance.
[[nodiscard]] std::size_t NearestColour(std::span<const Rgb> palette, double r, double g, double b);

// How each pixel is put on a palette.
enum class Dithering {
    None,   // the nearest colour
    Always, // Floyd-Steinberg error diffusion over the opaque pixels
    // Error diffusion only when the whole image then looks more like the picture than with the
    // nearest colours (by structural similarity): at icon sizes its grain often costs more
    // than the banding it removes.
    WhereItHelps,
};

// The palette index of every pixel: opaque pixels get a colour by dithering, transparent ones
// the colour nearest to black (stored black, the screen shows through the AND mask).
[[nodiscard]] std::vector<std::size_t>
MapToPalette(const RgbaImage& image, std::span<const Rgb> palette, Dithering dithering);

} // namespace gw

#pragma once

#include "icons/dib.h"
#include "icons/rgba_image.h"

#include <cstdint>
#include <span>
#include <string>

// Decodes the pixels of a device-independent bitmap, placed by its DibLayout, to RGBA: an
// icon image (colour pixels and AND mask) or the picture of a BMP file.
namespace gw {

// Decodes the DIB in dib (from its header on) as layout places its parts; the caller has
// checked that the picture's size is one it decodes. Palette indexes beyond the colour table
// show black. Transparency: a 32-bit image's own alpha (or its alpha mask) when any pixel has
// one; else an icon image's AND mask, or opaque. Run-length pixels that the runs skip or never
// reach are transparent. Fails with an Error naming fileName and item when the pixels are cut
// short (an icon image may lack its AND mask only at 32 bits per pixel).
[[nodiscard]] RgbaImage DecodeDib(std::span<const std::uint8_t> dib, const DibLayout& layout,
                                  const std::string& fileName, const std::string& item);

} // namespace gw

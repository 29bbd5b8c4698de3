#pragma once

#include "icons/icon_files.h"
#include "icons/rgba_image.h"

#include <QImage>
#include <cstdint>
#include <span>

namespace gw::ui {

// A picture of the core as Qt draws it: straight alpha, rows from the top.
[[nodiscard]] QImage PictureImage(const RgbaImage& picture);

// Draws an icon image held in memory: a bitmap of any depth with the pixels its AND mask (or
// its alpha) makes transparent, or a PNG image. One that cannot be decoded gives a null picture.
[[nodiscard]] QImage IconPreview(std::span<const std::uint8_t> imageBytes);

// Draws a palette image as an icon file would hold it.
[[nodiscard]] QImage IconPreview(const IconImage& image);

} // namespace gw::ui

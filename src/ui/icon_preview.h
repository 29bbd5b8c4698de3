#pragma once

#include "icons/icon_files.h"

#include <QImage>

namespace gw::ui {

// Draws an icon image held in memory as a picture: the palette image (1, 2, 4 or 8 bits per
// pixel, rows stored bottom-up) with the pixels its AND mask sets made transparent. An image
// that cannot be drawn (another depth, a size that does not fit, masks shorter than the size
// asks for) gives a null picture.
QImage IconPreview(const IconImage& image);

} // namespace gw::ui

#pragma once

#include "icons/rgba_image.h"

namespace gw {

// Scales a picture to width x height by area averaging: each new pixel is the mean of the
// source area it covers, partly covered source pixels counting by the part covered. Colours
// are averaged as squares of their values (close to light: a fine pattern of black and white
// comes out at 180, where averaging the values gives 128 and linear light 188), and
// premultiplied by alpha, so transparent pixels lend no colour to their neighbours. Works for
// enlarging too (each new pixel then covers a part of one or two).
RgbaImage AreaAverage(const RgbaImage& source, int width, int height);

// The picture fitted into a size x size square: scaled by AreaAverage so that its longer side
// fills the square, its shape kept, centred on transparency.
RgbaImage FitToSquare(const RgbaImage& source, int size);

} // namespace gw

#pragma once

// A small C interface to Debian's libpng for the picture decoder. libpng reports errors with
// longjmp; this glue is written in C so that no jump ever crosses a C++ frame: each call
// returns whether it succeeded and, when it did not, libpng's reason as text.

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// The size a PNG's header gives, read with the same limits as a decode.
typedef struct GwPngSize {
    uint32_t width;
    uint32_t height;
} GwPngSize;

// Decodes the PNG in data[0..size) with libpng, refusing a side longer than maxSide, a
// damaged chunk (its CRC), and ancillary chunks beyond small caches. With rgba NULL only the
// header is read and *pictureSize set. Otherwise the picture is expanded to 8-bit RGBA, rows
// from the top, into rgba, which must hold exactly 4 * width * height bytes for the size the
// header gives. Returns 1 on success; 0 with the reason in error[0..errorSize) otherwise.
int GwDecodePng(const unsigned char* data, size_t size, uint32_t maxSide, GwPngSize* pictureSize,
                unsigned char* rgba, size_t rgbaSize, char* error, size_t errorSize);

#ifdef __cplusplus
}
#endif

#include "icons/png_decoder.h"

#include <png.h>
#include <setjmp.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <zlib.h>

// libpng's own limits: a chunk it keeps (text, profiles, unknown chunks) is at most this many
// bytes once inflated, and at most this many such chunks are kept. The pixels need neither.
enum { kChunkMallocMax = 1 << 20, kChunkCacheMax = 64 };

// What the callbacks share: the bytes still to read and where the reason for a failure goes.
typedef struct Source {
    const unsigned char* data;
    size_t size;
    size_t at;
    char* error;
    size_t errorSize;
} Source;

static void keepReason(Source* source, const char* reason) {
    if (source->errorSize == 0) {
        return;
    }
    strncpy(source->error, reason, source->errorSize - 1);
    source->error[source->errorSize - 1] = '\0';
}

// libpng's error handler: keeps the reason and jumps back to GwDecodePng, through libpng's C
// frames only.
static void onError(png_structp png, png_const_charp message) {
    keepReason((Source*)png_get_error_ptr(png), message != NULL ? message : "");
    png_longjmp(png, 1);
}

// Warnings describe what libpng put right or left out; they change nothing decoded here.
static void onWarning(png_structp png, png_const_charp message) {
    (void)png;
    (void)message;
}

static void readBytes(png_structp png, png_bytep out, size_t length) {
    Source* source = (Source*)png_get_io_ptr(png);
    if (length > source->size - source->at) {
        png_error(png, "the file ends inside the picture");
    }
    memcpy(out, source->data + source->at, length);
    source->at += length;
}

// Sets the limits and the checks before libpng reads a byte.
static void limit(png_structp png, uint32_t maxSide) {
    png_set_user_limits(png, maxSide, maxSide);
    png_set_chunk_cache_max(png, kChunkCacheMax);
    png_set_chunk_malloc_max(png, kChunkMallocMax);
    png_set_crc_action(png, PNG_CRC_ERROR_QUIT, PNG_CRC_ERROR_QUIT);
    // Only the chunks that make the pixels are read (IHDR, PLTE, tRNS, IDAT, IEND); the others
    // are skipped, their CRC still checked.
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, NULL, -1);
}

// The bytes the image data inflates to for the header's size: a filter byte and the packed
// pixels of every row, of every pass when interlaced.
static uint64_t rawImageSize(png_structp png, png_infop info) {
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    const uint64_t bitsPerPixel =
        (uint64_t)png_get_bit_depth(png, info) * png_get_channels(png, info);
    if (png_get_interlace_type(png, info) == PNG_INTERLACE_NONE) {
        return (uint64_t)height * (1 + ((uint64_t)width * bitsPerPixel + 7) / 8);
    }
    uint64_t size = 0;
    for (int pass = 0; pass < 7; ++pass) {
        const uint64_t columns = PNG_PASS_COLS(width, pass), rows = PNG_PASS_ROWS(height, pass);
        if (columns > 0) {
            size += rows * (1 + (columns * bitsPerPixel + 7) / 8);
        }
    }
    return size;
}

// libpng inflates all of the image data, also what follows the last row, only to check that
// the stream ends; a small file whose stream goes on after the rows would keep it busy for
// seconds (deflate packs 1032 bytes into one). So the image data (the IDAT chunks, as far as
// they lie within the file) is inflated here first into a small buffer, and refused when it
// goes on for more than a little past what the rows need. Damage is left for libpng to report.
static void requireImageDataToEnd(png_structp png, const Source* source, uint64_t needed) {
    enum { kSlack = 1 << 16 };
    z_stream stream;
    memset(&stream, 0, sizeof stream);
    if (inflateInit(&stream) != Z_OK) {
        png_error(png, "out of memory");
    }
    unsigned char out[1 << 14];
    uint64_t produced = 0;
    int result = Z_OK;
    size_t at = 8; // after the signature
    while (result == Z_OK && source->size - at >= 12) {
        const unsigned char* c = source->data + at;
        const uint32_t length =
            (uint32_t)c[0] << 24 | (uint32_t)c[1] << 16 | (uint32_t)c[2] << 8 | c[3];
        if (length > source->size - at - 12) {
            break;
        }
        if (memcmp(c + 4, "IDAT", 4) == 0) {
            stream.next_in = (unsigned char*)c + 8;
            stream.avail_in = length;
            while (result == Z_OK && stream.avail_in > 0 && produced <= needed + kSlack) {
                stream.next_out = out;
                stream.avail_out = sizeof out;
                result = inflate(&stream, Z_NO_FLUSH);
                produced += sizeof out - stream.avail_out;
            }
        }
        at += 12 + (size_t)length;
        if (produced > needed + kSlack) {
            inflateEnd(&stream);
            char reason[160];
            snprintf(reason, sizeof reason,
                     "its image data inflates to more than the %llu bytes its pixels need",
                     (unsigned long long)needed);
            png_error(png, reason);
        }
    }
    inflateEnd(&stream);
}

// Every colour type and depth to 8-bit RGBA: palettes and grey looked up or widened,
// transparency (tRNS) to alpha, 16 bits rounded to 8, opaque alpha added where there is none,
// interlaced passes combined.
static void expandToRgba(png_structp png, png_infop info) {
    png_set_expand(png);
    png_set_scale_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xff, PNG_FILLER_AFTER);
    (void)png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != (size_t)4 * png_get_image_width(png, info)) {
        png_error(png, "the picture does not expand to 8-bit RGBA");
    }
}

int GwDecodePng(const unsigned char* data, size_t size, uint32_t maxSide, GwPngSize* pictureSize,
                unsigned char* rgba, size_t rgbaSize, char* error, size_t errorSize) {
    Source source = {data, size, 0, error, errorSize};
    keepReason(&source, "");
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &source, onError, onWarning);
    png_infop info = png != NULL ? png_create_info_struct(png) : NULL;
    if (info == NULL) {
        keepReason(&source, "out of memory");
        png_destroy_read_struct(&png, NULL, NULL);
        return 0;
    }
    // Changed after setjmp, so volatile: its value must survive the jump.
    png_bytep* volatile rows = NULL;
    if (setjmp(png_jmpbuf(png))) {
        free((void*)rows);
        png_destroy_read_struct(&png, &info, NULL);
        return 0;
    }
    limit(png, maxSide);
    png_set_read_fn(png, &source, readBytes);
    png_read_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    pictureSize->width = width;
    pictureSize->height = height;
    if (rgba != NULL) {
        if (rgbaSize / 4 / width != height || rgbaSize % ((size_t)4 * width) != 0) {
            png_error(png, "the pixel buffer does not fit the picture");
        }
        requireImageDataToEnd(png, &source, rawImageSize(png, info));
        expandToRgba(png, info);
        rows = (png_bytep*)malloc(sizeof(png_bytep) * height);
        if (rows == NULL) {
            png_error(png, "out of memory");
        }
        for (png_uint_32 y = 0; y < height; ++y) {
            rows[y] = rgba + (size_t)4 * width * y;
        }
        // The rows only: what follows the image data (text after it, IEND) adds no pixel.
        png_read_image(png, rows);
    }
    free((void*)rows);
    png_destroy_read_struct(&png, &info, NULL);
    return 1;
}

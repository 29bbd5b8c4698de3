#include "icons/png_decoder.h"

#include <png.h>
#include <setjmp.h>
#include <stdlib.h>
#include <string.h>

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

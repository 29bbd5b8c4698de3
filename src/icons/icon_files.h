#pragma once

#include "common/byte_arena.h"
#include "common/byte_io.h"
#include "common/file_io.h"
#include "common/progress.h"
#include "icons/dib.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace gw {

// ICONDIR: the 6-byte header of an icon file.
struct IconDir {
    std::int16_t Reserved = 0;
    std::int16_t Type = 0;
    std::int16_t Count = 0;

    static void eachField(auto& r, auto&& f) {
        f(r.Reserved);
        f(r.Type);
        f(r.Count);
    }
};

// What an icon file's directory entry and a DLL's group entry both say about an image, the
// first 12 bytes of either.
struct IconEntry {
    std::uint8_t Width = 0;
    std::uint8_t Height = 0;
    std::uint8_t ColorCount = 0;
    std::uint8_t Reserved = 0;
    std::int16_t Planes = 0;
    std::int16_t BitCount = 0;
    std::int32_t BytesInRes = 0;

    static void eachField(auto& r, auto&& f) {
        f(r.Width);
        f(r.Height);
        f(r.ColorCount);
        f(r.Reserved);
        f(r.Planes);
        f(r.BitCount);
        f(r.BytesInRes);
    }
};

// ICONDIRENTRY: one 16-byte directory entry, exactly as stored in the file.
struct IconDirEntry : IconEntry {
    std::int32_t ImageOffset = 0;

    static void eachField(auto& r, auto&& f) {
        IconEntry::eachField(r, f);
        f(r.ImageOffset);
    }
};

inline constexpr std::int32_t kIconDirSize = 6;
inline constexpr std::int32_t kIconDirEntrySize = 16;

// One palette image, a DIB of 1, 2, 4 or 8 bits per pixel with a 40-byte header: its header,
// its colour table (the entries its layout gives, each blue, green, red, reserved as one
// little-endian value) and its XOR and AND masks as stored.
struct IconImage {
    BitmapInfoHeader Header;
    std::vector<std::int32_t> Palette;
    std::vector<std::uint8_t> Bits;

    // The image's length in a file: the header, the colour table and the masks.
    [[nodiscard]] std::int32_t byteSize() const;
};

// An image held in memory elsewhere, as PutIconImage writes it: its header as read, and the
// bytes behind it (colour table and masks) where they lie, not copied.
struct IconImageView {
    BitmapInfoHeader Header;
    std::span<const std::uint8_t> Rest;

    // The image's length in a file, as IconImage::byteSize.
    [[nodiscard]] std::int32_t byteSize() const;
};

// GRPICONDIRENTRY: the entry the DLL's icon-group resource carries for one image.
struct GroupIconEntry : IconEntry {
    std::int16_t Id = 0; // the RT_ICON number, set by the DLL builder

    static void eachField(auto& r, auto&& f) {
        IconEntry::eachField(r, f);
        f(r.Id);
    }
};

// One whole icon file as the DLL builder holds it; entry j describes image j.
struct IconFileRecord {
    std::vector<IconImage> Images;
    IconDir Header;
    std::vector<GroupIconEntry> Entries;
    std::string FileName; // the file it was read from, for messages; empty when made otherwise
};

// The largest width and height an icon image may have; a directory entry stores it as 0.
inline constexpr std::int32_t kMaxIconSide = 256;

// Reads a whole icon file for the DLL builder and derives each image's group entry. Each image
// is taken where its directory entry places it when every entry's bytes lie behind the
// directory, within the file and apart from the others; else the images are taken one after
// another behind the directory. With a guard, a file that is one of its outputs is refused as
// soon as it is open. Fails with an Error naming the file, the image and the cause.
[[nodiscard]] IconFileRecord ReadIconFile(const std::filesystem::path& fileName,
                                          const Progress& progress = {},
                                          const OutputGuard* guard = nullptr);

// An icon file as the DLL builder packs it: its record, whose images are left as empty
// stand-ins, and each image as stored (its header, then its colour table and masks as they
// lie in the file), held in an arena of the caller's.
struct PackedIconFile {
    IconFileRecord Record;
    std::vector<IconImageView> Images;
};

// Reads an icon file as ReadIconFile does, checking every image the same way, but keeps each
// image's bytes as they are stored, in room taken from arena, which must outlive the views.
[[nodiscard]] PackedIconFile ReadPackedIconFile(const std::filesystem::path& fileName,
                                                ByteArena& arena, const Progress& progress = {},
                                                const OutputGuard* guard = nullptr);

// The number of images an icon file holds, from its header alone (checked as the readers check
// it), for a window that shows the count without decoding the images.
[[nodiscard]] std::int16_t ReadIconCount(const std::filesystem::path& fileName);

// Fails with an Error naming the file and item unless the header is one of an image the DLL
// builder packs and the icon writer writes: a 40-byte header, 1, 2, 4 or 8 bits per pixel, no
// compression, and a width and height (biWidth, biHeight / 2) of 1 to 256 pixels.
void CheckPackable(const BitmapInfoHeader& header, const std::string& fileName,
                   const std::string& item);

// Decodes one image held in memory (an RT_ICON resource, say), all of its bytes being the image,
// by the same rules as the readers: a packable header (CheckPackable), the colour table its
// layout gives and its colour pixels (RequireColourPixels). Fails with an Error naming the file
// and item.
[[nodiscard]] IconImage DecodeIconImage(std::span<const std::uint8_t> bytes,
                                        const std::string& fileName, const std::string& item);
// The same, checked by the same rules, without copying the image: for reading many images of a
// file that is held whole.
[[nodiscard]] IconImageView ViewIconImage(std::span<const std::uint8_t> bytes,
                                          const std::string& fileName, const std::string& item);

// Writes an image as stored in icon files and DLLs: its 40-byte header field by field, its
// colour table and its masks.
void PutIconImage(ByteWriter& out, const IconImage& image);
void PutIconImage(ByteWriter& out, const IconImageView& image);

// The colour count a directory or group entry gives an image of this depth: 2^bitCount below 8
// bits per pixel, else 0.
[[nodiscard]] std::uint8_t DirectoryColourCount(int bitCount);

// How messages name image `index` of an icon file: "image 2".
[[nodiscard]] std::string ImageItem(std::size_t index);

// Whether the bytes begin with the PNG signature: a PNG file, or an icon image stored as PNG.
[[nodiscard]] bool IsPng(std::span<const std::uint8_t> bytes);

// How an image of an icon file is stored: as a device-independent bitmap (a BITMAPINFOHEADER,
// a colour table for up to 8 bits per pixel, the XOR and AND masks) or as a whole PNG file.
enum class ImageFormat { Bitmap, Png };

// What an image's own header says about it: a BITMAPINFOHEADER or a PNG's IHDR. Width and
// Height are the image's pixels (for a bitmap biWidth and biHeight / 2), BitCount its bits per
// pixel (for a PNG its bit depth times its channels: 32 for 8-bit RGBA).
struct ImageInfo {
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::int32_t BitCount = 0;
    ImageFormat Format = ImageFormat::Bitmap;
};

// Reads an image's size and depth from its own header and checks that the bytes hold what that
// header announces (for a bitmap DescribeIconBitmap: up to its colour pixels). Fails with an
// Error naming fileName and item and the cause.
[[nodiscard]] ImageInfo DescribeImage(std::span<const std::uint8_t> bytes,
                                      const std::string& fileName, const std::string& item);

// One image of an icon file exactly as stored, of any kind: its directory entry as read, its
// bytes and what its own header says.
struct StoredIconImage {
    IconDirEntry Entry;
    std::vector<std::uint8_t> Bytes;
    ImageInfo Info;
};

struct StoredIconFile {
    IconDir Header;
    std::vector<StoredIconImage> Images;
};

// Reads an icon file of any image kinds: palette, 16-, 24- and 32-bit bitmaps, PNG-compressed
// images, of any size. Each image is taken from where its directory entry places it (files from
// other tools do not always store them in directory order), checked against the file's size
// before anything is allocated. Fails with an Error naming the file, the image and the cause.
[[nodiscard]] StoredIconFile ReadStoredIcon(const std::filesystem::path& fileName,
                                            const Progress& progress = {});

// The number of colours shown for an image: the directory's count, except that an 8-bit image
// whose directory says 0 has 256 (the count's byte cannot hold 256).
[[nodiscard]] std::int32_t ShownColorCount(const StoredIconImage& image);

// The image remover's row text for an image of any kind: "32 x 32 - 16 Colors"; a width or
// height stored as 0 is shown as the image's own size (256, or more), and the colours as
// ShownColorCount gives them.
[[nodiscard]] std::string ImageRowText(const StoredIconImage& image);

} // namespace gw

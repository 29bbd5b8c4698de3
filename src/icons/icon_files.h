#pragma once

#include "common/byte_io.h"
#include "common/progress.h"

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
};

// ICONDIRENTRY: one 16-byte directory entry, exactly as stored in the file.
struct IconDirEntry {
    std::uint8_t Width = 0;
    std::uint8_t Height = 0;
    std::uint8_t ColorCount = 0;
    std::uint8_t Reserved = 0;
    std::int16_t Planes = 0;
    std::int16_t BitCount = 0;
    std::int32_t BytesInRes = 0;
    std::int32_t ImageOffset = 0;
};

// BITMAPINFOHEADER: the 40 bytes at the start of every image.
struct BitmapInfoHeader {
    std::int32_t biSize = 0;
    std::int32_t biWidth = 0;
    std::int32_t biHeight = 0;
    std::int16_t biPlanes = 0;
    std::int16_t biBitCount = 0;
    std::int32_t biCompression = 0;
    std::int32_t biSizeImage = 0;
    std::int32_t biXPelsPerMeter = 0;
    std::int32_t biYPelsPerMeter = 0;
    std::int32_t biClrUsed = 0;
    std::int32_t biClrImportant = 0;
};

inline constexpr std::int32_t kIconDirSize = 6;
inline constexpr std::int32_t kIconDirEntrySize = 16;
inline constexpr std::int32_t kBitmapInfoHeaderSize = 40;

// One image: its header, its colour table (2^biBitCount entries, each blue, green, red,
// reserved as one little-endian value) and its XOR and AND masks as stored.
struct IconImage {
    BitmapInfoHeader Header;
    std::vector<std::int32_t> Palette;
    std::vector<std::uint8_t> Bits;

    // The image's length in a file: the header, the colour table and the masks.
    std::int32_t byteSize() const;
};

// GRPICONDIRENTRY: the entry the DLL's icon-group resource carries for one image.
struct GroupIconEntry {
    std::uint8_t Width = 0;
    std::uint8_t Height = 0;
    std::uint8_t ColorCount = 0;
    std::uint8_t Reserved = 0;
    std::int16_t Planes = 0;
    std::int16_t BitCount = 0;
    std::int32_t BytesInRes = 0;
    std::int16_t Id = 0; // the RT_ICON number, set by the DLL builder
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

// Reads a whole icon file for the DLL builder and derives each image's group entry. The images
// are taken one after another in directory order right behind the directory; the stored image
// offsets are not used. Fails with an Error naming the file, the image and the cause.
IconFileRecord ReadIconFile(const std::filesystem::path& fileName, const Progress& progress = {});

// The number of images an icon file holds, from its header alone (checked as the readers check
// it), for a window that shows the count without decoding the images.
std::int16_t ReadIconCount(const std::filesystem::path& fileName);

// Fails with an Error naming the file and item unless the header describes an image the readers
// and the writer handle: a 40-byte header, 1, 2, 4 or 8 bits per pixel, no compression, and a
// width and height (biWidth, biHeight / 2) of 1 to 256 pixels.
void CheckBitmapHeader(const BitmapInfoHeader& header, const std::string& fileName,
                       const std::string& item);

// Decodes one image held in memory (an RT_ICON resource, say), all of its bytes being the image,
// by the same rules as the readers: an uncompressed palette image with a 40-byte header, its
// colour table and at least one byte of pixels. Fails with an Error naming the file and item.
IconImage DecodeIconImage(std::span<const std::uint8_t> bytes, const std::string& fileName,
                          const std::string& item);

// How messages name image `index` of an icon file: "image 2".
std::string ImageItem(std::size_t index);

// Whether the bytes begin with the PNG signature: a PNG file, or an icon image stored as PNG.
bool IsPng(std::span<const std::uint8_t> bytes);

// Number of colour-table entries an image of this bit depth carries.
std::int32_t PaletteEntries(std::int16_t bitCount);

// Writes an image as stored in icon files and DLLs: its 40-byte header field by field, its
// colour table and its masks.
void PutIconImage(ByteWriter& out, const IconImage& image);

// The fields that an icon file's directory entry and a DLL's group entry share, in their order:
// width, height, colour count, reserved (8 bits each), planes, bit count (16 bits each) and the
// image's size (32 bits). What follows differs: the image's offset in a file, its resource ID
// in a group.
template <typename Entry> void PutSharedEntryFields(ByteWriter& out, const Entry& e) {
    out.u8(e.Width);
    out.u8(e.Height);
    out.u8(e.ColorCount);
    out.u8(e.Reserved);
    out.i16(e.Planes);
    out.i16(e.BitCount);
    out.i32(e.BytesInRes);
}

template <typename Entry> void GetSharedEntryFields(ByteReader& in, Entry& e) {
    e.Width = in.u8();
    e.Height = in.u8();
    e.ColorCount = in.u8();
    e.Reserved = in.u8();
    e.Planes = in.i16();
    e.BitCount = in.i16();
    e.BytesInRes = in.i32();
}

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
// header announces (for a bitmap its colour table and colour pixels). Fails with an Error naming
// fileName and item and the cause.
ImageInfo DescribeImage(std::span<const std::uint8_t> bytes, const std::string& fileName,
                        const std::string& item);

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
StoredIconFile ReadStoredIcon(const std::filesystem::path& fileName, const Progress& progress = {});

// Why count images cannot make one icon file (none, or too many for the first image's offset,
// 6 + 16 x count, to fit 16 bits); empty when they can.
std::string IconCountProblem(std::size_t count);

// Writes the images byte for byte, one after another behind a directory built from each
// image's own header (DescribeImage): width and height as bytes, 0 for 256 and more; the colour
// count for fewer than 8 bits per pixel; planes and bit count 0 for palette bitmaps, whose
// readers take them from the bitmap, else 1 and the image's bit count, which a PNG's reader
// could learn only by decoding its header. Replaced atomically; refusals as WriteIconFile's.
void WriteStoredIcon(const std::filesystem::path& fileName,
                     const std::vector<StoredIconImage>& images, const Progress& progress = {});

// Writes the images byte for byte behind a directory whose entries are the images' own Entry
// fields (width, height, colour count, reserved, planes, bit count) as given, with each size
// and offset set from the bytes written: an icon group of a PE file as an icon file.
void WriteStoredIconWithEntries(const std::filesystem::path& fileName,
                                const std::vector<StoredIconImage>& images);

// The image remover's row text for an image of any kind: "32 x 32 - 16 Colors"; a width or
// height stored as 0 is shown as the image's own size (256, or more).
std::string ImageRowText(const StoredIconImage& image);

// Writes the images as a fresh icon file with a directory built from their own headers (a width
// or height of 256 stored as 0). The file is replaced only when complete. Images that do not fit
// the directory's fields fail with an Error before anything is written; a target that cannot be
// written fails with an Error of kind TargetNotWritable whose cause says why, leaving it as it
// was.
void WriteIconFile(const std::filesystem::path& fileName, const std::vector<IconImage>& images,
                   const Progress& progress = {});

} // namespace gw

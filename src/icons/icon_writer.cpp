#include "common/byte_io.h"
#include "common/checked.h"
#include "common/error.h"
#include "common/file_io.h"
#include "icons/icon_files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace gw {

namespace {

// The most images whose first image offset, 6 + 16 × Count, still fits 16 bits.
constexpr std::size_t kMaxImages = (32767 - kIconDirSize) / kIconDirEntrySize;

std::string imageItem(std::size_t index) {
    return "image " + std::to_string(index);
}

// Runs an overflow-checked computation for one image, naming the file and the image when the
// result does not fit its field.
template <class Compute>
auto forImage(const std::string& fileName, std::size_t index, Compute&& compute) {
    try {
        return compute();
    } catch (const Error& e) {
        throw Error(fileName, imageItem(index), e.what());
    }
}

// A width or height as the directory's byte: 256 is stored as 0. CheckBitmapHeader has
// already refused every other value outside 1 to 256.
std::uint8_t directoryByte(std::int32_t value) {
    return static_cast<std::uint8_t>(value == kMaxIconSide ? 0 : value);
}

// Checks that the image can be written so that it reads back as it is held: a header the
// readers accept, a colour table of 2^biBitCount entries and at least one byte of pixel data.
void checkImage(const std::string& fileName, std::size_t index, const IconImage& image) {
    const BitmapInfoHeader& h = image.Header;
    const std::string item = imageItem(index);
    CheckBitmapHeader(h, fileName, item);
    const auto expected = static_cast<std::size_t>(PaletteEntries(h.biBitCount));
    if (image.Palette.size() != expected) {
        throw Error(fileName, item,
                    "the colour table has " + std::to_string(image.Palette.size()) +
                        " entries, but an image of " + std::to_string(h.biBitCount) +
                        " bits per pixel has " + std::to_string(expected));
    }
    if (image.Bits.empty()) {
        throw Error(fileName, item, "the image has no pixel data");
    }
}

// The fresh directory: every field derived from the images' own headers, the images placed one
// after another right behind it. Fails before anything is written when an image does not fit.
std::vector<IconDirEntry> buildDirectory(const std::string& fileName,
                                         const std::vector<IconImage>& images) {
    if (images.empty()) {
        throw Error(fileName, "", "no images to write; an icon file holds at least one image");
    }
    if (images.size() > kMaxImages) {
        throw Error(fileName, imageItem(kMaxImages),
                    "an icon file holds at most " + std::to_string(kMaxImages) + " images; " +
                        std::to_string(images.size()) +
                        " would put the first image beyond the 16-bit offset");
    }
    const auto count = static_cast<std::int16_t>(images.size());
    const std::int16_t firstOffset = checked::add<std::int16_t>(
        static_cast<std::int16_t>(kIconDirSize),
        checked::mul<std::int16_t>(static_cast<std::int16_t>(kIconDirEntrySize), count,
                                   "the directory size"),
        "the first image offset");

    std::vector<IconDirEntry> entries;
    entries.reserve(images.size());
    std::int32_t offset = firstOffset;
    for (std::size_t i = 0; i < images.size(); ++i) {
        const IconImage& image = images[i];
        checkImage(fileName, i, image);
        const BitmapInfoHeader& h = image.Header;
        IconDirEntry e;
        e.Width = directoryByte(h.biWidth);
        e.Height = directoryByte(h.biHeight / 2);
        e.ColorCount = h.biBitCount < 8 ? static_cast<std::uint8_t>(1 << h.biBitCount) : 0;
        e.BytesInRes = forImage(fileName, i, [&] { return image.byteSize(); });
        if (i > 0) {
            const IconDirEntry& previous = entries.back();
            offset = forImage(fileName, i, [&] {
                return checked::add(previous.ImageOffset, previous.BytesInRes, "the image offset");
            });
        }
        e.ImageOffset = offset;
        entries.push_back(e);
    }
    return entries;
}

void putIcon(ByteWriter& out, const std::vector<IconDirEntry>& entries,
             const std::vector<IconImage>& images) {
    out.i16(0); // Reserved
    out.i16(1); // Type: an icon, whatever the images came from
    out.i16(static_cast<std::int16_t>(entries.size()));
    for (const IconDirEntry& e : entries) {
        PutSharedEntryFields(out, e);
        out.i32(e.ImageOffset);
    }
    for (const IconImage& image : images) {
        PutIconImage(out, image);
    }
}

} // namespace

void PutIconImage(ByteWriter& out, const IconImage& image) {
    const BitmapInfoHeader& h = image.Header;
    out.i32(h.biSize);
    out.i32(h.biWidth);
    out.i32(h.biHeight);
    out.i16(h.biPlanes);
    out.i16(h.biBitCount);
    for (std::int32_t v : {h.biCompression, h.biSizeImage, h.biXPelsPerMeter, h.biYPelsPerMeter,
                           h.biClrUsed, h.biClrImportant}) {
        out.i32(v);
    }
    // The colour table in one piece, little-endian: a DLL of many images holds millions of
    // entries, and a field at a time would cost more than all the rest.
    std::vector<std::uint8_t> palette(image.Palette.size() * 4);
    for (std::size_t i = 0; i < image.Palette.size(); ++i) {
        const auto colour = static_cast<std::uint32_t>(image.Palette[i]);
        for (std::size_t b = 0; b < 4; ++b) {
            palette[4 * i + b] = static_cast<std::uint8_t>(colour >> (8 * b));
        }
    }
    out.bytes(palette);
    out.bytes(image.Bits);
}

void WriteIconFile(const std::filesystem::path& path, const std::vector<IconImage>& images,
                   const Progress& progress) {
    report(progress);
    const std::vector<IconDirEntry> entries = buildDirectory(displayPath(path), images);

    // The new content goes to a temporary file beside the target, so the images may have come
    // from the very file being replaced, and a failure leaves that file as it was. A target that
    // cannot be written fails here, as TargetNotWritable with its cause.
    AtomicFile file(path);
    ByteWriter out([&file](std::span<const std::uint8_t> bytes) { file.write(bytes); });
    putIcon(out, entries, images);
    out.flush();
    file.commit();
}

} // namespace gw

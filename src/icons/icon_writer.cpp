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

// Runs an overflow-checked computation for one image, naming the file and the image when the
// result does not fit its field.
template <class Compute>
auto forImage(const std::string& fileName, std::size_t index, Compute&& compute) {
    try {
        return compute();
    } catch (const Error& e) {
        throw Error(fileName, ImageItem(index), e.what());
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
    const std::string item = ImageItem(index);
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

// Fails unless count images fit an icon file.
void checkCount(const std::string& fileName, std::size_t count) {
    if (const std::string problem = IconCountProblem(count); !problem.empty()) {
        throw Error(fileName, count == 0 ? "" : ImageItem(kMaxImages),
                    count == 0 ? "no images to write; " + problem : problem);
    }
}

// Places the images one after another right behind the directory: sets every entry's
// ImageOffset from the sizes before it, overflow-checked.
void placeImages(const std::string& fileName, std::vector<IconDirEntry>& entries) {
    std::int32_t offset = checked::add<std::int16_t>(
        static_cast<std::int16_t>(kIconDirSize),
        checked::mul<std::int16_t>(static_cast<std::int16_t>(kIconDirEntrySize),
                                   static_cast<std::int16_t>(entries.size()), "the directory size"),
        "the first image offset");
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (i > 0) {
            const IconDirEntry& previous = entries[i - 1];
            offset = forImage(fileName, i, [&] {
                return checked::add(previous.ImageOffset, previous.BytesInRes, "the image offset");
            });
        }
        entries[i].ImageOffset = offset;
    }
}

// The fresh directory: every field derived from the images' own headers. Fails before anything
// is written when an image does not fit.
std::vector<IconDirEntry> buildDirectory(const std::string& fileName,
                                         const std::vector<IconImage>& images) {
    checkCount(fileName, images.size());
    std::vector<IconDirEntry> entries;
    entries.reserve(images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        const IconImage& image = images[i];
        checkImage(fileName, i, image);
        const BitmapInfoHeader& h = image.Header;
        IconDirEntry e;
        e.Width = directoryByte(h.biWidth);
        e.Height = directoryByte(h.biHeight / 2);
        e.ColorCount = h.biBitCount < 8 ? static_cast<std::uint8_t>(1 << h.biBitCount) : 0;
        e.BytesInRes = forImage(fileName, i, [&] { return image.byteSize(); });
        entries.push_back(e);
    }
    placeImages(fileName, entries);
    return entries;
}

std::int32_t storedSize(const std::string& fileName, std::size_t index,
                        const StoredIconImage& image) {
    if (image.Bytes.empty()) {
        throw Error(fileName, ImageItem(index), "the image has no bytes");
    }
    return forImage(fileName, index, [&] {
        return checked::narrow<std::int32_t>(image.Bytes.size(), "the image size");
    });
}

// Writes the header, the directory and then, through putImages, the images, to a temporary
// file beside the target that replaces it only when complete: the images may have come from
// the very file being replaced, and a failure leaves that file as it was. A target that cannot
// be written fails here, as TargetNotWritable with its cause.
template <class PutImages>
void writeIcon(const std::filesystem::path& path, const std::vector<IconDirEntry>& entries,
               PutImages&& putImages) {
    AtomicFile file(path);
    ByteWriter out([&file](std::span<const std::uint8_t> bytes) { file.write(bytes); });
    out.i16(0); // Reserved
    out.i16(1); // Type: an icon, whatever the images came from
    out.i16(static_cast<std::int16_t>(entries.size()));
    for (const IconDirEntry& e : entries) {
        PutSharedEntryFields(out, e);
        out.i32(e.ImageOffset);
    }
    putImages(out);
    out.flush();
    file.commit();
}

void writeStored(const std::filesystem::path& path, const std::vector<IconDirEntry>& entries,
                 const std::vector<StoredIconImage>& images) {
    writeIcon(path, entries, [&](ByteWriter& out) {
        for (const StoredIconImage& image : images) {
            out.bytes(image.Bytes);
        }
    });
}

} // namespace

std::string IconCountProblem(std::size_t count) {
    if (count == 0) {
        return "an icon file holds at least one image";
    }
    if (count > kMaxImages) {
        return "an icon file holds at most " + std::to_string(kMaxImages) + " images; " +
               std::to_string(count) + " would put the first image beyond the 16-bit offset";
    }
    return "";
}

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
    writeIcon(path, entries, [&](ByteWriter& out) {
        for (const IconImage& image : images) {
            PutIconImage(out, image);
        }
    });
}

void WriteStoredIcon(const std::filesystem::path& path, const std::vector<StoredIconImage>& images,
                     const Progress& progress) {
    report(progress);
    const std::string fileName = displayPath(path);
    checkCount(fileName, images.size());
    std::vector<IconDirEntry> entries;
    entries.reserve(images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        const StoredIconImage& image = images[i];
        const std::int32_t size = storedSize(fileName, i, image);
        const ImageInfo info = DescribeImage(image.Bytes, fileName, ImageItem(i));
        const auto side = [](std::int32_t value) {
            return static_cast<std::uint8_t>(value >= kMaxIconSide ? 0 : value);
        };
        IconDirEntry e;
        e.Width = side(info.Width);
        e.Height = side(info.Height);
        e.ColorCount = info.BitCount < 8 ? static_cast<std::uint8_t>(1 << info.BitCount) : 0;
        if (info.Format == ImageFormat::Png || info.BitCount > 8) {
            e.Planes = 1;
            e.BitCount = static_cast<std::int16_t>(info.BitCount);
        }
        e.BytesInRes = size;
        entries.push_back(e);
    }
    placeImages(fileName, entries);
    writeStored(path, entries, images);
}

void WriteStoredIconWithEntries(const std::filesystem::path& path,
                                const std::vector<StoredIconImage>& images) {
    const std::string fileName = displayPath(path);
    checkCount(fileName, images.size());
    std::vector<IconDirEntry> entries;
    entries.reserve(images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        IconDirEntry e = images[i].Entry;
        e.BytesInRes = storedSize(fileName, i, images[i]);
        entries.push_back(e);
    }
    placeImages(fileName, entries);
    writeStored(path, entries, images);
}

} // namespace gw

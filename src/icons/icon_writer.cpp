#include "icons/icon_writer.h"

#include "common/byte_io.h"
#include "common/checked.h"
#include "common/error.h"
#include "common/file_io.h"

#include <algorithm>
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

// A width or height as the directory's byte: 256 and more are stored as 0, the low byte of 256.
std::uint8_t directoryByte(std::int32_t value) {
    return static_cast<std::uint8_t>(std::min(value, kMaxIconSide));
}

// The size of the image in the file, checked that the image can be written so that it reads
// back as it is held: a header the readers accept, a colour table of the entries its layout
// gives and its colour pixels.
std::int32_t checkedSize(const std::string& fileName, std::size_t index, const IconImage& image) {
    const std::string item = ImageItem(index);
    CheckPackable(image.Header, fileName, item);
    const DibLayout layout = LayOutIconBitmap(image.Header, fileName, item);
    if (image.Palette.size() != layout.TableEntries) {
        throw Error(fileName, item,
                    "the colour table has " + std::to_string(image.Palette.size()) +
                        " entries, but its header gives it " + std::to_string(layout.TableEntries));
    }
    const std::int32_t size = forImage(fileName, index, [&] { return image.byteSize(); });
    RequireColourPixels(layout, static_cast<std::uint64_t>(size), fileName, item);
    return size;
}

// Fails unless count images fit an icon file.
void checkCount(const std::string& fileName, std::size_t count) {
    if (const std::string problem = IconCountProblem(count); !problem.empty()) {
        throw Error(fileName, count == 0 ? "" : ImageItem(kMaxImages),
                    count == 0 ? "no images to write; " + problem : problem);
    }
}

// The entries with the images placed one after another right behind the directory: every
// entry's ImageOffset set from the sizes before it, overflow-checked.
std::vector<IconDirEntry> placeImages(const std::string& fileName,
                                      std::vector<IconDirEntry> entries) {
    std::int32_t offset = checked::Add<std::int16_t>(
        static_cast<std::int16_t>(kIconDirSize),
        checked::Mul<std::int16_t>(static_cast<std::int16_t>(kIconDirEntrySize),
                                   static_cast<std::int16_t>(entries.size()), "the directory size"),
        "the first image offset");
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (i > 0) {
            const IconDirEntry& previous = entries[i - 1];
            offset = forImage(fileName, i, [&] {
                return checked::Add(previous.ImageOffset, previous.BytesInRes, "the image offset");
            });
        }
        entries[i].ImageOffset = offset;
    }
    return entries;
}

// The fresh directory: every field derived from the images' own headers. Fails before anything
// is written when an image does not fit.
std::vector<IconDirEntry> buildDirectory(const std::string& fileName,
                                         const std::vector<IconImage>& images) {
    checkCount(fileName, images.size());
    std::vector<IconDirEntry> entries;
    entries.reserve(images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        const BitmapInfoHeader& h = images[i].Header;
        IconDirEntry e;
        e.BytesInRes = checkedSize(fileName, i, images[i]);
        e.Width = directoryByte(h.biWidth);
        e.Height = directoryByte(h.biHeight / 2);
        e.ColorCount = DirectoryColourCount(h.biBitCount);
        entries.push_back(e);
    }
    return placeImages(fileName, std::move(entries));
}

std::int32_t storedSize(const std::string& fileName, std::size_t index,
                        const StoredIconImage& image) {
    if (image.Bytes.empty()) {
        throw Error(fileName, ImageItem(index), "the image has no bytes");
    }
    return forImage(fileName, index, [&] {
        return checked::Narrow<std::int32_t>(image.Bytes.size(), "the image size");
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
    // Type 1: an icon, whatever the images came from.
    PutRecord(out, IconDir{0, 1, static_cast<std::int16_t>(entries.size())});
    for (const IconDirEntry& e : entries) {
        PutRecord(out, e);
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

void WriteIconFile(const std::filesystem::path& path, const std::vector<IconImage>& images,
                   const Progress& progress) {
    ReportProgress(progress);
    const std::vector<IconDirEntry> entries = buildDirectory(DisplayPath(path), images);
    writeIcon(path, entries, [&](ByteWriter& out) {
        for (const IconImage& image : images) {
            PutIconImage(out, image);
        }
    });
}

void WriteStoredIcon(const std::filesystem::path& path, const std::vector<StoredIconImage>& images,
                     const Progress& progress) {
    ReportProgress(progress);
    const std::string fileName = DisplayPath(path);
    checkCount(fileName, images.size());
    std::vector<IconDirEntry> entries;
    entries.reserve(images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        const StoredIconImage& image = images[i];
        const std::int32_t size = storedSize(fileName, i, image);
        const ImageInfo info = DescribeImage(image.Bytes, fileName, ImageItem(i));
        IconDirEntry e;
        e.Width = directoryByte(info.Width);
        e.Height = directoryByte(info.Height);
        e.ColorCount = DirectoryColourCount(info.BitCount);
        if (info.Format == ImageFormat::Png || info.BitCount > 8) {
            e.Planes = 1;
            e.BitCount = static_cast<std::int16_t>(info.BitCount);
        }
        e.BytesInRes = size;
        entries.push_back(e);
    }
    writeStored(path, placeImages(fileName, std::move(entries)), images);
}

void WriteStoredIconWithEntries(const std::filesystem::path& path,
                                const std::vector<StoredIconImage>& images) {
    const std::string fileName = DisplayPath(path);
    checkCount(fileName, images.size());
    std::vector<IconDirEntry> entries;
    entries.reserve(images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        IconDirEntry e = images[i].Entry;
        e.BytesInRes = storedSize(fileName, i, images[i]);
        entries.push_back(e);
    }
    writeStored(path, placeImages(fileName, std::move(entries)), images);
}

} // namespace gw

#include "icons/icon_files.h"

#include "common/byte_io.h"
#include "common/checked.h"
#include "common/error.h"
#include "common/file_io.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>

namespace gw {

namespace {

constexpr std::array<std::uint8_t, 8> kPngSignature = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

// Reads an icon file front to back through a buffer of its own. Before any array is
// allocated, the bytes it needs are checked against what is left of the file, so a directory
// that claims more than the file holds fails as truncated instead of allocating it.
class SequentialFile {
public:
    // name is the file's name in messages; it must outlive the reader.
    SequentialFile(const std::filesystem::path& path, const std::string& name,
                   const OutputGuard* guard = nullptr)
        : name_(name), file_(path) {
        if (!file_.isOpen()) {
            throw Error(name_, "", std::string("cannot open: ") + std::strerror(errno));
        }
        const OpenFileFacts facts = file_.facts();
        if (guard != nullptr) {
            guard->checkInput(path, facts.Identity);
        }
        const std::optional<std::uint64_t> size = facts.RegularSize;
        if (!size) {
            throw Error(name_, "", "cannot open: it is not a regular file");
        }
        size_ = *size;
        // The first bytes, kept to tell what a file that is no icon file is instead. The first
        // read fills the buffer, from which the reads that follow take them.
        startSize_ = static_cast<std::size_t>(std::min<std::uint64_t>(size_, startBytes_.size()));
        read(startBytes_.data(), startSize_, "", "the file's first bytes");
        pos_ = 0;
    }

    const std::string& name() const { return name_; }
    std::span<const std::uint8_t> start() const { return {startBytes_.data(), startSize_}; }
    std::uint64_t left() const { return size_ - pos_; }

    // Fails as truncated when fewer than count bytes are left. what names the bytes in the
    // message: a text, or a function that makes it, so that a read that succeeds (nearly all)
    // builds no text.
    template <class What>
    void require(std::uint64_t count, const std::string& item, const What& what) const {
        if (count > size_ - pos_) {
            throw Error(name_, item,
                        "truncated: " + DescribeLazily(what) + " needs " + std::to_string(count) +
                            " bytes at offset " + std::to_string(pos_) + ", but the file ends at " +
                            std::to_string(size_));
        }
    }

    template <class What>
    void read(std::uint8_t* into, std::size_t count, const std::string& item, const What& what) {
        require(count, item, what);
        while (count > 0) {
            // Bytes the buffer holds come from there.
            if (pos_ >= bufferAt_ && pos_ - bufferAt_ < bufferLength_) {
                const auto from = static_cast<std::size_t>(pos_ - bufferAt_);
                const std::size_t piece = std::min(count, bufferLength_ - from);
                std::memcpy(into, buffer_.data() + from, piece);
                into += piece;
                count -= piece;
                pos_ += piece;
                continue;
            }
            if (filePos_ != pos_) {
                // Images out of file order; the offset lies within the file, checked above.
                if (!file_.seek(pos_)) {
                    fail(item, what, std::strerror(errno));
                }
                filePos_ = pos_;
            }
            // A piece as large as the buffer goes straight where it is wanted; else the buffer
            // takes what is left of the file, up to its size, in one read.
            const bool direct = count >= buffer_.size();
            std::uint8_t* const target = direct ? into : buffer_.data();
            const std::size_t wanted =
                direct ? count
                       : static_cast<std::size_t>(std::min<std::uint64_t>(buffer_.size(), left()));
            const std::optional<std::size_t> got = file_.read(target, wanted);
            if (!got) {
                fail(item, what, std::strerror(errno));
            }
            if (*got == 0) {
                fail(item, what, "the file ended early");
            }
            filePos_ += *got;
            if (direct) {
                into += *got;
                count -= *got;
                pos_ += *got;
            } else {
                bufferAt_ = pos_;
                bufferLength_ = *got;
            }
        }
    }

    // Reads count bytes onto the end of out. What the buffer holds is appended from there, so
    // that the room is not first cleared and then overwritten; the rest is read in place.
    template <class What>
    void append(std::vector<std::uint8_t>& out, std::size_t count, const std::string& item,
                const What& what) {
        require(count, item, what);
        out.reserve(out.size() + count);
        if (pos_ >= bufferAt_ && pos_ - bufferAt_ < bufferLength_) {
            const auto from = static_cast<std::size_t>(pos_ - bufferAt_);
            const std::size_t piece = std::min(count, bufferLength_ - from);
            out.insert(out.end(), buffer_.data() + from, buffer_.data() + from + piece);
            count -= piece;
            pos_ += piece;
        }
        if (count > 0) {
            const std::size_t at = out.size();
            out.resize(at + count);
            read(out.data() + at, count, item, what);
        }
    }

    // Reads count bytes from offset on, which must lie within the file.
    template <class What>
    void readAt(std::uint64_t offset, std::uint8_t* into, std::size_t count,
                const std::string& item, const What& what) {
        if (offset > size_) {
            throw Error(name_, item,
                        "cannot read " + DescribeLazily(what) + " at offset " +
                            std::to_string(offset) + ": it lies beyond the end of the file");
        }
        pos_ = offset;
        read(into, count, item, what);
    }

    std::uint64_t size() const { return size_; }

    template <std::size_t N>
    std::array<std::uint8_t, N> readArray(const std::string& item, const std::string& what) {
        std::array<std::uint8_t, N> bytes{};
        read(bytes.data(), N, item, what);
        return bytes;
    }

private:
    template <class What>
    [[noreturn]] void fail(const std::string& item, const What& what, const std::string& cause) {
        throw Error(name_, item, "cannot read " + DescribeLazily(what) + ": " + cause);
    }

    const std::string& name_;
    ReadOnlyFile file_;
    std::uint64_t size_ = 0;
    std::uint64_t pos_ = 0;                 // where the next read begins
    std::uint64_t filePos_ = 0;             // where the file stands
    std::array<std::uint8_t, 8192> buffer_; // not cleared: reads fill what is used
    std::uint64_t bufferAt_ = 0;            // the file offset of the buffer's first byte
    std::size_t bufferLength_ = 0;
    std::array<std::uint8_t, 16> startBytes_{};
    std::size_t startSize_ = 0;
};

// Whether the bytes are printable ASCII, tabs and line ends: the start of a text file.
bool isText(std::span<const std::uint8_t> bytes) {
    return !bytes.empty() && std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) {
        return (b >= 0x20 && b < 0x7F) || b == '\t' || b == '\r' || b == '\n';
    });
}

// What a refusal of the DLL path adds for images only the general reader takes.
const char* const kConvertHint = "; make palette images from it with glyphwright-cli convert";

std::uint32_t bigEndian32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return std::uint32_t{bytes[at]} << 24 | std::uint32_t{bytes[at + 1]} << 16 |
           std::uint32_t{bytes[at + 2]} << 8 | std::uint32_t{bytes[at + 3]};
}

// A PNG's size and depth from its IHDR, which must be its first chunk.
ImageInfo describePng(std::span<const std::uint8_t> bytes, const std::string& fileName,
                      const std::string& item) {
    constexpr std::size_t kIhdrEnd = 8 + 8 + 13; // signature, length and type, the fields
    if (bytes.size() < kIhdrEnd) {
        throw Error(fileName, item,
                    "truncated: the PNG image is " + std::to_string(bytes.size()) +
                        " bytes long, too short for its IHDR header");
    }
    if (bigEndian32(bytes, 8) != 13 ||
        !std::equal(bytes.begin() + 12, bytes.begin() + 16, std::string_view("IHDR").begin())) {
        throw Error(fileName, item, "the PNG image does not begin with a 13-byte IHDR chunk");
    }
    const std::uint32_t width = bigEndian32(bytes, 16), height = bigEndian32(bytes, 20);
    const int depth = bytes[24], colourType = bytes[25];
    // Channels and the bit depths allowed, by colour type: grey, RGB, palette, grey and alpha,
    // RGBA.
    struct Kind {
        int ColourType, Channels;
        std::initializer_list<int> Depths;
    };
    static const Kind kKinds[] = {{0, 1, {1, 2, 4, 8, 16}},
                                  {2, 3, {8, 16}},
                                  {3, 1, {1, 2, 4, 8}},
                                  {4, 2, {8, 16}},
                                  {6, 4, {8, 16}}};
    const Kind* kind = nullptr;
    for (const Kind& k : kKinds) {
        if (k.ColourType == colourType) {
            kind = &k;
        }
    }
    if (kind == nullptr ||
        std::find(kind->Depths.begin(), kind->Depths.end(), depth) == kind->Depths.end()) {
        throw Error(fileName, item,
                    "the PNG image's colour type " + std::to_string(colourType) +
                        " with a bit depth of " + std::to_string(depth) + " is not a valid PNG");
    }
    for (const auto& [what, value] : {std::pair{"width", width}, std::pair{"height", height}}) {
        if (value < 1 || value > 0x7FFFFFFF) {
            throw Error(fileName, item,
                        std::string("the PNG image's ") + what + " of " + std::to_string(value) +
                            " pixels is outside 1 to 2147483647");
        }
    }
    return {static_cast<std::int32_t>(width), static_cast<std::int32_t>(height),
            depth * kind->Channels, ImageFormat::Png};
}

// Refuses an image whose directory entry gives it no bytes.
void requireSomeBytes(const std::string& fileName, std::size_t index, const IconDirEntry& entry) {
    if (entry.BytesInRes < 1) {
        throw Error(fileName, ImageItem(index),
                    "its directory entry gives it " + std::to_string(entry.BytesInRes) +
                        " bytes; an image has at least one");
    }
}

// The layout of an image of size bytes that begins with headerBytes, checked as the DLL builder
// takes images: a packable bitmap whose bytes hold its colour table and colour pixels.
DibLayout packableLayout(std::span<const std::uint8_t> headerBytes, std::uint64_t size,
                         const std::string& fileName, const std::string& item) {
    if (IsPng(headerBytes)) {
        throw Error(fileName, item,
                    std::string("the image is PNG-compressed; only uncompressed palette images "
                                "(1, 2, 4 or 8 bits per pixel) can be packed") +
                        kConvertHint);
    }
    const BitmapInfoHeader header = ReadBitmapInfoHeader(headerBytes, fileName, item);
    CheckPackable(header, fileName, item);
    const DibLayout layout = LayOutIconBitmap(header, fileName, item);
    RequireColourPixels(layout, size, fileName, item);
    return layout;
}

// An image from its layout and its colour table's bytes; its pixels are for the caller to add.
IconImage imageFrom(const DibLayout& layout, std::span<const std::uint8_t> table) {
    IconImage image;
    image.Header = layout.Header;
    image.Palette.resize(static_cast<std::size_t>(layout.TableEntries));
    GetLittleEndian32s(table, image.Palette);
    return image;
}

// The group entry of an image: its directory entry, with the colour count its depth gives and
// the planes and bit count of its header where the directory leaves them 0.
GroupIconEntry groupEntryFor(const IconDirEntry& entry, const BitmapInfoHeader& header) {
    GroupIconEntry g{entry, 0};
    g.ColorCount = DirectoryColourCount(header.biBitCount);
    if (g.Planes == 0) {
        g.Planes = static_cast<std::int16_t>(header.biPlanes);
    }
    if (g.BitCount == 0) {
        g.BitCount = static_cast<std::int16_t>(header.biBitCount);
    }
    return g;
}

std::size_t directorySize(const IconDir& header) {
    return static_cast<std::size_t>(header.Count) * kIconDirEntrySize;
}

// Names the directory in a message, made only when one is.
auto directoryWhat(const IconDir& header) {
    return
        [count = header.Count] { return "the directory of " + std::to_string(count) + " images"; };
}

// Reads an icon file's header, checking that its directory fits the file, and refuses files that
// are plainly not icon files and counts no icon file holds.
IconDir readHeader(SequentialFile& file, const std::string& fileName) {
    if (IsPng(file.start())) {
        throw Error(fileName + " is not an icon file: it starts with the PNG signature");
    }
    const auto headerBytes = file.readArray<kIconDirSize>("header", "the icon header");
    // The reader holds exactly the header, so its own context is never shown.
    ByteReader headerIn(headerBytes, "icon header");
    const auto header = ReadRecord<IconDir>(headerIn);
    if (header.Count <= 0) {
        // The count is shown as stored: 65535, not -1.
        throw Error(fileName, "header",
                    "the image count is " +
                        std::to_string(static_cast<std::uint16_t>(header.Count)) +
                        "; an icon file holds 1 to 32,767 images");
    }
    // The directory must fit the file before it is allocated.
    if (directorySize(header) > file.left() && isText(file.start())) {
        throw Error(fileName + " is not an icon file: it starts with text");
    }
    file.require(directorySize(header), "directory", directoryWhat(header));
    return header;
}

// Reads the directory that follows the header.
std::vector<IconDirEntry> readDirectory(SequentialFile& file, const IconDir& header) {
    ScratchBytes<16 * kIconDirEntrySize> directory(directorySize(header));
    file.read(directory.data(), directory.size(), "directory", directoryWhat(header));
    // The reader holds exactly the directory, so its own context is never shown.
    ByteReader dirIn(directory.bytes(), "icon directory");
    std::vector<IconDirEntry> entries;
    entries.reserve(static_cast<std::size_t>(header.Count));
    for (int j = 0; j < header.Count; ++j) {
        entries.push_back(ReadRecord<IconDirEntry>(dirIn));
    }
    return entries;
}

// Where each image of an icon file begins. Each where its entry places it when every entry's
// bytes lie behind the directory and within the file and no two overlap; otherwise (offsets
// left at 0, or leading past the end or into another image) one after another behind the
// directory, as nearly every file stores them. Entries must give each image some bytes; images
// that do not fit the file even so are refused as truncated.
std::vector<std::uint64_t> imageOffsets(const SequentialFile& file,
                                        const std::vector<IconDirEntry>& entries,
                                        std::uint64_t directoryEnd) {
    const std::uint64_t size = file.size();
    using Extent = std::pair<std::uint64_t, std::uint64_t>; // begin, end
    const auto extent = [&](const IconDirEntry& entry) {
        const auto begin = static_cast<std::uint64_t>(entry.ImageOffset);
        return Extent{begin, begin + static_cast<std::uint64_t>(entry.BytesInRes)};
    };
    bool inOrder = true;
    for (std::size_t j = 0; j < entries.size(); ++j) {
        requireSomeBytes(file.name(), j, entries[j]);
        inOrder = inOrder && (j == 0 || extent(entries[j - 1]) <= extent(entries[j]));
    }
    // The images in the order of their offsets: the directory's own order nearly always.
    std::vector<Extent> sorted;
    if (!inOrder) {
        for (const IconDirEntry& entry : entries) {
            sorted.push_back(extent(entry));
        }
        std::sort(sorted.begin(), sorted.end());
    }
    bool asPlaced = true;
    std::uint64_t previousEnd = directoryEnd;
    for (std::size_t j = 0; j < entries.size(); ++j) {
        const auto [begin, end] = inOrder ? extent(entries[j]) : sorted[j];
        asPlaced = asPlaced && begin >= previousEnd && end <= size;
        previousEnd = end;
    }
    std::vector<std::uint64_t> offsets;
    offsets.reserve(entries.size());
    std::uint64_t next = directoryEnd;
    for (std::size_t j = 0; j < entries.size(); ++j) {
        if (asPlaced) {
            offsets.push_back(extent(entries[j]).first);
            continue;
        }
        const auto bytes = static_cast<std::uint64_t>(entries[j].BytesInRes);
        if (bytes > size - next) {
            throw Error(file.name(), ImageItem(j),
                        "truncated: its " + std::to_string(bytes) + " bytes at offset " +
                            std::to_string(next) + " run past the end of the file at " +
                            std::to_string(size));
        }
        offsets.push_back(next);
        next += bytes;
    }
    return offsets;
}

// Reads an icon file: its header, its directory and each image's header, checked as the DLL
// builder takes images, with the group entries they give. The bytes behind each image's header
// (its colour table and masks, restSize of them, in the file before anything is allocated) are
// read by take(file, layout, restSize, item, what), into whatever its caller holds them in, which
// expect(count) is first told to make room for.
template <class Expect, class Take>
IconFileRecord readIconFileWith(const std::filesystem::path& path, const Progress& progress,
                                const OutputGuard* guard, Expect expect, Take take) {
    ReportProgress(progress);
    IconFileRecord icon;
    icon.FileName = DisplayPath(path);
    SequentialFile file(path, icon.FileName, guard);
    icon.Header = readHeader(file, icon.FileName);
    const std::vector<IconDirEntry> entries = readDirectory(file, icon.Header);
    const std::vector<std::uint64_t> offsets =
        imageOffsets(file, entries, kIconDirSize + directorySize(icon.Header));
    icon.Entries.reserve(entries.size());
    expect(entries.size());
    for (std::size_t j = 0; j < entries.size(); ++j) {
        const std::string item = ImageItem(j);
        std::array<std::uint8_t, kBitmapInfoHeaderSize> header{};
        file.readAt(offsets[j], header.data(), header.size(), item, "the bitmap header");
        const auto size = static_cast<std::uint64_t>(entries[j].BytesInRes);
        const DibLayout layout = packableLayout(header, size, file.name(), item);
        // The layout's colour table and pixels lie within the entry's size.
        const std::uint64_t restSize = size - kBitmapInfoHeaderSize;
        const auto what = [&] {
            return "the image's " + std::to_string(entries[j].BytesInRes) + " bytes";
        };
        file.require(restSize, item, what);
        take(file, layout, static_cast<std::size_t>(restSize), item, what);
        icon.Entries.push_back(groupEntryFor(entries[j], layout.Header));
    }
    return icon;
}

} // namespace

void CheckPackable(const BitmapInfoHeader& h, const std::string& fileName,
                   const std::string& item) {
    if (h.biSize != kBitmapInfoHeaderSize) {
        throw Error(fileName, item,
                    "the bitmap header size is " + std::to_string(h.biSize) +
                        ", not 40; the image cannot be packed as it stands");
    }
    if (h.biBitCount != 1 && h.biBitCount != 2 && h.biBitCount != 4 && h.biBitCount != 8) {
        throw Error(fileName, item,
                    "the image has " + std::to_string(h.biBitCount) +
                        " bits per pixel; only palette images of 1, 2, 4 or 8 bits per pixel can "
                        "be packed" +
                        (h.biBitCount == 16 || h.biBitCount == 24 || h.biBitCount == 32
                             ? kConvertHint
                             : ""));
    }
    if (h.biCompression != kBiRgb) {
        throw Error(fileName, item,
                    "its compression is " + CompressionName(h.biCompression) +
                        "; only uncompressed palette images can be packed");
    }
    const std::pair<const char*, std::int32_t> sides[] = {{"width", h.biWidth},
                                                          {"height", h.biHeight / 2}};
    for (const auto& [what, value] : sides) {
        if (value < 1 || value > kMaxIconSide) {
            throw Error(fileName, item,
                        std::string("its ") + what + " of " + std::to_string(value) +
                            " pixels is outside 1 to 256");
        }
    }
}

bool IsPng(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= kPngSignature.size() &&
           std::equal(kPngSignature.begin(), kPngSignature.end(), bytes.begin());
}

std::uint8_t DirectoryColourCount(int bitCount) {
    // 2^8 and more come out as the byte's 0.
    return static_cast<std::uint8_t>(1u << std::min(bitCount, 8));
}

std::string ImageItem(std::size_t index) {
    return "image " + std::to_string(index);
}

std::int32_t IconImage::byteSize() const {
    const auto paletteBytes = checked::Mul<std::int32_t>(
        4, checked::Narrow<std::int32_t>(Palette.size(), "the colour table"),
        "the colour table size");
    const auto headerSize = checked::Narrow<std::int32_t>(Header.biSize, "the header size");
    return checked::Add(checked::Add(headerSize, paletteBytes, "the image size"),
                        checked::Narrow<std::int32_t>(Bits.size(), "the pixel data"),
                        "the image size");
}

IconFileRecord ReadIconFile(const std::filesystem::path& path, const Progress& progress,
                            const OutputGuard* guard) {
    std::vector<IconImage> images;
    IconFileRecord icon = readIconFileWith(
        path, progress, guard, [&](std::size_t count) { images.reserve(count); },
        [&](SequentialFile& file, const DibLayout& layout, std::size_t restSize,
            const std::string& item, const auto& what) {
            // The colour table first, decoded; the pixels straight into the image.
            ScratchBytes<4 * 256> table(4 * static_cast<std::size_t>(layout.TableEntries));
            file.read(table.data(), table.size(), item, what);
            images.push_back(imageFrom(layout, table.bytes()));
            file.append(images.back().Bits, restSize - table.size(), item, what);
        });
    icon.Images = std::move(images);
    return icon;
}

PackedIconFile ReadPackedIconFile(const std::filesystem::path& path, ByteArena& arena,
                                  const Progress& progress, const OutputGuard* guard) {
    PackedIconFile packed;
    packed.Record = readIconFileWith(
        path, progress, guard, [&](std::size_t count) { packed.Images.reserve(count); },
        [&](SequentialFile& file, const DibLayout& layout, std::size_t restSize,
            const std::string& item, const auto& what) {
            const std::span<std::uint8_t> rest = arena.take(restSize);
            file.read(rest.data(), rest.size(), item, what);
            packed.Images.push_back({layout.Header, rest});
        });
    packed.Record.Images.resize(packed.Images.size());
    return packed;
}

std::int16_t ReadIconCount(const std::filesystem::path& path) {
    const std::string name = DisplayPath(path);
    SequentialFile file(path, name);
    return readHeader(file, name).Count;
}

IconImage DecodeIconImage(std::span<const std::uint8_t> bytes, const std::string& fileName,
                          const std::string& item) {
    const DibLayout layout = packableLayout(bytes, bytes.size(), fileName, item);
    const auto table = bytes.subspan(kBitmapInfoHeaderSize, 4 * layout.TableEntries);
    IconImage image = imageFrom(layout, table);
    const auto pixels = bytes.subspan(kBitmapInfoHeaderSize + table.size());
    image.Bits.assign(pixels.begin(), pixels.end());
    return image;
}

IconImageView ViewIconImage(std::span<const std::uint8_t> bytes, const std::string& fileName,
                            const std::string& item) {
    const DibLayout layout = packableLayout(bytes, bytes.size(), fileName, item);
    return {layout.Header, bytes.subspan(kBitmapInfoHeaderSize)};
}

std::int32_t IconImageView::byteSize() const {
    return checked::Add(checked::Narrow<std::int32_t>(Header.biSize, "the header size"),
                        checked::Narrow<std::int32_t>(Rest.size(), "the image"), "the image size");
}

void PutIconImage(ByteWriter& out, const IconImageView& image) {
    PutRecord(out, image.Header);
    out.bytes(image.Rest);
}

void PutIconImage(ByteWriter& out, const IconImage& image) {
    PutRecord(out, image.Header);
    out.i32s(image.Palette);
    out.bytes(image.Bits);
}

ImageInfo DescribeImage(std::span<const std::uint8_t> bytes, const std::string& fileName,
                        const std::string& item) {
    if (IsPng(bytes)) {
        return describePng(bytes, fileName, item);
    }
    const DibLayout layout = DescribeIconBitmap(bytes, fileName, item);
    return {layout.Width, layout.Height, layout.BitCount, ImageFormat::Bitmap};
}

StoredIconFile ReadStoredIcon(const std::filesystem::path& path, const Progress& progress) {
    ReportProgress(progress);
    const std::string fileName = DisplayPath(path);
    SequentialFile file(path, fileName);
    StoredIconFile icon;
    icon.Header = readHeader(file, fileName);
    const std::vector<IconDirEntry> entries = readDirectory(file, icon.Header);
    const std::uint64_t directoryEnd = kIconDirSize + directorySize(icon.Header);

    // Placed so that no two images share bytes, so together they are never larger than the
    // file: nothing is allocated beyond what it holds.
    const std::vector<std::uint64_t> offsets = imageOffsets(file, entries, directoryEnd);
    icon.Images.reserve(entries.size());
    for (std::size_t j = 0; j < entries.size(); ++j) {
        const std::string item = ImageItem(j);
        StoredIconImage image;
        image.Entry = entries[j];
        image.Bytes.resize(static_cast<std::size_t>(image.Entry.BytesInRes));
        file.readAt(offsets[j], image.Bytes.data(), image.Bytes.size(), item, "the image");
        image.Info = DescribeImage(image.Bytes, fileName, item);
        icon.Images.push_back(std::move(image));
    }
    return icon;
}

std::int32_t ShownColorCount(const StoredIconImage& image) {
    // A directory holds the count in one byte: 0 at 8 bits per pixel stands for 256.
    constexpr std::int32_t kEightBitColors = 256;
    if (image.Entry.ColorCount == 0 && image.Info.BitCount == 8) {
        return kEightBitColors;
    }
    return image.Entry.ColorCount;
}

std::string ImageRowText(const StoredIconImage& image) {
    const IconDirEntry& entry = image.Entry;
    // A side stored as 0 stands for 256 or more: the image's own header tells which.
    const auto side = [](std::uint8_t stored, std::int32_t own) {
        return std::to_string(stored != 0 ? std::int32_t{stored} : own > 0 ? own : kMaxIconSide);
    };
    return side(entry.Width, image.Info.Width) + " x " + side(entry.Height, image.Info.Height) +
           " - " + std::to_string(ShownColorCount(image)) + " Colors";
}

} // namespace gw

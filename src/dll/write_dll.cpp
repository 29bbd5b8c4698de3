#include "dll/write_dll.h"

#include "common/error.h"
#include "dll/pe_format.h"

#include <string>
#include <string_view>

namespace gw {

namespace {

// Runs put and checks that it wrote exactly the format's size of the structure: the layout's
// offsets hold only when every structure comes out at its size.
template <class What, class Put>
void putExactly(ByteWriter& out, std::uint64_t size, const What& what, Put put) {
    const std::uint64_t start = out.position();
    put();
    const std::uint64_t written = out.position() - start;
    if (written != size) {
        throw Error("internal error: " + DescribeLazily(what) + " came out " +
                    std::to_string(written) + " bytes long instead of " + std::to_string(size));
    }
}

// Checks that the output has reached the offset the layout gives the next structure.
void expectPosition(const ByteWriter& out, std::uint64_t offset, std::string_view what) {
    if (out.position() != offset) {
        throw Error("internal error: " + std::string(what) + " would start at file offset " +
                    std::to_string(out.position()) + " instead of " + std::to_string(offset));
    }
}

// Zero bytes up to the offset the layout gives the next part, which the output must not have
// passed.
template <class What> void padTo(ByteWriter& out, std::uint64_t target, const What& what) {
    if (out.position() > target) {
        throw Error("internal error: " + DescribeLazily(what) + " would start at file offset " +
                    std::to_string(target) + ", but " + std::to_string(out.position()) +
                    " bytes are written already");
    }
    out.zeros(target - out.position());
}

void putDirectory(ByteWriter& out, const ResourceDirectory& dir, std::string_view what) {
    const std::int64_t entries = std::int64_t{dir.NumberOfNamedEntries} + dir.NumberOfIdEntries;
    const std::uint64_t size =
        static_cast<std::uint64_t>(pe::kResourceDirectorySize + pe::kResourceEntrySize * entries);
    putExactly(out, size, what, [&] { PutResourceDirectory(out, dir); });
}

void putGroup(ByteWriter& out, const IconFileRecord& icon) {
    PutRecord(out, icon.Header);
    for (const GroupIconEntry& e : icon.Entries) {
        PutRecord(out, e);
    }
}

// A blob at the offset and of the size its data entry gives, after zeros from the blob before.
template <class What, class Put>
void putBlob(ByteWriter& out, const ImageResourceDataEntry& entry, const What& what, Put put) {
    padTo(out, entry.OffsetToData, what);
    putExactly(out, entry.Size, what, put);
}

} // namespace

void WriteDllImage(const DllImage& image, ByteWriter& out, const IconImageSource& images) {
    putExactly(out, image.Prefix.size(), "the MS-DOS header and stub",
               [&] { out.bytes(image.Prefix); });
    putExactly(out, pe::kFileHeaderSize, "the file header",
               [&] { PutRecord(out, image.FileHeader); });
    putExactly(out, pe::kOptionalHeader32Size, "the optional header",
               [&] { PutRecord(out, image.OptionalHeader); });
    for (const ImageSectionHeader& section : image.Sections) {
        putExactly(out, pe::kSectionHeaderSize, "a section header",
                   [&] { PutRecord(out, section); });
    }

    expectPosition(out, image.HeaderSize, "the resource section");
    putDirectory(out, image.RootDirectory, "the root resource directory");
    for (const ResourceDirectory& dir : image.TypeDirectories) {
        putDirectory(out, dir, "a resource type's directory");
    }
    // Each language directory announces one ID entry and holds it.
    ResourceDirectory languageHeader;
    languageHeader.NumberOfIdEntries = 1;
    for (const ResourceDirectoryEntry& entry : image.LanguageEntries) {
        putExactly(out, pe::kResourceDirectorySize + pe::kResourceEntrySize, "a language directory",
                   [&] {
                       PutRecord(out, languageHeader);
                       PutRecord(out, entry);
                   });
    }
    expectPosition(out, image.DataEntriesOffset, "the resource data entries");
    for (const ImageResourceDataEntry& e : image.DataEntries) {
        putExactly(out, pe::kResourceDataEntrySize, "a resource data entry",
                   [&] { PutRecord(out, e); });
    }

    // Of every file its images, then its group; their data entries list the images first.
    expectPosition(out, image.DataStart, "the resource data");
    const auto imageCount = static_cast<std::size_t>(image.imageCount());
    std::size_t nextImage = 0;
    std::span<const IconImageView> given;
    for (std::size_t i = 0; i < image.Icons.size(); ++i) {
        const IconFileRecord& icon = image.Icons[i];
        if (images) {
            given = images(i);
            if (given.size() != icon.Entries.size()) {
                throw Error("internal error: an icon file came with " +
                            std::to_string(given.size()) + " images instead of " +
                            std::to_string(icon.Entries.size()));
            }
        }
        const std::size_t count = images ? given.size() : icon.Images.size();
        for (std::size_t j = 0; j < count; ++j) {
            const auto name = [&] { return "RT_ICON " + std::to_string(icon.Entries.at(j).Id); };
            putBlob(out, image.DataEntries.at(nextImage++), name, [&] {
                if (images) {
                    PutIconImage(out, given[j]);
                } else {
                    PutIconImage(out, icon.Images[j]);
                }
            });
        }
        const auto name = [&] { return "icon group " + std::to_string(kFirstGroupId + i); };
        putBlob(out, image.DataEntries.at(imageCount + i), name, [&] { putGroup(out, icon); });
    }
    padTo(out, image.DataCursor, "the end of the resource data");
    padTo(out, image.RelocOffset, "the relocation section");
    for (std::uint32_t v : image.RelocBlock) {
        out.u32(v);
    }
    expectPosition(out, image.OptionalHeader.SizeOfImage, "the end of the DLL");
}

std::vector<std::uint8_t> DllBytes(const DllImage& image) {
    ByteWriter out;
    WriteDllImage(image, out);
    return out.take();
}

void WriteDll(const DllImage& image, AtomicFile& file, const IconImageSource& images) {
    ByteWriter out([&file](std::span<const std::uint8_t> bytes) { file.write(bytes); });
    WriteDllImage(image, out, images);
    out.flush();
}

} // namespace gw

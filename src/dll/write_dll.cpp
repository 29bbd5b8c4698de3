#include "dll/write_dll.h"

#include "common/checked.h"
#include "common/error.h"
#include "common/file_io.h"
#include "dll/pe_format.h"

#include <filesystem>
#include <memory>

namespace gw {

namespace {

void putFileHeader(ByteWriter& out, const ImageFileHeader& h) {
    out.i16(h.Machine);
    out.i16(h.NumberOfSections);
    out.i32(h.TimeDateStamp);
    out.i32(h.PointerToSymbolTable);
    out.i32(h.NumberOfSymbols);
    out.i16(h.SizeOfOptionalHeader);
    out.i16(h.Characteristics);
}

void putOptionalHeader(ByteWriter& out, const ImageOptionalHeader32& h) {
    out.i16(h.Magic);
    out.u8(h.MajorLinkerVersion);
    out.u8(h.MinorLinkerVersion);
    for (std::int32_t v :
         {h.SizeOfCode, h.SizeOfInitializedData, h.SizeOfUninitializedData, h.AddressOfEntryPoint,
          h.BaseOfCode, h.BaseOfData, h.ImageBase, h.SectionAlignment, h.FileAlignment}) {
        out.i32(v);
    }
    for (std::int16_t v :
         {h.MajorOperatingSystemVersion, h.MinorOperatingSystemVersion, h.MajorImageVersion,
          h.MinorImageVersion, h.MajorSubsystemVersion, h.MinorSubsystemVersion}) {
        out.i16(v);
    }
    for (std::int32_t v : {h.Win32VersionValue, h.SizeOfImage, h.SizeOfHeaders, h.CheckSum}) {
        out.i32(v);
    }
    out.i16(h.Subsystem);
    out.i16(h.DllCharacteristics);
    for (std::int32_t v : {h.SizeOfStackReserve, h.SizeOfStackCommit, h.SizeOfHeapReserve,
                           h.SizeOfHeapCommit, h.LoaderFlags, h.NumberOfRvaAndSizes}) {
        out.i32(v);
    }
    for (const ImageDataDirectory& d : h.DataDirectory) {
        out.i32(d.VirtualAddress);
        out.i32(d.Size);
    }
}

void putSectionHeader(ByteWriter& out, const ImageSectionHeader& s) {
    out.bytes(s.Name);
    for (std::int32_t v : {s.VirtualSize, s.VirtualAddress, s.SizeOfRawData, s.PointerToRawData,
                           s.PointerToRelocations, s.PointerToLinenumbers}) {
        out.i32(v);
    }
    out.i16(s.NumberOfRelocations);
    out.i16(s.NumberOfLinenumbers);
    out.u32(s.Characteristics);
}

// Runs put and checks that it wrote exactly the format's size of the structure: the layout's
// offsets hold only when every structure comes out at its size.
template <class Put>
void putExactly(ByteWriter& out, std::uint64_t size, const std::string& what, Put put) {
    const std::uint64_t start = out.position();
    put();
    const std::uint64_t written = out.position() - start;
    if (written != size) {
        throw Error("internal error: " + what + " came out " + std::to_string(written) +
                    " bytes long instead of " + std::to_string(size));
    }
}

// Checks that the output has reached the offset the layout gives the next structure.
void expectPosition(const ByteWriter& out, std::int32_t offset, const std::string& what) {
    if (out.position() != static_cast<std::uint64_t>(offset)) {
        throw Error("internal error: " + what + " would start at file offset " +
                    std::to_string(out.position()) + " instead of " + std::to_string(offset));
    }
}

// Zero bytes up to the offset the layout gives the next part, which the output must not have
// passed.
void padTo(ByteWriter& out, std::int32_t offset, const std::string& what) {
    const auto target = static_cast<std::uint64_t>(offset);
    if (out.position() > target) {
        throw Error("internal error: " + what + " would start at file offset " +
                    std::to_string(target) + ", but " + std::to_string(out.position()) +
                    " bytes are written already");
    }
    out.zeros(target - out.position());
}

void putDirectory(ByteWriter& out, const ResourceDirectory& dir, const std::string& what) {
    const std::int64_t entries = std::int64_t{dir.NumberOfNamedEntries} + dir.NumberOfIdEntries;
    const std::uint64_t size =
        static_cast<std::uint64_t>(pe::kResourceDirectorySize + pe::kResourceEntrySize * entries);
    putExactly(out, size, what, [&] { PutResourceDirectory(out, dir); });
}

void putGroup(ByteWriter& out, const IconFileRecord& icon) {
    out.i16(icon.Header.Reserved);
    out.i16(icon.Header.Type);
    out.i16(icon.Header.Count);
    for (const GroupIconEntry& e : icon.Entries) {
        PutSharedEntryFields(out, e);
        out.i16(e.Id);
    }
}

// A blob at the offset and of the size its data entry gives, after zeros from the blob before.
template <class Put>
void putBlob(ByteWriter& out, const ImageResourceDataEntry& entry, const std::string& what,
             Put put) {
    padTo(out, entry.OffsetToData, what);
    putExactly(out, static_cast<std::uint64_t>(entry.Size), what, put);
}

} // namespace

std::int32_t PutResourceDirectory(ByteWriter& out, const ResourceDirectory& dir) {
    const std::uint64_t start = out.position();
    out.i32(dir.Characteristics);
    out.i32(dir.TimeDateStamp);
    out.i16(dir.MajorVersion);
    out.i16(dir.MinorVersion);
    out.i16(dir.NumberOfNamedEntries);
    out.i16(dir.NumberOfIdEntries);
    for (const ResourceDirectoryEntry& e : dir.Entries) {
        out.u32(e.NameOrId);
        out.u32(e.OffsetToData);
    }
    return checked::narrow<std::int32_t>(out.position() - start, "a resource directory's size");
}

void PadToAlignment(ByteWriter& out, std::int32_t& position, std::int32_t alignment) {
    while (position % alignment != 0) {
        out.u8(0);
        ++position;
    }
}

void WriteDllImage(const DllImage& image, ByteWriter& out, const IconImageSource& images) {
    putExactly(out, image.Prefix.size(), "the MS-DOS header and stub",
               [&] { out.bytes(image.Prefix); });
    putExactly(out, pe::kFileHeaderSize, "the file header",
               [&] { putFileHeader(out, image.FileHeader); });
    putExactly(out, pe::kOptionalHeader32Size, "the optional header",
               [&] { putOptionalHeader(out, image.OptionalHeader); });
    for (const ImageSectionHeader& section : image.Sections) {
        putExactly(out, pe::kSectionHeaderSize, "a section header",
                   [&] { putSectionHeader(out, section); });
    }

    expectPosition(out, image.HeaderSize, "the resource section");
    putDirectory(out, image.RootDirectory, "the root resource directory");
    for (const ResourceDirectory& dir : image.TypeDirectories) {
        putDirectory(out, dir, "a resource type's directory");
    }
    for (const ResourceDirectory& dir : image.LanguageDirectories) {
        putDirectory(out, dir, "a language directory");
    }
    expectPosition(out, image.DataEntriesOffset, "the resource data entries");
    for (const ImageResourceDataEntry& e : image.DataEntries) {
        putExactly(out, pe::kResourceDataEntrySize, "a resource data entry", [&] {
            out.i32(e.OffsetToData);
            out.i32(e.Size);
            out.i32(e.CodePage);
            out.i32(e.Reserved);
        });
    }

    // Of every file its images, then its group; their data entries list the images first.
    expectPosition(out, image.DataStart, "the resource data");
    const auto imageCount = static_cast<std::size_t>(image.imageCount());
    std::size_t nextImage = 0;
    std::vector<IconImage> given;
    for (std::size_t i = 0; i < image.Icons.size(); ++i) {
        const IconFileRecord& icon = image.Icons[i];
        if (images) {
            given = images(i);
            if (given.size() != icon.Entries.size()) {
                throw Error("internal error: icon file " + std::to_string(i + 1) + " came with " +
                            std::to_string(given.size()) + " images instead of " +
                            std::to_string(icon.Entries.size()));
            }
        }
        for (const IconImage& img : images ? given : icon.Images) {
            putBlob(out, image.DataEntries.at(nextImage),
                    "RT_ICON " + std::to_string(nextImage + 1), [&] { PutIconImage(out, img); });
            ++nextImage;
        }
        putBlob(out, image.DataEntries.at(imageCount + i),
                "icon group " + std::to_string(kFirstGroupId + i), [&] { putGroup(out, icon); });
    }
    padTo(out, image.DataCursor, "the end of the resource data");
    padTo(out, image.RelocOffset, "the relocation section");
    for (std::int32_t v : image.RelocBlock) {
        out.i32(v);
    }
    expectPosition(out, image.OptionalHeader.SizeOfImage, "the end of the DLL");
}

std::vector<std::uint8_t> DllBytes(const DllImage& image) {
    ByteWriter out;
    WriteDllImage(image, out);
    return out.take();
}

namespace {

void writeDll(const DllImage& image, AtomicFile& file) {
    ByteWriter out([&file](std::span<const std::uint8_t> bytes) { file.write(bytes); });
    WriteDllImage(image, out);
    out.flush();
}

} // namespace

void WriteDllFile(const DllImage& image, const std::filesystem::path& dllPath) {
    AtomicFile file(dllPath);
    writeDll(image, file);
    file.commit();
}

std::vector<DllSummary> CreateDlls(const std::vector<std::filesystem::path>& files,
                                   const std::vector<DllTarget>& targets,
                                   const Progress& progress) {
    // Everything that can be checked without writing is checked first, for every target.
    for (const DllTarget& target : targets) {
        RefuseOutputThatIsInput(target.path, files);
        RequireReplaceable(target.path);
    }
    if (targets.empty()) {
        return {};
    }
    // The layout depends on the machine only through the file header's Machine field.
    DllImage image = BuildDllImage(targets.front().machine, files, progress);
    std::vector<std::unique_ptr<AtomicFile>> written;
    std::vector<DllSummary> summaries;
    for (const DllTarget& target : targets) {
        image.FileHeader.Machine =
            checked::narrow<std::int16_t>(target.machine, "the machine value");
        written.push_back(std::make_unique<AtomicFile>(target.path));
        writeDll(image, *written.back());
        summaries.push_back({static_cast<int>(image.Icons.size()), image.imageCount(),
                             image.OptionalHeader.SizeOfImage});
    }
    std::vector<AtomicFile*> set;
    for (const auto& file : written) {
        set.push_back(file.get());
    }
    CommitTogether(set);
    return summaries;
}

DllSummary CreateDll(std::int32_t machine, const std::vector<std::filesystem::path>& files,
                     const std::filesystem::path& dllPath, const Progress& progress) {
    return CreateDlls(files, {{machine, dllPath}}, progress).front();
}

} // namespace gw

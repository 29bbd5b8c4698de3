#include "dll/write_dll.h"

#include "common/checked.h"
#include "common/error.h"
#include "common/file_io.h"

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

std::int32_t advance(std::int32_t position, std::uint64_t count) {
    return checked::add(position, checked::narrow<std::int32_t>(count, "the DLL size"),
                        "the DLL size");
}

} // namespace

std::int32_t PutResourceDirectory(ByteWriter& out, const ResourceDirectory& dir) {
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
    return 16 + 8 * static_cast<std::int32_t>(dir.Entries.size());
}

void PadToAlignment(ByteWriter& out, std::int32_t& position, std::int32_t alignment) {
    while (position % alignment != 0) {
        out.u8(0);
        ++position;
    }
}

void WriteDllImage(const DllImage& image, ByteWriter& out) {
    std::int32_t position = 0;
    out.bytes(image.Prefix);
    position = advance(position, image.Prefix.size());

    putFileHeader(out, image.FileHeader);
    putOptionalHeader(out, image.OptionalHeader);
    putSectionHeader(out, image.Sections[0]);
    putSectionHeader(out, image.Sections[1]);
    position = advance(position, 20 + 224 + 2 * 40);

    position = advance(position, PutResourceDirectory(out, image.RootDirectory));
    for (const ResourceDirectory& dir : image.TypeDirectories) {
        position = advance(position, PutResourceDirectory(out, dir));
    }
    for (const ResourceDirectory& dir : image.LanguageDirectories) {
        position = advance(position, PutResourceDirectory(out, dir));
    }
    for (const ImageResourceDataEntry& e : image.DataEntries) {
        out.i32(e.OffsetToData);
        out.i32(e.Size);
        out.i32(e.CodePage);
        out.i32(e.Reserved);
    }
    position = advance(position, 16 * image.DataEntries.size());

    for (const IconFileRecord& icon : image.Icons) {
        for (const IconImage& img : icon.Images) {
            PutIconImage(out, img);
            position =
                advance(position, kBitmapInfoHeaderSize + 4 * img.Palette.size() + img.Bits.size());
            PadToAlignment(out, position, 8);
        }
        out.i16(icon.Header.Reserved);
        out.i16(icon.Header.Type);
        out.i16(icon.Header.Count);
        for (const GroupIconEntry& e : icon.Entries) {
            out.u8(e.Width);
            out.u8(e.Height);
            out.u8(e.ColorCount);
            out.u8(e.Reserved);
            out.i16(e.Planes);
            out.i16(e.BitCount);
            out.i32(e.BytesInRes);
            out.i16(e.Id);
        }
        position = advance(position, 6 + 14 * icon.Entries.size());
        PadToAlignment(out, position, 8);
    }
    PadToAlignment(out, position, 16);
    for (std::int32_t v : image.RelocBlock) {
        out.i32(v);
    }
    position = advance(position, 16);
    PadToAlignment(out, position, 16);
    if (position != image.OptionalHeader.SizeOfImage) {
        throw Error("internal error: the DLL came out " + std::to_string(position) +
                    " bytes long instead of " + std::to_string(image.OptionalHeader.SizeOfImage));
    }
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

void WriteDllFile(const DllImage& image, const std::string& dllPath) {
    AtomicFile file(dllPath);
    writeDll(image, file);
    file.commit();
}

std::vector<DllSummary> CreateDlls(const std::vector<std::string>& files,
                                   const std::vector<DllTarget>& targets,
                                   const Progress& progress) {
    // Everything that can be checked without writing is checked first, for every target.
    const std::vector<std::filesystem::path> inputs(files.begin(), files.end());
    for (const DllTarget& target : targets) {
        RefuseOutputThatIsInput(target.path, inputs);
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

DllSummary CreateDll(std::int32_t machine, const std::vector<std::string>& files,
                     const std::string& dllPath, const Progress& progress) {
    return CreateDlls(files, {{machine, dllPath}}, progress).front();
}

} // namespace gw

#include "dll/pe_format.h"

#include <algorithm>

namespace gw {

void PutFileHeader(ByteWriter& out, const ImageFileHeader& h) {
    out.u16(h.Machine);
    out.u16(h.NumberOfSections);
    out.u32(h.TimeDateStamp);
    out.u32(h.PointerToSymbolTable);
    out.u32(h.NumberOfSymbols);
    out.u16(h.SizeOfOptionalHeader);
    out.u16(h.Characteristics);
}

ImageFileHeader ReadFileHeader(ByteReader& in) {
    ImageFileHeader h;
    h.Machine = in.u16();
    h.NumberOfSections = in.u16();
    h.TimeDateStamp = in.u32();
    h.PointerToSymbolTable = in.u32();
    h.NumberOfSymbols = in.u32();
    h.SizeOfOptionalHeader = in.u16();
    h.Characteristics = in.u16();
    return h;
}

void PutOptionalHeader32(ByteWriter& out, const ImageOptionalHeader32& h) {
    out.u16(h.Magic);
    out.u8(h.MajorLinkerVersion);
    out.u8(h.MinorLinkerVersion);
    for (std::uint32_t v :
         {h.SizeOfCode, h.SizeOfInitializedData, h.SizeOfUninitializedData, h.AddressOfEntryPoint,
          h.BaseOfCode, h.BaseOfData, h.ImageBase, h.SectionAlignment, h.FileAlignment}) {
        out.u32(v);
    }
    for (std::uint16_t v :
         {h.MajorOperatingSystemVersion, h.MinorOperatingSystemVersion, h.MajorImageVersion,
          h.MinorImageVersion, h.MajorSubsystemVersion, h.MinorSubsystemVersion}) {
        out.u16(v);
    }
    for (std::uint32_t v : {h.Win32VersionValue, h.SizeOfImage, h.SizeOfHeaders, h.CheckSum}) {
        out.u32(v);
    }
    out.u16(h.Subsystem);
    out.u16(h.DllCharacteristics);
    for (std::uint32_t v : {h.SizeOfStackReserve, h.SizeOfStackCommit, h.SizeOfHeapReserve,
                            h.SizeOfHeapCommit, h.LoaderFlags, h.NumberOfRvaAndSizes}) {
        out.u32(v);
    }
    for (const ImageDataDirectory& d : h.DataDirectory) {
        out.u32(d.VirtualAddress);
        out.u32(d.Size);
    }
}

void PutSectionHeader(ByteWriter& out, const ImageSectionHeader& s) {
    out.bytes(s.Name);
    for (std::uint32_t v : {s.VirtualSize, s.VirtualAddress, s.SizeOfRawData, s.PointerToRawData,
                            s.PointerToRelocations, s.PointerToLinenumbers}) {
        out.u32(v);
    }
    out.u16(s.NumberOfRelocations);
    out.u16(s.NumberOfLinenumbers);
    out.u32(s.Characteristics);
}

ImageSectionHeader ReadSectionHeader(ByteReader& in) {
    ImageSectionHeader s;
    const auto name = in.bytes(s.Name.size());
    std::copy(name.begin(), name.end(), s.Name.begin());
    s.VirtualSize = in.u32();
    s.VirtualAddress = in.u32();
    s.SizeOfRawData = in.u32();
    s.PointerToRawData = in.u32();
    s.PointerToRelocations = in.u32();
    s.PointerToLinenumbers = in.u32();
    s.NumberOfRelocations = in.u16();
    s.NumberOfLinenumbers = in.u16();
    s.Characteristics = in.u32();
    return s;
}

void PutResourceDirectory(ByteWriter& out, const ResourceDirectory& dir) {
    out.u32(dir.Characteristics);
    out.u32(dir.TimeDateStamp);
    out.u16(dir.MajorVersion);
    out.u16(dir.MinorVersion);
    out.u16(dir.NumberOfNamedEntries);
    out.u16(dir.NumberOfIdEntries);
    for (const ResourceDirectoryEntry& e : dir.Entries) {
        out.u32(e.NameOrId);
        out.u32(e.OffsetToData);
    }
}

ResourceDirectory ReadResourceDirectory(ByteReader& in) {
    ResourceDirectory dir;
    dir.Characteristics = in.u32();
    dir.TimeDateStamp = in.u32();
    dir.MajorVersion = in.u16();
    dir.MinorVersion = in.u16();
    dir.NumberOfNamedEntries = in.u16();
    dir.NumberOfIdEntries = in.u16();
    return dir;
}

ResourceDirectoryEntry ReadResourceDirectoryEntry(ByteReader& in) {
    ResourceDirectoryEntry e;
    e.NameOrId = in.u32();
    e.OffsetToData = in.u32();
    return e;
}

void PutResourceDataEntry(ByteWriter& out, const ImageResourceDataEntry& e) {
    out.u32(e.OffsetToData);
    out.u32(e.Size);
    out.u32(e.CodePage);
    out.u32(e.Reserved);
}

ImageResourceDataEntry ReadResourceDataEntry(ByteReader& in) {
    ImageResourceDataEntry e;
    e.OffsetToData = in.u32();
    e.Size = in.u32();
    e.CodePage = in.u32();
    e.Reserved = in.u32();
    return e;
}

std::string SectionName(const ImageSectionHeader& section) {
    return std::string(section.Name.begin(),
                       std::find(section.Name.begin(), section.Name.end(), 0));
}

std::array<std::uint8_t, pe::kSectionNameSize> SectionNameBytes(std::string_view name) {
    std::array<std::uint8_t, pe::kSectionNameSize> bytes{};
    const std::size_t n = std::min(bytes.size(), name.size());
    std::copy_n(name.begin(), n, bytes.begin());
    return bytes;
}

} // namespace gw

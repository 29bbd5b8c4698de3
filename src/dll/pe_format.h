#pragma once

#include "common/byte_io.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The PE/COFF format as the icon DLLs use it: record sizes, flags, magic values, resource types,
// data-directory indexes and machine values, and the records with their byte forms. The layout,
// the writer and the reader all take their numbers and records from here, so the format is
// written down once.
namespace gw::pe {

// Record sizes in bytes.
inline constexpr std::int32_t kDosHeaderSize = 64;  // IMAGE_DOS_HEADER
inline constexpr std::int32_t kPeSignatureSize = 4; // "PE\0\0"
inline constexpr std::int32_t kFileHeaderSize = 20; // IMAGE_FILE_HEADER
inline constexpr std::int32_t kOptionalHeader32Size =
    224;                                               // IMAGE_OPTIONAL_HEADER32, 16 directories
inline constexpr std::int32_t kSectionHeaderSize = 40; // IMAGE_SECTION_HEADER
inline constexpr std::int32_t kSectionNameSize = 8;
inline constexpr std::int32_t kDataDirectorySize = 8; // IMAGE_DATA_DIRECTORY
inline constexpr std::int32_t kDataDirectoryCount = 16;
inline constexpr std::int32_t kResourceDirectorySize = 16;  // IMAGE_RESOURCE_DIRECTORY
inline constexpr std::int32_t kResourceEntrySize = 8;       // IMAGE_RESOURCE_DIRECTORY_ENTRY
inline constexpr std::int32_t kResourceDataEntrySize = 16;  // IMAGE_RESOURCE_DATA_ENTRY
inline constexpr std::int32_t kGroupHeaderSize = 6;         // GRPICONDIR
inline constexpr std::int32_t kGroupEntrySize = 14;         // GRPICONDIRENTRY
inline constexpr std::int32_t kBaseRelocationBlockSize = 8; // IMAGE_BASE_RELOCATION, no entries

// Where the data directories begin within the optional header; the 4 bytes before them hold
// their count, NumberOfRvaAndSizes.
inline constexpr std::int32_t kDataDirectoriesAt32 = 96;
inline constexpr std::int32_t kDataDirectoriesAt32Plus = 112;

// Magic values.
inline constexpr std::uint16_t kDosMagic = 0x5A4D;        // "MZ"
inline constexpr std::int32_t kDosNewHeaderField = 0x3C;  // e_lfanew: where "PE" lies
inline constexpr std::uint32_t kPeSignature = 0x00004550; // "PE\0\0"
inline constexpr std::uint16_t kPe32Magic = 0x010B;
inline constexpr std::uint16_t kPe32PlusMagic = 0x020B;

// File characteristics.
inline constexpr std::uint16_t kFileExecutableImage = 0x0002;
inline constexpr std::uint16_t kFileLineNumbersStripped = 0x0004;
inline constexpr std::uint16_t kFileLocalSymbolsStripped = 0x0008;
inline constexpr std::uint16_t kFile32BitMachine = 0x0100;
inline constexpr std::uint16_t kFileDll = 0x2000;
// Those of a resource-only DLL: 0x210E.
inline constexpr std::uint16_t kResourceDllCharacteristics =
    kFileExecutableImage | kFileLineNumbersStripped | kFileLocalSymbolsStripped |
    kFile32BitMachine | kFileDll;

// Section characteristics.
inline constexpr std::uint32_t kSectionInitializedData = 0x00000040;
inline constexpr std::uint32_t kSectionDiscardable = 0x02000000;
inline constexpr std::uint32_t kSectionRead = 0x40000000;
// ".rsrc": initialized data, readable (0x40000040).
inline constexpr std::uint32_t kResourceSectionCharacteristics =
    kSectionInitializedData | kSectionRead;
// ".reloc": initialized data, discardable, readable (0x42000040).
inline constexpr std::uint32_t kRelocationSectionCharacteristics =
    kSectionInitializedData | kSectionDiscardable | kSectionRead;

inline constexpr std::int16_t kSubsystemWindowsCeGui = 9;

// Data-directory indexes.
inline constexpr std::int32_t kResourceDirectoryIndex = 2;
inline constexpr std::int32_t kBaseRelocationDirectoryIndex = 5;

// Resource directories: an entry whose OffsetToData has the high bit set leads to a
// subdirectory, else to a data entry; a NameOrId with the high bit set points to a name.
inline constexpr std::uint32_t kHighBit = 0x80000000u;
inline constexpr std::uint32_t kRtIcon = 3;
inline constexpr std::uint32_t kRtGroupIcon = 14;
inline constexpr std::uint32_t kNeutralLanguage = 0;

// Machine values of the file header.
inline constexpr std::int32_t kMachineI386 = 0x014C;
inline constexpr std::int32_t kMachineR4000 = 0x0166;
inline constexpr std::int32_t kMachineSh3 = 0x01A2;
inline constexpr std::int32_t kMachineSh4 = 0x01A6;
inline constexpr std::int32_t kMachineArm = 0x01C0;
inline constexpr std::int32_t kMachinePowerPc = 0x01F0;

} // namespace gw::pe

namespace gw {

// The records, field by field with their documented names and widths, each written and read
// through its list of fields (PutRecord, ReadRecord).

// IMAGE_FILE_HEADER.
struct ImageFileHeader {
    std::uint16_t Machine = 0;
    std::uint16_t NumberOfSections = 0;
    std::uint32_t TimeDateStamp = 0;
    std::uint32_t PointerToSymbolTable = 0;
    std::uint32_t NumberOfSymbols = 0;
    std::uint16_t SizeOfOptionalHeader = 0;
    std::uint16_t Characteristics = 0;

    static void eachField(auto& r, auto&& f) {
        f(r.Machine);
        f(r.NumberOfSections);
        f(r.TimeDateStamp);
        f(r.PointerToSymbolTable);
        f(r.NumberOfSymbols);
        f(r.SizeOfOptionalHeader);
        f(r.Characteristics);
    }
};

// IMAGE_DATA_DIRECTORY.
struct ImageDataDirectory {
    std::uint32_t VirtualAddress = 0;
    std::uint32_t Size = 0;

    static void eachField(auto& r, auto&& f) {
        f(r.VirtualAddress);
        f(r.Size);
    }
};

// IMAGE_OPTIONAL_HEADER32 with its 16 data directories.
struct ImageOptionalHeader32 {
    std::uint16_t Magic = 0;
    std::uint8_t MajorLinkerVersion = 0;
    std::uint8_t MinorLinkerVersion = 0;
    std::uint32_t SizeOfCode = 0;
    std::uint32_t SizeOfInitializedData = 0;
    std::uint32_t SizeOfUninitializedData = 0;
    std::uint32_t AddressOfEntryPoint = 0;
    std::uint32_t BaseOfCode = 0;
    std::uint32_t BaseOfData = 0;
    std::uint32_t ImageBase = 0;
    std::uint32_t SectionAlignment = 0;
    std::uint32_t FileAlignment = 0;
    std::uint16_t MajorOperatingSystemVersion = 0;
    std::uint16_t MinorOperatingSystemVersion = 0;
    std::uint16_t MajorImageVersion = 0;
    std::uint16_t MinorImageVersion = 0;
    std::uint16_t MajorSubsystemVersion = 0;
    std::uint16_t MinorSubsystemVersion = 0;
    std::uint32_t Win32VersionValue = 0;
    std::uint32_t SizeOfImage = 0;
    std::uint32_t SizeOfHeaders = 0;
    std::uint32_t CheckSum = 0;
    std::uint16_t Subsystem = 0;
    std::uint16_t DllCharacteristics = 0;
    std::uint32_t SizeOfStackReserve = 0;
    std::uint32_t SizeOfStackCommit = 0;
    std::uint32_t SizeOfHeapReserve = 0;
    std::uint32_t SizeOfHeapCommit = 0;
    std::uint32_t LoaderFlags = 0;
    std::uint32_t NumberOfRvaAndSizes = 0;
    std::array<ImageDataDirectory, pe::kDataDirectoryCount> DataDirectory{};

    static void eachField(auto& r, auto&& f) {
        f(r.Magic);
        f(r.MajorLinkerVersion);
        f(r.MinorLinkerVersion);
        f(r.SizeOfCode);
        f(r.SizeOfInitializedData);
        f(r.SizeOfUninitializedData);
        f(r.AddressOfEntryPoint);
        f(r.BaseOfCode);
        f(r.BaseOfData);
        f(r.ImageBase);
        f(r.SectionAlignment);
        f(r.FileAlignment);
        f(r.MajorOperatingSystemVersion);
        f(r.MinorOperatingSystemVersion);
        f(r.MajorImageVersion);
        f(r.MinorImageVersion);
        f(r.MajorSubsystemVersion);
        f(r.MinorSubsystemVersion);
        f(r.Win32VersionValue);
        f(r.SizeOfImage);
        f(r.SizeOfHeaders);
        f(r.CheckSum);
        f(r.Subsystem);
        f(r.DllCharacteristics);
        f(r.SizeOfStackReserve);
        f(r.SizeOfStackCommit);
        f(r.SizeOfHeapReserve);
        f(r.SizeOfHeapCommit);
        f(r.LoaderFlags);
        f(r.NumberOfRvaAndSizes);
        for (auto& directory : r.DataDirectory) {
            ImageDataDirectory::eachField(directory, f);
        }
    }
};

// IMAGE_SECTION_HEADER: one entry of the section table, the writer's and the reader's.
struct ImageSectionHeader {
    std::array<std::uint8_t, pe::kSectionNameSize> Name{}; // zero-padded, not always ended
    std::uint32_t VirtualSize = 0;
    std::uint32_t VirtualAddress = 0;
    std::uint32_t SizeOfRawData = 0;
    std::uint32_t PointerToRawData = 0;
    std::uint32_t PointerToRelocations = 0;
    std::uint32_t PointerToLinenumbers = 0;
    std::uint16_t NumberOfRelocations = 0;
    std::uint16_t NumberOfLinenumbers = 0;
    std::uint32_t Characteristics = 0;

    static void eachField(auto& r, auto&& f) {
        for (auto& c : r.Name) {
            f(c);
        }
        f(r.VirtualSize);
        f(r.VirtualAddress);
        f(r.SizeOfRawData);
        f(r.PointerToRawData);
        f(r.PointerToRelocations);
        f(r.PointerToLinenumbers);
        f(r.NumberOfRelocations);
        f(r.NumberOfLinenumbers);
        f(r.Characteristics);
    }
};

// IMAGE_RESOURCE_DIRECTORY_ENTRY: NameOrId with the high bit set points to a name, else it is
// an ID; OffsetToData with the high bit set leads to a subdirectory, else to a data entry.
struct ResourceDirectoryEntry {
    std::uint32_t NameOrId = 0;
    std::uint32_t OffsetToData = 0;

    static void eachField(auto& r, auto&& f) {
        f(r.NameOrId);
        f(r.OffsetToData);
    }
};

// IMAGE_RESOURCE_DIRECTORY and the entries that follow it, the named ones first; its fields
// without the entries, which are read once their count is checked.
struct ResourceDirectory {
    std::uint32_t Characteristics = 0;
    std::uint32_t TimeDateStamp = 0;
    std::uint16_t MajorVersion = 0;
    std::uint16_t MinorVersion = 0;
    std::uint16_t NumberOfNamedEntries = 0;
    std::uint16_t NumberOfIdEntries = 0;
    std::vector<ResourceDirectoryEntry> Entries;

    static void eachField(auto& r, auto&& f) {
        f(r.Characteristics);
        f(r.TimeDateStamp);
        f(r.MajorVersion);
        f(r.MinorVersion);
        f(r.NumberOfNamedEntries);
        f(r.NumberOfIdEntries);
    }
};

// IMAGE_RESOURCE_DATA_ENTRY.
struct ImageResourceDataEntry {
    std::uint32_t OffsetToData = 0;
    std::uint32_t Size = 0;
    std::uint32_t CodePage = 0;
    std::uint32_t Reserved = 0;

    static void eachField(auto& r, auto&& f) {
        f(r.OffsetToData);
        f(r.Size);
        f(r.CodePage);
        f(r.Reserved);
    }
};

// Writes a resource directory and its entries.
void PutResourceDirectory(ByteWriter& out, const ResourceDirectory& directory);

// A section's name as text: its bytes up to the first zero.
[[nodiscard]] std::string SectionName(const ImageSectionHeader& section);

// A name as a section header stores it: its first 8 characters, zero-filled to 8 bytes.
[[nodiscard]] std::array<std::uint8_t, pe::kSectionNameSize>
SectionNameBytes(std::string_view name);

} // namespace gw

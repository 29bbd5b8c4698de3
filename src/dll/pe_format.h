#pragma once

#include <cstdint>

// The PE/COFF format as the icon DLLs use it: record sizes, flags, magic values, resource types,
// data-directory indexes and machine values. The layout, the writer and the reader all take
// their numbers from here, so the format is written down once.
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

#pragma once

#include "icons/icon_files.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace gw {

struct ImageFileHeader {
    std::int16_t Machine = 0;
    std::int16_t NumberOfSections = 0;
    std::int32_t TimeDateStamp = 0;
    std::int32_t PointerToSymbolTable = 0;
    std::int32_t NumberOfSymbols = 0;
    std::int16_t SizeOfOptionalHeader = 0;
    std::int16_t Characteristics = 0;
};

struct ImageDataDirectory {
    std::int32_t VirtualAddress = 0;
    std::int32_t Size = 0;
};

struct ImageOptionalHeader32 {
    std::int16_t Magic = 0;
    std::uint8_t MajorLinkerVersion = 0;
    std::uint8_t MinorLinkerVersion = 0;
    std::int32_t SizeOfCode = 0;
    std::int32_t SizeOfInitializedData = 0;
    std::int32_t SizeOfUninitializedData = 0;
    std::int32_t AddressOfEntryPoint = 0;
    std::int32_t BaseOfCode = 0;
    std::int32_t BaseOfData = 0;
    std::int32_t ImageBase = 0;
    std::int32_t SectionAlignment = 0;
    std::int32_t FileAlignment = 0;
    std::int16_t MajorOperatingSystemVersion = 0;
    std::int16_t MinorOperatingSystemVersion = 0;
    std::int16_t MajorImageVersion = 0;
    std::int16_t MinorImageVersion = 0;
    std::int16_t MajorSubsystemVersion = 0;
    std::int16_t MinorSubsystemVersion = 0;
    std::int32_t Win32VersionValue = 0;
    std::int32_t SizeOfImage = 0;
    std::int32_t SizeOfHeaders = 0;
    std::int32_t CheckSum = 0;
    std::int16_t Subsystem = 0;
    std::int16_t DllCharacteristics = 0;
    std::int32_t SizeOfStackReserve = 0;
    std::int32_t SizeOfStackCommit = 0;
    std::int32_t SizeOfHeapReserve = 0;
    std::int32_t SizeOfHeapCommit = 0;
    std::int32_t LoaderFlags = 0;
    std::int32_t NumberOfRvaAndSizes = 0;
    std::array<ImageDataDirectory, 16> DataDirectory{};
};

struct ImageSectionHeader {
    std::array<std::uint8_t, 8> Name{};
    std::int32_t VirtualSize = 0;
    std::int32_t VirtualAddress = 0;
    std::int32_t SizeOfRawData = 0;
    std::int32_t PointerToRawData = 0;
    std::int32_t PointerToRelocations = 0;
    std::int32_t PointerToLinenumbers = 0;
    std::int16_t NumberOfRelocations = 0;
    std::int16_t NumberOfLinenumbers = 0;
    std::uint32_t Characteristics = 0;
};

// An entry of a resource directory; bit 31 of OffsetToData set means it leads to a subdirectory.
struct ResourceDirectoryEntry {
    std::uint32_t NameOrId = 0;
    std::uint32_t OffsetToData = 0;
};

struct ResourceDirectory {
    std::int32_t Characteristics = 0;
    std::int32_t TimeDateStamp = 0;
    std::int16_t MajorVersion = 0;
    std::int16_t MinorVersion = 0;
    std::int16_t NumberOfNamedEntries = 0;
    std::int16_t NumberOfIdEntries = 0;
    std::vector<ResourceDirectoryEntry> Entries;
};

struct ImageResourceDataEntry {
    std::int32_t OffsetToData = 0;
    std::int32_t Size = 0;
    std::int32_t CodePage = 0;
    std::int32_t Reserved = 0;
};

// The whole icon DLL laid out in memory, ready to be written front to back.
struct DllImage {
    std::vector<std::uint8_t> Prefix;
    ImageFileHeader FileHeader;
    ImageOptionalHeader32 OptionalHeader;
    std::array<ImageSectionHeader, 2> Sections{};
    ResourceDirectory RootDirectory;
    std::array<ResourceDirectory, 2> TypeDirectories;   // RT_ICON, RT_GROUP_ICON
    std::vector<ResourceDirectory> LanguageDirectories; // one per resource, images first
    std::vector<ImageResourceDataEntry> DataEntries;    // same order
    std::vector<IconFileRecord> Icons;
    // File offsets (equal to RVAs): the end of the headers and start of the resource section,
    // the first data entry, the first data blob, the end of the last blob's padding and the
    // relocation section.
    std::int32_t HeaderSize = 0;
    std::int32_t DataEntriesOffset = 0;
    std::int32_t DataStart = 0;
    std::int32_t DataCursor = 0;
    std::int32_t RelocOffset = 0;
    std::array<std::int32_t, 4> RelocBlock{}; // the 16 bytes of the relocation section

    std::int16_t imageCount() const; // N, over all icon files
};

inline constexpr std::int16_t kFirstGroupId = 101;
inline constexpr std::int32_t kDllTimeDateStamp = 0x37C54026;

// Value rounded up to the next multiple of alignment; Value itself when Value mod alignment
// is 0 or negative. Overflow-checked.
std::int32_t RoundUp(std::int32_t value, std::int32_t alignment);

// The low byte of each character of text, zero-filled to the array's end.
void StringToBytes(std::span<std::uint8_t> bytes, std::string_view text);

// Reads the icon files in order and lays out the whole DLL for the machine value.
DllImage BuildDllImage(std::int32_t machine, const std::vector<std::filesystem::path>& files,
                       const Progress& progress = {});

// Lays out the whole DLL for the machine value from icon files already read, in their order,
// numbering their images 1 to N as the file-reading build does.
DllImage LayOutDllImage(std::int32_t machine, std::vector<IconFileRecord> icons);

struct DllSummary {
    int groups = 0;
    int images = 0;
    std::int64_t bytes = 0;
};

// One DLL of a build: the machine it is for and where it goes.
struct DllTarget {
    std::int32_t machine = 0;
    std::filesystem::path path;
};

// Builds the icon DLL of every target from the same icon files, in their order, and puts them
// in place only when all of them are complete: any failure, in reading the icons or in
// writing any one DLL, leaves every existing file as it was and no temporary file. An output
// that is one of the icon files is refused before anything is written.
std::vector<DllSummary> CreateDlls(const std::vector<std::filesystem::path>& files,
                                   const std::vector<DllTarget>& targets,
                                   const Progress& progress = {});

// CreateDlls for one target.
DllSummary CreateDll(std::int32_t machine, const std::vector<std::filesystem::path>& files,
                     const std::filesystem::path& dllPath, const Progress& progress = {});

} // namespace gw

#pragma once

#include "common/progress.h"
#include "dll/create_dll.h"
#include "dll/pe_format.h"
#include "icons/icon_files.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace gw {

// The whole icon DLL laid out in memory, ready to be written front to back.
struct DllImage {
    std::vector<std::uint8_t> Prefix;
    ImageFileHeader FileHeader;
    ImageOptionalHeader32 OptionalHeader;
    std::array<ImageSectionHeader, 2> Sections{};
    ResourceDirectory RootDirectory;
    std::array<ResourceDirectory, 2> TypeDirectories; // RT_ICON, RT_GROUP_ICON
    // One language directory per resource, images first; each holds one entry, this one.
    std::vector<ResourceDirectoryEntry> LanguageEntries;
    std::vector<ImageResourceDataEntry> DataEntries; // same order
    std::vector<IconFileRecord> Icons;
    // File offsets (equal to RVAs): the end of the headers and start of the resource section,
    // the first data entry, the first data blob, the end of the last blob's padding and the
    // relocation section.
    std::int32_t HeaderSize = 0;
    std::int32_t DataEntriesOffset = 0;
    std::int32_t DataStart = 0;
    std::int32_t DataCursor = 0;
    std::int32_t RelocOffset = 0;
    std::array<std::uint32_t, 4> RelocBlock{}; // the 16 bytes of the relocation section

    [[nodiscard]] std::int16_t imageCount() const; // N, over all icon files
};

inline constexpr std::uint32_t kDllTimeDateStamp = 0x37C54026;

// Reads the icon files in order and lays out the whole DLL for the machine value. With a guard,
// an icon file that is one of its outputs is refused when it is opened.
[[nodiscard]] DllImage BuildDllImage(std::int32_t machine,
                                     const std::vector<std::filesystem::path>& files,
                                     const Progress& progress = {},
                                     const OutputGuard* guard = nullptr);

// Lays out the whole DLL for the machine value from icon files already read, in their order,
// numbering their images 1 to N as the file-reading build does.
[[nodiscard]] DllImage LayOutDllImage(std::int32_t machine, std::vector<IconFileRecord> icons);

} // namespace gw

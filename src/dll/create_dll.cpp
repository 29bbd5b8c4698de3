#include "dll/create_dll.h"

#include <algorithm>

#include "common/checked.h"
#include "common/error.h"
#include "dll/pe_header.h"
#include "dll/write_dll.h"

namespace gw {

namespace {

constexpr std::int32_t kFileHeaderSize = 20;
constexpr std::int32_t kOptionalHeaderSize = 224;
constexpr std::int32_t kSectionHeaderSize = 40;
constexpr std::uint32_t kSubdirectory = 0x80000000u;

// Resource-section offsets are small: F + N is at most 32767, so they fit 32 bits easily;
// they are still computed checked, as every field is.
std::int32_t add(std::int32_t a, std::int32_t b, const char* what) {
    return checked::add(a, b, what);
}
std::int32_t mul(std::int32_t a, std::int32_t b, const char* what) {
    return checked::mul(a, b, what);
}

ResourceDirectory directoryWithIds(std::int16_t count) {
    ResourceDirectory dir;
    dir.NumberOfIdEntries = count;
    dir.Entries.reserve(static_cast<std::size_t>(count));
    return dir;
}

// The group blob of an icon file: the 6-byte header and 14 bytes per image.
std::int32_t groupBlobSize(std::int16_t count) {
    return checked::add<std::int16_t>(
        6, checked::mul<std::int16_t>(14, count, "the icon group size"), "the icon group size");
}

} // namespace

std::int16_t DllImage::imageCount() const {
    std::int16_t n = 0;
    for (const IconFileRecord& icon : Icons) {
        n = checked::add(n, icon.Header.Count, "the number of images");
    }
    return n;
}

std::int32_t RoundUp(std::int32_t value, std::int32_t alignment) {
    const std::int32_t rest = value % alignment;
    if (rest > 0) {
        return add(value, alignment - rest, "a rounded-up offset");
    }
    return value;
}

void StringToBytes(std::span<std::uint8_t> bytes, std::string_view text) {
    std::fill(bytes.begin(), bytes.end(), 0);
    const std::size_t n = std::min(bytes.size(), text.size());
    for (std::size_t i = 0; i < n; ++i) {
        bytes[i] = static_cast<std::uint8_t>(text[i]);
    }
}

DllImage BuildDllImage(std::int32_t machine, const std::vector<std::string>& files,
                       platform::EventPump* events) {
    if (files.empty()) {
        throw Error("no icon files to pack; a DLL needs at least one");
    }
    std::vector<IconFileRecord> icons(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        ReadIconFile(files[i], icons[i], events);
    }
    return LayOutDllImage(machine, std::move(icons));
}

DllImage LayOutDllImage(std::int32_t machine, std::vector<IconFileRecord> icons) {
    if (icons.empty()) {
        throw Error("no icon files to pack; a DLL needs at least one");
    }
    DllImage image;
    const auto F = checked::narrow<std::int16_t>(icons.size(), "the number of icon files");
    // Group IDs run from 101 to 100 + F and must fit 16 bits.
    checked::add<std::int16_t>(kFirstGroupId - 1, F, "the icon group ID");

    // 1. Number the images 1 to N across all icon files.
    image.Icons = std::move(icons);
    std::int16_t running = 0;
    for (IconFileRecord& icon : image.Icons) {
        if (icon.Header.Count < 0 ||
            icon.Entries.size() != static_cast<std::size_t>(icon.Header.Count) ||
            icon.Images.size() != icon.Entries.size()) {
            throw Error("internal error: an icon's count, entries and images disagree");
        }
        groupBlobSize(icon.Header.Count); // more than 2340 images do not fit a group
        for (std::int16_t j = 0; j < icon.Header.Count; ++j) {
            icon.Entries[static_cast<std::size_t>(j)].Id = checked::add<std::int16_t>(
                checked::add<std::int16_t>(running, j, "the icon ID"), 1, "the icon ID");
        }
        running = checked::add(running, icon.Header.Count, "the number of images");
    }
    const std::int16_t N = running;
    const std::int16_t resources = checked::add(F, N, "the number of resources");

    // 2. The template.
    const auto prefix = PeHeaderTemplate();
    image.Prefix.assign(prefix.begin(), prefix.end());

    // 3. File header.
    ImageFileHeader& fh = image.FileHeader;
    fh.Machine = checked::narrow<std::int16_t>(machine, "the machine value");
    fh.NumberOfSections = 2;
    fh.TimeDateStamp = kDllTimeDateStamp;
    fh.SizeOfOptionalHeader = kOptionalHeaderSize;
    fh.Characteristics = 0x210E;

    // 4.-6. The resource tree: type, name and language levels, all by ID.
    const std::int32_t languageBase = add(0x40, mul(8, resources, "the directory size"), "");
    image.RootDirectory = directoryWithIds(2);
    image.RootDirectory.Entries.push_back({kRtIcon, kSubdirectory | 0x20u});
    image.RootDirectory.Entries.push_back(
        {kRtGroupIcon,
         kSubdirectory | static_cast<std::uint32_t>(add(0x30, mul(8, N, "the directory"), ""))});

    image.TypeDirectories[0] = directoryWithIds(N);
    for (std::int32_t j = 0; j < N; ++j) {
        image.TypeDirectories[0].Entries.push_back(
            {static_cast<std::uint32_t>(j + 1),
             kSubdirectory | static_cast<std::uint32_t>(languageBase + 24 * j)});
    }
    image.TypeDirectories[1] = directoryWithIds(F);
    for (std::int32_t k = 0; k < F; ++k) {
        image.TypeDirectories[1].Entries.push_back(
            {static_cast<std::uint32_t>(kFirstGroupId + k),
             kSubdirectory | static_cast<std::uint32_t>(languageBase + 24 * (N + k))});
    }
    const std::int32_t dataEntryBase = 0x40 + 32 * resources;
    image.LanguageDirectories.assign(static_cast<std::size_t>(resources), directoryWithIds(1));
    for (std::int32_t m = 0; m < resources; ++m) {
        image.LanguageDirectories[static_cast<std::size_t>(m)].Entries.push_back(
            {0, static_cast<std::uint32_t>(dataEntryBase + 16 * m)});
    }

    // 7.-9. Data entries and blob positions: images of a file, then its group, each blob
    // starting on a multiple of 8.
    image.HeaderSize = static_cast<std::int32_t>(image.Prefix.size()) + kFileHeaderSize +
                       kOptionalHeaderSize + 2 * kSectionHeaderSize;
    std::int32_t cursor = image.HeaderSize + 0x40 + 48 * resources;
    image.DataEntries.assign(static_cast<std::size_t>(resources), {});
    std::size_t m = 0;
    for (std::size_t i = 0; i < image.Icons.size(); ++i) {
        const IconFileRecord& icon = image.Icons[i];
        for (const GroupIconEntry& entry : icon.Entries) {
            image.DataEntries[m++] = {cursor, entry.BytesInRes, 0, 0};
            cursor = RoundUp(add(cursor, entry.BytesInRes, "the resource section size"), 8);
        }
        const std::int32_t groupSize = groupBlobSize(icon.Header.Count);
        image.DataEntries[static_cast<std::size_t>(N) + i] = {cursor, groupSize, 0, 0};
        cursor = RoundUp(add(cursor, groupSize, "the resource section size"), 8);
    }
    image.DataCursor = cursor;
    image.RelocOffset = RoundUp(image.DataCursor, 16);
    const std::int32_t fileLength = add(image.RelocOffset, 16, "the DLL size");
    const std::int32_t resourceSize = image.DataCursor - image.HeaderSize;

    // 10. Optional header.
    ImageOptionalHeader32& oh = image.OptionalHeader;
    oh.Magic = 0x010B;
    oh.MajorLinkerVersion = 6;
    oh.MinorLinkerVersion = 0;
    oh.SizeOfInitializedData = image.RelocOffset - image.HeaderSize + 16;
    oh.BaseOfCode = image.HeaderSize;
    oh.BaseOfData = image.HeaderSize;
    oh.ImageBase = 0x00010000;
    oh.SectionAlignment = 16;
    oh.FileAlignment = 16;
    oh.MajorOperatingSystemVersion = 4;
    oh.MajorSubsystemVersion = 2;
    oh.SizeOfImage = fileLength;
    oh.SizeOfHeaders = image.HeaderSize;
    oh.Subsystem = 9; // Windows CE GUI
    oh.SizeOfStackReserve = 0x00100000;
    oh.SizeOfStackCommit = 0x00001000;
    oh.SizeOfHeapReserve = 0x00100000;
    oh.SizeOfHeapCommit = 0x00001000;
    oh.NumberOfRvaAndSizes = 16;
    oh.DataDirectory[2] = {image.HeaderSize, resourceSize};
    oh.DataDirectory[5] = {image.RelocOffset, 8};

    // 11. Section table.
    ImageSectionHeader& rsrc = image.Sections[0];
    StringToBytes(rsrc.Name, ".rsrc");
    rsrc.VirtualSize = resourceSize;
    rsrc.VirtualAddress = image.HeaderSize;
    rsrc.SizeOfRawData = RoundUp(resourceSize, 16);
    rsrc.PointerToRawData = image.HeaderSize;
    rsrc.Characteristics = 0x40000040u;
    ImageSectionHeader& reloc = image.Sections[1];
    StringToBytes(reloc.Name, ".reloc");
    reloc.VirtualSize = 12;
    reloc.VirtualAddress = image.RelocOffset;
    reloc.SizeOfRawData = RoundUp(12, 16);
    reloc.PointerToRawData = image.RelocOffset;
    reloc.Characteristics = 0x42000040u;

    // 12. An empty base-relocation block.
    image.RelocBlock = {0, 8, 0, 0};
    return image;
}

} // namespace gw

#include "dll/create_dll.h"

#include "common/checked.h"
#include "common/error.h"
#include "dll/pe_header.h"
#include "dll/write_dll.h"

#include <algorithm>
#include <optional>

namespace gw {

namespace {

constexpr std::int32_t kFileHeaderSize = 20;
constexpr std::int32_t kOptionalHeaderSize = 224;
constexpr std::int32_t kSectionHeaderSize = 40;
constexpr std::uint32_t kSubdirectory = 0x80000000u;

// The resource IDs are 16-bit: the images (RT_ICON 1 to N) and the groups of all icon files,
// F + N, may come to at most 32767.
constexpr std::int64_t kMaxResources = 32767;
// A group resource (6 bytes and 14 per image) must fit a 16-bit size: 2340 images at most.
constexpr std::int64_t kMaxGroupImages = (32767 - 6) / 14;

// Every field is computed checked, naming what is computed, although with at most 32767
// resources the directory offsets stay far below the 32-bit limit.
std::int32_t add(std::int32_t a, std::int32_t b, const char* what) {
    return checked::add(a, b, what);
}
std::int32_t mul(std::int32_t a, std::int32_t b, const char* what) {
    return checked::mul(a, b, what);
}

// A count with thousands separators, as the messages show it: "40,001".
std::string countText(std::int64_t value) {
    std::string digits = std::to_string(value);
    for (auto at = static_cast<std::ptrdiff_t>(digits.size()) - 3; at > 0; at -= 3) {
        digits.insert(static_cast<std::size_t>(at), ",");
    }
    return digits;
}

// The icon file for messages: its name, or its place in the list when it was not read from a file.
std::string iconName(const IconFileRecord& icon, std::size_t index) {
    return icon.FileName.empty() ? "icon file " + std::to_string(index + 1) : icon.FileName;
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

// Checks that the icons fit one DLL's 16-bit counts and IDs before anything is numbered:
// every file's group and the resources of all files together, naming the file where a limit
// is passed.
void checkCounts(const std::vector<IconFileRecord>& icons) {
    std::int64_t images = 0;
    std::optional<std::size_t> passedAt;
    for (std::size_t i = 0; i < icons.size(); ++i) {
        const IconFileRecord& icon = icons[i];
        if (icon.Header.Count < 0 ||
            icon.Entries.size() != static_cast<std::size_t>(icon.Header.Count) ||
            icon.Images.size() != icon.Entries.size()) {
            throw Error(iconName(icon, i), "",
                        "internal error: the icon's count, entries and images disagree");
        }
        if (icon.Header.Count > kMaxGroupImages) {
            throw Error(iconName(icon, i), "",
                        "its " + countText(icon.Header.Count) +
                            " images do not fit one icon group, which holds at most " +
                            countText(kMaxGroupImages) + " (its 16-bit size is 6 + 14 per image)");
        }
        images += icon.Header.Count;
        const auto resources = images + static_cast<std::int64_t>(i + 1);
        if (resources > kMaxResources && !passedAt) {
            passedAt = i;
        }
    }
    if (passedAt) {
        const auto groups = static_cast<std::int64_t>(icons.size());
        throw Error(iconName(icons[*passedAt], *passedAt), "",
                    "more than " + countText(kMaxResources) +
                        " resources in one DLL: " + countText(images + groups) + " (" +
                        countText(images) + " images and " + countText(groups) +
                        " icon groups, whose IDs are 16-bit); the limit is passed with this file");
    }
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
                       const Progress& progress) {
    if (files.empty()) {
        throw Error("no icon files to pack; a DLL needs at least one");
    }
    std::vector<IconFileRecord> icons;
    icons.reserve(files.size());
    for (const std::string& file : files) {
        icons.push_back(ReadIconFile(file, progress));
    }
    return LayOutDllImage(machine, std::move(icons));
}

DllImage LayOutDllImage(std::int32_t machine, std::vector<IconFileRecord> icons) {
    if (icons.empty()) {
        throw Error("no icon files to pack; a DLL needs at least one");
    }
    checkCounts(icons);
    DllImage image;
    const auto F = checked::narrow<std::int16_t>(icons.size(), "the number of icon files");
    // Group IDs run from 101 to 100 + F and must fit 16 bits.
    checked::add<std::int16_t>(kFirstGroupId - 1, F, "the icon group ID");

    // 1. Number the images 1 to N across all icon files.
    image.Icons = std::move(icons);
    std::int16_t running = 0;
    for (IconFileRecord& icon : image.Icons) {
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
    const std::int32_t languageBase =
        add(0x40, mul(8, resources, "the resource directories' size"), "the language directories");
    image.RootDirectory = directoryWithIds(2);
    image.RootDirectory.Entries.push_back({kRtIcon, kSubdirectory | 0x20u});
    image.RootDirectory.Entries.push_back(
        {kRtGroupIcon, kSubdirectory | static_cast<std::uint32_t>(
                                           add(0x30, mul(8, N, "the RT_ICON directory's size"),
                                               "the RT_GROUP_ICON directory's offset"))});
    // The language directory of resource m, 24 bytes each.
    const auto languageDirectory = [languageBase](std::int32_t m) {
        return kSubdirectory |
               static_cast<std::uint32_t>(add(languageBase, mul(24, m, "a language directory"),
                                              "a language directory's offset"));
    };

    image.TypeDirectories[0] = directoryWithIds(N);
    for (std::int32_t j = 0; j < N; ++j) {
        image.TypeDirectories[0].Entries.push_back(
            {static_cast<std::uint32_t>(j + 1), languageDirectory(j)});
    }
    image.TypeDirectories[1] = directoryWithIds(F);
    for (std::int32_t k = 0; k < F; ++k) {
        image.TypeDirectories[1].Entries.push_back(
            {static_cast<std::uint32_t>(kFirstGroupId + k), languageDirectory(N + k)});
    }
    const std::int32_t dataEntryBase =
        add(0x40, mul(32, resources, "the resource directories' size"), "the data entries");
    image.LanguageDirectories.assign(static_cast<std::size_t>(resources), directoryWithIds(1));
    for (std::int32_t m = 0; m < resources; ++m) {
        image.LanguageDirectories[static_cast<std::size_t>(m)].Entries.push_back(
            {0, static_cast<std::uint32_t>(
                    add(dataEntryBase, mul(16, m, "a data entry"), "a data entry's offset"))});
    }

    // 7.-9. Data entries and blob positions: images of a file, then its group, each blob
    // starting on a multiple of 8.
    image.HeaderSize =
        add(checked::narrow<std::int32_t>(image.Prefix.size(), "the header size"),
            kFileHeaderSize + kOptionalHeaderSize + 2 * kSectionHeaderSize, "the header size");
    std::int32_t cursor =
        add(add(image.HeaderSize, 0x40, "the resource section"),
            mul(48, resources, "the resource directories' size"), "the first resource's offset");
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
    const std::int32_t resourceSize =
        checked::sub(image.DataCursor, image.HeaderSize, "the resource section size");

    // 10. Optional header.
    ImageOptionalHeader32& oh = image.OptionalHeader;
    oh.Magic = 0x010B;
    oh.MajorLinkerVersion = 6;
    oh.MinorLinkerVersion = 0;
    oh.SizeOfInitializedData =
        add(checked::sub(image.RelocOffset, image.HeaderSize, "the initialized data size"), 16,
            "the initialized data size");
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

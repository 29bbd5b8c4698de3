#include "dll/dll_layout.h"

#include "common/checked.h"
#include "common/error.h"
#include "dll/pe_header.h"

#include <algorithm>
#include <optional>

namespace gw {

namespace {

// The choices of these DLLs that the format leaves open.
constexpr std::uint16_t kSectionCount = 2; // ".rsrc" and ".reloc"
constexpr std::int32_t kAlignment = 16;    // of the sections in the file and in memory
constexpr std::int32_t kBlobAlignment = 8; // every resource blob starts on a multiple of 8
constexpr std::int32_t kImageBase = 0x00010000;
constexpr std::uint8_t kLinkerVersion = 6;
constexpr std::int16_t kOperatingSystemVersion = 4;
constexpr std::int16_t kSubsystemVersion = 2;
constexpr std::int32_t kStackReserve = 0x00100000;
constexpr std::int32_t kStackCommit = 0x00001000;
constexpr std::int32_t kHeapReserve = 0x00100000;
constexpr std::int32_t kHeapCommit = 0x00001000;
// The relocation section: one base-relocation block without entries, then 8 zero bytes. Its
// section header says 12 bytes, although the block the directory announces has 8.
constexpr std::int32_t kRelocationSectionSize = 16;
constexpr std::int32_t kRelocationVirtualSize = 12;

// The resource IDs are 16-bit: the images (RT_ICON 1 to N) and the groups of all icon files,
// F + N, may come to at most 32767.
constexpr std::int64_t kMaxResources = 32767;
// A group resource must fit a 16-bit size: 2340 images at most.
constexpr std::int64_t kMaxGroupImages = (32767 - pe::kGroupHeaderSize) / pe::kGroupEntrySize;

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

// The group blob of an icon file: its header and one entry per image.
std::int32_t groupBlobSize(std::int16_t count) {
    return checked::Add<std::int16_t>(
        pe::kGroupHeaderSize,
        checked::Mul<std::int16_t>(pe::kGroupEntrySize, count, "the icon group's size"),
        "the icon group's size");
}

// Checks that the icons fit one DLL's 16-bit counts and IDs before anything is numbered:
// every file's group and the resources of all files together, naming the file where a limit
// is passed.
void checkCounts(const std::vector<IconFileRecord>& icons) {
    std::int64_t images = 0;
    std::optional<std::size_t> passedAt;
    for (std::size_t i = 0; i < icons.size(); ++i) {
        const IconFileRecord& icon = icons[i];
        // A negative count turns into a huge size and disagrees too.
        if (icon.Entries.size() != static_cast<std::size_t>(icon.Header.Count) ||
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

// How many resources the DLL holds: the images of all files and one group per file.
struct ResourceCounts {
    std::int16_t Images = 0;
    std::int16_t Groups = 0;
    std::int16_t All = 0;
};

// Counts the resources: the images of all files and one group per file. The images get the
// RT_ICON IDs 1 to N over all files in order, the groups the IDs from 101 on.
ResourceCounts countResources(const std::vector<IconFileRecord>& icons) {
    ResourceCounts counts;
    counts.Groups = checked::Narrow<std::int16_t>(icons.size(), "the number of icon files");
    checked::Add<std::int16_t>(kFirstGroupId - 1, counts.Groups, "the last icon group's ID");
    for (const IconFileRecord& icon : icons) {
        counts.Images = checked::Add(counts.Images, icon.Header.Count, "an RT_ICON ID");
    }
    counts.All = checked::Add(counts.Images, counts.Groups, "the number of resources");
    return counts;
}

// The icon files with their images numbered 1 to N in order, the RT_ICON IDs of their group
// entries.
std::vector<IconFileRecord> numberImages(std::vector<IconFileRecord> icons) {
    std::int16_t id = 0;
    for (IconFileRecord& icon : icons) {
        for (GroupIconEntry& entry : icon.Entries) {
            entry.Id = ++id;
        }
    }
    return icons;
}

// The size of a resource directory with its entries.
std::int32_t directorySize(std::int32_t entries, const std::string& what) {
    return checked::Add(pe::kResourceDirectorySize,
                        checked::Mul(pe::kResourceEntrySize, entries, what + "'s size"),
                        what + "'s size");
}

// Where the tables of the resource section begin, relative to the section as resource
// directories address them. They follow each other: the root directory, the RT_ICON and
// RT_GROUP_ICON directories, one language directory per resource, one data entry per resource;
// the data comes after them.
struct ResourceTables {
    std::int32_t IconDirectory = 0;
    std::int32_t GroupDirectory = 0;
    std::int32_t LanguageDirectories = 0;
    std::int32_t DataEntries = 0;
    std::int32_t Data = 0;
};

ResourceTables placeTables(const ResourceCounts& counts) {
    ResourceTables at;
    at.IconDirectory = directorySize(2, "the root resource directory");
    at.GroupDirectory =
        checked::Add(at.IconDirectory, directorySize(counts.Images, "the RT_ICON directory"),
                     "the RT_GROUP_ICON directory's offset");
    at.LanguageDirectories =
        checked::Add(at.GroupDirectory, directorySize(counts.Groups, "the RT_GROUP_ICON directory"),
                     "the language directories' offset");
    at.DataEntries =
        checked::Add(at.LanguageDirectories,
                     checked::Mul(directorySize(1, "a language directory"),
                                  std::int32_t{counts.All}, "the language directories' size"),
                     "the data entries' offset");
    at.Data = checked::Add(at.DataEntries,
                           checked::Mul(pe::kResourceDataEntrySize, std::int32_t{counts.All},
                                        "the data entries' size"),
                           "the resource data's offset");
    return at;
}

// Value rounded up to the next multiple of alignment; value itself when value mod alignment is
// 0 or negative. Overflow-checked.
std::int32_t roundUp(std::int32_t value, std::int32_t alignment) {
    const std::int32_t rest = value % alignment;
    if (rest > 0) {
        return checked::Add(value, alignment - rest, "a rounded-up offset");
    }
    return value;
}

ResourceDirectory directoryOf(std::vector<ResourceDirectoryEntry> entries) {
    ResourceDirectory dir;
    dir.NumberOfIdEntries =
        checked::Narrow<std::uint16_t>(entries.size(), "the entries of a resource directory");
    dir.Entries = std::move(entries);
    return dir;
}

std::uint32_t subdirectoryAt(std::int32_t offset) {
    return pe::kHighBit | static_cast<std::uint32_t>(offset);
}

// The resource directories, each with its entries.
struct ResourceTree {
    ResourceDirectory Root;
    std::array<ResourceDirectory, 2> Types;        // RT_ICON, RT_GROUP_ICON
    std::vector<ResourceDirectoryEntry> Languages; // each language directory's one entry
};

// The resource tree by type, ID and language, every entry an ID. Resource m, counting the
// images first and the groups after them, has language directory m and data entry m.
ResourceTree buildResourceTree(const ResourceCounts& counts, const ResourceTables& at) {
    const std::int32_t languageDirectorySize = directorySize(1, "a language directory");
    const auto languageDirectory = [&](std::int32_t m) {
        return subdirectoryAt(
            checked::Add(at.LanguageDirectories,
                         checked::Mul(languageDirectorySize, m, "a language directory's offset"),
                         "a language directory's offset"));
    };
    ResourceTree tree;
    tree.Root = directoryOf({{pe::kRtIcon, subdirectoryAt(at.IconDirectory)},
                             {pe::kRtGroupIcon, subdirectoryAt(at.GroupDirectory)}});

    std::vector<ResourceDirectoryEntry> icons;
    icons.reserve(static_cast<std::size_t>(counts.Images));
    for (std::int32_t j = 0; j < counts.Images; ++j) {
        const std::int32_t id = checked::Add(j, 1, "an RT_ICON ID");
        icons.push_back({static_cast<std::uint32_t>(id), languageDirectory(j)});
    }
    std::vector<ResourceDirectoryEntry> groups;
    groups.reserve(static_cast<std::size_t>(counts.Groups));
    for (std::int32_t k = 0; k < counts.Groups; ++k) {
        const std::int32_t id = checked::Add<std::int32_t>(kFirstGroupId, k, "an icon group ID");
        const std::int32_t m = checked::Add<std::int32_t>(counts.Images, k, "a resource's index");
        groups.push_back({static_cast<std::uint32_t>(id), languageDirectory(m)});
    }
    tree.Types = {directoryOf(std::move(icons)), directoryOf(std::move(groups))};

    tree.Languages.reserve(static_cast<std::size_t>(counts.All));
    for (std::int32_t m = 0; m < counts.All; ++m) {
        const std::int32_t dataEntry = checked::Add(
            at.DataEntries, checked::Mul(pe::kResourceDataEntrySize, m, "a data entry's offset"),
            "a data entry's offset");
        tree.Languages.push_back({pe::kNeutralLanguage, static_cast<std::uint32_t>(dataEntry)});
    }
    return tree;
}

// The data entries of the blobs and the end of the last one's padding.
struct ResourceData {
    std::vector<ImageResourceDataEntry> Entries;
    std::int32_t End = 0;
};

// Places the blobs one after another from start, each on a multiple of 8: of every file its
// images, then its group. The data entries list all images before all groups.
ResourceData placeResourceData(const std::vector<IconFileRecord>& icons,
                               const ResourceCounts& counts, std::int32_t start) {
    ResourceData data;
    data.End = start;
    const auto place = [&data](std::int32_t size) {
        const ImageResourceDataEntry entry{static_cast<std::uint32_t>(data.End),
                                           static_cast<std::uint32_t>(size), 0, 0};
        data.End = roundUp(checked::Add(data.End, size, "the resource data's end"), kBlobAlignment);
        return entry;
    };
    data.Entries.assign(static_cast<std::size_t>(counts.All), {});
    std::size_t nextImage = 0;
    for (std::size_t i = 0; i < icons.size(); ++i) {
        const IconFileRecord& icon = icons[i];
        for (const GroupIconEntry& entry : icon.Entries) {
            data.Entries[nextImage++] = place(entry.BytesInRes);
        }
        data.Entries[static_cast<std::size_t>(counts.Images) + i] =
            place(groupBlobSize(icon.Header.Count));
    }
    return data;
}

ImageFileHeader fileHeader(std::int32_t machine) {
    ImageFileHeader h;
    h.Machine = checked::Narrow<std::uint16_t>(machine, "the machine value");
    h.NumberOfSections = kSectionCount;
    h.TimeDateStamp = kDllTimeDateStamp;
    h.SizeOfOptionalHeader = pe::kOptionalHeader32Size;
    h.Characteristics = pe::kResourceDllCharacteristics;
    return h;
}

// The optional header of a DLL without code: its data are the resource section and the
// relocation section, and the image in memory is the file itself.
ImageOptionalHeader32 optionalHeader(const DllImage& image, std::int32_t resourceSize,
                                     std::int32_t fileLength) {
    ImageOptionalHeader32 h;
    h.Magic = pe::kPe32Magic;
    h.MajorLinkerVersion = kLinkerVersion;
    h.SizeOfInitializedData = checked::Add(
        checked::Sub(image.RelocOffset, image.HeaderSize, "the initialized data's size"),
        kRelocationSectionSize, "the initialized data's size");
    h.BaseOfCode = image.HeaderSize;
    h.BaseOfData = image.HeaderSize;
    h.ImageBase = kImageBase;
    h.SectionAlignment = kAlignment;
    h.FileAlignment = kAlignment;
    h.MajorOperatingSystemVersion = kOperatingSystemVersion;
    h.MajorSubsystemVersion = kSubsystemVersion;
    h.SizeOfImage = fileLength;
    h.SizeOfHeaders = image.HeaderSize;
    h.Subsystem = pe::kSubsystemWindowsCeGui;
    h.SizeOfStackReserve = kStackReserve;
    h.SizeOfStackCommit = kStackCommit;
    h.SizeOfHeapReserve = kHeapReserve;
    h.SizeOfHeapCommit = kHeapCommit;
    h.NumberOfRvaAndSizes = pe::kDataDirectoryCount;
    h.DataDirectory[pe::kResourceDirectoryIndex] = {static_cast<std::uint32_t>(image.HeaderSize),
                                                    static_cast<std::uint32_t>(resourceSize)};
    h.DataDirectory[pe::kBaseRelocationDirectoryIndex] = {
        static_cast<std::uint32_t>(image.RelocOffset), pe::kBaseRelocationBlockSize};
    return h;
}

ImageSectionHeader sectionHeader(std::string_view name, std::int32_t offset, std::int32_t size,
                                 std::uint32_t characteristics) {
    ImageSectionHeader s;
    s.Name = SectionNameBytes(name);
    s.VirtualSize = size;
    s.VirtualAddress = offset;
    s.SizeOfRawData = roundUp(size, kAlignment);
    s.PointerToRawData = offset;
    s.Characteristics = characteristics;
    return s;
}

} // namespace

std::int16_t DllImage::imageCount() const {
    std::int16_t n = 0;
    for (const IconFileRecord& icon : Icons) {
        n = checked::Add(n, icon.Header.Count, "the number of images");
    }
    return n;
}

DllImage BuildDllImage(std::int32_t machine, const std::vector<std::filesystem::path>& files,
                       const Progress& progress, const OutputGuard* guard) {
    if (files.empty()) {
        throw Error("no icon files to pack; a DLL needs at least one");
    }
    std::vector<IconFileRecord> icons;
    icons.reserve(files.size());
    for (const std::filesystem::path& file : files) {
        icons.push_back(ReadIconFile(file, progress, guard));
    }
    return LayOutDllImage(machine, std::move(icons));
}

DllImage LayOutDllImage(std::int32_t machine, std::vector<IconFileRecord> icons) {
    if (icons.empty()) {
        throw Error("no icon files to pack; a DLL needs at least one");
    }
    checkCounts(icons);
    DllImage image;
    image.Icons = numberImages(std::move(icons));
    const ResourceCounts counts = countResources(image.Icons);

    // The headers: the template, the file and optional headers and the section table. The
    // resource section follows them directly, as they end on a multiple of 16.
    const auto prefix = PeHeaderTemplate();
    image.Prefix.assign(prefix.begin(), prefix.end());
    image.HeaderSize = checked::Add(
        checked::Narrow<std::int32_t>(image.Prefix.size(), "the headers' size"),
        pe::kFileHeaderSize + pe::kOptionalHeader32Size + kSectionCount * pe::kSectionHeaderSize,
        "the headers' size");

    const ResourceTables tables = placeTables(counts);
    ResourceTree tree = buildResourceTree(counts, tables);
    image.RootDirectory = std::move(tree.Root);
    image.TypeDirectories = std::move(tree.Types);
    image.LanguageEntries = std::move(tree.Languages);
    image.DataEntriesOffset =
        checked::Add(image.HeaderSize, tables.DataEntries, "the data entries' file offset");
    image.DataStart =
        checked::Add(image.HeaderSize, tables.Data, "the resource data's file offset");
    ResourceData data = placeResourceData(image.Icons, counts, image.DataStart);
    image.DataEntries = std::move(data.Entries);
    image.DataCursor = data.End;

    // The resource section ends with the last blob's padding; the relocation section follows
    // on the next multiple of 16 and ends the file.
    image.RelocOffset = roundUp(image.DataCursor, kAlignment);
    const std::int32_t fileLength =
        checked::Add(image.RelocOffset, kRelocationSectionSize, "the DLL's size");
    const std::int32_t resourceSize =
        checked::Sub(image.DataCursor, image.HeaderSize, "the resource section's size");

    image.FileHeader = fileHeader(machine);
    image.OptionalHeader = optionalHeader(image, resourceSize, fileLength);
    image.Sections = {
        sectionHeader(".rsrc", image.HeaderSize, resourceSize, pe::kResourceSectionCharacteristics),
        sectionHeader(".reloc", image.RelocOffset, kRelocationVirtualSize,
                      pe::kRelocationSectionCharacteristics)};
    // An empty base-relocation block (VirtualAddress 0, SizeOfBlock 8), then zeros.
    image.RelocBlock = {0, pe::kBaseRelocationBlockSize, 0, 0};
    return image;
}

} // namespace gw

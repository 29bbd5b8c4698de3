#include "dll/layout_check.h"

#include "common/byte_io.h"
#include "common/checked.h"
#include "common/error.h"
#include "common/text.h"
#include "dll/dll_layout.h"
#include "dll/pe_format.h"
#include "dll/write_dll.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace gw {

namespace {

// The fields of the file and optional headers by offset, for naming a difference.
struct Field {
    std::uint32_t Offset;
    const char* Name;
};

constexpr std::array<Field, 7> kFileHeaderFields = {{{0, "Machine"},
                                                     {2, "NumberOfSections"},
                                                     {4, "TimeDateStamp"},
                                                     {8, "PointerToSymbolTable"},
                                                     {12, "NumberOfSymbols"},
                                                     {16, "SizeOfOptionalHeader"},
                                                     {18, "Characteristics"}}};

constexpr std::array<Field, 30> kOptionalHeaderFields = {{{0, "Magic"},
                                                          {2, "MajorLinkerVersion"},
                                                          {3, "MinorLinkerVersion"},
                                                          {4, "SizeOfCode"},
                                                          {8, "SizeOfInitializedData"},
                                                          {12, "SizeOfUninitializedData"},
                                                          {16, "AddressOfEntryPoint"},
                                                          {20, "BaseOfCode"},
                                                          {24, "BaseOfData"},
                                                          {28, "ImageBase"},
                                                          {32, "SectionAlignment"},
                                                          {36, "FileAlignment"},
                                                          {40, "MajorOperatingSystemVersion"},
                                                          {42, "MinorOperatingSystemVersion"},
                                                          {44, "MajorImageVersion"},
                                                          {46, "MinorImageVersion"},
                                                          {48, "MajorSubsystemVersion"},
                                                          {50, "MinorSubsystemVersion"},
                                                          {52, "Win32VersionValue"},
                                                          {56, "SizeOfImage"},
                                                          {60, "SizeOfHeaders"},
                                                          {64, "CheckSum"},
                                                          {68, "Subsystem"},
                                                          {70, "DllCharacteristics"},
                                                          {72, "SizeOfStackReserve"},
                                                          {76, "SizeOfStackCommit"},
                                                          {80, "SizeOfHeapReserve"},
                                                          {84, "SizeOfHeapCommit"},
                                                          {88, "LoaderFlags"},
                                                          {92, "NumberOfRvaAndSizes"}}};

template <std::size_t N>
std::string fieldAt(const std::array<Field, N>& fields, std::uint64_t relative) {
    const Field* found = &fields.front();
    for (const Field& f : fields) {
        if (f.Offset <= relative) {
            found = &f;
        }
    }
    return found->Name;
}

// What the DLL this program writes holds at a file offset.
std::string layoutRegion(const DllImage& image, std::uint64_t offset) {
    const std::uint64_t fileHeader = image.Prefix.size();
    const std::uint64_t optionalHeader = fileHeader + pe::kFileHeaderSize;
    const std::uint64_t sectionTable = optionalHeader + pe::kOptionalHeader32Size;
    const auto dataEntries = static_cast<std::uint64_t>(image.DataEntriesOffset);
    const auto blobs = static_cast<std::uint64_t>(image.DataStart);
    if (offset < fileHeader) {
        return "the MS-DOS header and stub";
    }
    if (offset < optionalHeader) {
        return "the file header, " + fieldAt(kFileHeaderFields, offset - fileHeader);
    }
    if (offset < sectionTable) {
        const std::uint64_t relative = offset - optionalHeader;
        return "the optional header, " +
               (relative < pe::kDataDirectoriesAt32
                    ? fieldAt(kOptionalHeaderFields, relative)
                    : "DataDirectory[" +
                          std::to_string((relative - pe::kDataDirectoriesAt32) /
                                         pe::kDataDirectorySize) +
                          "]");
    }
    if (offset < static_cast<std::uint64_t>(image.HeaderSize)) {
        const std::size_t index = (offset - sectionTable) / pe::kSectionHeaderSize;
        return "the section table, section " + SectionName(image.Sections.at(index));
    }
    if (offset < dataEntries) {
        return "the resource directory";
    }
    if (offset < blobs) {
        return "the resource data entries";
    }
    const std::size_t images = static_cast<std::size_t>(image.imageCount());
    for (std::size_t m = 0; m < image.DataEntries.size(); ++m) {
        const ImageResourceDataEntry& e = image.DataEntries[m];
        if (offset >= e.OffsetToData && offset - e.OffsetToData < e.Size) {
            return m < images
                       ? "the data of RT_ICON " + std::to_string(m + 1)
                       : "the data of icon group " + std::to_string(kFirstGroupId + m - images);
        }
    }
    if (offset < static_cast<std::uint64_t>(image.DataCursor)) {
        return "padding in the resource data";
    }
    return offset < static_cast<std::uint64_t>(image.RelocOffset)
               ? "padding before the relocation section"
               : "the relocation section";
}

// The group as the layout takes it: its header and entries, with empty stand-ins for its
// images, which are decoded only when the writer reaches them.
IconFileRecord layoutRecord(const PeIconGroup& group) {
    IconFileRecord icon;
    icon.Images.resize(group.Entries.size());
    icon.Header = group.Header;
    icon.Header.Count =
        checked::Narrow<std::int16_t>(group.Entries.size(), "the images of a group");
    icon.Entries = group.Entries;
    return icon;
}

// A group entry that gives another size than its image has: the layout, which places the
// images by the entries' sizes, would not hold the image.
std::optional<std::string> sizeFault(const PeIconGroup& group,
                                     const std::vector<IconImageView>& images) {
    for (std::size_t j = 0; j < group.Entries.size(); ++j) {
        const std::int32_t size = images[j].byteSize();
        if (group.Entries[j].BytesInRes != size) {
            return GroupItem(group) + ", image " + std::to_string(j) + " says " +
                   std::to_string(group.Entries[j].BytesInRes) + " bytes, its image has " +
                   std::to_string(size);
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> LayoutDifference(const PeIconFile& file) {
    if (file.Groups.empty()) {
        return "the file holds no icon groups";
    }
    // Only the file is held whole: the DLL is laid out from the group entries, the images are
    // decoded a group at a time when the writer reaches them, and what it writes is compared
    // with the file chunk by chunk. A fault in a group's images counts before a fault of the
    // layout and before any difference in the bytes; the first group's fault counts first.
    DllImage image;
    try {
        std::vector<IconFileRecord> icons;
        icons.reserve(file.Groups.size());
        for (const PeIconGroup& group : file.Groups) {
            icons.push_back(layoutRecord(group));
        }
        image = LayOutDllImage(file.Machine, std::move(icons));
    } catch (const Error& layoutFault) {
        try {
            for (const PeIconGroup& group : file.Groups) {
                if (auto fault = sizeFault(group, GroupImages(file, group))) {
                    return fault;
                }
            }
        } catch (const Error& e) {
            return e.what();
        }
        return layoutFault.what();
    }

    const std::span<const std::uint8_t> bytes(file.Bytes);
    std::uint64_t written = 0;
    std::optional<std::uint64_t> differsAt;
    std::uint8_t writes = 0;
    const auto compare = [&](std::span<const std::uint8_t> chunk) {
        if (!differsAt && written < bytes.size()) {
            const auto here = bytes.subspan(
                written, std::min<std::uint64_t>(chunk.size(), bytes.size() - written));
            // memcmp first: the byte-wise search runs only on the chunk that differs.
            if (std::memcmp(here.data(), chunk.data(), here.size()) != 0) {
                const auto [mine, theirs] = std::mismatch(here.begin(), here.end(), chunk.begin());
                differsAt = written + static_cast<std::uint64_t>(mine - here.begin());
                writes = *theirs;
            }
        }
        written += chunk.size();
    };
    std::vector<IconImageView> groupImages; // the group's the writer is at
    const auto imagesOfGroup = [&file, &groupImages](std::size_t k) {
        groupImages = GroupImages(file, file.Groups[k]);
        if (auto fault = sizeFault(file.Groups[k], groupImages)) {
            throw Error(*fault);
        }
        return std::span<const IconImageView>(groupImages);
    };
    try {
        ByteWriter out(compare);
        WriteDllImage(image, out, imagesOfGroup);
        out.flush();
    } catch (const Error& e) {
        return e.what();
    }
    if (differsAt) {
        return "first difference at file offset " + Hex(*differsAt, 1) + " (" +
               layoutRegion(image, *differsAt) + "): " + Hex(bytes[*differsAt], 2) +
               " here, glyphwright writes " + Hex(writes, 2);
    }
    if (written != bytes.size()) {
        return "the file is " + std::to_string(bytes.size()) +
               " bytes long, the DLL glyphwright writes for its icons " + std::to_string(written);
    }
    return std::nullopt;
}

} // namespace gw

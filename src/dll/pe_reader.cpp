#include "dll/pe_reader.h"

#include "common/byte_io.h"
#include "common/checked.h"
#include "common/error.h"
#include "common/file_io.h"
#include "common/text.h"
#include "dll/create_dll.h"
#include "dll/pe_format.h"
#include "dll/write_dll.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <set>

namespace gw {

namespace {

using pe::kHighBit;
using pe::kRtGroupIcon;
using pe::kRtIcon;

// The format's sizes in the reader's unsigned 64-bit arithmetic, where no sum of them wraps.
constexpr std::uint64_t kDosHeaderSize = pe::kDosHeaderSize;
constexpr std::uint64_t kFileHeaderSize = pe::kFileHeaderSize;
constexpr std::uint64_t kSectionHeaderSize = pe::kSectionHeaderSize;
constexpr std::uint64_t kDirectoryHeaderSize = pe::kResourceDirectorySize;
constexpr std::uint64_t kDirectoryEntrySize = pe::kResourceEntrySize;
constexpr std::uint64_t kDataEntrySize = pe::kResourceDataEntrySize;
constexpr std::uint64_t kGroupHeaderSize = pe::kGroupHeaderSize;
constexpr std::uint64_t kGroupEntrySize = pe::kGroupEntrySize;
constexpr std::uint64_t kDataDirectorySize = pe::kDataDirectorySize;

std::string plural(std::uint64_t count, const std::string& one, const std::string& many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

// UTF-16LE code units as UTF-8; a surrogate without its partner becomes U+FFFD.
std::string utf8FromUtf16(std::span<const std::uint8_t> bytes) {
    std::u16string units;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        units += static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
    }
    return Utf8FromUtf16(units);
}

std::string resourceItem(std::uint32_t type, const ResourceName& name, std::uint16_t language) {
    return (type == kRtIcon ? "RT_ICON " : "icon group ") + name.text() + ", language " +
           std::to_string(language);
}

// Takes a PE file apart front to back. Every structure is located and checked against the
// file before a byte of it is read or anything is sized from it.
class PeParser {
public:
    explicit PeParser(PeIconFile& file) : file_(file) {}

    void parse() {
        const std::uint64_t resourceRva = parseHeaders();
        if (resourceRva != 0) {
            parseResources(resourceRva);
        }
        parseGroups();
        indexIcons();
    }

private:
    struct Entry {
        std::uint32_t name = 0;
        std::uint32_t offsetToData = 0;
    };

    [[noreturn]] void fail(const std::string& item, const std::string& cause) const {
        throw Error(file_.FileName, item, cause);
    }

    static std::string at(const std::string& what, std::uint64_t fileOffset) {
        return what + " at file offset " + HexText(fileOffset);
    }

    // A reader over [offset, offset + size) of the file, which must hold all of it.
    ByteReader read(std::uint64_t offset, std::uint64_t size, const std::string& what) const {
        const std::uint64_t fileSize = file_.Bytes.size();
        if (offset > fileSize || size > fileSize - offset) {
            fail(at(what, offset), "truncated: it needs " + std::to_string(size) +
                                       " bytes, but the file ends at " + HexText(fileSize));
        }
        return ByteReader(std::span(file_.Bytes).subspan(offset, size), at(what, offset));
    }

    // The text of an item for a message: a string as it is, or made by a callable only when a
    // message needs it, so that a large tree is walked without building texts it never shows.
    static const std::string& text(const std::string& item) { return item; }
    template <class Make> static std::string text(const Make& make) { return make(); }

    // The file offset of [rva, rva + size), which must lie within one section's data.
    template <class What>
    std::uint64_t map(std::uint64_t rva, std::uint64_t size, const What& what) const {
        const auto item = [&] { return text(what) + " at RVA " + HexText(rva); };
        for (const PeSection& s : file_.Sections) {
            const std::uint64_t extent = s.VirtualSize != 0 ? s.VirtualSize : s.SizeOfRawData;
            if (rva < s.VirtualAddress || rva - s.VirtualAddress >= extent) {
                continue;
            }
            const std::uint64_t within = rva - s.VirtualAddress;
            if (size > s.SizeOfRawData || within > s.SizeOfRawData - size) {
                fail(item(), std::to_string(size) +
                                 " bytes from there run past the end of section " + s.Name + " (" +
                                 std::to_string(s.SizeOfRawData) + " bytes in the file)");
            }
            const std::uint64_t offset = s.PointerToRawData + within;
            if (offset > file_.Bytes.size() || size > file_.Bytes.size() - offset) {
                fail(item() + " (file offset " + HexText(offset) + ")",
                     "truncated: " + std::to_string(size) +
                         " bytes from there run past the end of the file at " +
                         HexText(file_.Bytes.size()));
            }
            return offset;
        }
        fail(item(), "the address lies in no section of the file");
    }

    // Checks the MS-DOS header, the PE signature, the file and optional headers and reads the
    // section table. Gives the RVA of the resource directory, 0 when there is none.
    std::uint64_t parseHeaders() {
        if (file_.Bytes.size() < kDosHeaderSize) {
            fail("", "not a PE file: " + std::to_string(file_.Bytes.size()) +
                         " bytes are too few for an MS-DOS header");
        }
        ByteReader dos = read(0, kDosHeaderSize, "the MS-DOS header");
        if (dos.u16() != pe::kDosMagic) {
            fail(at("the MS-DOS header", 0), "not a PE file: it does not begin with \"MZ\"");
        }
        dos.bytes(pe::kDosNewHeaderField - 2);
        const std::uint64_t peOffset = dos.u32();
        ByteReader header = read(peOffset, pe::kPeSignatureSize + kFileHeaderSize,
                                 "the PE signature and file header");
        if (header.u32() != pe::kPeSignature) {
            fail(at("the PE signature", peOffset),
                 "not a PE file: no \"PE\" signature where the MS-DOS header points");
        }
        file_.Machine = header.u16();
        const std::uint16_t sectionCount = header.u16();
        header.bytes(12); // TimeDateStamp, PointerToSymbolTable, NumberOfSymbols
        const std::uint16_t optionalSize = header.u16();
        file_.Characteristics = header.u16();

        const std::uint64_t optionalOffset = peOffset + pe::kPeSignatureSize + kFileHeaderSize;
        const std::string optionalWhat = "the optional header";
        ByteReader optional = read(optionalOffset, optionalSize, optionalWhat);
        if (optionalSize < 2) {
            fail(at(optionalWhat, optionalOffset),
                 "it is " + std::to_string(optionalSize) + " bytes long; an image needs one");
        }
        const std::uint16_t magic = optional.u16();
        if (magic != pe::kPe32Magic && magic != pe::kPe32PlusMagic) {
            fail(at(optionalWhat, optionalOffset),
                 "its magic number " + HexText(magic) +
                     " is neither PE32 (0x10B) nor PE32+ (0x20B)");
        }
        file_.Pe32Plus = magic == pe::kPe32PlusMagic;
        const std::uint64_t directoriesAt =
            file_.Pe32Plus ? pe::kDataDirectoriesAt32Plus : pe::kDataDirectoriesAt32;
        if (optionalSize < directoriesAt) {
            fail(at(optionalWhat, optionalOffset),
                 "it is " + std::to_string(optionalSize) + " bytes long, too short for a " +
                     (file_.Pe32Plus ? "PE32+" : "PE32") + " optional header of at least " +
                     std::to_string(directoriesAt));
        }
        // NumberOfRvaAndSizes: the 4 bytes before the directories, after the 2 of the magic.
        optional.bytes(directoriesAt - 4 - 2);
        const std::uint32_t directoryCount = optional.u32();
        const std::uint64_t room = (optionalSize - directoriesAt) / kDataDirectorySize;
        if (directoryCount > room) {
            fail(at(optionalWhat, optionalOffset),
                 "it claims " +
                     plural(directoryCount, "data directory entry", "data directory entries") +
                     ", but its " + std::to_string(optionalSize) + " bytes hold only " +
                     std::to_string(room));
        }
        std::uint64_t resourceRva = 0;
        if (directoryCount > pe::kResourceDirectoryIndex) {
            optional.bytes(kDataDirectorySize * pe::kResourceDirectoryIndex);
            resourceRva = optional.u32();
        }

        const std::uint64_t tableOffset = optionalOffset + optionalSize;
        ByteReader table =
            read(tableOffset, sectionCount * kSectionHeaderSize,
                 "the section table of " + plural(sectionCount, "section", "sections"));
        file_.Sections.reserve(sectionCount);
        for (std::uint16_t i = 0; i < sectionCount; ++i) {
            PeSection s;
            const auto name = table.bytes(pe::kSectionNameSize);
            s.Name.assign(name.begin(), std::find(name.begin(), name.end(), 0));
            s.VirtualSize = table.u32();
            s.VirtualAddress = table.u32();
            s.SizeOfRawData = table.u32();
            s.PointerToRawData = table.u32();
            table.bytes(12); // relocations and line numbers
            s.Characteristics = table.u32();
            // A section whose data the file does not hold whole means the file was cut short.
            if (std::uint64_t{s.PointerToRawData} + s.SizeOfRawData > file_.Bytes.size()) {
                fail(at("the section table", tableOffset) + ", section " + s.Name,
                     "truncated: its " + std::to_string(s.SizeOfRawData) +
                         " bytes at file offset " + HexText(s.PointerToRawData) +
                         " run past the end of the file at " + HexText(file_.Bytes.size()));
            }
            file_.Sections.push_back(std::move(s));
        }
        return resourceRva;
    }

    struct Directory {
        std::string what;
        std::uint64_t fileOffset = 0;
        std::vector<Entry> entries;

        std::string entryItem(std::size_t index) const {
            return at(what, fileOffset) + ", entry " + std::to_string(index);
        }
    };

    // Reads the directory at offset (from the start of the resource tree) with its entries. A
    // directory may be reached only once, which ends loops and trees that share directories.
    Directory directory(std::uint32_t offset, const std::string& what) {
        const std::uint64_t rva = resourceRva_ + offset;
        Directory dir{what, map(rva, kDirectoryHeaderSize, what), {}};
        if (!visited_.insert(offset).second) {
            fail(at(what, dir.fileOffset),
                 "the resource tree leads to this directory a second time (a loop)");
        }
        ByteReader header = read(dir.fileOffset, kDirectoryHeaderSize, what);
        header.bytes(12); // Characteristics, TimeDateStamp, MajorVersion, MinorVersion
        const std::uint64_t count = std::uint64_t{header.u16()} + header.u16();
        map(rva, kDirectoryHeaderSize + kDirectoryEntrySize * count,
            [&] { return what + " with " + plural(count, "entry", "entries"); });
        ByteReader in =
            read(dir.fileOffset + kDirectoryHeaderSize, kDirectoryEntrySize * count, what);
        dir.entries.resize(count);
        for (Entry& e : dir.entries) {
            e.name = in.u32();
            e.offsetToData = in.u32();
        }
        return dir;
    }

    template <class Item> ResourceName name(const Entry& e, const Item& item) const {
        ResourceName result;
        if ((e.name & kHighBit) == 0) {
            if (e.name > 0xFFFF) {
                fail(text(item), "its ID " + HexText(e.name) + " does not fit 16 bits");
            }
            result.Id = static_cast<std::uint16_t>(e.name);
            return result;
        }
        const std::uint64_t rva = resourceRva_ + (e.name & ~kHighBit);
        const std::string what = "the name of " + text(item);
        ByteReader length = read(map(rva, 2, what), 2, what);
        const std::uint64_t units = length.u16();
        const std::uint64_t offset = map(rva, 2 + 2 * units, what);
        result.IsName = true;
        result.Name = utf8FromUtf16(read(offset + 2, 2 * units, what).bytes(2 * units));
        return result;
    }

    template <class Item> std::uint32_t subdirectory(const Entry& e, const Item& item) const {
        if ((e.offsetToData & kHighBit) == 0) {
            fail(text(item), "it leads to resource data where a directory belongs");
        }
        return e.offsetToData & ~kHighBit;
    }

    void parseResources(std::uint64_t resourceRva) {
        resourceRva_ = resourceRva;
        const Directory root = directory(0, "the root resource directory");
        for (std::size_t t = 0; t < root.entries.size(); ++t) {
            const Entry& type = root.entries[t];
            if (type.name == kRtIcon || type.name == kRtGroupIcon) {
                parseType(type.name, subdirectory(type, [&] { return root.entryItem(t); }));
            }
        }
    }

    void parseType(std::uint32_t type, std::uint32_t offset) {
        const std::string typeName = type == kRtIcon ? "RT_ICON" : "RT_GROUP_ICON";
        const Directory names = directory(offset, "the " + typeName + " directory");
        for (std::size_t n = 0; n < names.entries.size(); ++n) {
            const auto item = [&] { return names.entryItem(n); };
            const ResourceName resourceName = name(names.entries[n], item);
            const Directory languages =
                directory(subdirectory(names.entries[n], item),
                          "the language directory of " + typeName + " " + resourceName.text());
            for (std::size_t l = 0; l < languages.entries.size(); ++l) {
                const Entry& language = languages.entries[l];
                if (language.name > 0xFFFF) {
                    fail(languages.entryItem(l),
                         "its language " + HexText(language.name) + " is not a 16-bit number");
                }
                if ((language.offsetToData & kHighBit) != 0) {
                    fail(languages.entryItem(l),
                         "it leads to a fourth level of directories; a resource tree has three");
                }
                PeResource resource;
                resource.Name = resourceName;
                resource.Language = static_cast<std::uint16_t>(language.name);
                dataEntry(resource, type, language.offsetToData);
                if (type == kRtIcon) {
                    file_.Icons.push_back(std::move(resource));
                } else {
                    groups_.push_back(PeIconGroup{std::move(resource), {}, {}});
                }
            }
        }
    }

    void dataEntry(PeResource& resource, std::uint32_t type, std::uint32_t offset) {
        const std::string item = resourceItem(type, resource.Name, resource.Language);
        const std::string what = "the data entry of " + item;
        const std::uint64_t entryOffset = map(resourceRva_ + offset, kDataEntrySize, what);
        ByteReader in = read(entryOffset, kDataEntrySize, what);
        resource.Rva = in.u32();
        resource.Size = in.u32();
        // Data outside the sections damages this resource alone; the others are read.
        try {
            resource.FileOffset =
                map(resource.Rva, resource.Size, [&] { return "the data of " + item; });
        } catch (const Error& e) {
            resource.Damage = "its data at RVA " + HexText(resource.Rva) + ": " + e.cause();
        }
    }

    // Takes every RT_GROUP_ICON resource apart. Groups are small; together they cannot be
    // larger than the file unless their data entries point at the same bytes over and over,
    // which is refused before their entries are read.
    void parseGroups() {
        std::uint64_t total = 0;
        for (PeIconGroup& group : groups_) {
            PeResource& resource = group.Resource;
            if (resource.Damage.empty()) {
                total += resource.Size;
                if (total > file_.Bytes.size()) {
                    fail(at(resourceItem(kRtGroupIcon, resource.Name, resource.Language),
                            resource.FileOffset),
                         "the icon groups' data overlap: together they come to " +
                             std::to_string(total) + " bytes, more than the file's " +
                             std::to_string(file_.Bytes.size()));
                }
                resource.Damage = readGroup(group);
            }
            file_.Groups.push_back(std::move(group));
        }
    }

    // Reads the group's header and entries from its data; gives why it cannot, or nothing.
    std::string readGroup(PeIconGroup& group) const {
        const PeResource& resource = group.Resource;
        const std::string where = "its " + std::to_string(resource.Size) +
                                  " bytes at file offset " + HexText(resource.FileOffset);
        if (resource.Size < kGroupHeaderSize) {
            return where + " are too few for the 6-byte group header";
        }
        ByteReader in = read(resource.FileOffset, resource.Size, "the group");
        group.Header.Reserved = in.i16();
        group.Header.Type = in.i16();
        const std::uint16_t count = in.u16();
        group.Header.Count = static_cast<std::int16_t>(count);
        const std::uint64_t room = (resource.Size - kGroupHeaderSize) / kGroupEntrySize;
        if (count > room) {
            return "it says it holds " + plural(count, "image", "images") + ", but " + where +
                   " hold only " + std::to_string(room);
        }
        group.Entries.resize(count);
        for (GroupIconEntry& e : group.Entries) {
            GetSharedEntryFields(in, e);
            e.Id = in.i16();
        }
        return "";
    }

    // Orders the numbered images by ID; the stable sort keeps the tree's order within an ID,
    // which decides between images of the same ID and language.
    void indexIcons() {
        std::vector<std::size_t>& index = file_.IconsById;
        for (std::size_t i = 0; i < file_.Icons.size(); ++i) {
            if (!file_.Icons[i].Name.IsName) {
                index.push_back(i);
            }
        }
        std::stable_sort(index.begin(), index.end(), [this](std::size_t a, std::size_t b) {
            return file_.Icons[a].Name.Id < file_.Icons[b].Name.Id;
        });
    }

    PeIconFile& file_;
    std::uint64_t resourceRva_ = 0;
    std::set<std::uint32_t> visited_;
    std::vector<PeIconGroup> groups_; // as the tree lists them, before their data is read
};

// The fields of the file and optional headers by offset, for naming a difference.
struct Field {
    std::uint32_t offset;
    const char* name;
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
        if (f.offset <= relative) {
            found = &f;
        }
    }
    return found->name;
}

// What the DLL this program writes holds at a file offset.
std::string layoutRegion(const DllImage& image, std::uint64_t offset) {
    const std::uint64_t fileHeader = image.Prefix.size();
    const std::uint64_t optionalHeader = fileHeader + kFileHeaderSize;
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
                                         kDataDirectorySize) +
                          "]");
    }
    if (offset < static_cast<std::uint64_t>(image.HeaderSize)) {
        const std::size_t index = (offset - sectionTable) / kSectionHeaderSize;
        const auto& name = image.Sections.at(index).Name;
        return "the section table, section " +
               std::string(name.begin(), std::find(name.begin(), name.end(), 0));
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
        if (offset >= static_cast<std::uint64_t>(e.OffsetToData) &&
            offset - static_cast<std::uint64_t>(e.OffsetToData) <
                static_cast<std::uint64_t>(e.Size)) {
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

std::string byteText(std::uint8_t value) {
    std::string text = HexText(value);
    return text.size() == 3 ? "0x0" + text.substr(2) : text;
}

// The group as the layout takes it: its header and entries, with empty stand-ins for its
// images, which are decoded only when the writer reaches them.
IconFileRecord layoutRecord(const PeIconGroup& group) {
    IconFileRecord icon;
    icon.Images.resize(group.Entries.size());
    icon.Header = group.Header;
    icon.Header.Count =
        checked::narrow<std::int16_t>(group.Entries.size(), "the images of a group");
    icon.Entries = group.Entries;
    return icon;
}

// A group entry that gives another size than its image has: the layout, which places the
// images by the entries' sizes, would not hold the image.
std::optional<std::string> sizeFault(const PeIconGroup& group,
                                     const std::vector<IconImage>& images) {
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

std::string HexText(std::uint64_t value) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    do {
        text.insert(text.begin(), digits[value % 16]);
        value /= 16;
    } while (value != 0);
    return "0x" + text;
}

std::string ResourceName::text() const {
    return IsName ? "\"" + Name + "\"" : std::to_string(Id);
}

std::span<const std::uint8_t> PeIconFile::data(const PeResource& resource) const {
    if (!resource.Damage.empty()) {
        return {};
    }
    return std::span(Bytes).subspan(resource.FileOffset, resource.Size);
}

PeIconFile ParsePeIconFile(std::vector<std::uint8_t> bytes, const std::string& fileName) {
    PeIconFile file;
    file.FileName = fileName;
    file.Bytes = std::move(bytes);
    PeParser(file).parse();
    return file;
}

PeIconFile ReadPeIconFile(const std::filesystem::path& fileName) {
    return ParsePeIconFile(readFileBytes(fileName), displayPath(fileName));
}

const PeResource* FindIconImage(const PeIconFile& file, std::uint16_t id, std::uint16_t language) {
    const PeResource* neutral = nullptr;
    const PeResource* any = nullptr;
    const auto first = std::lower_bound(
        file.IconsById.begin(), file.IconsById.end(), id,
        [&file](std::size_t i, std::uint16_t value) { return file.Icons[i].Name.Id < value; });
    for (auto i = first; i != file.IconsById.end() && file.Icons[*i].Name.Id == id; ++i) {
        const PeResource& icon = file.Icons[*i];
        if (icon.Language == language) {
            return &icon;
        }
        if (icon.Language == 0 && neutral == nullptr) {
            neutral = &icon;
        }
        if (any == nullptr) {
            any = &icon;
        }
    }
    return neutral != nullptr ? neutral : any;
}

std::string GroupItem(const PeIconGroup& group, bool withLanguage) {
    std::string item = "icon group " + group.Resource.Name.text();
    if (withLanguage) {
        item += ", language " + std::to_string(group.Resource.Language);
    }
    return item;
}

namespace {

std::string groupImageItem(const PeIconGroup& group, std::size_t j, const PeResource& icon) {
    return GroupItem(group) + ", image " + std::to_string(j) + " (RT_ICON " + icon.Name.text() +
           ")";
}

// The RT_ICON resource of each image of the group, in the group's order.
std::vector<const PeResource*> groupResources(const PeIconFile& file, const PeIconGroup& group) {
    if (!group.Resource.Damage.empty()) {
        throw Error(file.FileName, GroupItem(group), group.Resource.Damage);
    }
    if (const std::string problem = IconCountProblem(group.Entries.size()); !problem.empty()) {
        throw Error(file.FileName, GroupItem(group),
                    "it holds " + plural(group.Entries.size(), "image", "images") + ", but " +
                        problem);
    }
    std::vector<const PeResource*> resources;
    std::uint64_t total = 0;
    for (std::size_t j = 0; j < group.Entries.size(); ++j) {
        const auto id = static_cast<std::uint16_t>(group.Entries[j].Id);
        const PeResource* icon = FindIconImage(file, id, group.Resource.Language);
        if (icon == nullptr) {
            throw Error(file.FileName, GroupItem(group) + ", image " + std::to_string(j),
                        "it refers to RT_ICON " + std::to_string(id) +
                            ", which the file does not hold");
        }
        if (!icon->Damage.empty()) {
            throw Error(file.FileName, groupImageItem(group, j, *icon), icon->Damage);
        }
        total += icon->Size;
        if (total > file.Bytes.size()) {
            throw Error(file.FileName, GroupItem(group),
                        "it repeats its images beyond the size of the file: they come to more "
                        "than the file's " +
                            std::to_string(file.Bytes.size()) + " bytes");
        }
        resources.push_back(icon);
    }
    return resources;
}

} // namespace

std::vector<IconImage> GroupImages(const PeIconFile& file, const PeIconGroup& group) {
    const std::vector<const PeResource*> resources = groupResources(file, group);
    std::vector<IconImage> images;
    for (std::size_t j = 0; j < resources.size(); ++j) {
        images.push_back(DecodeIconImage(file.data(*resources[j]), file.FileName,
                                         groupImageItem(group, j, *resources[j])));
    }
    return images;
}

std::vector<StoredIconImage> GroupStoredImages(const PeIconFile& file, const PeIconGroup& group) {
    const std::vector<const PeResource*> resources = groupResources(file, group);
    std::vector<StoredIconImage> images;
    for (std::size_t j = 0; j < resources.size(); ++j) {
        const GroupIconEntry& g = group.Entries[j];
        StoredIconImage image;
        image.Entry.Width = g.Width;
        image.Entry.Height = g.Height;
        image.Entry.ColorCount = g.ColorCount;
        image.Entry.Reserved = g.Reserved;
        image.Entry.Planes = g.Planes;
        image.Entry.BitCount = g.BitCount;
        const auto bytes = file.data(*resources[j]);
        image.Entry.BytesInRes = static_cast<std::int32_t>(bytes.size());
        image.Info = DescribeImage(bytes, file.FileName, groupImageItem(group, j, *resources[j]));
        image.Bytes.assign(bytes.begin(), bytes.end());
        images.push_back(std::move(image));
    }
    return images;
}

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
        image = LayOutDllImage(static_cast<std::int16_t>(file.Machine), std::move(icons));
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
    const auto imagesOfGroup = [&file](std::size_t k) {
        std::vector<IconImage> images = GroupImages(file, file.Groups[k]);
        if (auto fault = sizeFault(file.Groups[k], images)) {
            throw Error(*fault);
        }
        return images;
    };
    try {
        ByteWriter out(compare);
        WriteDllImage(image, out, imagesOfGroup);
        out.flush();
    } catch (const Error& e) {
        return e.what();
    }
    if (differsAt) {
        return "first difference at file offset " + HexText(*differsAt) + " (" +
               layoutRegion(image, *differsAt) + "): " + byteText(bytes[*differsAt]) +
               " here, glyphwright writes " + byteText(writes);
    }
    if (written != bytes.size()) {
        return "the file is " + std::to_string(bytes.size()) +
               " bytes long, the DLL glyphwright writes for its icons " + std::to_string(written);
    }
    return std::nullopt;
}

} // namespace gw

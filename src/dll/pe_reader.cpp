#include "dll/pe_reader.h"

#include "common/byte_io.h"
#include "common/error.h"
#include "common/file_io.h"
#include "common/text.h"
#include "dll/pe_format.h"
#include "icons/icon_writer.h"

#include <algorithm>
#include <map>

namespace gw {

namespace {

using pe::kHighBit;
using pe::kRtGroupIcon;
using pe::kRtIcon;

// A resource name as messages and listings show it: quoted, its first 256 characters, control
// characters escaped.
std::string shownName(const std::string& name) {
    return "\"" + PrintableText(name, 256) + "\"";
}

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
// The offsets of the directories a walk of the resource tree has reached: a flat hash set
// (open addressing, doubled when half full), as a tree of tens of thousands of directories
// would otherwise cost an allocation for each.
class OffsetSet {
public:
    // Adds offset; false when it was there already.
    bool insert(std::uint32_t offset) {
        if (2 * (count_ + 1) > slots_.size()) {
            grow();
        }
        const std::uint64_t key = std::uint64_t{offset} + 1; // 0 marks an empty slot
        for (std::size_t at = slotOf(key);; at = (at + 1) & (slots_.size() - 1)) {
            if (slots_[at] == key) {
                return false;
            }
            if (slots_[at] == 0) {
                slots_[at] = key;
                ++count_;
                return true;
            }
        }
    }

private:
    std::size_t slotOf(std::uint64_t key) const {
        return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 20) & (slots_.size() - 1);
    }

    void grow() {
        std::vector<std::uint64_t> old = std::move(slots_);
        slots_.assign(old.empty() ? 64 : 2 * old.size(), 0);
        count_ = 0;
        for (const std::uint64_t key : old) {
            if (key != 0) {
                insert(static_cast<std::uint32_t>(key - 1));
            }
        }
    }

    std::vector<std::uint64_t> slots_;
    std::size_t count_ = 0;
};

class PeParser {
public:
    PeParser(std::vector<std::uint8_t> bytes, const std::string& fileName) {
        file_.FileName = fileName;
        file_.Bytes = std::move(bytes);
    }

    PeIconFile parse() && {
        const std::uint64_t resourceRva = parseHeaders();
        if (resourceRva != 0) {
            parseResources(resourceRva);
        }
        parseGroups();
        indexIcons();
        return std::move(file_);
    }

private:
    [[noreturn]] void fail(const std::string& item, const std::string& cause) const {
        throw Error(file_.FileName, item, cause);
    }

    static std::string at(const std::string& what, std::uint64_t fileOffset) {
        return what + " at file offset " + Hex(fileOffset, 1);
    }

    // A reader over [offset, offset + size) of the file, which must hold all of it. what names
    // the bytes: a text, or a callable that makes it only when a message needs it.
    template <class What>
    ByteReader read(std::uint64_t offset, std::uint64_t size, const What& what) const {
        const std::uint64_t fileSize = file_.Bytes.size();
        if (offset > fileSize || size > fileSize - offset) {
            fail(at(DescribeLazily(what), offset), "truncated: it needs " + std::to_string(size) +
                                                       " bytes, but the file ends at " +
                                                       Hex(fileSize, 1));
        }
        // The callers read only what the check above found in the file, so the reader's own
        // context (for a read past its end) is never shown; it is kept short to cost nothing.
        return ByteReader(std::span(file_.Bytes).subspan(offset, size), "resource tree");
    }

    // The file offset of [rva, rva + size), which must lie within one section's data.
    template <class What>
    std::uint64_t map(std::uint64_t rva, std::uint64_t size, const What& what) const {
        const auto item = [&] { return DescribeLazily(what) + " at RVA " + Hex(rva, 1); };
        for (const ImageSectionHeader& s : file_.Sections) {
            const std::uint64_t extent = s.VirtualSize != 0 ? s.VirtualSize : s.SizeOfRawData;
            if (rva < s.VirtualAddress || rva - s.VirtualAddress >= extent) {
                continue;
            }
            const std::uint64_t within = rva - s.VirtualAddress;
            if (size > s.SizeOfRawData || within > s.SizeOfRawData - size) {
                fail(item(), std::to_string(size) +
                                 " bytes from there run past the end of section " + SectionName(s) +
                                 " (" + std::to_string(s.SizeOfRawData) + " bytes in the file)");
            }
            const std::uint64_t offset = s.PointerToRawData + within;
            if (offset > file_.Bytes.size() || size > file_.Bytes.size() - offset) {
                fail(item() + " (file offset " + Hex(offset, 1) + ")",
                     "truncated: " + std::to_string(size) +
                         " bytes from there run past the end of the file at " +
                         Hex(file_.Bytes.size(), 1));
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
        const ImageFileHeader fileHeader = ReadRecord<ImageFileHeader>(header);
        file_.Machine = fileHeader.Machine;
        file_.Characteristics = fileHeader.Characteristics;
        const std::uint16_t sectionCount = fileHeader.NumberOfSections;
        const std::uint16_t optionalSize = fileHeader.SizeOfOptionalHeader;

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
                 "its magic number " + Hex(magic, 1) +
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
            const ImageSectionHeader s = ReadRecord<ImageSectionHeader>(table);
            // A section whose data the file does not hold whole means the file was cut short.
            if (std::uint64_t{s.PointerToRawData} + s.SizeOfRawData > file_.Bytes.size()) {
                fail(at("the section table", tableOffset) + ", section " + SectionName(s),
                     "truncated: its " + std::to_string(s.SizeOfRawData) +
                         " bytes at file offset " + Hex(s.PointerToRawData, 1) +
                         " run past the end of the file at " + Hex(file_.Bytes.size(), 1));
            }
            file_.Sections.push_back(s);
        }
        return resourceRva;
    }

    struct Directory {
        std::string What;
        std::uint64_t FileOffset = 0;
        std::vector<ResourceDirectoryEntry> Entries;

        std::string entryItem(std::size_t index) const {
            return at(What, FileOffset) + ", entry " + std::to_string(index);
        }
    };

    // Reads the directory at offset (from the start of the resource tree) with its entries. A
    // directory may be reached only once, which ends loops and trees that share directories.
    Directory directory(std::uint32_t offset, const std::string& what) {
        const std::uint64_t rva = resourceRva_ + offset;
        Directory dir{what, map(rva, kDirectoryHeaderSize, what), {}};
        if (!visited_.insert(offset)) {
            fail(at(what, dir.FileOffset),
                 "the resource tree leads to this directory a second time (a loop)");
        }
        ByteReader header = read(dir.FileOffset, kDirectoryHeaderSize, what);
        const ResourceDirectory fields = ReadRecord<ResourceDirectory>(header);
        const std::uint64_t count =
            std::uint64_t{fields.NumberOfNamedEntries} + fields.NumberOfIdEntries;
        map(rva, kDirectoryHeaderSize + kDirectoryEntrySize * count,
            [&] { return what + " with " + plural(count, "entry", "entries"); });
        ByteReader in =
            read(dir.FileOffset + kDirectoryHeaderSize, kDirectoryEntrySize * count, what);
        dir.Entries.reserve(count);
        for (std::uint64_t i = 0; i < count; ++i) {
            dir.Entries.push_back(ReadRecord<ResourceDirectoryEntry>(in));
        }
        return dir;
    }

    template <class Item> ResourceName name(const ResourceDirectoryEntry& e, const Item& item) {
        ResourceName result;
        if ((e.NameOrId & kHighBit) == 0) {
            if (e.NameOrId > 0xFFFF) {
                fail(DescribeLazily(item),
                     "its ID " + Hex(e.NameOrId, 1) + " does not fit 16 bits");
            }
            result.Id = static_cast<std::uint16_t>(e.NameOrId);
            return result;
        }
        ResourceName& decoded = names_[e.NameOrId & ~kHighBit];
        if (decoded.Name == nullptr) {
            const std::uint64_t rva = resourceRva_ + (e.NameOrId & ~kHighBit);
            const std::string what = "the name of " + DescribeLazily(item);
            ByteReader length = read(map(rva, 2, what), 2, what);
            const std::uint64_t units = length.u16();
            const std::uint64_t offset = map(rva, 2 + 2 * units, what);
            decoded.IsName = true;
            decoded.Name = std::make_shared<const std::string>(
                utf8FromUtf16(read(offset + 2, 2 * units, what).bytes(2 * units)));
            decoded.Shown = std::make_shared<const std::string>(shownName(*decoded.Name));
        }
        return decoded;
    }

    template <class Item>
    std::uint32_t subdirectory(const ResourceDirectoryEntry& e, const Item& item) const {
        if ((e.OffsetToData & kHighBit) == 0) {
            fail(DescribeLazily(item), "it leads to resource data where a directory belongs");
        }
        return e.OffsetToData & ~kHighBit;
    }

    void parseResources(std::uint64_t resourceRva) {
        resourceRva_ = resourceRva;
        const Directory root = directory(0, "the root resource directory");
        for (std::size_t t = 0; t < root.Entries.size(); ++t) {
            const ResourceDirectoryEntry& type = root.Entries[t];
            if (type.NameOrId == kRtIcon || type.NameOrId == kRtGroupIcon) {
                parseType(type.NameOrId, subdirectory(type, [&] { return root.entryItem(t); }));
            }
        }
    }

    void parseType(std::uint32_t type, std::uint32_t offset) {
        const std::string typeName = type == kRtIcon ? "RT_ICON" : "RT_GROUP_ICON";
        const Directory names = directory(offset, "the " + typeName + " directory");
        for (std::size_t n = 0; n < names.Entries.size(); ++n) {
            const auto item = [&] { return names.entryItem(n); };
            const ResourceName resourceName = name(names.Entries[n], item);
            const Directory languages =
                directory(subdirectory(names.Entries[n], item),
                          "the language directory of " + typeName + " " + resourceName.text());
            for (std::size_t l = 0; l < languages.Entries.size(); ++l) {
                const ResourceDirectoryEntry& language = languages.Entries[l];
                if (language.NameOrId > 0xFFFF) {
                    fail(languages.entryItem(l),
                         "its language " + Hex(language.NameOrId, 1) + " is not a 16-bit number");
                }
                if ((language.OffsetToData & kHighBit) != 0) {
                    fail(languages.entryItem(l),
                         "it leads to a fourth level of directories; a resource tree has three");
                }
                PeResource resource =
                    dataEntry(type, resourceName, static_cast<std::uint16_t>(language.NameOrId),
                              language.OffsetToData);
                if (type == kRtIcon) {
                    file_.Icons.push_back(std::move(resource));
                } else {
                    groups_.push_back(PeIconGroup{std::move(resource), {}, {}});
                }
            }
        }
    }

    // The resource whose data entry lies at offset in the tree.
    PeResource dataEntry(std::uint32_t type, const ResourceName& name, std::uint16_t language,
                         std::uint32_t offset) const {
        PeResource resource;
        resource.Name = name;
        resource.Language = language;
        const auto item = [&] { return resourceItem(type, resource.Name, resource.Language); };
        const auto what = [&] { return "the data entry of " + item(); };
        const std::uint64_t entryOffset = map(resourceRva_ + offset, kDataEntrySize, what);
        ByteReader in = read(entryOffset, kDataEntrySize, what);
        const ImageResourceDataEntry entry = ReadRecord<ImageResourceDataEntry>(in);
        resource.Rva = entry.OffsetToData;
        resource.Size = entry.Size;
        // Data outside the sections damages this resource alone; the others are read.
        try {
            resource.FileOffset =
                map(resource.Rva, resource.Size, [&] { return "the data of " + item(); });
        } catch (const Error& e) {
            resource.Damage = "its data at RVA " + Hex(resource.Rva, 1) + ": " + e.cause();
        }
        return resource;
    }

    // Takes every RT_GROUP_ICON resource apart. Groups are small; together they cannot be
    // larger than the file unless their data entries point at the same bytes over and over,
    // which is refused before their entries are read.
    void parseGroups() {
        std::uint64_t total = 0;
        for (PeIconGroup& group : groups_) {
            const PeResource& resource = group.Resource;
            if (resource.Damage.empty()) {
                total += resource.Size;
                if (total > file_.Bytes.size()) {
                    fail(at(resourceItem(kRtGroupIcon, resource.Name, resource.Language),
                            resource.FileOffset),
                         "the icon groups' data overlap: together they come to " +
                             std::to_string(total) + " bytes, more than the file's " +
                             std::to_string(file_.Bytes.size()));
                }
                group = readGroup(resource);
            }
            file_.Groups.push_back(std::move(group));
        }
    }

    // The group's header and entries from its data; a group that cannot be read carries why.
    PeIconGroup readGroup(const PeResource& resource) const {
        PeIconGroup group{resource, {}, {}};
        const auto where = [&] {
            return "its " + std::to_string(resource.Size) + " bytes at file offset " +
                   Hex(resource.FileOffset, 1);
        };
        if (resource.Size < kGroupHeaderSize) {
            group.Resource.Damage = where() + " are too few for the 6-byte group header";
            return group;
        }
        ByteReader in = read(resource.FileOffset, resource.Size, "the group");
        group.Header = ReadRecord<IconDir>(in);
        const auto count = static_cast<std::uint16_t>(group.Header.Count);
        const std::uint64_t room = (resource.Size - kGroupHeaderSize) / kGroupEntrySize;
        if (count > room) {
            group.Resource.Damage = "it says it holds " + plural(count, "image", "images") +
                                    ", but " + where() + " hold only " + std::to_string(room);
            return group;
        }
        group.Entries.reserve(count);
        for (std::uint16_t j = 0; j < count; ++j) {
            group.Entries.push_back(ReadRecord<GroupIconEntry>(in));
        }
        return group;
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

    PeIconFile file_;
    std::uint64_t resourceRva_ = 0;
    OffsetSet visited_;
    // The names decoded so far, by their offset in the tree.
    std::map<std::uint32_t, ResourceName> names_;
    std::vector<PeIconGroup> groups_; // as the tree lists them, before their data is read
};

} // namespace

const std::string& ResourceName::name() const {
    static const std::string kNoName;
    return Name != nullptr ? *Name : kNoName;
}

std::string ResourceName::text() const {
    if (!IsName) {
        return std::to_string(Id);
    }
    return Shown != nullptr ? *Shown : shownName(name());
}

std::span<const std::uint8_t> PeIconFile::data(const PeResource& resource) const {
    if (!resource.Damage.empty()) {
        return {};
    }
    return std::span(Bytes).subspan(resource.FileOffset, resource.Size);
}

PeIconFile ParsePeIconFile(std::vector<std::uint8_t> bytes, const std::string& fileName) {
    return PeParser(std::move(bytes), fileName).parse();
}

PeIconFile ReadPeIconFile(const std::filesystem::path& fileName) {
    return ParsePeIconFile(ReadFileBytes(fileName), DisplayPath(fileName));
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

std::vector<IconImageView> GroupImages(const PeIconFile& file, const PeIconGroup& group) {
    const std::vector<const PeResource*> resources = groupResources(file, group);
    std::vector<IconImageView> images;
    for (std::size_t j = 0; j < resources.size(); ++j) {
        images.push_back(ViewIconImage(file.data(*resources[j]), file.FileName,
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
        image.Entry = {g, 0};
        const auto bytes = file.data(*resources[j]);
        const std::string item = groupImageItem(group, j, *resources[j]);
        if (bytes.empty()) {
            throw Error(file.FileName, item, "the image has no bytes");
        }
        image.Entry.BytesInRes = static_cast<std::int32_t>(bytes.size());
        // An image of a kind no reader here knows is copied as it stands, its Info left empty.
        try {
            image.Info = DescribeImage(bytes, file.FileName, item);
        } catch (const Error&) {
            image.Info = {};
        }
        image.Bytes.assign(bytes.begin(), bytes.end());
        images.push_back(std::move(image));
    }
    return images;
}

} // namespace gw

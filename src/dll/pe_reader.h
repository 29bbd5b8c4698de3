#pragma once

#include "dll/pe_format.h"
#include "icons/icon_files.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace gw {

// How a resource directory entry names its resource: by a 16-bit ID or by a name.
struct ResourceName {
    bool IsName = false;
    std::uint16_t Id = 0;
    // The name as UTF-8, for a named entry. Decoded once per name in the file and shared by
    // every entry that points at it: a file may point thousands of entries at one long name.
    std::shared_ptr<const std::string> Name;
    // The name as text() shows it, made with Name: a name is printed once per entry.
    std::shared_ptr<const std::string> Shown;

    // The name as UTF-8; empty for an ID.
    [[nodiscard]] const std::string& name() const;
    // "101", or the name in double quotes, fit to print: "\"APPICON\"". Control characters are
    // escaped and a long name is cut (PrintableText).
    [[nodiscard]] std::string text() const;
};

// One resource of the tree (a leaf under RT_ICON or RT_GROUP_ICON): its name, its language and
// where its data lies in the file.
struct PeResource {
    ResourceName Name;
    std::uint16_t Language = 0;
    std::uint32_t Rva = 0;
    std::uint64_t FileOffset = 0;
    std::uint32_t Size = 0;
    // Why the resource cannot be read (its data lies outside the file's sections; a group's
    // header claims more entries than it holds); empty when it is sound. A damaged resource has
    // no data, and asking for the images it holds or belongs to fails with this cause, so the
    // file's other resources stay readable.
    std::string Damage;
};

// An RT_GROUP_ICON resource taken apart: its GRPICONDIR header and its entries, whose Id is the
// RT_ICON ID of the image (the 16-bit nID field, kept bit for bit).
struct PeIconGroup {
    PeResource Resource;
    IconDir Header;
    std::vector<GroupIconEntry> Entries;
};

// What a PE file says about itself and its icons. The file's bytes are kept, so the resources
// can be read without opening the file again.
struct PeIconFile {
    std::string FileName;
    std::vector<std::uint8_t> Bytes;
    std::uint16_t Machine = 0;
    std::uint16_t Characteristics = 0;
    bool Pe32Plus = false;
    std::vector<ImageSectionHeader> Sections;
    std::vector<PeResource> Icons;   // RT_ICON, in the order of the resource tree
    std::vector<PeIconGroup> Groups; // RT_GROUP_ICON, in the order of the resource tree
    // The positions in Icons of the numbered images, by ascending ID and, for one ID, in the
    // order of the tree: FindIconImage searches here instead of walking all of Icons.
    std::vector<std::size_t> IconsById;

    [[nodiscard]] bool isDll() const { return (Characteristics & pe::kFileDll) != 0; }
    [[nodiscard]] std::span<const std::uint8_t> data(const PeResource& resource) const;
};

// Reads a PE32 or PE32+ file of any machine and walks its resource tree to the RT_ICON and
// RT_GROUP_ICON resources, named or numbered, in every language. Every offset, size and count
// is checked against the file first: a damaged file fails with an Error naming the file, the
// structure with its file offset and what is wrong. Each name is decoded once, however many
// entries point at it.
[[nodiscard]] PeIconFile ReadPeIconFile(const std::filesystem::path& fileName);
[[nodiscard]] PeIconFile ParsePeIconFile(std::vector<std::uint8_t> bytes,
                                         const std::string& fileName);

// The RT_ICON resource with this ID: the one in the given language if there is one, else the
// language-neutral one, else the first in any language; nullptr when there is none. A binary
// search of IconsById, so a file of many images is not walked once per group entry.
[[nodiscard]] const PeResource* FindIconImage(const PeIconFile& file, std::uint16_t id,
                                              std::uint16_t language);

// "icon group 101" or "icon group \"APPICON\"", with the language when asked for.
[[nodiscard]] std::string GroupItem(const PeIconGroup& group, bool withLanguage = true);

// The images of a group in its order, as an icon file holds them, viewed where the file holds
// them. Fails when an image is missing, cannot be held by an icon file (PNG-compressed, more
// than 8 bits per pixel) or when the group repeats its images beyond the size of the whole file.
[[nodiscard]] std::vector<IconImageView> GroupImages(const PeIconFile& file,
                                                     const PeIconGroup& group);

// The images of a group in its order, of any kind, as an icon file holds them: each RT_ICON's
// bytes as stored, with the group's entry for it (width, height, colour count, reserved,
// planes and bit count as the group holds them, the size of the RT_ICON). An image whose header
// no reader here can describe is copied all the same, with an empty Info (all 0). Fails when an
// image is missing, damaged or empty, or when the group repeats its images beyond the size of the
// whole file.
[[nodiscard]] std::vector<StoredIconImage> GroupStoredImages(const PeIconFile& file,
                                                             const PeIconGroup& group);

} // namespace gw

#include "cli/arguments.h"
#include "cli/commands.h"
#include "common/error.h"
#include "common/file_io.h"
#include "common/text.h"
#include "dll/layout_check.h"
#include "dll/pe_reader.h"
#include "dll/target_machine.h"

#include <filesystem>
#include <new>
#include <ostream>
#include <vector>

namespace gw::cli {

namespace {

std::string machineText(std::uint16_t machine) {
    const std::string name = TargetName(machine);
    return name.empty() ? Hex(machine, 1) : name;
}

// The colour depth a group entry gives; when it gives none, the one of the image's own header
// (a bitmap's or a PNG's).
int bitsPerPixel(const GroupIconEntry& entry, const ImageInfo& info) {
    return entry.BitCount != 0 ? entry.BitCount : info.BitCount;
}

// Prints the line of one image of a group; gives the RT_ICON resource it found, if any.
const PeResource* printImage(std::ostream& out, const PeIconFile& file, const PeIconGroup& group,
                             const GroupIconEntry& entry) {
    const auto id = static_cast<std::uint16_t>(entry.Id);
    const PeResource* icon = FindIconImage(file, id, group.Resource.Language);
    out << "  RT_ICON " << id << ": ";
    if (icon == nullptr) {
        out << "missing from the file\n";
        return icon;
    }
    if (!icon->Damage.empty()) {
        out << "cannot be read: " << icon->Damage << '\n';
        return icon;
    }
    // A width or height of 0 in a group entry stands for 256.
    const int width = entry.Width == 0 ? kMaxIconSide : entry.Width;
    const int height = entry.Height == 0 ? kMaxIconSide : entry.Height;
    out << width << " x " << height << ", ";
    try {
        const int bits = bitsPerPixel(entry, DescribeImage(file.data(*icon), file.FileName, ""));
        out << bits << (bits == 1 ? " bit" : " bits") << " per pixel, ";
    } catch (const Error&) {
        // A header no reader here describes; extract copies such an image as it stands.
        out << "unknown format, ";
    }
    out << icon->Size << " bytes";
    if (icon->Language != group.Resource.Language) {
        out << " (language " << icon->Language << ")";
    }
    out << '\n';
    return icon;
}

int inspect(const std::filesystem::path& source, std::ostream& out);

} // namespace

int InspectCommand(Words words, Console console) {
    const Arguments args = ParseArguments(words, {});
    if (args.operands.size() != 1) {
        throw UsageError(args.operands.empty() ? "no file given" : "one file at a time");
    }
    const std::filesystem::path source = args.operandPaths().front();
    try {
        return inspect(source, console.out);
    } catch (const std::bad_alloc&) {
        throw Error(DisplayPath(source), "", "not enough memory to inspect it");
    }
}

namespace {

int inspect(const std::filesystem::path& source, std::ostream& out) {
    const PeIconFile file = ReadPeIconFile(source);

    out << file.FileName << ": " << (file.Pe32Plus ? "PE32+" : "PE32") << ' '
        << (file.isDll() ? "DLL" : "program") << ", machine " << machineText(file.Machine) << '\n';
    out << "sections: " << file.Sections.size() << '\n';
    for (const ImageSectionHeader& s : file.Sections) {
        const std::string name = PrintableText(SectionName(s));
        out << "  " << (name.empty() ? "(no name)" : name) << ": RVA " << Hex(s.VirtualAddress, 1)
            << ", " << s.VirtualSize << " bytes; file offset " << Hex(s.PointerToRawData, 1) << ", "
            << s.SizeOfRawData << " bytes\n";
    }
    out << "icon groups: " << file.Groups.size() << ", icon images: " << file.Icons.size() << '\n';
    std::vector<bool> shown(file.Icons.size()); // by position in file.Icons
    for (const PeIconGroup& group : file.Groups) {
        if (!group.Resource.Damage.empty()) {
            out << GroupItem(group) << ": cannot be read: " << group.Resource.Damage << '\n';
            continue;
        }
        out << GroupItem(group) << ": " << group.Entries.size()
            << (group.Entries.size() == 1 ? " image" : " images") << '\n';
        for (const GroupIconEntry& entry : group.Entries) {
            if (const PeResource* icon = printImage(out, file, group, entry)) {
                shown[static_cast<std::size_t>(icon - file.Icons.data())] = true;
            }
        }
    }
    for (std::size_t i = 0; i < file.Icons.size(); ++i) {
        const PeResource& icon = file.Icons[i];
        if (!shown[i]) {
            out << "RT_ICON " << icon.Name.text() << ", language " << icon.Language
                << ": in no icon group, " << icon.Size << " bytes\n";
        }
    }
    const auto difference = LayoutDifference(file);
    out << "layout: "
        << (difference ? "not as glyphwright writes it: " + *difference
                       : "exactly as glyphwright writes it")
        << '\n';
    return kExitOk;
}

} // namespace

} // namespace gw::cli

#include "cli/arguments.h"
#include "cli/commands.h"
#include "common/error.h"
#include "common/file_io.h"
#include "common/text.h"
#include "dll/pe_reader.h"
#include "icons/icon_writer.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <map>
#include <ostream>
#include <set>

namespace gw::cli {

namespace {

namespace fs = std::filesystem;

// A resource name as a file name that every platform accepts: characters that are not letters,
// digits, '-', '_' or '.' become '_', as does a leading dot, and the names Windows keeps for its
// devices get a leading '_'.
std::string safeFileName(const std::string& name) {
    std::string safe;
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        safe += byte >= 0x80 || std::isalnum(byte) || c == '-' || c == '_' || c == '.' ? c : '_';
    }
    if (safe.empty() || safe.front() == '.') {
        safe.insert(safe.begin(), '_');
    }
    static const std::array<const char*, 4> kDevices = {"con", "prn", "aux", "nul"};
    const std::string stem = LowerCase(safe.substr(0, safe.find('.')));
    const bool numbered = stem.size() == 4 &&
                          (stem.rfind("com", 0) == 0 || stem.rfind("lpt", 0) == 0) &&
                          std::isdigit(static_cast<unsigned char>(stem[3]));
    if (numbered || std::find(kDevices.begin(), kDevices.end(), stem) != kDevices.end()) {
        safe.insert(safe.begin(), '_');
    }
    return safe;
}

bool matches(const ResourceName& name, const std::string& wanted) {
    // Resource names compare without regard to case, as Windows looks them up.
    return name.IsName ? EqualNoCase(name.Name, wanted) : std::to_string(name.Id) == wanted;
}

// One .ico name per group, after the group: "101.ico", "APPICON.ico". A group that the file
// holds in several languages gets the language too ("101-1031.ico"); names that would still
// meet on a case-blind file system get a number ("A_B-2.ico").
std::vector<std::string> fileNames(const PeIconFile& file,
                                   const std::vector<const PeIconGroup*>& groups) {
    std::map<std::string, int> languages;
    for (const PeIconGroup& group : file.Groups) {
        ++languages[group.Resource.Name.text()];
    }
    std::vector<std::string> names;
    std::set<std::string> taken;
    for (const PeIconGroup* group : groups) {
        const ResourceName& name = group->Resource.Name;
        std::string stem = name.IsName ? safeFileName(name.Name) : std::to_string(name.Id);
        if (languages[name.text()] > 1) {
            const std::string language = std::to_string(group->Resource.Language);
            stem += '-';
            stem += language;
        }
        std::string candidate = stem;
        for (int n = 2; !taken.insert(LowerCase(candidate)).second; ++n) {
            candidate = stem + "-" + std::to_string(n);
        }
        names.push_back(candidate + ".ico");
    }
    return names;
}

std::vector<const PeIconGroup*> selectGroups(const PeIconFile& file, const Arguments& args) {
    if (file.Groups.empty()) {
        throw Error(file.FileName, "", "it holds no icon groups");
    }
    std::vector<const PeIconGroup*> selected;
    for (const PeIconGroup& group : file.Groups) {
        if (!args.has("group") || matches(group.Resource.Name, args.values.at("group"))) {
            selected.push_back(&group);
        }
    }
    if (selected.empty()) {
        std::string existing;
        std::set<std::string> listed;
        for (const PeIconGroup& group : file.Groups) {
            if (listed.insert(group.Resource.Name.text()).second) {
                existing += (existing.empty() ? "" : ", ") + group.Resource.Name.text();
            }
        }
        throw Error(file.FileName, "",
                    "there is no icon group " + args.values.at("group") +
                        "; the groups it holds are " + existing);
    }
    return selected;
}

} // namespace

int ExtractCommand(const std::vector<std::string>& words, Console console) {
    const Arguments args = ParseArguments(words, {{"output", 'o', true}, {"group", 0, true}});
    if (args.operands.size() != 1) {
        throw UsageError(args.operands.empty() ? "no file given" : "one file at a time");
    }
    if (!args.has("output")) {
        throw UsageError("no output folder given (-o DIR)");
    }
    const fs::path source = args.operandPaths().front();
    const PeIconFile file = ReadPeIconFile(source);
    const std::vector<const PeIconGroup*> groups = selectGroups(file, args);
    const std::vector<std::string> names = fileNames(file, groups);

    // Every group is taken apart before the first file is written. A group that cannot be
    // (an image missing or damaged, no images or too many for an icon file) is reported with
    // its cause and left out; the others are written all the same, and the command ends with a
    // failure. The images are copied again when their group is written, so that groups sharing
    // large images never hold more than one group's copy.
    std::vector<std::size_t> good;
    for (std::size_t i = 0; i < groups.size(); ++i) {
        try {
            static_cast<void>(GroupStoredImages(file, *groups[i]));
            good.push_back(i);
        } catch (const Error& e) {
            console.err << "glyphwright-cli: " << e.what() << '\n';
        }
    }
    const bool allGood = good.size() == groups.size();
    if (good.empty()) {
        return kExitFailure;
    }
    const fs::path folder = args.path("output");
    // An icon file to be written must not be the file being read (a DLL named like one of them
    // in the output folder, by any spelling or link): refused before anything is written.
    for (std::size_t i : good) {
        RefuseOutputThatIsInput(folder / PathFromUtf8(names[i]), {source});
    }
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec || !fs::is_directory(folder)) {
        throw Error(DisplayPath(folder), "",
                    "cannot create the folder: " + (ec ? ec.message() : "a file has that name"));
    }
    // Every target is checked before the first is written, so a read-only one stops the command
    // with nothing written.
    for (std::size_t i : good) {
        RequireReplaceable(folder / PathFromUtf8(names[i]));
    }
    for (std::size_t i : good) {
        const fs::path path = folder / PathFromUtf8(names[i]);
        const std::vector<StoredIconImage> images = GroupStoredImages(file, *groups[i]);
        // The group's own entries, as the resource compiler wrote them from the source file.
        WriteStoredIconWithEntries(path, images); // a failure reaches RunCli
        console.out << DisplayPath(path) << ": " << GroupItem(*groups[i]) << ", " << images.size()
                    << (images.size() == 1 ? " image, " : " images, ") << fs::file_size(path)
                    << " bytes\n";
    }
    return allGood ? kExitOk : kExitFailure;
}

} // namespace gw::cli

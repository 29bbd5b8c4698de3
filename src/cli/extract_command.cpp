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
#include <new>
#include <optional>
#include <ostream>
#include <set>
#include <tuple>

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
    return name.IsName ? EqualNoCase(name.name(), wanted) : std::to_string(name.Id) == wanted;
}

// Longer than any file system takes for one name: such a group gets no file name at all, so
// that thousands of groups sharing one long name do not make thousands of copies of it.
constexpr std::size_t kLongestFileName = 4096;

// One .ico name per group, after the group: "101.ico", "APPICON.ico". A group that the file
// holds in several languages gets the language too ("101-1031.ico"); names that would still
// meet on a case-blind file system get a number ("A_B-2.ico"). A name too long for any file
// system is left empty.
std::vector<std::string> fileNames(const PeIconFile& file,
                                   const std::vector<const PeIconGroup*>& groups) {
    using Key = std::tuple<bool, std::uint16_t, std::string_view>;
    const auto key = [](const ResourceName& name) {
        return Key{name.IsName, name.Id, name.name()};
    };
    std::map<Key, int> languages;
    for (const PeIconGroup& group : file.Groups) {
        ++languages[key(group.Resource.Name)];
    }
    std::vector<std::string> names;
    std::set<std::string> taken;
    std::map<std::string, int> lastNumber; // by stem in lower case
    for (const PeIconGroup* group : groups) {
        const ResourceName& name = group->Resource.Name;
        if (name.name().size() > kLongestFileName) {
            names.emplace_back();
            continue;
        }
        std::string stem = name.IsName ? safeFileName(name.name()) : std::to_string(name.Id);
        if (languages[key(name)] > 1) {
            const std::string language = std::to_string(group->Resource.Language);
            stem += '-';
            stem += language;
        }
        // The first free number from 2, counted on from the last one given for the stem, so that
        // thousands of groups of one name do not try every number before theirs.
        std::string candidate = stem;
        if (!taken.insert(LowerCase(candidate)).second) {
            int& n = lastNumber[LowerCase(stem)];
            do {
                n = std::max(n, 1) + 1;
                candidate = stem + "-" + std::to_string(n);
            } while (!taken.insert(LowerCase(candidate)).second);
        }
        names.push_back(candidate + ".ico");
    }
    return names;
}

// Why the name cannot be a file name in the folder (too long for its file system, or holding
// what the system refuses in a name); empty when it can.
std::string fileNameProblem(const fs::path& folder, const std::string& name) {
    if (name.empty()) {
        return "its name is too long for a file name";
    }
#ifdef _WIN32
    // Windows takes at most 255 UTF-16 units in a name, but asking about a longer one need not
    // fail: only the write would.
    if (const auto wide = Utf16FromUtf8(name); wide && wide->size() > 255) {
        return "its name cannot be a file name here (" + PrintableText(name, 64) +
               "): it is longer than the 255 characters a file name may have";
    }
#endif
    std::error_code ec;
    static_cast<void>(fs::status(folder / PathFromUtf8(name), ec));
    if (ec == std::errc::filename_too_long || ec == std::errc::invalid_argument ||
        ec == std::errc::illegal_byte_sequence) {
        return "its name cannot be a file name here (" + PrintableText(name, 64) +
               "): " + ec.message();
    }
    return "";
}

// The bytes the group's icon file takes: the header, one directory entry per image and the
// images. Nothing is copied.
std::uint64_t iconFileSize(const PeIconFile& file, const PeIconGroup& group) {
    std::uint64_t size = kIconDirSize;
    for (const GroupIconEntry& entry : group.Entries) {
        const auto id = static_cast<std::uint16_t>(entry.Id);
        if (const PeResource* icon = FindIconImage(file, id, group.Resource.Language)) {
            size += kIconDirEntrySize + icon->Size;
        }
    }
    return size;
}

// The most extract writes unless told otherwise: a bound proportional to the file, which a
// file of groups that share their images over and over cannot pass.
std::uint64_t defaultOutputLimit(std::uint64_t fileSize) {
    return 64 * fileSize + (std::uint64_t{64} << 20);
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

int extract(const fs::path& source, const Arguments& args,
            const std::optional<std::uint64_t>& maxOutput, Console console) {
    const PeIconFile file = ReadPeIconFile(source);
    const std::vector<const PeIconGroup*> groups = selectGroups(file, args);
    const std::vector<std::string> names = fileNames(file, groups);

    // Every group is taken apart before the first file is written. A group that cannot be
    // (an image missing or damaged, no images or too many for an icon file, a name that cannot
    // be a file name) is reported with its cause and left out; the others are written all the
    // same, and the command ends with a failure. The images are copied again when their group
    // is written, so that groups sharing large images never hold more than one group's copy.
    const auto report = [&](const Error& e) {
        console.err << "glyphwright-cli: " << PrintableText(e.what(), SIZE_MAX, true) << '\n';
    };
    std::vector<std::size_t> good;
    for (std::size_t i = 0; i < groups.size(); ++i) {
        try {
            static_cast<void>(GroupStoredImages(file, *groups[i]));
            if (names[i].empty()) {
                throw Error(file.FileName, GroupItem(*groups[i]), fileNameProblem({}, ""));
            }
            good.push_back(i);
        } catch (const Error& e) {
            report(e);
        }
    }
    // What the good groups would write together, refused before anything is written when it
    // passes the bound: groups may name the same images over and over.
    std::uint64_t total = 0;
    for (std::size_t i : good) {
        total += iconFileSize(file, *groups[i]);
    }
    const std::uint64_t limit = maxOutput.value_or(defaultOutputLimit(file.Bytes.size()));
    if (total > limit) {
        throw Error(file.FileName, "",
                    "its icon groups would write " + std::to_string(total) +
                        " bytes, more than the limit of " + std::to_string(limit) + " bytes" +
                        (maxOutput ? std::string() : " (64 times the file's size plus 64 MiB)") +
                        "; nothing was written (--max-output BYTES sets the limit)");
    }
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
    // A group whose name this system cannot take as a file name is left out like a damaged one.
    std::vector<std::size_t> writable;
    for (std::size_t i : good) {
        if (const std::string problem = fileNameProblem(folder, names[i]); !problem.empty()) {
            report(Error(file.FileName, GroupItem(*groups[i]), problem));
        } else {
            writable.push_back(i);
        }
    }
    // Every target is checked before the first is written, so a read-only one stops the command
    // with nothing written.
    for (std::size_t i : writable) {
        RequireReplaceable(folder / PathFromUtf8(names[i]));
    }
    for (std::size_t i : writable) {
        const fs::path path = folder / PathFromUtf8(names[i]);
        const std::vector<StoredIconImage> images = GroupStoredImages(file, *groups[i]);
        // The group's own entries, as the resource compiler wrote them from the source file.
        WriteStoredIconWithEntries(path, images); // a failure reaches RunCli
        console.out << PrintableText(DisplayPath(path)) << ": " << GroupItem(*groups[i]) << ", "
                    << images.size() << (images.size() == 1 ? " image, " : " images, ")
                    << fs::file_size(path) << " bytes\n";
    }
    return writable.size() == groups.size() ? kExitOk : kExitFailure;
}

} // namespace

int ExtractCommand(Words words, Console console) {
    const Arguments args =
        ParseArguments(words, {{"output", 'o', true}, {"group", 0, true}, {"max-output", 0, true}});
    if (args.operands.size() != 1) {
        throw UsageError(args.operands.empty() ? "no file given" : "one file at a time");
    }
    if (!args.has("output")) {
        throw UsageError("no output folder given (-o DIR)");
    }
    std::optional<std::uint64_t> maxOutput;
    if (args.has("max-output")) {
        maxOutput = ParseDecimal(args.values.at("max-output"), UINT64_MAX);
        if (!maxOutput) {
            throw UsageError("--max-output takes a number of bytes, not \"" +
                             args.values.at("max-output") + "\"");
        }
    }
    const fs::path source = args.operandPaths().front();
    try {
        return extract(source, args, maxOutput, console);
    } catch (const std::bad_alloc&) {
        throw Error(DisplayPath(source), "", "not enough memory to extract its icon groups");
    }
}

} // namespace gw::cli

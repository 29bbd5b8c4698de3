#include "cli/arguments.h"
#include "cli/commands.h"
#include "common/error.h"
#include "common/file_io.h"
#include "icons/icon_files.h"

#include <charconv>
#include <filesystem>
#include <ostream>
#include <set>

namespace gw::cli {

namespace {

// The 0-based image indexes of a comma-separated list such as "0,2". An empty list keeps
// nothing; every item must be a plain decimal number.
std::set<std::size_t> parseKeepList(const std::string& list) {
    std::set<std::size_t> kept;
    if (list.empty()) {
        return kept;
    }
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = list.find(',', start);
        const std::string item =
            list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        std::size_t index = 0;
        const auto [end, ec] = std::from_chars(item.data(), item.data() + item.size(), index);
        if (item.empty() || ec != std::errc() || end != item.data() + item.size()) {
            throw UsageError("--keep takes image indexes separated by commas (\"0,2\"), not \"" +
                             list + "\"");
        }
        kept.insert(index);
        if (comma == std::string::npos) {
            return kept;
        }
        start = comma + 1;
    }
}

} // namespace

int RemoveImagesCommand(const std::vector<std::string>& words, Console console) {
    const Arguments args = ParseArguments(words, {{"keep", 0, true}, {"output", 'o', true}});
    if (args.operands.size() != 1) {
        throw UsageError(args.operands.empty() ? "no icon file given" : "one icon file at a time");
    }
    if (!args.has("keep")) {
        throw UsageError("no images to keep given (--keep LIST)");
    }
    const std::set<std::size_t> kept = parseKeepList(args.values.at("keep"));
    const std::filesystem::path source = args.operandPaths().front();
    const bool saveAs = args.has("output");
    const std::filesystem::path target = saveAs ? args.path("output") : source;
    // Saved as another file, the source must stay as it is: -o naming the source itself (another
    // spelling of it, a link to it) is refused. Without -o the source is rewritten on purpose.
    if (saveAs) {
        RefuseOutputThatIsInput(target, {source});
    }

    // Images of any kind are kept byte for byte.
    const std::vector<StoredIconImage> images = ReadStoredIcon(source).Images;
    if (kept.empty()) {
        throw Error("No images selected!");
    }
    if (*kept.rbegin() >= images.size()) {
        throw UsageError("image " + std::to_string(*kept.rbegin()) + " does not exist; " +
                         displayPath(source) + " holds images 0 to " +
                         std::to_string(images.size() - 1));
    }

    // The kept images stay in the order they have in the file.
    std::vector<StoredIconImage> keptImages;
    for (std::size_t index : kept) {
        keptImages.push_back(images[index]);
    }
    WriteStoredIcon(target, keptImages); // a failure reaches RunCli, which prints its cause
    console.out << displayPath(target) << ": " << keptImages.size() << " of " << images.size()
                << " image" << (images.size() == 1 ? "" : "s") << " kept, "
                << std::filesystem::file_size(target) << " bytes\n";
    return kExitOk;
}

} // namespace gw::cli

#include "cli/arguments.h"
#include "cli/commands.h"
#include "common/error.h"
#include "common/file_io.h"
#include "icons/icon_writer.h"

#include <filesystem>
#include <ostream>
#include <set>

namespace gw::cli {

int RemoveImagesCommand(Words words, Console console) {
    const Arguments args = ParseArguments(words, {{"keep", 0, true}, {"output", 'o', true}});
    if (args.operands.size() != 1) {
        throw UsageError(args.operands.empty() ? "no icon file given" : "one icon file at a time");
    }
    if (!args.has("keep")) {
        throw UsageError("no images to keep given (--keep LIST)");
    }
    // The 0-based indexes, each once, in the order of the file.
    const std::vector<std::size_t> listed = args.numbers("keep", "image indexes", "0,2");
    const std::set<std::size_t> kept(listed.begin(), listed.end());
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
                         DisplayPath(source) + " holds images 0 to " +
                         std::to_string(images.size() - 1));
    }

    // The kept images stay in the order they have in the file.
    std::vector<StoredIconImage> keptImages;
    for (std::size_t index : kept) {
        keptImages.push_back(images[index]);
    }
    WriteStoredIcon(target, keptImages); // a failure reaches RunCli, which prints its cause
    console.out << DisplayPath(target) << ": " << keptImages.size() << " of " << images.size()
                << " image" << (images.size() == 1 ? "" : "s") << " kept, "
                << std::filesystem::file_size(target) << " bytes\n";
    return kExitOk;
}

} // namespace gw::cli

#include "cli/arguments.h"
#include "cli/commands.h"
#include "icons/icon_files.h"

#include <ostream>

namespace gw::cli {

int ImagesCommand(const std::vector<std::string>& words, Console console) {
    const Arguments args = ParseArguments(words, {});
    if (args.operands.size() != 1) {
        throw UsageError(args.operands.empty() ? "no icon file given" : "one icon file at a time");
    }
    const auto [header, entries, images] = ReadIconImages(args.operandPaths().front());
    for (std::size_t j = 0; j < images.size(); ++j) {
        console.out << j << ": " << ImageRowText(entries[j]) << ", " << images[j].Header.biBitCount
                    << (images[j].Header.biBitCount == 1 ? " bit" : " bits") << " per pixel, "
                    << entries[j].BytesInRes << " bytes\n";
    }
    return kExitOk;
}

} // namespace gw::cli

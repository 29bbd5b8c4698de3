#include "cli/arguments.h"
#include "cli/commands.h"
#include "icons/icon_files.h"

#include <ostream>

namespace gw::cli {

int ImagesCommand(Words words, Console console) {
    const Arguments args = ParseArguments(words, {});
    if (args.operands.size() != 1) {
        throw UsageError(args.operands.empty() ? "no icon file given" : "one icon file at a time");
    }
    const StoredIconFile icon = ReadStoredIcon(args.operandPaths().front());
    for (std::size_t j = 0; j < icon.Images.size(); ++j) {
        const StoredIconImage& image = icon.Images[j];
        console.out << j << ": " << ImageRowText(image) << ", " << image.Info.BitCount
                    << (image.Info.BitCount == 1 ? " bit" : " bits") << " per pixel, "
                    << (image.Info.Format == ImageFormat::Png ? "PNG, " : "") << image.Bytes.size()
                    << " bytes\n";
    }
    return kExitOk;
}

} // namespace gw::cli

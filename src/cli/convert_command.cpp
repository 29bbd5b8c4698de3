#include "cli/arguments.h"
#include "cli/commands.h"
#include "common/file_io.h"
#include "icons/convert_for_handhelds.h"
#include "icons/icon_writer.h"
#include "icons/image_sources.h"

#include <algorithm>
#include <climits>
#include <filesystem>
#include <ostream>

namespace gw::cli {

int ConvertCommand(Words words, Console console) {
    const Arguments args = ParseArguments(words, {{"output", 'o', true},
                                                  {"sizes", 0, true},
                                                  {"depths", 0, true},
                                                  {"no-dither", 0, false},
                                                  {"standard-palette", 0, false}});
    if (args.operands.size() != 1) {
        throw UsageError(args.operands.empty() ? "no source picture given"
                                               : "one source picture at a time");
    }
    if (!args.has("output")) {
        throw UsageError("no output file given (-o OUT.ico)");
    }
    ConvertOptions options;
    // Numbers too large for an int stay too large, and the check refuses them by name.
    const auto list = [&args](const char* name, const char* example) {
        std::vector<int> values;
        for (std::size_t n : args.numbers(name, "numbers", example)) {
            values.push_back(static_cast<int>(std::min<std::size_t>(n, INT_MAX)));
        }
        return values;
    };
    if (args.has("sizes")) {
        options.Sizes = list("sizes", "16,32");
    }
    if (args.has("depths")) {
        options.Depths = list("depths", "4,8");
    }
    options.Dither = args.flags.count("no-dither") == 0;
    options.StandardPalette = args.flags.count("standard-palette") != 0;
    if (const std::string problem = CheckConvertOptions(options); !problem.empty()) {
        throw UsageError(problem);
    }
    const std::filesystem::path source = args.operandPaths().front();
    const std::filesystem::path output = args.path("output");
    RefuseOutputThatIsInput(output, {source});

    const std::vector<IconImage> images =
        ConvertForHandhelds(LoadSourceImages(source, options.Sizes), options);
    WriteIconFile(output, images);
    console.out << DisplayPath(output) << ": " << images.size() << " image"
                << (images.size() == 1 ? "" : "s") << ", " << std::filesystem::file_size(output)
                << " bytes\n";
    return kExitOk;
}

} // namespace gw::cli

#include "cli/arguments.h"
#include "cli/commands.h"
#include "common/file_io.h"
#include "icons/convert_for_handhelds.h"
#include "icons/icon_files.h"
#include "icons/image_sources.h"

#include <charconv>
#include <filesystem>
#include <ostream>

namespace gw::cli {

namespace {

// The numbers of a comma-separated list such as "16,32"; every item a plain decimal number.
std::vector<int> parseNumberList(const std::string& option, const std::string& list) {
    std::vector<int> numbers;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = list.find(',', start);
        const std::string item =
            list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        int number = 0;
        const auto [end, ec] = std::from_chars(item.data(), item.data() + item.size(), number);
        if (item.empty() || ec != std::errc() || end != item.data() + item.size()) {
            throw UsageError("--" + option +
                             " takes numbers separated by commas (\"16,32\"), not \"" + list +
                             "\"");
        }
        numbers.push_back(number);
        if (comma == std::string::npos) {
            return numbers;
        }
        start = comma + 1;
    }
}

} // namespace

int ConvertCommand(const std::vector<std::string>& words, Console console) {
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
    if (args.has("sizes")) {
        options.Sizes = parseNumberList("sizes", args.values.at("sizes"));
    }
    if (args.has("depths")) {
        options.Depths = parseNumberList("depths", args.values.at("depths"));
    }
    options.Dither = args.flags.count("no-dither") == 0;
    options.StandardPalette = args.flags.count("standard-palette") != 0;
    if (const std::string problem = CheckConvertOptions(options); !problem.empty()) {
        throw UsageError(problem);
    }
    const std::filesystem::path source = args.operandPaths().front();
    const std::filesystem::path output = args.path("output");
    RefuseOutputThatIsInput(output, {source});

    const std::vector<IconImage> images = ConvertForHandhelds(LoadSourceImages(source), options);
    WriteIconFile(output, images);
    console.out << displayPath(output) << ": " << images.size() << " image"
                << (images.size() == 1 ? "" : "s") << ", " << std::filesystem::file_size(output)
                << " bytes\n";
    return kExitOk;
}

} // namespace gw::cli

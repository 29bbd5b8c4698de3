#include "cli/cli.h"

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/version.h"
#include "common/error.h"
#include "common/text.h"

#include <exception>
#include <new>
#include <ostream>

namespace gw::cli {

namespace {

struct Command {
    const char* Name;
    int (*Run)(Words, Console);
    const char* Usage; // the words after "glyphwright-cli"
    const char* Help;  // what the command does, for "COMMAND --help"
};

constexpr Command kCommands[] = {
    {"build", BuildCommand, "build [-t TARGET] [--all-targets] -o OUT.dll ICON.ico...",
     "Packs the icon files, in the order given, into one icon DLL for TARGET: x86, mips, sh3,\n"
     "sh4, arm or ppc (any case; default x86). --all-targets writes OUT.dll for TARGET and\n"
     "OUT.dll.X86 ... OUT.dll.PPC; all of them or, on a failure, none.\n"},
    {"images", ImagesCommand, "images ICON.ico",
     "Lists the images of an icon file: index, size and colours, bits per pixel, PNG\n"
     "where compressed, bytes; images of every kind.\n"},
    {"remove-images", RemoveImagesCommand, "remove-images ICON.ico --keep LIST [-o OUT.ico]",
     "Writes the icon file again with only the images LIST names by 0-based index (\"0,2\");\n"
     "without -o the icon file is replaced, with -o the kept images go to OUT.ico.\n"},
    {"setup", SetupCommand,
     "setup SETUP_DIR [--dll NAME.dll] [--extension EXT] [--cab-timeout S] ICON.ico...",
     "Rewrites the setup directory of the VBCE Application Install Wizard so that the\n"
     "application installs with a new extension (EXT: letters and digits, at most 8; default:\n"
     "a random one) whose icon is the first icon of the DLL (default Icons.dll), and reruns\n"
     "the cab builder, which is ended after S seconds (default 600).\n"},
    {"inspect", InspectCommand, "inspect FILE.dll",
     "Shows the machine, sections and icon groups of any PE file and whether its layout is\n"
     "exactly the one glyphwright writes.\n"},
    {"extract", ExtractCommand, "extract FILE.dll -o DIR [--group ID] [--max-output BYTES]",
     "Writes each icon group of a PE file (or only group ID, a number or a name) as\n"
     "DIR/ID.ico. Images are copied as they stand, of any format. When the icon files would\n"
     "come to more than 64 times the size of FILE.dll plus 64 MiB, nothing is written;\n"
     "--max-output sets that limit in bytes.\n"},
    {"convert", ConvertCommand,
     "convert SOURCE -o OUT.ico [--sizes 16,32] [--depths 4,8] [--no-dither] "
     "[--standard-palette]",
     "Makes palette icons a Windows CE device shows from a PNG, BMP or icon file: one image per\n"
     "size (1 to 256 pixels; default 16,32) and depth (1, 4 or 8 bits; default 4,8), each from\n"
     "the smallest source picture at least that large, area-averaged, on a palette\n"
     "chosen for it. Floyd-Steinberg dithering is used where it brings the image closer to the\n"
     "picture (always on the fixed 1-bit and Windows palettes), never with --no-dither.\n"
     "--standard-palette puts the 4-bit images on the 16-colour Windows palette. Pixels under\n"
     "half opacity become transparent.\n"},
};

constexpr Guarantee kGuarantees[] = {
    {"Exit status",
     "0 on success, 1 on a failure (the message names the file, the item and the cause), 2 on a\n"
     "usage error (with the usage).\n"},
    {"Nothing half-written",
     "Every file is written beside its target and renamed into place only when it is complete;\n"
     "a failure, Ctrl-C or a termination leaves an existing output as it was. A replaced file\n"
     "keeps its permissions; a read-only target is refused.\n"},
    {"All or none",
     "build --all-targets puts its seven DLLs in place only when all are complete.\n"},
    {"Inputs are safe",
     "An output that is one of the inputs (the same path, a link to it or another spelling of\n"
     "it) is refused before anything is written.\n"},
};

// Whether the words ask for help: -h or --help before any "--".
bool asksForHelp(Words words) {
    for (const std::string& word : words) {
        if (word == "--") {
            return false;
        }
        if (word == "-h" || word == "--help") {
            return true;
        }
    }
    return false;
}

// The usage text, one line per command.
std::string usageText() {
    std::string text = "Usage:\n";
    for (const Command& command : kCommands) {
        text += std::string("  glyphwright-cli ") + command.Usage + "\n";
    }
    text += "  glyphwright-cli COMMAND --help\n"
            "  glyphwright-cli --help | --version\n"
            "\n"
            "Exit status: 0 on success, 1 on a failure (nothing half-written), 2 on a usage "
            "error.\n";
    return text;
}

} // namespace

std::vector<CommandHelp> CommandHelps() {
    std::vector<CommandHelp> helps;
    for (const Command& command : kCommands) {
        helps.push_back({command.Name, command.Usage, command.Help});
    }
    return helps;
}

std::vector<Guarantee> Guarantees() {
    return {std::begin(kGuarantees), std::end(kGuarantees)};
}

int RunCli(const std::vector<std::string>& words, Console console) {
    if (words.empty()) {
        console.err << "glyphwright-cli: no command given\n" << usageText();
        return kExitUsage;
    }
    const std::string& first = words.front();
    if (first == "--help" || first == "-h" || first == "help") {
        console.out << "glyphwright-cli packs .ico files into icon DLLs for Windows CE.\n\n"
                    << usageText() << "\nWhat every command guarantees:\n";
        for (const Guarantee& guarantee : kGuarantees) {
            console.out << "  " << guarantee.Heading << ":\n";
            for (const TextLine& line : SplitLines(guarantee.Text)) {
                console.out << "    " << line.text << '\n';
            }
        }
        return kExitOk;
    }
    if (first == "--version") {
        console.out << "glyphwright-cli " << kVersion << '\n';
        return kExitOk;
    }
    for (const Command& command : kCommands) {
        if (first != command.Name) {
            continue;
        }
        const Words rest = Words(words).subspan(1);
        if (asksForHelp(rest)) {
            console.out << "Usage: glyphwright-cli " << command.Usage << "\n\n" << command.Help;
            return kExitOk;
        }
        try {
            return command.Run(rest, console);
        } catch (const UsageError& e) {
            console.err << "glyphwright-cli " << command.Name << ": " << e.what() << "\n"
                        << usageText();
            return kExitUsage;
        } catch (const std::bad_alloc&) {
            // Where a command knows the file, it says so (OutOfMemoryError); this is the rest.
            console.err << "glyphwright-cli " << command.Name
                        << ": not enough memory to finish the command\n";
            return kExitFailure;
        } catch (const std::exception& e) {
            // Messages quote names and text from files: shown with control characters escaped.
            console.err << "glyphwright-cli: " << PrintableText(e.what(), SIZE_MAX, true) << '\n';
            return kExitFailure;
        }
    }
    console.err << "glyphwright-cli: unknown command " << first << '\n' << usageText();
    return kExitUsage;
}

} // namespace gw::cli

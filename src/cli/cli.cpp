#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/version.h"
#include "common/error.h"

#include <exception>
#include <ostream>

namespace gw::cli {

namespace {

struct Command {
    const char* name;
    int (*run)(const std::vector<std::string>&, Console);
};

constexpr Command kCommands[] = {
    {"build", BuildCommand},
    {"images", ImagesCommand},
    {"remove-images", RemoveImagesCommand},
    {"setup", SetupCommand},
    {"inspect", InspectCommand},
    {"extract", ExtractCommand},
};

} // namespace

std::string UsageText() {
    return "Usage:\n"
           "  glyphwright-cli build [-t TARGET] [--all-targets] -o OUT.dll ICON.ico...\n"
           "  glyphwright-cli images ICON.ico\n"
           "  glyphwright-cli remove-images ICON.ico --keep LIST [-o OUT.ico]\n"
           "  glyphwright-cli setup SETUP_DIR [--dll NAME.dll] [--extension EXT] [--cab-timeout S] "
           "ICON.ico...\n"
           "  glyphwright-cli inspect FILE.dll\n"
           "  glyphwright-cli extract FILE.dll -o DIR [--group ID]\n"
           "  glyphwright-cli --help | --version\n"
           "\n"
           "TARGET is x86, mips, sh3, sh4, arm or ppc (any case; default x86).\n"
           "--all-targets writes OUT.dll for TARGET and then OUT.dll.X86 ... OUT.dll.PPC.\n"
           "LIST names the images to keep by 0-based index (\"0,2\"); without -o the icon file\n"
           "is replaced, with -o the kept images go to OUT.ico.\n"
           "setup rewrites the setup directory of the VBCE Application Install Wizard so that\n"
           "the application installs with a new extension (EXT: letters and digits, at most 8;\n"
           "default: a random one) whose icon is the first icon of the DLL (default Icons.dll).\n"
           "inspect shows the machine, sections and icon groups of any PE file and whether its\n"
           "layout is exactly the one glyphwright writes; extract writes each icon group (or only\n"
           "group ID, a number or a name) as DIR/ID.ico.\n";
}

int RunCli(const std::vector<std::string>& words, Console console) {
    if (words.empty()) {
        console.err << "glyphwright-cli: no command given\n" << UsageText();
        return kExitUsage;
    }
    const std::string& first = words.front();
    if (first == "--help" || first == "-h" || first == "help") {
        console.out << "glyphwright-cli packs .ico files into icon DLLs for Windows CE.\n\n"
                    << UsageText();
        return kExitOk;
    }
    if (first == "--version") {
        console.out << "glyphwright-cli " << kVersion << '\n';
        return kExitOk;
    }
    for (const Command& command : kCommands) {
        if (first != command.name) {
            continue;
        }
        const std::vector<std::string> rest(words.begin() + 1, words.end());
        try {
            return command.run(rest, console);
        } catch (const UsageError& e) {
            console.err << "glyphwright-cli " << command.name << ": " << e.what() << "\n"
                        << UsageText();
            return kExitUsage;
        } catch (const Error& e) {
            console.err << "glyphwright-cli: " << e.what() << '\n';
            return kExitFailure;
        } catch (const std::exception& e) {
            console.err << "glyphwright-cli: " << e.what() << '\n';
            return kExitFailure;
        }
    }
    console.err << "glyphwright-cli: unknown command " << first << '\n' << UsageText();
    return kExitUsage;
}

} // namespace gw::cli

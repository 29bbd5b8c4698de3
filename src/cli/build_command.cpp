#include "cli/arguments.h"
#include "cli/commands.h"
#include "common/file_io.h"
#include "dll/create_dll.h"
#include "dll/target_machine.h"

#include <ostream>

namespace gw::cli {

namespace {

void printBuilt(std::ostream& out, const std::filesystem::path& path, const TargetMachine& target,
                const DllSummary& summary) {
    out << DisplayPath(path) << ": " << target.name << ", " << summary.Groups << " icon group"
        << (summary.Groups == 1 ? "" : "s") << ", " << summary.Images << " image"
        << (summary.Images == 1 ? "" : "s") << ", " << summary.Bytes << " bytes\n";
}

} // namespace

int BuildCommand(Words words, Console console) {
    const Arguments args = ParseArguments(
        words, {{"target", 't', true}, {"all-targets", 0, false}, {"output", 'o', true}});
    if (!args.has("output")) {
        throw UsageError("no output file given (-o OUT.dll)");
    }
    if (args.operands.empty()) {
        throw UsageError("no icon files given");
    }
    const std::string targetName = args.has("target") ? args.values.at("target") : "x86";
    const auto target = TargetByName(targetName);
    if (!target) {
        throw UsageError("unknown target " + targetName);
    }
    const std::filesystem::path output = args.path("output");

    // The chosen file first, then with --all-targets one per processor; all or none are written.
    std::vector<DllTarget> dlls = {{target->machine, output}};
    std::vector<const TargetMachine*> shown = {&*target};
    if (args.flags.count("all-targets") != 0) {
        for (const TargetMachine& each : kTargetMachines) {
            std::filesystem::path named = output;
            named += each.suffix;
            dlls.push_back({each.machine, named});
            shown.push_back(&each);
        }
    }
    const std::vector<DllSummary> built = CreateDlls(args.operandPaths(), dlls);
    for (std::size_t i = 0; i < built.size(); ++i) {
        printBuilt(console.out, dlls[i].Path, *shown[i], built[i]);
    }
    return kExitOk;
}

} // namespace gw::cli

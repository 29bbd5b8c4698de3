#include "cli/arguments.h"
#include "cli/commands.h"
#include "common/file_io.h"
#include "common/text.h"
#include "dll/target_machine.h"
#include "setup/extension.h"
#include "setup/paths.h"
#include "setup/setup_rewrite.h"

#include <algorithm>
#include <ostream>
#include <random>

namespace gw::cli {

namespace {

void printReport(std::ostream& out, const SetupReport& report) {
    for (const ProcessorDll& dll : report.dlls) {
        out << "built " << (dll.cpu.empty() ? "the setup directory's" : dll.cpu) << " DLL ("
            << TargetName(dll.machine) << ", machine "
            << Hex(static_cast<std::uint32_t>(dll.machine)) << "): " << displayPath(dll.path)
            << '\n';
    }
    for (const std::string& note : report.notes) {
        out << "note: " << note << '\n';
    }
    out << "rewrote the INF: " << displayPath(report.infPath) << '\n';
    for (const auto& copy : report.appCopies) {
        out << "copied the application: " << displayPath(copy) << '\n';
    }
    out << "ran the cab builder: " << report.cabwizCommand << '\n'
        << "  it " << report.cabwiz.describe() << '\n';
    for (const auto& cabinet : report.cabinets) {
        out << "gathered cabinet: " << displayPath(cabinet) << '\n';
    }
}

// The value of --cab-timeout: a positive whole number of seconds.
std::chrono::seconds cabTimeout(const Arguments& args) {
    if (!args.has("cab-timeout")) {
        return std::chrono::seconds{600};
    }
    const std::string& text = args.values.at("cab-timeout");
    const auto seconds = ParseDecimal(text, 999'999'999);
    if (!seconds || *seconds == 0) {
        throw UsageError("--cab-timeout takes a positive whole number of seconds, such as 600");
    }
    return std::chrono::seconds{*seconds};
}

// The line that shows the seconds waited for the cab builder, redrawn in place; it is ended
// before anything else is printed, also when the run fails.
class WaitLine {
public:
    explicit WaitLine(std::ostream& out) : out_(out) {}
    ~WaitLine() { end(); }
    WaitLine(const WaitLine&) = delete;
    WaitLine& operator=(const WaitLine&) = delete;

    void redraw(std::chrono::seconds waited, std::chrono::seconds limit) {
        out_ << "\r  waited " << waited.count() << " s of at most " << limit.count() << " s"
             << std::flush;
        open_ = true;
    }
    void end() {
        if (open_) {
            out_ << '\n';
            open_ = false;
        }
    }

private:
    std::ostream& out_;
    bool open_ = false;
};

} // namespace

int SetupCommand(const std::vector<std::string>& words, Console console) {
    const Arguments args = ParseArguments(
        words, {{"dll", 0, true}, {"extension", 'e', true}, {"cab-timeout", 0, true}});
    if (args.operands.empty()) {
        throw UsageError("no setup directory given");
    }
    if (args.operands.size() < 2) {
        throw UsageError("no icon files given");
    }
    SetupRequest request;
    request.setupDir = args.operandPaths().front();
    request.dllName = args.has("dll") ? args.values.at("dll") : "Icons.dll";
    const std::string& dllName = request.dllName;
    if (dllName.empty() || GetFileName(dllName) != dllName ||
        dllName.find('/') != std::string::npos || dllName.find('\\') != std::string::npos) {
        throw UsageError("--dll takes a file name without a folder, such as Icons.dll");
    }
    if (args.has("extension")) {
        request.extension = args.values.at("extension");
    } else {
        std::mt19937 generator{std::random_device{}()};
        request.extension = RandomExtension(generator);
    }
    const std::vector<std::filesystem::path> operands = args.operandPaths();
    request.iconFiles.assign(operands.begin() + 1, operands.end());

    WaitLine waitLine(console.out);
    CabBuilderOptions cabBuilder;
    cabBuilder.timeLimit = cabTimeout(args);
    // The extension is told once the setup directory has been checked and rewritten, so that
    // a refused run prints nothing but its error.
    cabBuilder.onStart = [&](const std::string& command) {
        console.out << "extension: " << LowerExtension(request.extension) << '\n'
                    << "running the cab builder: " << command << std::endl;
    };
    if (console.terminal) {
        cabBuilder.onWait = [&](std::chrono::seconds waited) {
            waitLine.redraw(waited, cabBuilder.timeLimit);
            return true;
        };
    }

    const SetupReport report = RunSetup(request, cabBuilder);
    waitLine.end();
    printReport(console.out, report);
    console.out << "done: everything required to install the application is in "
                << displayPath(request.setupDir / "CD1") << '\n';
    return kExitOk;
}

} // namespace gw::cli

#include "cli/arguments.h"
#include "cli/commands.h"
#include "common/file_io.h"
#include "common/paths.h"
#include "common/text.h"
#include "dll/target_machine.h"
#include "setup/extension.h"
#include "setup/setup_workflow.h"

#include <algorithm>
#include <ostream>

namespace gw::cli {

namespace {

void printReport(std::ostream& out, const SetupReport& report) {
    for (const ProcessorDll& dll : report.Dlls) {
        out << "built " << (dll.Cpu.empty() ? "the setup directory's" : dll.Cpu) << " DLL ("
            << TargetName(dll.Machine) << ", machine "
            << Hex(static_cast<std::uint32_t>(dll.Machine)) << "): " << DisplayPath(dll.Path)
            << '\n';
    }
    for (const std::string& note : report.Notes) {
        out << "note: " << note << '\n';
    }
    out << "rewrote the INF: " << DisplayPath(report.InfPath) << '\n';
    for (const auto& copy : report.AppCopies) {
        out << "copied the application: " << DisplayPath(copy) << '\n';
    }
    out << "ran the cab builder: " << report.CabwizCommand << '\n'
        << "  it " << report.Cabwiz.describe() << '\n';
    for (const auto& cabinet : report.Cabinets) {
        out << "gathered cabinet: " << DisplayPath(cabinet) << '\n';
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

int SetupCommand(Words words, Console console) {
    const Arguments args = ParseArguments(
        words, {{"dll", 0, true}, {"extension", 'e', true}, {"cab-timeout", 0, true}});
    if (args.operands.empty()) {
        throw UsageError("no setup directory given");
    }
    if (args.operands.size() < 2) {
        throw UsageError("no icon files given");
    }
    SetupRequest request;
    request.SetupDir = args.operandPaths().front();
    request.DllName = args.has("dll") ? args.values.at("dll") : "Icons.dll";
    const std::string& dllName = request.DllName;
    if (dllName.empty() || GetFileName(dllName) != dllName ||
        dllName.find('/') != std::string::npos || dllName.find('\\') != std::string::npos) {
        throw UsageError("--dll takes a file name without a folder, such as Icons.dll");
    }
    // Without --extension the workflow suggests a random one, which is taken as it is.
    if (args.has("extension")) {
        request.Extension = args.values.at("extension");
    }
    const std::vector<std::filesystem::path> operands = args.operandPaths();
    request.IconFiles.assign(operands.begin() + 1, operands.end());

    WaitLine waitLine(console.out);
    SetupCallbacks callbacks;
    std::string extension;
    callbacks.ChooseExtension = [&](const std::string& suggested) {
        extension = LowerExtension(suggested);
        return suggested;
    };
    CabBuilderOptions& cabBuilder = callbacks.CabBuilder;
    cabBuilder.TimeLimit = cabTimeout(args);
    // The extension is told once the setup directory has been checked and rewritten, so that
    // a refused run prints nothing but its error.
    cabBuilder.OnStart = [&](const std::string& command) {
        console.out << "extension: " << extension << '\n'
                    << "running the cab builder: " << command << std::endl;
    };
    if (console.terminal) {
        cabBuilder.OnWait = [&](std::chrono::seconds waited) {
            waitLine.redraw(waited, cabBuilder.TimeLimit);
            return true;
        };
    }
    cabBuilder.OnStop = [&](const ProcessOutcome&) { waitLine.end(); };

    const SetupReport report = RunSetup(request, callbacks);
    printReport(console.out, report);
    console.out << "done: everything required to install the application is in "
                << DisplayPath(request.SetupDir / "CD1") << '\n';
    return kExitOk;
}

} // namespace gw::cli

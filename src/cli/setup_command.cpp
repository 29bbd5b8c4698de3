#include "cli/arguments.h"
#include "cli/commands.h"
#include "dll/target_machine.h"
#include "platform/console_services.h"
#include "setup/create_dll_mod.h"
#include "setup/extension.h"
#include "setup/paths.h"

#include <ostream>
#include <random>

namespace gw::cli {

namespace {

std::string hex(std::int32_t machine) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text = "0x";
    for (int shift = 12; shift >= 0; shift -= 4) {
        text += digits[(machine >> shift) & 0xF];
    }
    return text;
}

void printReport(std::ostream& out, const SetupReport& report) {
    for (const ProcessorDll& dll : report.dlls) {
        out << "built " << (dll.cpu.empty() ? "the setup directory's" : dll.cpu) << " DLL ("
            << TargetName(dll.machine) << ", machine " << hex(dll.machine) << "): " << dll.path
            << '\n';
    }
    for (const std::string& note : report.notes) {
        out << "note: " << note << '\n';
    }
    if (report.infRewritten) {
        out << "rewrote the INF: " << report.infPath << '\n';
    }
    for (const std::string& copy : report.appCopies) {
        out << "copied the application: " << copy << '\n';
    }
    if (report.cabwizRan) {
        out << "ran the cab builder: " << report.cabwizCommand << '\n'
            << "  it " << report.cabwiz.describe() << '\n';
    }
    for (const std::string& cabinet : report.cabinets) {
        out << "gathered cabinet: " << cabinet << '\n';
    }
}

} // namespace

int SetupCommand(const std::vector<std::string>& words, Console console) {
    const Arguments args = ParseArguments(words, {{"dll", 0, true}, {"extension", 'e', true}});
    if (args.operands.empty()) {
        throw UsageError("no setup directory given");
    }
    if (args.operands.size() < 2) {
        throw UsageError("no icon files given");
    }
    std::string setupDir = args.operands.front();
    if (setupDir.back() != kNativeSeparator) {
        setupDir += kNativeSeparator;
    }
    const std::string dllName = args.has("dll") ? args.values.at("dll") : "Icons.dll";
    if (dllName.empty() || GetFileName(dllName) != dllName ||
        dllName.find('/') != std::string::npos || dllName.find('\\') != std::string::npos) {
        throw UsageError("--dll takes a file name without a folder, such as Icons.dll");
    }
    std::string extension;
    if (args.has("extension")) {
        extension = args.values.at("extension");
    } else {
        std::mt19937 generator{std::random_device{}()};
        extension = RandomExtension(generator);
    }
    const std::vector<std::string> icons(args.operands.begin() + 1, args.operands.end());

    platform::ConsoleMessages messages(console.out, console.err);
    SetupModuleState state;
    console.out << "extension: " << LowerExtension(extension) << '\n';
    const SetupReport report = RunSetup(setupDir, dllName, icons, extension, state, messages);
    printReport(console.out, report);
    if (!report.succeeded) {
        return kExitFailure;
    }
    console.out << "done: everything required to install the application is in "
                << JoinPath(setupDir, "CD1") << '\n';
    return kExitOk;
}

} // namespace gw::cli

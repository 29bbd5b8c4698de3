#include "cli/arguments.h"
#include "cli/commands.h"
#include "dll/target_machine.h"
#include "platform/console_services.h"
#include "setup/create_dll_mod.h"
#include "setup/extension.h"
#include "setup/paths.h"

#include <algorithm>
#include <cctype>
#include <iostream>
#include <ostream>
#include <random>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

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

// The value of --cab-timeout: a positive whole number of seconds.
std::chrono::seconds cabTimeout(const Arguments& args) {
    if (!args.has("cab-timeout")) {
        return std::chrono::seconds{600};
    }
    const std::string& text = args.values.at("cab-timeout");
    const bool digits =
        !text.empty() && text.size() <= 9 &&
        std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
    if (!digits || std::stol(text) == 0) {
        throw UsageError("--cab-timeout takes a positive whole number of seconds, such as 600");
    }
    return std::chrono::seconds{std::stol(text)};
}

// Whether out is the standard output and that is a terminal, where a line may be redrawn.
bool isTerminal(const std::ostream& out) {
#ifdef _WIN32
    return &out == &std::cout && ::_isatty(::_fileno(stdout)) != 0;
#else
    return &out == &std::cout && ::isatty(STDOUT_FILENO) != 0;
#endif
}

// The line that shows the seconds waited for the cab builder, redrawn in place; it is ended
// before anything else is printed.
class WaitLine : public platform::MessageService {
public:
    WaitLine(std::ostream& out, platform::MessageService& messages)
        : out_(out), messages_(messages) {}

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
    platform::MessageAnswer show(const platform::Message& message) override {
        end();
        return messages_.show(message);
    }

private:
    std::ostream& out_;
    platform::MessageService& messages_;
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

    platform::ConsoleMessages consoleMessages(console.out, console.err);
    WaitLine messages(console.out, consoleMessages);
    CabBuilderOptions cabBuilder;
    cabBuilder.timeLimit = cabTimeout(args);
    cabBuilder.onStart = [&](const std::string& command) {
        console.out << "running the cab builder: " << command << std::endl;
    };
    if (isTerminal(console.out)) {
        cabBuilder.onWait = [&](std::chrono::seconds waited) {
            messages.redraw(waited, cabBuilder.timeLimit);
            return true;
        };
    }

    SetupModuleState state;
    console.out << "extension: " << LowerExtension(extension) << '\n';
    const SetupReport report =
        RunSetup(setupDir, dllName, icons, extension, state, messages, cabBuilder);
    messages.end();
    printReport(console.out, report);
    if (!report.succeeded) {
        return kExitFailure;
    }
    console.out << "done: everything required to install the application is in "
                << JoinPath(setupDir, "CD1") << '\n';
    return kExitOk;
}

} // namespace gw::cli

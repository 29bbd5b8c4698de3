#include "support/setup_directory.h"

#include <cerrno>
#include <fstream>
#include <signal.h>
#include <thread>

namespace gw::test {

// Joins lines with CR LF, the INF's line end.
std::string Crlf(std::initializer_list<const char*> lines) {
    std::string text;
    for (const char* line : lines) {
        text += std::string(line) + "\r\n";
    }
    return text;
}

const std::string kWizardInf = Crlf({
    "[Version]",
    "Signature = \"$Windows NT$\"",
    "Provider = \"Acme\"",
    "CESignature = \"$Windows CE$\"",
    "",
    "[CEStrings]",
    "AppName = \"MyApp\"",
    "InstallDir = %CE1%\\%AppName%",
    "",
    "[Strings]",
    "CompanyName = \"Acme\"",
    "",
    "[CEDevice.SH3]",
    "ProcessorType = 10003",
    "",
    "[CEDevice.ARM]",
    "ProcessorType = 2577",
    "",
    "[DefaultInstall]",
    "CEShortcuts = Shortcuts",
    "AddReg = RegData",
    "",
    "[DefaultInstall.SH3]",
    "CopyFiles = Files.Common,Files.SH3",
    "",
    "[DefaultInstall.ARM]",
    "CopyFiles = Files.Common,Files.ARM",
    "",
    "[SourceDisksNames.SH3]",
    "1 = ,\"Common Files\",,App",
    "2 = ,\"SH3 Files\",,SH3",
    "",
    "[SourceDisksNames.ARM]",
    "1 = ,\"Common Files\",,App",
    "2 = ,\"ARM Files\",,ARM",
    "",
    "[SourceDisksFiles.SH3]",
    "MyApp.vb = 1",
    "pvbload.exe = 2",
    "",
    "[SourceDisksFiles.ARM]",
    "MyApp.VB = 1",
    "pvbload.exe = 2",
    "",
    "[DestinationDirs]",
    "Files.Common = 0,%InstallDir%",
    "",
    "[Files.Common]",
    "MyApp.vb,,,0",
    "",
    "[Shortcuts]",
    "MyApp,0,MyApp.vbp",
});

// The same INF after the rewrite with extension "7xy" for the processors "sh3 arm".
SetupReport SetupDirectory::run(const std::string& extension, const CabBuilderOptions& cabBuilder) {
    return RunSetup(setupDir(), "Icons.dll", {icon()}, extension, state, messages, cabBuilder);
}

std::optional<std::pair<long, long>> SetupDirectory::cabwizPids() const {
    const fs::path pids = tools_.file("pids");
    for (int tries = 0; tries < 400; ++tries) {
        if (fs::exists(pids)) {
            std::ifstream in(pids);
            long builder = 0, child = 0;
            if (in >> builder >> child) {
                return std::pair{builder, child};
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    return std::nullopt;
}

bool ProcessGone(long pid, std::chrono::milliseconds within) {
    const auto deadline = std::chrono::steady_clock::now() + within;
    while (true) {
        if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
            return true;
        }
        // A zombie has ended; only its parent (or init) has yet to collect it.
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        const std::size_t close = text.rfind(')');
        if (close != std::string::npos && close + 2 < text.size() && text[close + 2] == 'Z') {
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
}

std::map<std::string, std::pair<fs::perms, std::string>> Snapshot(const fs::path& root) {
    std::map<std::string, std::pair<fs::perms, std::string>> entries;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        entries[entry.path().string()] = {entry.status().permissions(), entry.is_regular_file()
                                                                            ? ReadText(entry.path())
                                                                            : std::string()};
    }
    return entries;
}

} // namespace gw::test

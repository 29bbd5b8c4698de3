#include "support/setup_directory.h"

#include <cerrno>
#include <fstream>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#endif

namespace gw::test {

const std::string kWizardInf = TestData("setup/wizard.inf");

SetupDirectory::SetupDirectory(const std::string& cpus, const std::string& inf,
                               const char* readmeName, const std::string& folderName)
    : root_(folderName.empty() ? dir_.path() : dir_.path() / folderName),
      inf_((root_ / "MyApp.inf").string()) {
    fs::create_directories(root_ / "App");
    fs::create_directories(root_ / "CD1");
    WriteText(root_ / "App" / "MyApp.vb", "compiled application");
    WriteText(root_ / "CD1" / "Old.SH3.CAB", "old cabinet");
    WriteText(inf_, inf);
    const std::string builder = InstallFakeCabwiz(tools_.path()).string();
    command_ = "\"" + builder + "\" \"" + inf_ + "\" /err CabWiz.log /cpu " + cpus;
    WriteText(root_ / readmeName,
              "Application Install Wizard\r\n\r\nTo rebuild the cabinet files, run:\r\n" +
                  command_ + "\r\n");
}

std::string SetupDirectory::cabwizRecord() const {
    return fs::exists(tools_.file("args")) ? ReadText(tools_.file("args")) : "";
}

std::optional<std::pair<long, long>> SetupDirectory::cabwizPids() const {
    for (int tries = 0; tries < 400; ++tries) {
        std::ifstream in(tools_.file("pids"));
        long builder = 0, child = 0;
        if (in >> builder >> child) {
            return std::pair{builder, child};
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    return std::nullopt;
}

bool ProcessGone(long pid, std::chrono::milliseconds within) {
#ifdef _WIN32
    const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    if (process == nullptr) {
        return true; // no such process any more
    }
    const DWORD waited = WaitForSingleObject(process, static_cast<DWORD>(within.count()));
    CloseHandle(process);
    return waited == WAIT_OBJECT_0;
#else
    const auto deadline = std::chrono::steady_clock::now() + within;
    do {
        // A zombie has ended; only its parent (or init) has yet to collect it.
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        const std::string text((std::istreambuf_iterator<char>(stat)), {});
        const std::size_t close = text.rfind(')');
        if ((::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) ||
            (close != std::string::npos && text.substr(close + 1, 2) == " Z")) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
#endif
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

#include "support/setup_directory.h"

#include <cerrno>
#include <fstream>
#include <signal.h>
#include <thread>

namespace gw::test {

std::string DataText(const std::string& name) {
    return ReadText(fs::path(GLYPHWRIGHT_TEST_DATA_DIR) / name);
}

const std::string kWizardInf = DataText("setup/wizard.inf");

SetupReport SetupDirectory::run(const std::string& extension, const CabBuilderOptions& cabBuilder) {
    return RunSetup({root(), "Icons.dll", {icon()}, extension}, cabBuilder);
}

std::string SetupDirectory::failure(const std::string& extension,
                                    const CabBuilderOptions& cabBuilder) {
    try {
        run(extension, cabBuilder);
    } catch (const Error& e) {
        return e.what();
    }
    return "";
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

#pragma once

#include "support/test_support.h"

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <utility>

namespace gw::test {

namespace fs = std::filesystem;

// An INF as the VBCE Application Install Wizard writes it for the processors SH3 and ARM.
extern const std::string kWizardInf;

// A setup directory as the wizard leaves it, with the cab builder's stand-in (fake_cabwiz) in
// a folder of its own: it records its arguments and working directory, writes one cabinet per
// processor into its working directory, fails with a given exit code, or hangs with a child.
// folderName, when given, is the name of the setup directory inside the temporary one.
class SetupDirectory {
public:
    explicit SetupDirectory(const std::string& cpus = "sh3 arm",
                            const std::string& inf = kWizardInf,
                            const char* readmeName = "README.TXT",
                            const std::string& folderName = "");

    fs::path root() const { return root_; }
    std::string setupDir() const { return (root_ / "").make_preferred().string(); }
    const std::string& command() const { return command_; }
    const std::string& infPath() const { return inf_; }
    std::string icon() const { return (ExamplesDir() / "glyph-4bit.ico").string(); }
    // The cab builder's arguments, one a line, then the folder it ran in; "" when it did not run.
    std::string cabwizRecord() const;
    void failCabwizWith(int code) const { WriteText(tools_.file("fail"), std::to_string(code)); }
    // "wait" for its child, or "stubborn": also ignore SIGTERM (POSIX).
    void hangCabwiz(const std::string& how = "wait") const { WriteText(tools_.file("hang"), how); }
    void slowCabwiz(int milliseconds) const {
        WriteText(tools_.file("sleep-ms"), std::to_string(milliseconds));
    }
    // The process IDs of the hanging cab builder and of its child, once both run; waits for
    // them up to 10 seconds (none: they did not appear).
    std::optional<std::pair<long, long>> cabwizPids() const;

private:
    TempDir dir_, tools_;
    fs::path root_;
    std::string inf_, command_;
};

// Whether the process is gone (or only a zombie left to be collected), waiting up to within.
bool ProcessGone(long pid, std::chrono::milliseconds within = std::chrono::milliseconds{3000});

// Every entry under root by its path, with its permissions and its contents ("" for a
// folder): what a run changed, added or removed.
std::map<std::string, std::pair<fs::perms, std::string>> Snapshot(const fs::path& root);

} // namespace gw::test

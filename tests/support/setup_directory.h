#pragma once

#include "common/error.h"
#include "setup/setup_rewrite.h"
#include "support/test_support.h"

#include <chrono>
#include <filesystem>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <utility>

namespace gw::test {

namespace fs = std::filesystem;

// The text of a file under tests/data.
std::string DataText(const std::string& name);

// An INF as the VBCE Application Install Wizard writes it for the processors SH3 and ARM.
extern const std::string kWizardInf;

// A setup directory as the wizard leaves it, with a script for the cab builder that records
// its arguments and working directory, writes one cabinet per processor into its working
// directory, fails when the file "fail" holds an exit code, and then, when told to hang,
// starts a child and waits for it (recording both process IDs). folderName, when given, is the
// name of the setup directory inside the temporary one.
class SetupDirectory {
public:
    explicit SetupDirectory(const std::string& cpus = "sh3 arm",
                            const std::string& inf = kWizardInf,
                            const char* readmeName = "README.TXT",
                            const std::string& folderName = "")
        : root_(folderName.empty() ? dir_.path() : dir_.path() / folderName) {
        fs::create_directories(root() / "App");
        fs::create_directories(root() / "CD1");
        test::WriteText(root() / "App" / "MyApp.vb", "compiled application");
        test::WriteText(root() / "CD1" / "Old.SH3.CAB", "old cabinet");
        test::WriteText(inf_, inf);
        const std::string script = tools_.file("fake-cabwiz.sh");
        const auto file = [&](const char* name) { return test::ShellQuote(tools_.file(name)); };
        test::WriteText(script,
                        "#!/bin/sh\n"
                        "printf '%s\\n' \"$@\" > " +
                            file("args") + "\npwd > " + file("cwd") + "\nfail=" + file("fail") +
                            "\n"
                            "if [ -f \"$fail\" ]; then exit $(cat \"$fail\"); fi\n"
                            "cpus=\n"
                            "for a in \"$@\"; do\n"
                            "  if [ -n \"$cpus\" ]; then echo cab > \"MyApp.$a.CAB\"; fi\n"
                            "  if [ \"$a\" = /cpu ]; then cpus=1; fi\n"
                            "done\n"
                            "if [ -f " +
                            file("hang") +
                            " ]; then\n"
                            "  sleep 60 &\n"
                            "  echo $$ $! > " +
                            file("pids.part") + " && mv " + file("pids.part") + " " + file("pids") +
                            "\n"
                            "  wait\n"
                            "fi\n");
        fs::permissions(script, fs::perms::owner_all);
        command_ = "\"" + script + "\" \"" + inf_ + "\" /err CabWiz.log /cpu " + cpus;
        test::WriteText(root() / readmeName,
                        "Application Install Wizard\r\n\r\nTo rebuild the cabinet files, run:\r\n" +
                            command_ + "\r\n");
    }

    fs::path root() const { return root_; }
    std::string setupDir() const { return root_.string() + "/"; }
    const std::string& command() const { return command_; }
    const std::string& infPath() const { return inf_; }
    std::string icon() const { return (test::ExamplesDir() / "glyph-4bit.ico").string(); }
    std::string cabwizArgs() const { return test::ReadText(tools_.file("args")); }
    std::string cabwizCwd() const { return test::ReadText(tools_.file("cwd")); }
    bool cabwizRan() const { return fs::exists(tools_.file("args")); }
    void failCabwizWith(int code) const {
        test::WriteText(tools_.file("fail"), std::to_string(code));
    }
    void hangCabwiz() const { test::WriteText(tools_.file("hang"), ""); }
    // The process IDs of the hanging cab builder and of its child, once both run; waits for
    // them up to 10 seconds (none: they did not appear).
    std::optional<std::pair<long, long>> cabwizPids() const;

    // The whole run, as the command line does it.
    SetupReport run(const std::string& extension = "7xy", const CabBuilderOptions& cabBuilder = {});
    // The message of the run's failure; "" when it succeeded.
    std::string failure(const std::string& extension = "7xy",
                        const CabBuilderOptions& cabBuilder = {});

private:
    test::TempDir dir_;
    test::TempDir tools_;
    fs::path root_;
    std::string inf_ = (root_ / "MyApp.inf").string();
    std::string command_;
};

// Whether the process is gone (or only a zombie left to be collected), waiting up to within.
bool ProcessGone(long pid, std::chrono::milliseconds within = std::chrono::milliseconds{3000});

// Every entry under root by its path, with its permissions and its contents ("" for a
// folder): what a run changed, added or removed.
std::map<std::string, std::pair<fs::perms, std::string>> Snapshot(const fs::path& root);

} // namespace gw::test

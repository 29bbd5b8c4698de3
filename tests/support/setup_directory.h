#pragma once

#include "setup/create_dll_mod.h"
#include "support/test_support.h"

#include <filesystem>
#include <initializer_list>
#include <string>

namespace gw::test {

namespace fs = std::filesystem;

// Joins lines with CR LF, the INF's line end.
std::string Crlf(std::initializer_list<const char*> lines);

// An INF as the VBCE Application Install Wizard writes it for the processors SH3 and ARM.
extern const std::string kWizardInf;

// A setup directory as the wizard leaves it, with a script for the cab builder that records
// its arguments and working directory, writes one cabinet per processor into its working
// directory, and fails when the file "fail" holds an exit code.
class SetupDirectory {
public:
    explicit SetupDirectory(const std::string& cpus = "sh3 arm",
                            const std::string& inf = kWizardInf,
                            const char* readmeName = "README.TXT") {
        fs::create_directories(root() / "App");
        fs::create_directories(root() / "CD1");
        test::WriteText(root() / "App" / "MyApp.vb", "compiled application");
        test::WriteText(root() / "CD1" / "Old.SH3.CAB", "old cabinet");
        test::WriteText(inf_, inf);
        const std::string script = tools_.file("fake-cabwiz.sh");
        test::WriteText(script, "#!/bin/sh\n"
                                "printf '%s\\n' \"$@\" > " +
                                    test::ShellQuote(tools_.file("args")) + "\n" + "pwd > " +
                                    test::ShellQuote(tools_.file("cwd")) + "\n" +
                                    "fail=" + test::ShellQuote(tools_.file("fail")) + "\n" +
                                    "if [ -f \"$fail\" ]; then exit $(cat \"$fail\"); fi\n"
                                    "cpus=\n"
                                    "for a in \"$@\"; do\n"
                                    "  if [ -n \"$cpus\" ]; then echo cab > \"MyApp.$a.CAB\"; fi\n"
                                    "  if [ \"$a\" = /cpu ]; then cpus=1; fi\n"
                                    "done\n");
        fs::permissions(script, fs::perms::owner_all);
        command_ = "\"" + script + "\" \"" + inf_ + "\" /err CabWiz.log /cpu " + cpus;
        test::WriteText(root() / readmeName,
                        "Application Install Wizard\r\n\r\nTo rebuild the cabinet files, run:\r\n" +
                            command_ + "\r\n");
    }

    fs::path root() const { return dir_.path(); }
    std::string setupDir() const { return dir_.path().string() + "/"; }
    const std::string& infPath() const { return inf_; }
    std::string icon() const { return (test::ExamplesDir() / "glyph-4bit.ico").string(); }
    std::string cabwizArgs() const { return test::ReadText(tools_.file("args")); }
    std::string cabwizCwd() const { return test::ReadText(tools_.file("cwd")); }
    bool cabwizRan() const { return fs::exists(tools_.file("args")); }
    void failCabwizWith(int code) const {
        test::WriteText(tools_.file("fail"), std::to_string(code));
    }

    SetupReport run(const std::string& extension = "7xy");

    SetupModuleState state;
    test::RecordingMessages messages;

private:
    test::TempDir dir_;
    test::TempDir tools_;
    std::string inf_ = (dir_.path() / "MyApp.inf").string();
    std::string command_;
};

} // namespace gw::test

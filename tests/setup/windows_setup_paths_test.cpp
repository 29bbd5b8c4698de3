// A setup directory made on Windows, run on Linux: the README's Windows paths, the cab builder
// under Wine (a stand-in script on the PATH that hands over to the cab builder's stand-in), and
// the refusals when Wine or the builder is missing.
#include "common/error.h"
#include "setup/setup_workflow.h"
#include "setup/windows_setup_paths.h"
#include "support/setup_directory.h"
#include "system/run_and_wait.h"

#include <algorithm>
#include <gtest/gtest.h>

#ifndef _WIN32
#include <cstdlib>
#endif

namespace gw {
namespace {

namespace fs = std::filesystem;
using test::ReadText;
using test::WriteText;

TEST(WindowsSetupPathsTest, TellsWindowsPathsApart) {
    for (const char* windows :
         {"C:\\Setup\\My.inf", "d:/x.inf", "My App\\My.inf", "z:", "Z:", "A:x", "a:x"}) {
        EXPECT_TRUE(IsWindowsPath(windows)) << windows;
    }
    for (const char* other :
         {"/home/me/My.inf", "My.inf", "1:x", ":x", "", "@:x", "[:x", "`:x", "{:x"}) {
        EXPECT_FALSE(IsWindowsPath(other)) << other;
    }
}

#ifndef _WIN32

// A Wine prefix whose C: is a folder of the test's and whose Z: is the root, as Wine makes it.
struct FakeWinePrefix {
    test::TempDir dir;
    fs::path prefix = dir.path() / "prefix";
    fs::path driveC = dir.path() / "drive_c";
    FakeWinePrefix() {
        fs::create_directories(prefix / "dosdevices");
        fs::create_directories(driveC / "Program Files" / "Windows CE Tools");
        fs::create_directory_symlink(driveC, prefix / "dosdevices" / "c:");
        fs::create_directory_symlink("/", prefix / "dosdevices" / "z:");
        WriteText(driveC / "Program Files" / "Windows CE Tools" / "Cabwiz.exe", "MZ");
    }
};

TEST(WindowsSetupPathsTest, MapsPathsThroughThePrefixsDrives) {
    const FakeWinePrefix wine;
    // Any case, either separator; a missing drive or part gives nothing.
    EXPECT_EQ(HostFileForWine("C:\\PROGRAM FILES\\windows ce tools/cabwiz.EXE", wine.prefix),
              fs::canonical(wine.driveC) / "Program Files" / "Windows CE Tools" / "Cabwiz.exe");
    EXPECT_EQ(HostFileForWine("C:\\Program Files\\Cabwiz.exe", wine.prefix), std::nullopt);
    EXPECT_EQ(HostFileForWine("D:\\Cabwiz.exe", wine.prefix), std::nullopt);
    EXPECT_EQ(HostFileForWine("Cabwiz.exe", wine.prefix), std::nullopt);
    EXPECT_EQ(WinePathOfHostFile("/srv/Setup Dir/My.inf", wine.prefix),
              "Z:\\srv\\Setup Dir\\My.inf");
}

// Sets an environment variable for the life of the object.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedVariable() {
        if (old_) {
            ::setenv(name_, old_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(WindowsSetupPathsTest, RunsTheWizardsWindowsLineUnderWineOrSaysWhyNot) {
    const FakeWinePrefix wine;
    test::SetupDirectory setup("sh3 arm", test::kWizardInf, "README.TXT", "Setup Dir");
    const std::string builder = SplitCommandLine(setup.command()).at(0);
    const std::string readmeLine =
        "\"C:\\Program Files\\Windows CE Tools\\cabwiz.exe\" \"C:\\Setup\\MyApp.inf\" /err "
        "CabWiz.log /cpu sh3 arm";
    WriteText(setup.root() / "README.TXT",
              "Application Install Wizard\r\n\r\nTo rebuild the cabinet files, run:\r\n" +
                  readmeLine + "\r\n");
    const ScopedVariable prefix("WINEPREFIX", wine.prefix.string());
    const auto run = [&] {
        return RunSetup({setup.root(), "Icons.dll", {setup.icon()}, std::string("ab1")});
    };

    // No Wine on the PATH: refused before anything is written, naming the Windows program.
    const auto before = test::Snapshot(setup.root());
    {
        const ScopedVariable path("PATH", wine.dir.path().string());
        const std::string told = test::ThrownBy([&] { static_cast<void>(run()); }).text;
        EXPECT_NE(told.find("Program Files\\Windows CE Tools\\cabwiz.exe\" is a Windows program"),
                  std::string::npos)
            << told;
        EXPECT_NE(told.find("Wine"), std::string::npos) << told;
    }
    EXPECT_EQ(test::Snapshot(setup.root()), before);

    // Wine there, the builder not in its prefix: refused the same way.
    const fs::path bin = wine.dir.path() / "bin";
    fs::create_directory(bin);
    WriteText(bin / "wine", "#!/bin/sh\nprintf '%s\\n' \"$1\" > '" + (bin / "program").string() +
                                "'\nshift\nexec '" + builder + "' \"$@\"\n");
    fs::permissions(bin / "wine", fs::perms::owner_all);
    const ScopedVariable path("PATH", bin.string() + ":/usr/bin:/bin");
    fs::rename(wine.driveC / "Program Files", wine.driveC / "Elsewhere");
    const std::string told = test::ThrownBy([&] { static_cast<void>(run()); }).text;
    EXPECT_NE(told.find("Wine does not find"), std::string::npos) << told;
    EXPECT_EQ(test::Snapshot(setup.root()), before);

    // Both there: the builder runs under Wine in the setup directory, given the INF beside the
    // README as Wine sees it, and the cabinets are gathered.
    fs::rename(wine.driveC / "Elsewhere", wine.driveC / "Program Files");
    const SetupReport report = run();
    EXPECT_EQ(ReadText(bin / "program"), "C:\\Program Files\\Windows CE Tools\\cabwiz.exe\n");
    std::string infForWine = "Z:" + setup.root().string() + "/MyApp.inf";
    std::replace(infForWine.begin(), infForWine.end(), '/', '\\');
    EXPECT_EQ(setup.cabwizRecord(), infForWine + "\n/err\nCabWiz.log\n/cpu\nsh3\narm\n" +
                                        fs::canonical(setup.root()).string() + "\n");
    EXPECT_EQ(report.InfPath, setup.root() / "MyApp.inf");
    EXPECT_EQ(report.Cabinets.size(), 2u);
    EXPECT_TRUE(fs::exists(setup.root() / "MyApp.inf.old"));
}

#endif

} // namespace
} // namespace gw

#include "dll/target_machine.h"
#include "support/setup_directory.h"
#include "support/test_support.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

#ifndef _WIN32
#include <csignal>
#endif

namespace gw {
namespace {

namespace fs = std::filesystem;
using test::Example;
using test::MachineOf;
using test::RunCli;

TEST(BuildCliTest, AllTargetsWritesTheChosenFileAndOnePerProcessorOrNone) {
    test::TempDir dir;
    const std::string out = dir.file("B.dll");
    const auto mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    test::WriteText(out, "old"); // replaced, keeping its mode
    fs::permissions(out, mode);
    const auto run =
        RunCli({"build", "--target", "mIpS", "--all-targets", "-o", out, Example("mono-1bit.ico")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::string expected = out + ": MIPS, 1 icon group, 1 image, 1008 bytes\n";
    for (const TargetMachine& target : kTargetMachines) {
        const std::string path = out + target.suffix;
        expected += path + ": " + target.name + ", 1 icon group, 1 image, 1008 bytes\n";
        EXPECT_EQ(MachineOf(path), target.machine) << path;
    }
    EXPECT_EQ(run.out, expected);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(test::ReadBytes(out), test::ReadBytes(out + ".MIPS"));
#ifndef _WIN32
    EXPECT_EQ(fs::status(out).permissions(), mode); // Windows keeps only a read-only flag
#endif

    // The fourth DLL may not be written: not one of the seven is replaced.
    fs::permissions(out + ".SH3", fs::perms::owner_read);
    const auto before = test::Snapshot(dir.path());
    const auto failed = RunCli({"build", "--all-targets", "-o", out, Example("multi.ico")});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_EQ(failed.err, "glyphwright-cli: " + out + ".SH3: the file is read-only\n");
    EXPECT_EQ(test::Snapshot(dir.path()), before);
    EXPECT_EQ(before.size(), 7u);

    // A name of 255 bytes, the longest most file systems take, is written as it is.
    const std::string longName = dir.file(std::string(251, 'n') + ".dll");
    EXPECT_EQ(RunCli({"build", "-t", "arm", "-o", longName, Example("glyph-4bit.ico")}).exitCode,
              0);
    EXPECT_EQ(MachineOf(longName), 0x01C0);
}

TEST(BuildCliTest, HelpAndVersion) {
    const auto help = RunCli({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.find("glyphwright-cli packs .ico files"), 0u) << help.out;
    EXPECT_NE(help.out.find("\n  glyphwright-cli build [-t TARGET]"), std::string::npos);
    const auto version = RunCli({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.rfind("glyphwright-cli ", 0), 0u);
    // Every command answers -h and --help with its own usage, wherever the option stands.
    for (const std::string command :
         {"build", "images", "remove-images", "setup", "inspect", "extract", "convert"}) {
        for (const std::string option : {"-h", "--help"}) {
            const auto run = RunCli({command, "x.ico", option});
            EXPECT_EQ(run.exitCode, 0) << command << option << run.err;
            EXPECT_EQ(run.out.rfind("Usage: glyphwright-cli " + command + " ", 0), 0u) << run.out;
        }
    }
}

#ifndef _WIN32
// Whether the process holds a file open in the folder other than an icon: the DLL it is
// writing. Waits up to ten seconds for that.
bool WaitUntilWritingInto(long pid, const fs::path& folder) {
    const fs::path fds = "/proc/" + std::to_string(pid) + "/fd";
    for (int attempt = 0; attempt < 10000; ++attempt) {
        std::error_code ec;
        for (const auto& fd : fs::directory_iterator(fds, ec)) {
            const std::string target = fs::read_symlink(fd.path(), ec).string();
            if (!ec && target.rfind(folder.string() + "/", 0) == 0 &&
                target.find(".ico") == std::string::npos) {
                return true;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

TEST(BuildCliTest, AnInterruptedBuildLeavesTheOldOutputAndNoTemporaryFile) {
    test::TempDir dir;
    fs::create_directory(dir.path() / "icons");
    std::vector<std::string> argv = {GLYPHWRIGHT_CLI, "build", "--all-targets", "-o",
                                     dir.file("out.dll")};
    for (int i = 0; i < 1500; ++i) {
        const fs::path icon = dir.path() / "icons" / (std::to_string(i) + ".ico");
        fs::copy_file(Example("multi.ico"), icon);
        argv.push_back(icon.string());
    }
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        test::WriteText(dir.file("out.dll"), "old");
        test::Process cli(argv);
        ASSERT_TRUE(WaitUntilWritingInto(cli.pid(), dir.path()));
        ::kill(static_cast<pid_t>(cli.pid()), signal);
        EXPECT_EQ(cli.wait().signal, signal);
        EXPECT_EQ(test::ReadText(dir.file("out.dll")), "old") << signal;
        EXPECT_EQ(test::FilesIn(dir.path()), 2u) << signal; // icons/ and out.dll
    }
}
#endif

} // namespace
} // namespace gw

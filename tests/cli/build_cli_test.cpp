#include "support/test_support.h"

#include <filesystem>
#include <gtest/gtest.h>

#ifndef _WIN32
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

namespace gw {
namespace {

using test::Bytes;
using test::ShellQuote;

test::ProcessResult Cli(const std::string& arguments) {
    return test::RunShell(ShellQuote(GLYPHWRIGHT_CLI) + " " + arguments);
}

std::string Example(const std::string& name) {
    return ShellQuote((test::ExamplesDir() / name).string());
}

TEST(BuildCliTest, BuildsOneDllAndSaysWhatItWrote) {
    test::TempDir dir;
    const std::string out = dir.file("Icons.dll");
    const auto run = Cli("build -t Arm -o " + ShellQuote(out) + " " + Example("glyph-4bit.ico") +
                         " " + Example("multi.ico"));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto size = std::filesystem::file_size(out);
    EXPECT_EQ(run.out,
              out + ": ARM, 2 icon groups, 7 images, " + std::to_string(size) + " bytes\n");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(test::Le16(test::ReadBytes(out), 0xAC), 0x01C0);
}

TEST(BuildCliTest, AllTargetsWritesTheChosenFileAndOnePerProcessor) {
    test::TempDir dir;
    const std::string out = dir.file("B.dll");
    const auto run = Cli("build --target mips --all-targets -o " + ShellQuote(out) + " " +
                         Example("mono-1bit.ico"));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::pair<const char*, std::uint16_t> expected[] = {
        {"", 0x0166},     {".X86", 0x014C}, {".MIPS", 0x0166}, {".SH3", 0x01A2},
        {".SH4", 0x01A6}, {".ARM", 0x01C0}, {".PPC", 0x01F0}};
    std::size_t line = 0;
    for (const auto& [suffix, machine] : expected) {
        const std::string path = out + suffix;
        ASSERT_TRUE(std::filesystem::exists(path)) << path;
        EXPECT_EQ(test::Le16(test::ReadBytes(path), 0xAC), machine) << path;
        const std::size_t at = run.out.find(path + ": ", line);
        EXPECT_NE(at, std::string::npos) << path << " not reported in order:\n" << run.out;
        line = at;
    }
    EXPECT_EQ(test::ReadBytes(out), test::ReadBytes(out + ".MIPS"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 7);
}

TEST(BuildCliTest, FailedBuildLeavesTheExistingOutputAndNamesTheCause) {
    test::TempDir dir;
    const std::string out = dir.file("keep.dll");
    test::WriteText(out, "old contents");
    test::WriteText(dir.file("text.ico"), "not an icon, but text with the icon extension\n");

    const auto missing = Cli("build -o " + ShellQuote(out) + " " + Example("multi.ico") + " " +
                             ShellQuote(dir.file("gone.ico")));
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("gone.ico: cannot open"), std::string::npos) << missing.err;
    EXPECT_EQ(missing.out, "");

    const auto bad = Cli("build -o " + ShellQuote(out) + " " + ShellQuote(dir.file("text.ico")));
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_NE(bad.err.find("text.ico"), std::string::npos) << bad.err;
    EXPECT_EQ(test::ReadText(out), "old contents");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

TEST(BuildCliTest, UsageErrorsExitTwoWithTheUsage) {
    test::TempDir dir;
    const std::string out = ShellQuote(dir.file("x.dll"));
    const std::pair<std::string, std::string> cases[] = {
        {"build -o " + out, "no icon files"},
        {"build " + Example("multi.ico"), "no output file"},
        {"build -t z80 -o " + out + " " + Example("multi.ico"), "unknown target z80"},
        {"build --fast -o " + out + " " + Example("multi.ico"), "unknown option --fast"},
        {"build -o", "needs a value"},
        {"images", "no icon file"},
        {"frobnicate", "unknown command frobnicate"},
        {"", "no command"},
    };
    for (const auto& [arguments, message] : cases) {
        const auto run = Cli(arguments);
        EXPECT_EQ(run.exitCode, 2) << arguments;
        EXPECT_NE(run.err.find(message), std::string::npos) << arguments << "\n" << run.err;
        EXPECT_NE(run.err.find("Usage:"), std::string::npos) << arguments;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("x.dll")));
}

TEST(BuildCliTest, ImagesListsRowTextDepthAndSize) {
    const auto run = Cli("images " + Example("multi.ico"));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "0: 48 x 48 - 0 Colors, 8 bits per pixel, 3752 bytes\n"
                       "1: 32 x 32 - 0 Colors, 8 bits per pixel, 2216 bytes\n"
                       "2: 32 x 32 - 16 Colors, 4 bits per pixel, 744 bytes\n"
                       "3: 16 x 16 - 16 Colors, 4 bits per pixel, 296 bytes\n"
                       "4: 16 x 16 - 2 Colors, 1 bit per pixel, 176 bytes\n");
    const auto missing = Cli("images /nonexistent/a.ico");
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("/nonexistent/a.ico: cannot open"), std::string::npos);
}

TEST(BuildCliTest, HelpAndVersion) {
    const auto help = Cli("--help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("glyphwright-cli build"), std::string::npos);
    const auto version = Cli("--version");
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.rfind("glyphwright-cli ", 0), 0u);
    // Every command answers -h and --help with its own usage, wherever the option stands.
    for (const std::string command :
         {"build", "images", "remove-images", "setup", "inspect", "extract"}) {
        for (const std::string option : {"-h", "--help"}) {
            const auto run = Cli(command + " x.ico " + option);
            EXPECT_EQ(run.exitCode, 0) << command << option << run.err;
            EXPECT_EQ(run.out.rfind("Usage: glyphwright-cli " + command + " ", 0), 0u)
                << command << option << "\n"
                << run.out;
        }
    }
}

std::size_t EntriesIn(const std::filesystem::path& dir) {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir), {}));
}

TEST(BuildCliTest, AllTargetsWritesAllSevenOrNone) {
    test::TempDir dir;
    const std::string out = dir.file("m.dll");
    const char* suffixes[] = {"", ".X86", ".MIPS", ".SH3", ".SH4", ".ARM", ".PPC"};
    for (const char* suffix : suffixes) {
        test::WriteText(out + suffix, std::string("old") + suffix);
    }
    // The fourth DLL may not be written: not one of the seven is replaced.
    namespace fs = std::filesystem;
    fs::permissions(out + ".SH3", fs::perms::owner_read);
    const auto run = Cli("build --all-targets -o " + ShellQuote(out) + " " + Example("multi.ico"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "glyphwright-cli: " + out + ".SH3: the file is read-only\n");
    for (const char* suffix : suffixes) {
        EXPECT_EQ(test::ReadText(out + suffix), std::string("old") + suffix) << suffix;
    }
    EXPECT_EQ(EntriesIn(dir.path()), 7u);
}

TEST(BuildCliTest, AnOutputThatIsAnInputIsRefusedBeforeAnythingIsWritten) {
    namespace fs = std::filesystem;
    test::TempDir dir;
    fs::create_directory(dir.path() / "sub");
    const std::string icon = dir.file("same.ico");
    fs::copy_file(test::ExamplesDir() / "multi.ico", icon);
    fs::create_symlink(icon, dir.file("link.dll"));
    const Bytes original = test::ReadBytes(icon);
    // The same path, another spelling of it, and a link to it.
    for (const std::string& output :
         {icon, (dir.path() / "sub" / ".." / "same.ico").string(), dir.file("link.dll")}) {
        const auto run = Cli("build -o " + ShellQuote(output) + " " + ShellQuote(icon));
        EXPECT_EQ(run.exitCode, 1) << output;
        EXPECT_NE(run.err.find(output + ": this output is the input file " + icon),
                  std::string::npos)
            << run.err;
        EXPECT_EQ(test::ReadBytes(icon), original) << output;
    }
    // With --all-targets a suffixed name can be an input too.
    fs::copy_file(icon, dir.file("a.dll.ARM"));
    const auto run = Cli("build --all-targets -o " + ShellQuote(dir.file("a.dll")) + " " +
                         ShellQuote(dir.file("a.dll.ARM")));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_FALSE(fs::exists(dir.file("a.dll")));
    EXPECT_EQ(EntriesIn(dir.path()), 4u);
}

TEST(BuildCliTest, ReplacedDllsKeepTheirModeAndLongNamesWork) {
    namespace fs = std::filesystem;
    test::TempDir dir;
    const std::string out = dir.file("kept.dll");
    test::WriteText(out, "old");
    fs::permissions(out, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_EQ(Cli("build -o " + ShellQuote(out) + " " + Example("mono-1bit.ico")).exitCode, 0);
    EXPECT_EQ(fs::status(out).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_NE(test::ReadText(out), "old");

    // A name of 255 bytes, the longest most file systems take, is written as it is.
    const std::string longName = dir.file(std::string(251, 'n') + ".dll");
    const auto run = Cli("build -o " + ShellQuote(longName) + " " + Example("mono-1bit.ico"));
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(fs::exists(longName));
    EXPECT_EQ(EntriesIn(dir.path()), 2u);
}

#ifndef _WIN32
// Starts glyphwright-cli with the arguments, its output thrown away; returns its process id.
pid_t StartCli(const std::vector<std::string>& arguments) {
    std::vector<std::string> words = {GLYPHWRIGHT_CLI};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int started = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return started == 0 ? pid : -1;
}

// Whether the process holds a file open in the folder, other than the given inputs: the DLL it
// is writing. Waits up to ten seconds for that.
bool WaitUntilWritingInto(pid_t pid, const std::filesystem::path& folder) {
    namespace fs = std::filesystem;
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
        usleep(1000);
    }
    return false;
}

TEST(BuildCliTest, AnInterruptedBuildLeavesTheOldOutputAndNoTemporaryFile) {
    namespace fs = std::filesystem;
    test::TempDir dir;
    fs::create_directory(dir.path() / "icons");
    std::vector<std::string> arguments = {"build", "--all-targets", "-o", dir.file("out.dll")};
    for (int i = 0; i < 1500; ++i) {
        const fs::path icon = dir.path() / "icons" / (std::to_string(i) + ".ico");
        fs::copy_file(test::ExamplesDir() / "multi.ico", icon);
        arguments.push_back(icon.string());
    }
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        test::WriteText(dir.file("out.dll"), "old");
        const pid_t pid = StartCli(arguments);
        ASSERT_GT(pid, 0);
        ASSERT_TRUE(WaitUntilWritingInto(pid, dir.path()));
        kill(pid, signal);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        EXPECT_EQ(test::ReadText(dir.file("out.dll")), "old") << signal;
        EXPECT_EQ(EntriesIn(dir.path()), 2u) << signal; // icons/ and out.dll
    }
}
#endif

} // namespace
} // namespace gw

#include "support/setup_directory.h"
#include "support/test_support.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace gw {
namespace {

namespace fs = std::filesystem;
using test::Example;

// Every refusal of every command: its exit status (1 a failure, 2 a usage error, which shows the
// usage), the message, and that nothing in the folder was written, added or removed.
TEST(RefusalsCliTest, EachRefusalNamesItsCauseAndWritesNothing) {
    test::TempDir dir;
    const std::string icon = dir.file("multi.ico"), dll = dir.file("two.dll");
    fs::copy_file(Example("multi.ico"), icon);
    ASSERT_EQ(test::RunCli({"build", "-o", dll, icon, Example("mono-1bit.ico")}).exitCode, 0);
    fs::permissions(icon, fs::perms::owner_read | fs::perms::group_read);
    test::WriteText(dir.file("keep.dll"), "old contents");
    test::WriteText(dir.file("text.ico"), "not an icon, but text with the icon extension\n");
    test::Bytes cut = test::ReadBytes(dll);
    cut.resize(0x300);
    test::WriteBytes(dir.file("cut.dll"), cut);
    fs::copy_file(Example("mono-1bit.ico"), dir.file("a.dll.ARM"));
    // Inputs under the names of outputs: another spelling, links, the DLL as a group's icon file.
    fs::create_directories(dir.path() / "sub" / "links");
    const std::string respelled = dir.file("sub/../multi.ico"), named = dir.file("101.ico"),
                      hardLink = dir.file("linked.ico"), symlink = dir.file("link.dll"),
                      linkedDll = dir.file("sub/links/102.ico");
    fs::create_hard_link(icon, hardLink);
    fs::copy_file(dll, named);
    fs::create_hard_link(dll, linkedDll);
    const std::string isInput = ": this output is the input file ", none = dir.file("none");
    const std::string keep = dir.file("keep.dll"),
                      noImages = "glyphwright-cli: No images selected!\n";
    const test::SetupDirectory setup;
    const std::string root = setup.root().string(), badTimeout = "--cab-timeout takes a positive";

    std::vector<std::tuple<std::vector<std::string>, int, std::string>> cases = {
        {{"build", "-o", keep, icon, dir.file("gone.ico")}, 1, dir.file("gone.ico: cannot open")},
        {{"build", "-o", keep, dir.file("text.ico")}, 1, "text.ico is not an icon file"},
        {{"build", "-o", icon, icon}, 1, "glyphwright-cli: " + icon + isInput + icon},
        {{"build", "-o", respelled, icon}, 1, respelled + isInput + icon},
        {{"build", "--all-targets", "-o", dir.file("a.dll"), dir.file("a.dll.ARM")},
         1,
         dir.file("a.dll.ARM") + isInput},
        {{"images", dir.file("none/a.ico")},
         1,
         "glyphwright-cli: " + dir.file("none/a.ico: cannot open")},
        {{"remove-images", icon, "--keep", ""}, 1, noImages},
        {{"remove-images", icon, "--keep=", "-o", dir.file("new.ico")}, 1, noImages},
        {{"remove-images", icon, "--keep", "0"},
         1,
         "glyphwright-cli: " + icon + ": the file is read-only\n"},
        {{"remove-images", icon, "--keep", "0", "-o", respelled}, 1, respelled + isInput + icon},
        {{"remove-images", icon, "--keep", "0", "-o", hardLink}, 1, hardLink + isInput + icon},
        {{"extract", named, "-o", dir.file(".")}, 1, dir.file("./101.ico") + isInput + named},
        {{"extract", dll, "-o", dir.file("sub/links")}, 1, linkedDll + isInput + dll},
        {{"extract", dll, "-o", none, "--group", "103"},
         1,
         "glyphwright-cli: " + dll +
             ": there is no icon group 103; the groups it holds are 101, 102\n"},
        {{"extract", dir.file("cut.dll"), "-o", none},
         1,
         "cut.dll: the section table at file offset 0x1A0, section .rsrc: truncated"},
        {{"inspect", icon}, 1, "multi.ico: the MS-DOS header at file offset 0x0: not a PE file"},
        {{}, 2, "glyphwright-cli: no command given\n"},
        {{"frobnicate"}, 2, "glyphwright-cli: unknown command frobnicate\n"},
        {{"build", "-o", none}, 2, "glyphwright-cli build: no icon files given\n"},
        {{"build", icon}, 2, "no output file given"},
        {{"build", "-t", "z80", "-o", none, icon}, 2, "unknown target z80"},
        {{"build", "--fast", "-o", none, icon}, 2, "unknown option --fast"},
        {{"build", "-o"}, 2, "option -o needs a value"},
        {{"build", "--all-targets=yes", "-o", none, icon},
         2,
         "option --all-targets takes no value"},
        {{"build", "-o", none, "--output=" + none, icon}, 2, "option --output given twice"},
        {{"inspect", "--", "-o"}, 1, "glyphwright-cli: -o: cannot open"},
        {{"images"}, 2, "glyphwright-cli images: no icon file given\n"},
        {{"remove-images"}, 2, "glyphwright-cli remove-images: no icon file given\n"},
        {{"remove-images", icon}, 2, "no images to keep given"},
        {{"remove-images", icon, "--keep", "0,5"}, 2, "image 5 does not exist; " + icon},
        {{"remove-images", icon, "--keep", "0,,1"}, 2, "--keep takes image indexes"},
        {{"remove-images", icon, "--keep", "1-2"}, 2, "--keep takes image indexes"},
        {{"inspect", dll, dll}, 2, "glyphwright-cli inspect: one file at a time\n"},
        {{"extract", "-o", none}, 2, "glyphwright-cli extract: no file given\n"},
        {{"extract", dll}, 2, "glyphwright-cli extract: no output folder given"},
        {{"setup", dir.file("."), icon},
         1,
         "glyphwright-cli: Wrong directory selected. File \"Readme.txt\" not found!"},
        {{"setup", root, "-e", "a.b", icon}, 1, "only letters and digits"},
        {{"setup"}, 2, "glyphwright-cli setup: no setup directory given\n"},
        {{"setup", root}, 2, "glyphwright-cli setup: no icon files given\n"},
        {{"setup", "--dll", "a/b.dll", root, icon}, 2, "--dll takes a file name without a folder"},
    };
    for (const char* timeout : {"0", "-5", "1.5", "abc", "", "10000000000", "+3"}) {
        cases.push_back({{"setup", "--cab-timeout", timeout, root, icon}, 2, badTimeout});
    }
#ifndef _WIN32
    // Symbolic links need privileges on Windows (and Wine has none); devices are POSIX's.
    fs::create_symlink(icon, symlink);
    cases.push_back({{"build", "-o", symlink, icon}, 1, symlink + isInput + icon});
    cases.push_back({{"build", "-o", "/dev/null", icon}, 1, "/dev/null: it is not a regular file"});
#endif
    const auto before = test::Snapshot(dir.path()), setupBefore = test::Snapshot(setup.root());
    for (const auto& [arguments, exitCode, message] : cases) {
        const auto run = test::RunCli(arguments);
        const std::string shown = arguments.empty() ? "" : arguments[0] + " " + message;
        EXPECT_EQ(run.exitCode, exitCode) << shown << "\n" << run.err;
        EXPECT_NE(run.err.find(message), std::string::npos) << shown << "\n" << run.err;
        EXPECT_EQ(run.err.find("\nUsage:\n") != std::string::npos, exitCode == 2) << shown;
        EXPECT_EQ(run.out, "") << shown;
    }
    EXPECT_EQ(test::Snapshot(dir.path()), before);
    EXPECT_EQ(test::Snapshot(setup.root()), setupBefore);
    EXPECT_EQ(setup.cabwizRecord(), "");
}

} // namespace
} // namespace gw

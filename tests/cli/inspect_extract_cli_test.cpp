#include "dll/target_machine.h"
#include "icons/icon_files.h"
#include "support/test_support.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace gw {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::Example;

// Runs glyphwright-cli, which must succeed, and gives its output.
std::string Cli(const std::vector<std::string>& arguments) {
    const auto run = test::RunCli(arguments);
    EXPECT_EQ(run.exitCode, 0) << arguments.at(0) << "\n" << run.err;
    return run.out;
}

// The text with every `from` replaced by `to`.
std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

// The icon file holds the example's images, byte for byte and in its order.
void ExpectSameImages(const fs::path& file, const std::string& example) {
    const Bytes got = test::ReadBytes(file), want = test::ReadBytes(Example(example));
    ASSERT_EQ(test::Le16(got, 4), test::Le16(want, 4)) << file;
    for (std::size_t j = 0; j < test::Le16(want, 4); ++j) {
        EXPECT_EQ(test::IconImageBytes(got, j), test::IconImageBytes(want, j)) << file << ' ' << j;
    }
}

TEST(InspectExtractCliTest, BuildExtractAndBuildAgainIsExactForEveryTarget) {
    test::TempDir dir;
    const std::vector<std::string> inputs = {Example("glyph-4bit.ico"), Example("mono-1bit.ico"),
                                             Example("tile-8bit.ico"), Example("multi.ico")};
    for (const TargetMachine& target : kTargetMachines) {
        const std::string name = target.name, dll = dir.file(name + ".dll");
        const fs::path out = dir.path() / name / "icons"; // two levels that do not exist yet
        std::vector<std::string> build = {"build", "-t", name, "-o", dll};
        build.insert(build.end(), inputs.begin(), inputs.end());
        Cli(build);
        EXPECT_EQ(Replaced(Replaced(Cli({"inspect", dll}), dll, "DLL"), "machine " + name,
                           "machine TARGET"),
                  test::TestData("cli/inspect.txt"));
        EXPECT_EQ(Replaced(Cli({"extract", dll, "-o", out.string()}), (out / "").string(), "OUT/"),
                  test::TestData("cli/extract.txt"));
        // Built again from the extracted files in name order, the groups' order, the DLL must
        // be the same to the byte.
        build = {"build", "-t", name, "-o", dir.file("again.dll")};
        for (const auto& entry : fs::directory_iterator(out)) {
            build.push_back(entry.path().string());
        }
        std::sort(build.begin() + 5, build.end());
        Cli(build);
        EXPECT_EQ(test::ReadBytes(dir.file("again.dll")), test::ReadBytes(dll)) << name;
    }
    Cli({"extract", "--group", "102", "-o", dir.file("one"), dir.file("X86.dll")});
    EXPECT_EQ(test::FilesIn(dir.file("one")), 1u);
    ExpectSameImages(dir.file("one/102.ico"), "mono-1bit.ico");
}

TEST(InspectExtractCliTest, ImagesOf256PixelsComeBackAsTheyWerePacked) {
    test::TempDir dir;
    // An icon as glyphwright writes it: a 256 x 256 image, stored as 0 in the directory.
    const std::string icon = dir.file("big.ico"), dll = dir.file("big.dll");
    WriteIconFile(icon, {DecodeIconImage(test::MakeImage(256, 256, 8), icon, "image 0"),
                         DecodeIconImage(test::MakeImage(16, 16, 4), icon, "image 1")});
    ASSERT_EQ(test::ReadBytes(icon).at(6), 0);
    Cli({"build", "-o", dll, icon});
    EXPECT_NE(Cli({"inspect", dll}).find("RT_ICON 1: 256 x 256, 8 bits per pixel"),
              std::string::npos);
    Cli({"extract", dll, "-o", dir.file("out")});
    EXPECT_EQ(test::ReadBytes(dir.file("out/101.ico")), test::ReadBytes(icon));
    EXPECT_EQ(Cli({"images", dir.file("out/101.ico")}).rfind("0: 256 x 256 - 0 Colors, 8 bits", 0),
              0u);
}

TEST(InspectExtractCliTest, ReadsDllsLinkedByAnotherToolchain) {
    if (!test::HaveProgram("llvm-rc") || !test::HaveProgram("lld-link")) {
        GTEST_SKIP() << "llvm-rc or lld-link is not installed (scripts/install-deps.sh installs "
                        "llvm and lld)";
    }
    test::TempDir dir;
    // Named groups (one named like a device, which Windows keeps), and group 101 in two
    // languages, each with its own images.
    const auto icon = [](const char* file) { return " ICON \"" + Example(file) + "\"\n"; };
    test::WriteText(dir.path() / "x.rc", "LANGUAGE 9, 1\n101" + icon("glyph-4bit.ico") + "AppIcon" +
                                             icon("multi.ico") + "LANGUAGE 7, 1\n101" +
                                             icon("mono-1bit.ico") + "Com1" +
                                             icon("tile-8bit.ico"));
    ASSERT_EQ(test::RunProcess({"llvm-rc", "/fo", dir.file("x.res"), dir.file("x.rc")}).exitCode,
              0);
    const std::pair<const char*, const char*> dlls[] = {{"x86", "PE32 DLL, machine X86"},
                                                        {"x64", "PE32+ DLL, machine 0x8664"}};
    for (const auto& [machine, kind] : dlls) {
        const std::string dll = dir.file(machine + std::string(".dll"));
        const auto linked =
            test::RunProcess({"lld-link", "/dll", "/noentry", "/machine:" + std::string(machine),
                              "/out:" + dll, dir.file("x.res")});
        ASSERT_EQ(linked.exitCode, 0) << linked.err;
        const fs::path out = dll + "-all", named = dll + "-named";
        const std::string inspect = Cli({"inspect", dll});
        for (const std::string& part :
             {dll + ": " + kind + "\n",
              std::string("icon group \"APPICON\", language 1033: 5 images\n"),
              std::string("icon group 101, language 1031: 1 image\n"
                          "  RT_ICON 8: 32 x 32, 1 bit per pixel, 304 bytes\n"),
              std::string("\nlayout: not as glyphwright writes it: first difference")}) {
            EXPECT_NE(inspect.find(part), std::string::npos) << part << "\n" << inspect;
        }
        // Each language of group 101 with its own images; the named group under its name.
        Cli({"extract", dll, "-o", out.string()});
        EXPECT_EQ(test::FilesIn(out), 4u);
        ExpectSameImages(out / "101-1033.ico", "glyph-4bit.ico");
        ExpectSameImages(out / "101-1031.ico", "mono-1bit.ico");
        ExpectSameImages(out / "APPICON.ico", "multi.ico");
        ExpectSameImages(out / "_COM1.ico", "tile-8bit.ico");
        Cli({"extract", "--group", "appicon", "-o", named.string(), dll});
        EXPECT_EQ(test::FilesIn(named), 1u);
        ExpectSameImages(named / "APPICON.ico", "multi.ico");
    }
}

} // namespace
} // namespace gw

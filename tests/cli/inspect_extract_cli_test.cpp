#include "dll/target_machine.h"
#include "icons/icon_writer.h"
#include "support/test_support.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace gw {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::Example;
using test::Replaced;

// Runs glyphwright-cli, which must succeed, and gives its output.
std::string Cli(const std::vector<std::string>& arguments) {
    const auto run = test::RunCli(arguments);
    EXPECT_EQ(run.exitCode, 0) << arguments.at(0) << "\n" << run.err;
    return run.out;
}

// The icon file holds the other's images, byte for byte and in its order.
void ExpectSameImages(const fs::path& file, const std::string& other) {
    const Bytes got = test::ReadBytes(file), want = test::ReadBytes(other);
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
    ExpectSameImages(dir.file("one/102.ico"), Example("mono-1bit.ico"));
}

// A DLL of glyph-4bit.ico (RT_ICON 1, 2), mono-1bit.ico (3) and multi.ico (4 to 8), patched
// with 32-bit values at offsets into its resource section (at 0x1F0): the language directories
// at 152 (24 bytes each), the data entries at 416 (16 bytes each), the blobs from 592.
Bytes PatchedDll(const test::TempDir& dir,
                 const std::vector<std::pair<std::size_t, std::uint32_t>>& patches) {
    const std::string dll = dir.file("patched.dll");
    Cli({"build", "-o", dll, Example("glyph-4bit.ico"), Example("mono-1bit.ico"),
         Example("multi.ico")});
    Bytes bytes = test::ReadBytes(dll);
    for (const auto& [at, value] : patches) {
        for (std::size_t k = 0; k < 4; ++k) {
            bytes.at(0x1F0 + at + k) = static_cast<std::uint8_t>(value >> (8 * k));
        }
    }
    test::WriteBytes(dll, bytes);
    return bytes;
}

// Damaged groups and images, images in no group or in another language: inspect says so for
// each and goes on.
TEST(InspectExtractCliTest, InspectShowsWhatCannotBeReadAndGoesOn) {
    test::TempDir dir;
    Bytes dll = PatchedDll(dir, {{152 + 16, 1033},           // RT_ICON 1 in language 1033
                                 {416 + 16 + 0, 0x7FFFFFF0}, // RT_ICON 2's data nowhere
                                 {416 + 16 * 8 + 4, 2}});    // group 101 of 2 bytes
    // Group 103 (at 9184) names RT_ICON 1, 2 and 99 instead of 4, 5, 6, and no bit count for
    // its fourth image, which the image's own header then gives.
    for (const auto& [at, value] : {std::pair{18, 1}, {32, 2}, {46, 99}, {54, 0}}) {
        dll.at(0x1F0 + 9184 + at) = static_cast<std::uint8_t>(value);
    }
    test::WriteBytes(dir.file("patched.dll"), dll);
    EXPECT_EQ(Replaced(Cli({"inspect", dir.file("patched.dll")}), dir.file("patched.dll"), "DLL"),
              test::TestData("cli/inspect-patched.txt"));
}

// Groups named by strings that are no file names, or that meet on a case-blind file system:
// each gets a file name of its own.
TEST(InspectExtractCliTest, GroupNamesBecomeDistinctSafeFileNames) {
    test::TempDir dir;
    // Two names of 3 UTF-16 units, ".|a" and "._A", over the last 16 bytes of RT_ICON 1 (744
    // bytes), and the first two entries of the RT_GROUP_ICON directory (at 112) naming them.
    constexpr std::uint32_t kNames = 592 + 744 - 16, kNamed = 0x80000000;
    PatchedDll(dir, {{kNames, 3 | '.' << 16},
                     {kNames + 4, '|' | 'a' << 16},
                     {kNames + 8, 3 | '.' << 16},
                     {kNames + 12, '_' | 'A' << 16},
                     {112 + 16, kNamed | kNames},
                     {112 + 24, kNamed | (kNames + 8)}});
    Cli({"extract", dir.file("patched.dll"), "-o", dir.file("out")});
    for (const char* name : {"_._a.ico", "_._A-2.ico", "103.ico"}) {
        EXPECT_TRUE(fs::exists(dir.path() / "out" / name)) << name;
    }
    EXPECT_EQ(test::FilesIn(dir.file("out")), 3u);
}

TEST(InspectExtractCliTest, ImagesOf256PixelsComeBackAsTheyWerePacked) {
    test::TempDir dir;
    // An icon as glyphwright writes it: a 256 x 256 image, stored as 0 in the directory.
    const std::string icon = dir.file("big.ico"), dll = dir.file("big.dll");
    const std::vector<Bytes> images = {test::MakeImage(256, 256, 8), test::MakeImage(16, 16, 4)};
    WriteIconFile(icon, {DecodeIconImage(images[0], icon, "image 0"),
                         DecodeIconImage(images[1], icon, "image 1")});
    ASSERT_EQ(test::ReadBytes(icon).at(6), 0);
    Cli({"build", "-o", dll, icon});
    EXPECT_NE(Cli({"inspect", dll}).find("RT_ICON 1: 256 x 256, 8 bits per pixel"),
              std::string::npos);
    Cli({"extract", dll, "-o", dir.file("out")});
    // The images behind the group's entries, which carry planes and bit count.
    EXPECT_EQ(test::ReadBytes(dir.file("out/101.ico")), test::MakeIcon(images));
    EXPECT_EQ(
        Cli({"images", dir.file("out/101.ico")}).rfind("0: 256 x 256 - 256 Colors, 8 bits", 0), 0u);
}

// A PE file linked by another toolchain from modern icons, in two languages and under names,
// with two damaged groups: one names an RT_ICON the file lacks, one an RT_ICON that is no image.
// Every good group is extracted as wrestool (icoutils) extracts it; the damaged ones are
// reported and the command fails.
TEST(InspectExtractCliTest, ExtractsEveryGroupOfForeignFilesAsWrestoolDoes) {
    const bool llvm = test::HaveProgram("llvm-rc") && test::HaveProgram("lld-link");
    const bool mingw = test::HaveProgram("x86_64-w64-mingw32-windres") &&
                       test::HaveProgram("x86_64-w64-mingw32-ld");
    if (!test::HaveProgram("wrestool") || (!llvm && !mingw)) {
        GTEST_SKIP() << "wrestool and llvm-rc with lld-link or MinGW's windres and ld are not "
                        "installed (scripts/install-deps.sh installs them)";
    }
    test::TempDir dir;
    const std::string modern = dir.file("modern.ico");
    test::WriteBytes(modern,
                     test::MakeIcon({test::MakePng(256, 256), test::MakeImage(48, 48, 32),
                                     test::MakeImage(32, 32, 24), test::MakeImage(16, 16, 4)}));
    const auto icon = [](const std::string& file) { return " ICON \"" + file + "\"\n"; };
    const std::string rc = dir.file("x.rc");
    test::WriteText(rc, "LANGUAGE 9, 1\n101" + icon(modern) + "AppIcon" +
                            icon(Example("multi.ico")) + "LANGUAGE 7, 1\n101" +
                            icon(Example("mono-1bit.ico")) + "Com1" +
                            icon(Example("tile-8bit.ico")) +
                            "990 3 { \"not an image\" }\n"
                            "Missing 14 { 0, 1, 1, 0x1010, 0, 1, 32, 100L, 999 }\n"
                            "Garbage 14 { 0, 1, 1, 0x1010, 0, 1, 32, 100L, 990 }\n");
    using Steps = std::vector<std::vector<std::string>>;
    std::vector<std::tuple<std::string, std::string, Steps>> linked;
    const std::string res = dir.file("x.res"), obj = dir.file("x.o");
    for (const std::string machine : {"x86", "x64"}) {
        const std::string dll = dir.file("llvm-" + machine + ".dll");
        linked.push_back({dll,
                          machine == "x86" ? "PE32 DLL, machine X86" : "PE32+ DLL, machine 0x8664",
                          llvm ? Steps{{"llvm-rc", "/fo", res, rc},
                                       {"lld-link", "/dll", "/noentry", "/machine:" + machine,
                                        "/out:" + dll, res}}
                               : Steps{}});
    }
    const std::string mingwDll = dir.file("mingw.dll");
    linked.push_back(
        {mingwDll, "PE32+ DLL, machine 0x8664",
         mingw ? Steps{{"x86_64-w64-mingw32-windres", "-i", rc, "-o", obj},
                       {"x86_64-w64-mingw32-ld", "--dll", "-e", "0", "-o", mingwDll, obj}}
               : Steps{}});
    for (const auto& [dll, kind, steps] : linked) {
        if (steps.empty()) {
            continue;
        }
        SCOPED_TRACE(dll);
        for (const auto& step : steps) {
            const auto run = test::RunProcess(step);
            ASSERT_EQ(run.exitCode, 0) << run.err;
        }
        const std::string inspect = Cli({"inspect", dll});
        for (const std::string& part : {dll + ": " + kind + "\n",
                                        std::string("icon group \"APPICON\", language 1033: 5 "
                                                    "images\n"),
                                        std::string("\n  RT_ICON 999: missing from the file\n"),
                                        std::string("\n  RT_ICON 990: 16 x 16, unknown format, "
                                                    "12 bytes\n")}) {
            EXPECT_NE(inspect.find(part), std::string::npos) << part << "\n" << inspect;
        }
        const fs::path out = dll + "-all";
        const auto run = test::RunCli({"extract", dll, "-o", out.string()});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.err, "glyphwright-cli: " + dll +
                               ": icon group \"MISSING\", language 1031, image 0: it refers to "
                               "RT_ICON 999, which the file does not hold\n");
        const std::tuple<std::string, std::string, std::string> groups[] = {
            {"101-1033.ico", "101", "1033"},
            {"101-1031.ico", "101", "1031"},
            {"APPICON.ico", "APPICON", "1033"},
            {"_COM1.ico", "COM1", "1031"}};
        EXPECT_EQ(test::FilesIn(out), std::size(groups) + 1);
        // An image of no known format is copied as it stands, as wrestool copies it; the entry
        // gives the size of the bytes written, where wrestool keeps the group's claim of 100.
        const Bytes garbage = test::ReadBytes(out / "GARBAGE.ico");
        EXPECT_EQ(std::string(garbage.begin() + 22, garbage.end()), "not an image");
        EXPECT_EQ(test::Le32(garbage, 14), 12u);
        for (const auto& [file, name, language] : groups) {
            const Bytes ours = test::ReadBytes(out / file);
            const auto wrestool =
                test::RunProcess({"wrestool", "-x", "-t14", "-n", name, "-L", language, dll});
            const Bytes theirs(wrestool.out.begin(), wrestool.out.end());
            // wrestool 0.32 follows the icon file with as many bytes of uninitialised memory as
            // the group resource holds (6 + 14 per image), a fault of its own: only their number
            // is compared.
            const std::size_t extra = theirs.size() - std::min(theirs.size(), ours.size());
            EXPECT_TRUE(extra == 0 || extra == 6 + 14 * std::size_t{test::Le16(ours, 4)})
                << file << extra;
            EXPECT_EQ(Bytes(theirs.begin(), theirs.end() - std::ptrdiff_t(extra)), ours) << file;
        }
        ExpectSameImages(out / "101-1033.ico", modern);
        Cli({"extract", "--group", "appicon", "-o", (dll + "-named"), dll});
        ExpectSameImages(fs::path(dll + "-named") / "APPICON.ico", Example("multi.ico"));
    }
}

} // namespace
} // namespace gw

#include "dll/target_machine.h"
#include "icons/icon_files.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

namespace gw {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::ShellQuote;

// Runs glyphwright-cli with the arguments, which must end with the given exit status.
test::ProcessResult Cli(const std::string& arguments, int exitCode = 0) {
    const auto run = test::RunShell(ShellQuote(GLYPHWRIGHT_CLI) + " " + arguments);
    EXPECT_EQ(run.exitCode, exitCode) << arguments << "\n" << run.err;
    return run;
}

std::string Example(const std::string& name) {
    return " " + ShellQuote((test::ExamplesDir() / name).string());
}

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The icon file holds the example's images, byte for byte and in its order.
void ExpectSameImages(const fs::path& file, const std::string& example) {
    const Bytes got = test::ReadBytes(file), want = test::ReadBytes(test::ExamplesDir() / example);
    ASSERT_EQ(test::Le16(got, 4), test::Le16(want, 4)) << file;
    for (std::size_t j = 0; j < test::Le16(want, 4); ++j) {
        EXPECT_EQ(test::IconImageBytes(got, j), test::IconImageBytes(want, j)) << file << ' ' << j;
    }
}

std::size_t FilesIn(const fs::path& dir) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), {}));
}

TEST(InspectExtractCliTest, BuildExtractAndBuildAgainIsExactForEveryTarget) {
    test::TempDir dir;
    const std::string inputs = Example("glyph-4bit.ico") + Example("mono-1bit.ico") +
                               Example("tile-8bit.ico") + Example("multi.ico");
    for (const TargetMachine& target : kTargetMachines) {
        const std::string name = target.name, dll = dir.file(name + ".dll");
        const fs::path out = dir.path() / name / "icons"; // two levels that do not exist yet
        Cli("build -t " + name + " -o " + ShellQuote(dll) + inputs);
        const std::string inspect = Cli("inspect " + ShellQuote(dll)).out;
        EXPECT_TRUE(Has(inspect, dll + ": PE32 DLL, machine " + name + "\n")) << inspect;
        EXPECT_TRUE(Has(inspect, "icon group 104, language 0: 5 images\n"
                                 "  RT_ICON 5: 48 x 48, 8 bits per pixel, 3752 bytes\n"));
        EXPECT_TRUE(Has(inspect, "\nlayout: exactly as glyphwright writes it\n"));
        const std::string extract =
            Cli("extract " + ShellQuote(dll) + " -o " + ShellQuote(out)).out;
        EXPECT_TRUE(extract.starts_with((out / "101.ico").string() +
                                        ": icon group 101, language 0, 2 images, 1078 bytes\n"))
            << extract;
        EXPECT_EQ(FilesIn(out), 4u);
        // The shell lists the extracted files in name order, which is the groups' order: built
        // again from them, the DLL must be the same to the byte.
        Cli("build -t " + name + " -o " + ShellQuote(dir.file("again.dll")) + " " +
            ShellQuote(out) + "/*.ico");
        EXPECT_EQ(test::ReadBytes(dir.file("again.dll")), test::ReadBytes(dll)) << name;
    }
}

TEST(InspectExtractCliTest, OneGroupOnRequestAndRefusalsWithReasons) {
    test::TempDir dir;
    const std::string dll = dir.file("two.dll"), toNone = " -o " + ShellQuote(dir.file("none"));
    Cli("build -o " + ShellQuote(dll) + Example("multi.ico") + Example("mono-1bit.ico"));
    Cli("extract --group 102 -o " + ShellQuote(dir.file("one")) + " " + ShellQuote(dll));
    EXPECT_EQ(FilesIn(dir.file("one")), 1u);
    ExpectSameImages(dir.file("one/102.ico"), "mono-1bit.ico");

    Bytes cut = test::ReadBytes(dll);
    cut.resize(0x300);
    test::WriteBytes(dir.file("cut.dll"), cut);
    // The DLL as the icon file one of its groups would be written to: under that name, read
    // from another spelling of its folder, and through a hard link in the output folder.
    const Bytes dllBytes = test::ReadBytes(dll);
    const std::string named = dir.file("101.ico"), linked = dir.file("links/102.ico");
    test::WriteBytes(named, dllBytes);
    fs::create_directory(dir.file("links"));
    fs::create_hard_link(dll, linked);
    const std::string isInput = ": this output is the input file ";
    // A missing group, a damaged file, a file that is not a PE file, an output that is the input
    // and wrong arguments.
    const std::tuple<std::string, int, std::string> refused[] = {
        {"extract " + ShellQuote(named) + " -o " + ShellQuote(dir.file(".")), 1,
         dir.file("./101.ico") + isInput + named + ";"},
        {"extract " + ShellQuote(dll) + " -o " + ShellQuote(dir.file("links")), 1,
         linked + isInput + dll + ";"},
        {"extract " + ShellQuote(dll) + toNone + " --group 103", 1,
         "glyphwright-cli: " + dll +
             ": there is no icon group 103; the groups it holds are 101, 102\n"},
        {"extract " + ShellQuote(dir.file("cut.dll")) + toNone, 1,
         "cut.dll: the section table at file offset 0x1A0, section .rsrc: truncated"},
        {"inspect" + Example("multi.ico"), 1,
         "multi.ico: the MS-DOS header at file offset 0x0: not a PE file"},
        {"inspect a.dll b.dll", 2, "Usage:"},
        {"extract" + toNone, 2, "Usage:"},
        {"extract " + ShellQuote(dll), 2, "Usage:"},
    };
    for (const auto& [arguments, exitCode, message] : refused) {
        const auto run = Cli(arguments, exitCode);
        EXPECT_TRUE(Has(run.err, message)) << run.err;
        EXPECT_EQ(run.out, "") << arguments;
    }
    EXPECT_FALSE(fs::exists(dir.file("none")));
    EXPECT_EQ(test::ReadBytes(named), dllBytes);
    EXPECT_EQ(test::ReadBytes(dll), dllBytes);
    EXPECT_EQ(FilesIn(dir.file("links")), 1u);
}

TEST(InspectExtractCliTest, ImagesOf256PixelsComeBackAsTheyWerePacked) {
    test::TempDir dir;
    // An icon as glyphwright writes it: a 256 x 256 image, stored as 0 in the directory.
    const std::string icon = dir.file("big.ico"), dll = dir.file("big.dll");
    WriteIconFile(icon, {DecodeIconImage(test::MakeImage(256, 256, 8), icon, "image 0"),
                         DecodeIconImage(test::MakeImage(16, 16, 4), icon, "image 1")});
    ASSERT_EQ(test::ReadBytes(icon).at(6), 0);
    Cli("build -o " + ShellQuote(dll) + " " + ShellQuote(icon));
    Cli("extract " + ShellQuote(dll) + " -o " + ShellQuote(dir.file("out")));
    EXPECT_EQ(test::ReadBytes(dir.file("out/101.ico")), test::ReadBytes(icon));
    EXPECT_TRUE(Has(Cli("images " + ShellQuote(dir.file("out/101.ico"))).out,
                    "0: 256 x 256 - 0 Colors, 8 bits per pixel"));
}

TEST(InspectExtractCliTest, ReadsDllsLinkedByAnotherToolchain) {
    if (!test::HaveProgram("llvm-rc") || !test::HaveProgram("lld-link")) {
        GTEST_SKIP() << "llvm-rc or lld-link is not installed (scripts/install-deps.sh installs "
                        "llvm and lld)";
    }
    test::TempDir dir;
    // A named group, and group 101 in two languages, each with its own images.
    const auto icon = [](const char* file) {
        return " ICON \"" + (test::ExamplesDir() / file).string() + "\"\n";
    };
    test::WriteText(dir.path() / "x.rc", "LANGUAGE 9, 1\n101" + icon("glyph-4bit.ico") + "AppIcon" +
                                             icon("multi.ico") + "LANGUAGE 7, 1\n101" +
                                             icon("mono-1bit.ico"));
    const auto linked = test::RunShell(
        "cd " + ShellQuote(dir.path()) +
        " && llvm-rc /fo x.res x.rc && lld-link /dll /noentry /machine:x86 /out:x86.dll x.res"
        " && lld-link /dll /noentry /machine:x64 /out:x64.dll x.res");
    ASSERT_EQ(linked.exitCode, 0) << linked.err;
    const std::pair<const char*, const char*> dlls[] = {{"x86.dll", "PE32 DLL, machine X86"},
                                                        {"x64.dll", "PE32+ DLL, machine 0x8664"}};
    for (const auto& [name, kind] : dlls) {
        const std::string dll = dir.file(name);
        const fs::path out = dir.path() / (name + std::string("-all")),
                       named = dir.path() / (name + std::string("-named"));
        const std::string inspect = Cli("inspect " + ShellQuote(dll)).out;
        EXPECT_TRUE(Has(inspect, dll + ": " + kind + "\n")) << inspect;
        EXPECT_TRUE(Has(inspect, "icon group \"APPICON\", language 1033: 5 images\n"));
        EXPECT_TRUE(Has(inspect, "icon group 101, language 1031: 1 image\n"
                                 "  RT_ICON 8: 32 x 32, 1 bit per pixel, 304 bytes\n"));
        EXPECT_TRUE(Has(inspect, "\nlayout: not as glyphwright writes it: first difference"));
        // Each language of group 101 with its own images; the named group under its name.
        Cli("extract " + ShellQuote(dll) + " -o " + ShellQuote(out));
        EXPECT_EQ(FilesIn(out), 3u);
        ExpectSameImages(out / "101-1033.ico", "glyph-4bit.ico");
        ExpectSameImages(out / "101-1031.ico", "mono-1bit.ico");
        ExpectSameImages(out / "APPICON.ico", "multi.ico");
        Cli("extract --group appicon -o " + ShellQuote(named) + " " + ShellQuote(dll));
        EXPECT_EQ(FilesIn(named), 1u);
        ExpectSameImages(named / "APPICON.ico", "multi.ico");
    }
}

} // namespace
} // namespace gw

#include "dll/target_machine.h"
#include "support/test_support.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace gw {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::ShellQuote;

test::ProcessResult Cli(const std::string& arguments) {
    return test::RunShell(ShellQuote(GLYPHWRIGHT_CLI) + " " + arguments);
}

std::string Example(const std::string& name) {
    return (test::ExamplesDir() / name).string();
}

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The icon file holds the input's images, byte for byte and in its order.
void ExpectSameImages(const fs::path& file, const std::string& input) {
    const Bytes got = test::ReadBytes(file);
    const Bytes want = test::ReadBytes(input);
    ASSERT_GE(got.size(), 6u) << file;
    ASSERT_EQ(test::Le16(got, 4), test::Le16(want, 4)) << file;
    for (std::size_t j = 0; j < test::Le16(want, 4); ++j) {
        EXPECT_EQ(test::IconImageBytes(got, j), test::IconImageBytes(want, j))
            << file << " image " << j;
    }
}

std::size_t FilesIn(const fs::path& dir) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), {}));
}

TEST(InspectExtractCliTest, BuildExtractAndBuildAgainIsExactForEveryTarget) {
    test::TempDir dir;
    const std::vector<std::string> inputs = {Example("glyph-4bit.ico"), Example("mono-1bit.ico"),
                                             Example("tile-8bit.ico"), Example("multi.ico")};
    std::string inputList;
    for (const std::string& input : inputs) {
        inputList += " " + ShellQuote(input);
    }
    for (const TargetMachine& target : kTargetMachines) {
        const std::string name = target.name;
        const std::string dll = dir.file(name + ".dll");
        ASSERT_EQ(Cli("build -t " + name + " -o " + ShellQuote(dll) + inputList).exitCode, 0);

        const auto inspect = Cli("inspect " + ShellQuote(dll));
        ASSERT_EQ(inspect.exitCode, 0) << inspect.err;
        EXPECT_TRUE(Has(inspect.out, dll + ": PE32 DLL, machine " + name + "\n")) << inspect.out;
        EXPECT_TRUE(Has(inspect.out, "icon group 104, language 0: 5 images\n"
                                     "  RT_ICON 5: 48 x 48, 8 bits per pixel, 3752 bytes\n"))
            << inspect.out;
        EXPECT_TRUE(Has(inspect.out, "\nlayout: exactly as glyphwright writes it\n"));

        const fs::path out = dir.path() / name / "icons"; // two levels that do not exist yet
        const auto extract = Cli("extract " + ShellQuote(dll) + " -o " + ShellQuote(out.string()));
        ASSERT_EQ(extract.exitCode, 0) << extract.err;
        EXPECT_EQ(extract.out.rfind((out / "101.ico").string() +
                                        ": icon group 101, language 0, 2 images, 1078 bytes\n",
                                    0),
                  0u)
            << extract.out;
        ASSERT_EQ(FilesIn(out), inputs.size());
        std::string extracted;
        for (std::size_t k = 0; k < inputs.size(); ++k) {
            const fs::path icon = out / (std::to_string(101 + k) + ".ico");
            ExpectSameImages(icon, inputs[k]);
            extracted += " " + ShellQuote(icon.string());
        }

        const std::string again = dir.file(name + "-again.dll");
        ASSERT_EQ(Cli("build -t " + name + " -o " + ShellQuote(again) + extracted).exitCode, 0);
        EXPECT_EQ(test::ReadBytes(again), test::ReadBytes(dll)) << name;
        const fs::path outAgain = dir.path() / (name + "-again");
        ASSERT_EQ(
            Cli("extract " + ShellQuote(again) + " -o " + ShellQuote(outAgain.string())).exitCode,
            0);
        for (std::size_t k = 0; k < inputs.size(); ++k) {
            const std::string file = std::to_string(101 + k) + ".ico";
            EXPECT_EQ(test::ReadBytes(outAgain / file), test::ReadBytes(out / file)) << file;
        }
    }
}

TEST(InspectExtractCliTest, OneGroupOnRequestAndRefusalsWithReasons) {
    test::TempDir dir;
    const std::string dll = dir.file("two.dll");
    ASSERT_EQ(Cli("build -o " + ShellQuote(dll) + " " + ShellQuote(Example("multi.ico")) + " " +
                  ShellQuote(Example("mono-1bit.ico")))
                  .exitCode,
              0);
    const fs::path one = dir.path() / "one";
    auto run = Cli("extract --group 102 -o " + ShellQuote(one.string()) + " " + ShellQuote(dll));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(FilesIn(one), 1u);
    ExpectSameImages(one / "102.ico", Example("mono-1bit.ico"));

    const fs::path none = dir.path() / "none";
    run = Cli("extract " + ShellQuote(dll) + " -o " + ShellQuote(none.string()) + " --group 103");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "glyphwright-cli: " + dll +
                           ": there is no icon group 103; the groups it holds are 101, 102\n");
    EXPECT_FALSE(fs::exists(none));

    // A damaged file and a file that is not a PE file at all: refused, nothing written.
    Bytes cut = test::ReadBytes(dll);
    cut.resize(0x300);
    test::WriteBytes(dir.file("cut.dll"), cut);
    run = Cli("extract " + ShellQuote(dir.file("cut.dll")) + " -o " + ShellQuote(none.string()));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(Has(run.err, "cut.dll: the section table at file offset 0x1A0, section .rsrc: "
                             "truncated"))
        << run.err;
    EXPECT_FALSE(fs::exists(none));
    run = Cli("inspect " + ShellQuote(Example("multi.ico")));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(Has(run.err, "multi.ico: the MS-DOS header at file offset 0x0: not a PE file"));
    EXPECT_EQ(run.out, "");

    for (const char* usage : {"inspect", "extract", "extract two.dll", "inspect a.dll b.dll"}) {
        run = Cli(usage);
        EXPECT_EQ(run.exitCode, 2) << usage;
        EXPECT_TRUE(Has(run.err, "Usage:")) << usage;
    }
}

TEST(InspectExtractCliTest, ReadsDllsLinkedByAnotherToolchain) {
    if (!test::HaveProgram("llvm-rc") || !test::HaveProgram("lld-link")) {
        GTEST_SKIP() << "llvm-rc or lld-link is not installed (scripts/install-deps.sh installs "
                        "llvm and lld)";
    }
    test::TempDir dir;
    for (const char* name : {"glyph-4bit.ico", "multi.ico", "mono-1bit.ico"}) {
        fs::copy_file(Example(name), dir.path() / name);
    }
    // A named group, and group 101 in two languages, each with its own images.
    test::WriteText(dir.path() / "x.rc", "LANGUAGE 9, 1\n"
                                         "101 ICON \"glyph-4bit.ico\"\n"
                                         "AppIcon ICON \"multi.ico\"\n"
                                         "LANGUAGE 7, 1\n"
                                         "101 ICON \"mono-1bit.ico\"\n");
    const auto linked = test::RunShell(
        "cd " + ShellQuote(dir.path().string()) +
        " && llvm-rc /fo x.res x.rc && lld-link /dll /noentry /machine:x86 /out:x86.dll x.res"
        " && lld-link /dll /noentry /machine:x64 /out:x64.dll x.res");
    ASSERT_EQ(linked.exitCode, 0) << linked.err;
    // The same icons as glyphwright packs them, extracted for comparison.
    const std::string own = dir.file("own.dll");
    ASSERT_EQ(Cli("build -o " + ShellQuote(own) + " " + ShellQuote(Example("glyph-4bit.ico")) +
                  " " + ShellQuote(Example("multi.ico")) + " " +
                  ShellQuote(Example("mono-1bit.ico")) + " && " + ShellQuote(GLYPHWRIGHT_CLI) +
                  " extract " + ShellQuote(own) + " -o " + ShellQuote(dir.file("own")))
                  .exitCode,
              0);

    const std::pair<const char*, const char*> dlls[] = {{"x86.dll", "PE32 DLL, machine X86"},
                                                        {"x64.dll", "PE32+ DLL, machine 0x8664"}};
    for (const auto& [name, kind] : dlls) {
        const std::string dll = dir.file(name);
        const auto inspect = Cli("inspect " + ShellQuote(dll));
        ASSERT_EQ(inspect.exitCode, 0) << inspect.err;
        EXPECT_TRUE(Has(inspect.out, dll + ": " + kind + "\n")) << inspect.out;
        EXPECT_TRUE(Has(inspect.out, "icon group \"APPICON\", language 1033: 5 images\n"));
        EXPECT_TRUE(Has(inspect.out, "icon group 101, language 1031: 1 image\n"
                                     "  RT_ICON 8: 32 x 32, 1 bit per pixel, 304 bytes\n"))
            << inspect.out;
        EXPECT_TRUE(Has(inspect.out, "\nlayout: not as glyphwright writes it: first difference"));

        const fs::path out = dir.path() / (std::string(name) + "-icons");
        const auto extract = Cli("extract " + ShellQuote(dll) + " -o " + ShellQuote(out.string()));
        ASSERT_EQ(extract.exitCode, 0) << extract.err;
        EXPECT_EQ(FilesIn(out), 3u);
        EXPECT_EQ(test::ReadBytes(out / "101-1033.ico"), test::ReadBytes(dir.file("own/101.ico")));
        EXPECT_EQ(test::ReadBytes(out / "APPICON.ico"), test::ReadBytes(dir.file("own/102.ico")));
        EXPECT_EQ(test::ReadBytes(out / "101-1031.ico"), test::ReadBytes(dir.file("own/103.ico")));
        ExpectSameImages(out / "APPICON.ico", Example("multi.ico"));

        const fs::path named = dir.path() / (std::string(name) + "-named");
        ASSERT_EQ(
            Cli("extract --group appicon -o " + ShellQuote(named.string()) + " " + ShellQuote(dll))
                .exitCode,
            0);
        EXPECT_EQ(FilesIn(named), 1u);
        EXPECT_TRUE(fs::exists(named / "APPICON.ico"));
    }
}

} // namespace
} // namespace gw

// Checks the DLLs with tools this project did not write: llvm-readobj parses the PE headers
// and the resource tree, and wrestool (icoutils) rebuilds .ico files from the icon groups.
// Their images must be the bytes of the input icons, image for image.
#include "dll/create_dll.h"
#include "dll/target_machine.h"
#include "support/test_support.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace gw {
namespace {

using test::Bytes;
using test::ShellQuote;

std::vector<std::string> ExampleIcons() {
    std::vector<std::string> files;
    for (const char* name : {"glyph-4bit.ico", "mono-1bit.ico", "tile-8bit.ico", "multi.ico"}) {
        files.push_back((test::ExamplesDir() / name).string());
    }
    return files;
}

const char* ReadobjMachine(const std::string& target) {
    if (target == "X86")
        return "IMAGE_FILE_MACHINE_I386";
    if (target == "MIPS")
        return "IMAGE_FILE_MACHINE_R4000";
    if (target == "SH3")
        return "IMAGE_FILE_MACHINE_SH3";
    if (target == "SH4")
        return "IMAGE_FILE_MACHINE_SH4";
    if (target == "ARM")
        return "IMAGE_FILE_MACHINE_ARM";
    return "IMAGE_FILE_MACHINE_POWERPC";
}

TEST(DllOutsideCheckTest, LlvmReadobjParsesEveryTarget) {
    if (!test::HaveProgram("llvm-readobj")) {
        GTEST_SKIP() << "llvm-readobj is not installed (scripts/install-deps.sh installs it)";
    }
    test::TempDir dir;
    const auto files = ExampleIcons();
    for (const TargetMachine& target : kTargetMachines) {
        const std::string dll = dir.file(std::string(target.name) + ".dll");
        CreateDll(target.machine, files, dll);
        const auto headers =
            test::RunShell("llvm-readobj --file-headers --sections " + ShellQuote(dll));
        ASSERT_EQ(headers.exitCode, 0) << headers.err;
        EXPECT_NE(headers.out.find(ReadobjMachine(target.name)), std::string::npos) << headers.out;
        EXPECT_NE(headers.out.find("IMAGE_FILE_DLL"), std::string::npos);
        EXPECT_NE(headers.out.find("Name: .rsrc"), std::string::npos);
        EXPECT_NE(headers.out.find("Name: .reloc"), std::string::npos);
        EXPECT_NE(headers.out.find("IMAGE_SUBSYSTEM_WINDOWS_CE_GUI"), std::string::npos);

        const auto resources = test::RunShell("llvm-readobj --coff-resources " + ShellQuote(dll));
        ASSERT_EQ(resources.exitCode, 0) << resources.err;
        EXPECT_EQ(resources.err, "");
        // Four icon files with 2 + 1 + 1 + 5 images.
        EXPECT_NE(resources.out.find("Total Number of Resources: 13"), std::string::npos)
            << resources.out.substr(0, 400);
        EXPECT_NE(resources.out.find("Type: ICON (ID 3)"), std::string::npos);
        EXPECT_NE(resources.out.find("Type: GROUP_ICON (ID 14)"), std::string::npos);
        EXPECT_NE(resources.out.find("Name: (ID 104)"), std::string::npos);
    }
}

TEST(DllOutsideCheckTest, WrestoolExtractsTheInputImagesByteForByte) {
    if (!test::HaveProgram("wrestool")) {
        GTEST_SKIP() << "wrestool is not installed (scripts/install-deps.sh installs icoutils)";
    }
    test::TempDir dir;
    const auto files = ExampleIcons();
    for (const char* targetName : {"X86", "ARM", "PPC"}) {
        const std::string dll = dir.file(std::string(targetName) + ".dll");
        CreateDll(TargetByName(targetName)->machine, files, dll);
        for (std::size_t k = 0; k < files.size(); ++k) {
            const std::string out = dir.file("group.ico");
            const auto run =
                test::RunShell("wrestool -x --type=14 --name=" + std::to_string(101 + k) + " " +
                               ShellQuote(dll) + " > " + ShellQuote(out));
            ASSERT_EQ(run.exitCode, 0) << run.err;
            const Bytes extracted = test::ReadBytes(out);
            const Bytes input = test::ReadBytes(files[k]);
            ASSERT_GE(extracted.size(), 6u) << files[k];
            const std::uint16_t count = test::Le16(input, 4);
            ASSERT_EQ(test::Le16(extracted, 4), count) << files[k];
            for (std::size_t j = 0; j < count; ++j) {
                EXPECT_EQ(test::IconImageBytes(extracted, j), test::IconImageBytes(input, j))
                    << targetName << " " << files[k] << " image " << j;
            }
        }
    }
}

} // namespace
} // namespace gw

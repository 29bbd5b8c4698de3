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

namespace fs = std::filesystem;
using test::Bytes;

// How llvm-readobj names the machines of the target table, in its order.
constexpr const char* kReadobjMachines[] = {
    "IMAGE_FILE_MACHINE_I386", "IMAGE_FILE_MACHINE_R4000", "IMAGE_FILE_MACHINE_SH3",
    "IMAGE_FILE_MACHINE_SH4",  "IMAGE_FILE_MACHINE_ARM",   "IMAGE_FILE_MACHINE_POWERPC"};

TEST(DllOutsideCheckTest, LlvmReadobjParsesAndWrestoolExtractsEveryTarget) {
    const bool readobj = test::HaveProgram("llvm-readobj"),
               wrestool = test::HaveProgram("wrestool");
    if (!readobj || !wrestool) {
        GTEST_SKIP() << "llvm-readobj or wrestool (icoutils) is not installed "
                        "(scripts/install-deps.sh installs them)";
    }
    test::TempDir dir;
    std::vector<fs::path> files;
    for (const char* name : {"glyph-4bit.ico", "mono-1bit.ico", "tile-8bit.ico", "multi.ico"}) {
        files.push_back(test::ExamplesDir() / name);
    }
    for (const TargetMachine& target : kTargetMachines) {
        const std::string dll = dir.file(std::string(target.name) + ".dll");
        CreateDll(target.machine, files, dll);
        const auto run = test::RunProcess(
            {"llvm-readobj", "--file-headers", "--sections", "--coff-resources", dll});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.err, "");
        // Four icon files with 2 + 1 + 1 + 5 images.
        for (const char* expected :
             {kReadobjMachines[target.index], "IMAGE_FILE_DLL", "Name: .rsrc", "Name: .reloc",
              "IMAGE_SUBSYSTEM_WINDOWS_CE_GUI", "Total Number of Resources: 13",
              "Type: ICON (ID 3)", "Type: GROUP_ICON (ID 14)", "Name: (ID 104)"}) {
            EXPECT_NE(run.out.find(expected), std::string::npos) << target.name << ": " << expected;
        }
        for (std::size_t k = 0; k < files.size(); ++k) {
            const auto extract = test::RunProcess(
                {"wrestool", "-x", "--type=14", "--name=" + std::to_string(101 + k), dll});
            ASSERT_EQ(extract.exitCode, 0) << extract.err;
            const Bytes extracted(extract.out.begin(), extract.out.end());
            const Bytes input = test::ReadBytes(files[k]);
            ASSERT_GE(extracted.size(), 6u) << files[k];
            ASSERT_EQ(test::Le16(extracted, 4), test::Le16(input, 4)) << files[k];
            for (std::size_t j = 0; j < test::Le16(input, 4); ++j) {
                EXPECT_EQ(test::IconImageBytes(extracted, j), test::IconImageBytes(input, j))
                    << target.name << " " << files[k] << " image " << j;
            }
        }
    }
}

} // namespace
} // namespace gw

#include "common/file_io.h"
#include "support/test_support.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <set>

namespace gw {
namespace {

namespace fs = std::filesystem;

// Names outside any single code page (Latin letters with umlauts, Japanese) pass whole through
// every command: from the command line to the files opened and written and back into what the
// CLI prints.
TEST(UnicodePathsCliTest, NamesOutsideTheCodePageWorkInEveryCommand) {
    test::TempDir dir;
    const fs::path folder = dir.path() / PathFromUtf8("\xC3\x84rger \xE6\x97\xA5\xE6\x9C\xAC");
    fs::create_directory(folder);
    const fs::path icon = folder / PathFromUtf8("\xE6\x97\xA5\xE6\x9C\xAC.ico");
    fs::copy_file(test::Example("multi.ico"), icon);
    const fs::path dll = folder / PathFromUtf8("\xC3\x84rger.dll");
    const fs::path out = folder / PathFromUtf8("\xC3\x96rdner");
    const fs::path kept = folder / PathFromUtf8("klein \xE6\x97\xA5.ico");

    const auto build = test::RunCli({"build", "-o", DisplayPath(dll), DisplayPath(icon)});
    EXPECT_EQ(build.exitCode, 0) << build.err;
    EXPECT_EQ(build.out.rfind(DisplayPath(dll) + ": X86, 1 icon group, 5 images, ", 0), 0u)
        << build.out;

    const auto inspect = test::RunCli({"inspect", DisplayPath(dll)});
    EXPECT_EQ(inspect.exitCode, 0) << inspect.err;
    EXPECT_EQ(inspect.out.rfind(DisplayPath(dll) + ": PE32 ", 0), 0u) << inspect.out;

    const auto extract = test::RunCli({"extract", DisplayPath(dll), "-o", DisplayPath(out)});
    EXPECT_EQ(extract.exitCode, 0) << extract.err;
    EXPECT_EQ(extract.out.rfind(
                  DisplayPath(out / "101.ico") + ": icon group 101, language 0, 5 images", 0),
              0u)
        << extract.out;

    const auto remove = test::RunCli(
        {"remove-images", DisplayPath(out / "101.ico"), "--keep", "0,4", "-o", DisplayPath(kept)});
    EXPECT_EQ(remove.exitCode, 0) << remove.err;
    EXPECT_EQ(remove.out.rfind(DisplayPath(kept) + ": 2 of 5 images kept", 0), 0u) << remove.out;

    // Every file under its own name and nothing else (no temporary file, no mangled name).
    std::set<fs::path> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename());
    }
    EXPECT_EQ(names, (std::set<fs::path>{icon.filename(), dll.filename(), out.filename(),
                                         kept.filename()}));
    EXPECT_EQ(test::FilesIn(out), 1u);
}

} // namespace
} // namespace gw

#include "common/paths.h"
#include "support/test_support.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <tuple>

namespace gw {
namespace {

TEST(PathsTest, WindowsRulesSplitAtTheLastBackslashOnly) {
    // A path, its file name, and its folder with and without the final backslash. A slash is a
    // name character.
    const std::tuple<std::string, std::string, std::string, std::string> cases[] = {
        {"C:\\A\\B.ico", "B.ico", "C:\\A\\", "C:\\A"},
        {"C:\\B.ico", "B.ico", "C:\\", "C:"},
        {"B.ico", "B.ico", "", ""},
        {"\\B.ico", "B.ico", "\\", "\\"},
        {"C:/A/B.ico", "C:/A/B.ico", "", ""},
        {"C:\\A\\", "", "C:\\A\\", "C:\\A"}};
    for (const auto& [path, name, withSlash, without] : cases) {
        EXPECT_EQ(GetFileName(path, '\\'), name) << path;
        EXPECT_EQ(GetDirectory(path, true, '\\'), withSlash) << path;
        EXPECT_EQ(GetDirectory(path, false, '\\'), without) << path;
    }
    EXPECT_EQ(GetFileName(std::string("a") + kNativeSeparator + "b.ico"), "b.ico");
    EXPECT_EQ(JoinPath("C:\\A", "B.dll", '\\'), "C:\\A\\B.dll");
    EXPECT_EQ(JoinPath("C:\\A\\", "B.dll", '\\'), "C:\\A\\B.dll");
    EXPECT_EQ(JoinPath("", "B.dll", '\\'), "B.dll");
}

TEST(PathsTest, EntriesAreFoundWithoutRegardToCase) {
    test::TempDir dir;
    const std::vector<std::string> vb = {"m.vb", "B.VB", "k.Vb", "a.vB", "z.vb", "C.vb",
                                         "q.VB", "e.vb", "y.Vb", "d.vb", "x.vb", "n.vb"};
    for (const std::string& name : vb) {
        test::WriteText(dir.path() / name, "");
    }
    test::WriteText(dir.path() / ".vb", "");     // no name before the extension
    test::WriteText(dir.path() / "app.vbp", ""); // another extension
    std::filesystem::create_directory(dir.path() / "folder.vb");
    std::vector<std::string> sorted = vb;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(FilesWithExtensionNoCase(dir.path(), ".vb"), sorted);
    EXPECT_EQ(FilesWithExtensionNoCase(dir.path() / "missing", ".vb"), std::vector<std::string>{});

    EXPECT_EQ(FindEntryNoCase(dir.path(), "FOLDER.VB"), "folder.vb");
    EXPECT_EQ(FindEntryNoCase(dir.path(), "absent"), std::nullopt);
    EXPECT_EQ(FindEntryNoCase(dir.path() / "missing", "a.vb"), std::nullopt);
#ifndef _WIN32
    // Where names differ only in case, the exact spelling wins, else the first in byte order.
    test::WriteText(dir.path() / "readme.TXT", "");
    test::WriteText(dir.path() / "README.txt", "");
    EXPECT_EQ(FindEntryNoCase(dir.path(), "Readme.txt"), "README.txt");
    test::WriteText(dir.path() / "Readme.txt", "");
    EXPECT_EQ(FindEntryNoCase(dir.path(), "Readme.txt"), "Readme.txt");
#endif
}

} // namespace
} // namespace gw

#include "common/paths.h"

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

} // namespace
} // namespace gw

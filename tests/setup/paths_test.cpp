#include "setup/paths.h"

#include <gtest/gtest.h>

namespace gw {
namespace {

TEST(PathsTest, WindowsRulesSplitAtTheLastBackslashOnly) {
    const char bs = '\\';
    EXPECT_EQ(GetFileName("C:\\A\\B.ico", bs), "B.ico");
    EXPECT_EQ(GetFileName("B.ico", bs), "B.ico");
    EXPECT_EQ(GetFileName("C:/A/B.ico", bs), "C:/A/B.ico"); // a slash is a name character
    EXPECT_EQ(GetDirectory("C:\\A\\B.ico", true, bs), "C:\\A\\");
    EXPECT_EQ(GetDirectory("C:\\A\\B.ico", false, bs), "C:\\A");
    EXPECT_EQ(GetDirectory("C:\\B.ico", true, bs), "C:\\");
    EXPECT_EQ(GetDirectory("C:\\B.ico", false, bs), "C:");
    EXPECT_EQ(GetDirectory("B.ico", true, bs), "");
    EXPECT_EQ(GetDirectory("\\B.ico", true, bs), "\\");
    EXPECT_EQ(GetDirectory("\\B.ico", false, bs), "\\");
    EXPECT_EQ(GetFileName("C:\\A\\", bs), "");
}

TEST(PathsTest, NativeSeparatorAndJoin) {
    EXPECT_EQ(GetFileName(std::string("a") + kNativeSeparator + "b.ico"), "b.ico");
    EXPECT_EQ(JoinPath("C:\\A", "B.dll", '\\'), "C:\\A\\B.dll");
    EXPECT_EQ(JoinPath("C:\\A\\", "B.dll", '\\'), "C:\\A\\B.dll");
    EXPECT_EQ(JoinPath("", "B.dll", '\\'), "B.dll");
}

} // namespace
} // namespace gw

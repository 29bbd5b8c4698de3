#include "common/error.h"
#include "setup/profile_document.h"
#include "support/test_support.h"

#include <array>
#include <filesystem>
#include <gtest/gtest.h>

namespace gw {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

// An INF as the install wizard writes it (abridged), lines ending in CR LF.
const std::string kAbridgedInf = test::TestData("setup/abridged.inf");

TEST(ProfileDocumentTest, ReadsAndEditsTheWizardInf) {
    ProfileDocument inf(kAbridgedInf, "MyApp.inf");
    // Blanks and one pair of enclosing quotes go; quotes inside and every "=" after the first stay.
    const std::vector<std::array<std::string, 3>> reads = {
        {"Version", "Signature", "$Windows NT$"},
        {"defaultinstall.sh3", "COPYFILES", "Files.SH3"},
        {"SourceDisksNames.SH3", "2", ",\"SH3 Files\",,SH3"},
        {"Strings", "Greeting", "Say \"hello\""},
        {"Strings", "Formula", "a=b+c"},
        {"Strings", "Empty", ""},
        {"DefaultInstall.ARM", "CopyFiles", ""},
        {"DefaultInstall", "AddReg", ""}};
    for (const auto& [section, key, value] : reads) {
        EXPECT_EQ(inf.read(section, key), value) << section << " " << key;
    }
    EXPECT_EQ(inf.keys("sourcedisksnames.sh3"), (Names{"2", "4", "3"}));
    EXPECT_EQ(inf.keys("Strings"), (Names{"AppName", "Greeting", "Formula", "Empty"}));
    EXPECT_TRUE(inf.keys("Files.Common").empty());

    // A value and a key list far beyond 255 characters go in and come back whole; every line
    // not written stays as it was.
    std::string files = "Files.SH3", expected = kAbridgedInf + "[SourceDisksFiles.SH3]\r\n";
    Names keys;
    for (int i = 0; i < 30; ++i) {
        files += ", Icons.SH3." + std::to_string(i);
        keys.push_back("SomeRatherLongKeyName" + std::to_string(i));
        inf.write("SourceDisksFiles.SH3", keys.back(), "1");
        expected += keys.back() + "=1\r\n";
    }
    inf.write("defaultinstall.sh3", "COPYFILES", files);
    inf.write("Strings", "Formula", "x=y=z");
    expected.replace(expected.find("CopyFiles = Files.SH3"), 21, "CopyFiles=" + files);
    expected.replace(expected.find("Formula = a=b+c"), 15, "Formula=x=y=z");
    EXPECT_EQ(inf.text(), expected);
    EXPECT_EQ(inf.keys("SourceDisksFiles.SH3"), keys);
    EXPECT_EQ(inf.read("DefaultInstall.SH3", "CopyFiles"), files);
}

TEST(ProfileDocumentTest, WritesKeepOtherLinesByteForByte) {
    // before, section, key, after writing key=v
    const std::vector<std::array<std::string, 4>> cases = {
        {"; Setup\n[S]   \r  A =  x  \r\n\t\r\nOdd line\r\n   \r\n[T]\r\nB=1\n\r\n", "s", "K",
         "; Setup\n[S]   \r  A =  x  \r\n\t\r\nOdd line\r\nK=v\r\n   \r\n[T]\r\nB=1\n\r\n"},
        {"[S]\r\n;IconFile = c\r\nIconFile = 1\r\n\tICONFILE\t=\t2\t\r\n[S]\r\nI=3\r\n", "s",
         "iconfile", "[S]\r\n;IconFile = c\r\nIconFile=v\r\n\tICONFILE\t=\t2\t\r\n[S]\r\nI=3\r\n"},
        {"[A]\r\n\r\n[B]\r\n", "A", "k", "[A]\r\nk=v\r\n\r\n[B]\r\n"},
        // A line that only holds a "]" is no section header.
        {"[A]\r\nx=1]\r\nk=1\r\n", "A", "k", "[A]\r\nx=1]\r\nk=v\r\n"},
        {"[S]\r\nA = 1", "S", "K", "[S]\r\nA = 1\r\nK=v\r\n"},
        {"[S]\r\nA = 1", "T", "k", "[S]\r\nA = 1\r\n[T]\r\nk=v\r\n"},
        {"[S]\r\nA = 1\n", "s", "a", "[S]\r\nA=v\r\n"},
        {"", "S", "k", "[S]\r\nk=v\r\n"}};
    for (const auto& [before, section, key, after] : cases) {
        ProfileDocument document(before);
        document.write(section, key, "v");
        EXPECT_EQ(document.text(), after) << testing::PrintToString(before);
    }
}

// A value reads back as it was written: blanks at its ends and quotes around it are kept by
// quoting it; other values are written as they are.
TEST(ProfileDocumentTest, ValuesReadBackAsWritten) {
    const std::pair<std::string, std::string> cases[] = {{" ,H, more", "k=\" ,H, more\"\r\n"},
                                                         {"a\t", "k=\"a\t\"\r\n"},
                                                         {"\"q\"", "k=\"\"q\"\"\r\n"},
                                                         {"\"half", "k=\"half\r\n"},
                                                         {"1, 2", "k=1, 2\r\n"},
                                                         {"", "k=\r\n"}};
    for (const auto& [value, line] : cases) {
        ProfileDocument document("[S]\r\n");
        document.write("S", "k", value);
        EXPECT_EQ(document.text(), "[S]\r\n" + line);
        EXPECT_EQ(ProfileDocument(document.text()).read("S", "k"), value);
    }
}

TEST(ProfileDocumentTest, FailuresThrowAndLeaveTheFile) {
    ProfileDocument document(kAbridgedInf, "MyApp.inf");
    const std::vector<std::array<std::string, 3>> unwritable = {
        {"S", "", "x"},   {"S", "a=b", "x"},    {"S", ";k", "x"},  {"", "k", "x"},
        {"S]", "k", "x"}, {"S", "k", "a\r\nb"}, {"S", "k", "a\nb"}};
    for (const auto& [section, key, value] : unwritable) {
        EXPECT_THROW(document.write(section, key, value), Error) << section << key;
    }
    EXPECT_EQ(document.text(), kAbridgedInf);

    // On disk: a missing file reads as empty, a folder cannot be read, a read-only file is not
    // replaced and no temporary file is left.
    test::TempDir dir;
    const std::string inf = dir.file("MyApp.inf");
    test::WriteText(inf, kAbridgedInf);
    EXPECT_EQ(ReadProfileString(dir.file("missing.inf"), "Version", "Signature"), "");
    EXPECT_THROW(ReadProfileString(dir.path(), "Version", "Signature"), Error);
    EXPECT_THROW(WriteProfileString(dir.file("no folder/x.inf"), "S", "k", "v"), Error);
    fs::permissions(inf, fs::perms::owner_read);
    const std::string error =
        test::ThrownBy([&] { WriteProfileString(inf, "Strings", "IconFile", "Icons.dll"); }).text;
    EXPECT_NE(error.find(inf), std::string::npos) << error;
    EXPECT_EQ(test::ReadText(inf), kAbridgedInf);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1);
}

} // namespace
} // namespace gw

#include "common/error.h"
#include "common/text.h"
#include "dll/dll_layout.h"
#include "dll/layout_check.h"
#include "dll/pe_reader.h"
#include "dll/target_machine.h"
#include "dll/write_dll.h"
#include "support/test_support.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>

namespace gw {
namespace {

using test::Bytes;

// The one-icon ARM DLL of glyph-4bit.ico.
Bytes SmallDll() {
    return DllBytes(BuildDllImage(TargetByName("ARM")->machine,
                                  {(test::ExamplesDir() / "glyph-4bit.ico").string()}));
}

// The cases of a file of tests/data/dll: copies of SmallDll with the patches of a line, each a
// little-endian VALUE of SIZE bytes (4 unless given) at AT, written "AT=VALUE[/SIZE]", and the
// text after " | " that the reader is to say about the copy. A patch past the end lengthens it.
std::vector<std::pair<Bytes, std::string>> PatchedCases(const std::string& name) {
    std::vector<std::pair<Bytes, std::string>> cases;
    std::istringstream lines(
        test::ReadText(std::filesystem::path(GLYPHWRIGHT_TEST_DATA_DIR) / "dll" / name));
    for (std::string line; std::getline(lines, line);) {
        const std::size_t bar = line.find(" | ");
        if (line.empty() || line[0] == '#' || bar == std::string::npos) {
            continue;
        }
        Bytes dll = SmallDll();
        std::istringstream patches(line.substr(0, bar));
        for (std::string patch; patches >> patch;) {
            std::size_t at = 0, size = 4;
            long long value = 0; // 64 bits everywhere: long has 32 on Windows
            EXPECT_GE(std::sscanf(patch.c_str(), "%zi=%lli/%zu", &at, &value, &size), 2) << patch;
            dll.resize(std::max(dll.size(), at + size));
            for (std::size_t i = 0; i < size; ++i) {
                dll[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
            }
        }
        cases.emplace_back(std::move(dll), line.substr(bar + 3));
    }
    EXPECT_GT(cases.size(), 5u) << name;
    return cases;
}

// Parses the bytes and takes every group's images apart; gives the error text, or a note.
std::string ErrorOf(const Bytes& dll, const std::string& name) {
    return test::ThrownBy([&] {
               const PeIconFile pe = ParsePeIconFile(dll, name);
               for (const PeIconGroup& group : pe.Groups) {
                   static_cast<void>(GroupImages(pe, group));
               }
           })
        .text;
}

TEST(PeReaderTest, LayoutCheckNamesTheFirstDifference) {
    for (const auto& [dll, expected] : PatchedCases("pe-differences.txt")) {
        const std::string difference =
            LayoutDifference(ParsePeIconFile(dll, "x.dll")).value_or("no difference");
        EXPECT_NE(difference.find(expected), std::string::npos)
            << "expected: " << expected << "\n   got: " << difference;
    }
}

// The check compares the file with the DLL as it is written, about 1 MiB at a time: a
// difference in the padding after a group is found at its own offset before and after the
// first chunk's end, one at the file's last byte too, and a longer file is told by its length.
TEST(PeReaderTest, LayoutCheckOfALargeFileFindsDifferencesInEveryChunk) {
    const std::vector<std::filesystem::path> icons(600, test::ExamplesDir() / "tile-8bit.ico");
    const DllImage image = BuildDllImage(TargetByName("SH4")->machine, icons);
    const Bytes dll = DllBytes(image);
    std::vector<std::size_t> paddings; // the first padding byte after each group's blob
    for (std::size_t m = static_cast<std::size_t>(image.imageCount()); m < image.DataEntries.size();
         ++m) {
        const ImageResourceDataEntry& group = image.DataEntries[m];
        paddings.push_back(static_cast<std::size_t>(group.OffsetToData + group.Size));
    }
    const auto past = std::lower_bound(paddings.begin(), paddings.end(), std::size_t{1} << 20);
    ASSERT_TRUE(past != paddings.begin() && past != paddings.end()) << dll.size();
    for (const std::size_t at : {*(past - 1), *past, dll.size() - 1}) {
        Bytes changed = dll;
        changed[at] ^= 0x5A;
        const std::string difference =
            LayoutDifference(ParsePeIconFile(changed, "x.dll")).value_or("none");
        EXPECT_EQ(difference.rfind("first difference at file offset " + Hex(at, 1) + " (", 0), 0u)
            << difference;
        char writes[8];
        std::snprintf(writes, sizeof writes, "0x%02X", dll[at]);
        EXPECT_NE(difference.find(" here, glyphwright writes " + std::string(writes)),
                  std::string::npos)
            << difference;
    }
    Bytes longer = dll;
    longer.resize(dll.size() + 16);
    EXPECT_EQ(LayoutDifference(ParsePeIconFile(longer, "x.dll")),
              "the file is " + std::to_string(longer.size()) +
                  " bytes long, the DLL glyphwright writes for its icons " +
                  std::to_string(dll.size()));
    EXPECT_EQ(LayoutDifference(ParsePeIconFile(dll, "x.dll")), std::nullopt);
}

TEST(PeReaderTest, EveryTruncationIsRefusedWithAReason) {
    const Bytes dll = SmallDll();
    for (std::size_t length = 0; length < dll.size(); ++length) {
        const std::string error = ErrorOf(Bytes(dll.begin(), dll.begin() + length), "cut.dll");
        EXPECT_EQ(error.rfind("cut.dll: ", 0), 0u) << length << ": " << error;
        EXPECT_TRUE(error.find("truncated") != std::string::npos ||
                    error.find("not a PE file") != std::string::npos)
            << length << ": " << error;
    }
}

// A group whose own data is damaged, or that holds no image, fails alone, naming itself; the
// file's other groups read.
TEST(PeReaderTest, ADamagedGroupLeavesTheOthersReadable) {
    const Bytes sound =
        DllBytes(BuildDllImage(kMachineX86, {(test::ExamplesDir() / "glyph-4bit.ico").string(),
                                             (test::ExamplesDir() / "multi.ico").string()}));
    const std::uint64_t count =
        ParsePeIconFile(sound, "two.dll").Groups.at(0).Resource.FileOffset + 4;
    const std::pair<std::uint8_t, std::string> cases[] = {
        {0xFF, "it says it holds 65535 images"},
        {0, "it holds 0 images, but an icon file holds at least one image"}};
    for (const auto& [value, cause] : cases) {
        Bytes dll = sound;
        dll[count] = dll[count + 1] = value;
        const PeIconFile file = ParsePeIconFile(dll, "two.dll");
        ASSERT_EQ(file.Groups.size(), 2u);
        EXPECT_EQ(GroupImages(file, file.Groups[1]).size(),
                  ReadIconFile(test::ExamplesDir() / "multi.ico").Images.size());
        const std::string error =
            test::ThrownBy([&] { return GroupImages(file, file.Groups[0]); }).text;
        EXPECT_TRUE(error.starts_with("two.dll: icon group 101, language 0: " + cause)) << error;
    }
}

TEST(PeReaderTest, DamagedStructuresAreRefusedNamingWhereAndWhy) {
    for (const auto& [dll, expected] : PatchedCases("pe-damaged.txt")) {
        const std::string error = ErrorOf(dll, "bad.dll");
        EXPECT_EQ(error.rfind("bad.dll: ", 0), 0u) << error;
        EXPECT_NE(error.find(expected), std::string::npos)
            << "expected: " << expected << "\n   got: " << error;
    }
}

} // namespace
} // namespace gw

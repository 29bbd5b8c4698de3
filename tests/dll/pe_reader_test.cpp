#include "common/byte_io.h"
#include "common/error.h"
#include "dll/create_dll.h"
#include "dll/pe_reader.h"
#include "dll/target_machine.h"
#include "dll/write_dll.h"
#include "support/test_support.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace gw {
namespace {

using test::Bytes;

// A value stored little-endian in `size` bytes at `at`; a patch past the end lengthens the file.
struct Patch {
    std::size_t at;
    std::uint32_t value;
    std::size_t size = 4;
};

// The patches that damage or change a DLL, and what the reader says about it.
using Case = std::pair<std::vector<Patch>, std::string>;

Bytes Patched(Bytes bytes, const std::vector<Patch>& patches) {
    for (const Patch& p : patches) {
        bytes.resize(std::max(bytes.size(), p.at + p.size));
        for (std::size_t i = 0; i < p.size; ++i) {
            bytes[p.at + i] = static_cast<std::uint8_t>(p.value >> (8 * i));
        }
    }
    return bytes;
}

// One icon with images of 744 and 296 bytes: the root directory at 0x1F0, RT_ICON's at 0x210,
// RT_GROUP_ICON's at 0x230, language directories at 0x248, data entries at 0x290, image 1 at
// 0x2C0, image 2 at 0x5A8, the 34-byte group at 0x6D0, the relocations at 0x700; 0x710 bytes.
Bytes SmallDll() {
    return DllBytes(BuildDllImage(0x01C0, {(test::ExamplesDir() / "glyph-4bit.ico").string()}));
}

// Parses the bytes and takes every group's images apart; gives the error text, or a note.
std::string ErrorOf(const Bytes& dll, const std::string& name) {
    try {
        const PeIconFile pe = ParsePeIconFile(dll, name);
        for (const PeIconGroup& group : pe.Groups) {
            GroupImages(pe, group);
        }
    } catch (const Error& e) {
        return e.what();
    }
    return "(no error)";
}

TEST(PeReaderTest, ReadsBackEveryTargetsDllImageForImage) {
    test::TempDir dir;
    std::vector<std::string> files;
    for (const char* name : {"glyph-4bit.ico", "mono-1bit.ico", "tile-8bit.ico", "multi.ico"}) {
        files.push_back((test::ExamplesDir() / name).string());
    }
    for (const TargetMachine& target : kTargetMachines) {
        SCOPED_TRACE(target.name);
        const std::string dll = dir.file(std::string(target.name) + ".dll");
        CreateDll(target.machine, files, dll);
        // Machine, groups and images must lay out again to the very same bytes.
        const PeIconFile pe = ReadPeIconFile(dll);
        EXPECT_EQ(LayoutDifference(pe), std::nullopt);
        ASSERT_EQ(pe.Sections.size(), 2u);
        EXPECT_EQ(pe.Sections[0].Name + pe.Sections[1].Name, ".rsrc.reloc");
        EXPECT_EQ(pe.Icons.size(), 9u);
        ASSERT_EQ(pe.Groups.size(), files.size());
        for (std::size_t k = 0; k < files.size(); ++k) {
            const Bytes input = test::ReadBytes(files[k]);
            const std::vector<IconImage> images = GroupImages(pe, pe.Groups[k]);
            ASSERT_EQ(images.size(), test::Le16(input, 4));
            for (std::size_t j = 0; j < images.size(); ++j) {
                ByteWriter out;
                PutIconImage(out, images[j]);
                EXPECT_EQ(out.take(), test::IconImageBytes(input, j)) << k << ", " << j;
            }
        }
    }
}

TEST(PeReaderTest, LayoutCheckNamesTheFirstDifference) {
    const Case cases[] = {
        {{{0xB1, 0x41, 1}},
         "0xB1 (the file header, TimeDateStamp): 0x41 here, glyphwright writes 0x40"},
        {{{0xF8, 0x800}}, "0xF8 (the optional header, SizeOfImage)"},
        {{{0x6F4, 1, 1}}, "0x6F4 (padding in the resource data)"},
        {{{0x710, 0, 1}}, "1809 bytes long, the DLL glyphwright writes for its icons 1808"},
        {{{0x6D0 + 6 + 8, 740}}, "image 0 says 740 bytes, its image has 744"},
        {{{0x258, 1033, 2}}, "0x258 (the resource directory): 0x09 here"},
    };
    for (const auto& [patches, expected] : cases) {
        const auto difference =
            LayoutDifference(ParsePeIconFile(Patched(SmallDll(), patches), "x.dll"));
        ASSERT_TRUE(difference.has_value()) << expected;
        EXPECT_NE(difference->find(expected), std::string::npos) << *difference;
    }
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

TEST(PeReaderTest, DamagedStructuresAreRefusedNamingWhereAndWhy) {
    const Case cases[] = {
        {{{1, 'X', 1}}, "not a PE file: it does not begin with \"MZ\""},
        {{{0x3C, 0xFFFFFFF0}}, "file header at file offset 0xFFFFFFF0: truncated"},
        {{{0xA9, 'X', 1}}, "the PE signature at file offset 0xA8: not a PE file"},
        {{{0xC0, 0x107, 2}}, "0x107 is neither PE32 (0x10B) nor PE32+"},
        {{{0xBC, 50, 2}}, "50 bytes long, too short for a PE32 optional"},
        {{{0x11C, 0xFFFFFFFF}},
         "4294967295 data directory entries, but its 224 bytes hold only 16"},
        // A named entry whose name lies outside every section.
        {{{0x240, 0x8FFFFFF0}},
         "the name of the RT_GROUP_ICON directory at file offset 0x230, entry 0 at RVA "
         "0x100001E0: the address lies in no section"},
        {{{0x294, 0x7FFFFFFF}}, "at RVA 0x2C0: 2147483647 bytes from there run past the end"},
        {{{0x204, 0x20}}, "entry 0: it leads to resource data where a directory belongs"},
        {{{0x224, 0x80000000}},
         "the language directory of RT_ICON 1 at file offset 0x1F0: the resource tree leads to "
         "this directory a second time (a loop)"},
        {{{0x25C, 0x80000048}}, "it leads to a fourth level"},
        {{{0x220, 0x10001}}, "its ID 0x10001 does not fit 16 bits"},
        {{{0x258, 0x10000}}, "its language 0x10000 is not a 16-bit"},
        {{{0x2B4, 2}}, "2 bytes are too few for the 6-byte group header"},
        {{{0x6D4, 0xFFFF, 2}},
         "icon group 101, language 0 at file offset 0x6D0: it says it holds 65535 images, but "
         "its 34 bytes hold only 2"},
        // The tree is sound, but the group's images are not.
        {{{0x6D0 + 6 + 12, 9, 2}}, "image 0: it refers to RT_ICON 9, which the file does not hold"},
        {{{0x2C0, 12}}, "image 0 (RT_ICON 1): the bitmap header size is 12"},
        // The group's data moved into image 1's pixels, naming image 1 three times.
        {{{0x2B0, 0x328},
          {0x2B4, 6 + 3 * 14},
          {0x32C, 3, 2},
          {0x33A, 1, 2},
          {0x348, 1, 2},
          {0x356, 1, 2}},
         "icon group 101, language 0: it repeats its images beyond the size of the file"},
    };
    for (const auto& [patches, expected] : cases) {
        const std::string error = ErrorOf(Patched(SmallDll(), patches), "bad.dll");
        EXPECT_EQ(error.rfind("bad.dll: ", 0), 0u) << error;
        EXPECT_NE(error.find(expected), std::string::npos)
            << "expected: " << expected << "\n   got: " << error;
    }
}

} // namespace
} // namespace gw

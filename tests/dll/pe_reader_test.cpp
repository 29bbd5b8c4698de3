#include "common/byte_io.h"
#include "common/error.h"
#include "dll/create_dll.h"
#include "dll/pe_reader.h"
#include "dll/target_machine.h"
#include "dll/write_dll.h"
#include "support/test_support.h"

#include <functional>
#include <gtest/gtest.h>

namespace gw {
namespace {

using test::Bytes;

const char* const kExamples[] = {"glyph-4bit.ico", "mono-1bit.ico", "tile-8bit.ico", "multi.ico"};

std::string Example(const char* name) {
    return (test::ExamplesDir() / name).string();
}

Bytes ImageBytes(const IconImage& image) {
    ByteWriter out;
    PutIconImage(out, image);
    return out.take();
}

void Set16(Bytes& b, std::size_t at, std::uint16_t v) {
    b.at(at) = static_cast<std::uint8_t>(v);
    b.at(at + 1) = static_cast<std::uint8_t>(v >> 8);
}

void Set32(Bytes& b, std::size_t at, std::uint32_t v) {
    Set16(b, at, static_cast<std::uint16_t>(v));
    Set16(b, at + 2, static_cast<std::uint16_t>(v >> 16));
}

// One icon with images of 744 and 296 bytes: the root directory at 0x1F0, RT_ICON's at 0x210,
// RT_GROUP_ICON's at 0x230, language directories at 0x248, data entries at 0x290, image 1 at
// 0x2C0, image 2 at 0x5A8, the 34-byte group at 0x6D0, the relocations at 0x700; 0x710 bytes.
Bytes SmallDll() {
    return DllBytes(BuildDllImage(0x01C0, {Example("glyph-4bit.ico")}));
}

std::string ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Error& e) {
        return e.what();
    }
    return "(no error)";
}

TEST(PeReaderTest, ReadsBackEveryTargetsDllImageForImage) {
    test::TempDir dir;
    std::vector<std::string> files;
    for (const char* name : kExamples) {
        files.push_back(Example(name));
    }
    for (const TargetMachine& target : kTargetMachines) {
        const std::string dll = dir.file(std::string(target.name) + ".dll");
        CreateDll(target.machine, files, dll);
        const PeIconFile pe = ReadPeIconFile(dll);
        EXPECT_EQ(pe.Machine, target.machine);
        EXPECT_TRUE(pe.isDll());
        EXPECT_FALSE(pe.Pe32Plus);
        ASSERT_EQ(pe.Sections.size(), 2u);
        EXPECT_EQ(pe.Sections[0].Name, ".rsrc");
        EXPECT_EQ(pe.Sections[1].Name, ".reloc");
        EXPECT_EQ(pe.Icons.size(), 9u);
        ASSERT_EQ(pe.Groups.size(), files.size());
        for (std::size_t k = 0; k < files.size(); ++k) {
            const PeIconGroup& group = pe.Groups[k];
            EXPECT_FALSE(group.Resource.Name.IsName);
            EXPECT_EQ(group.Resource.Name.Id, 101 + k);
            EXPECT_EQ(group.Resource.Language, 0);
            const Bytes input = test::ReadBytes(files[k]);
            const std::vector<IconImage> images = GroupImages(pe, group);
            ASSERT_EQ(images.size(), test::Le16(input, 4));
            for (std::size_t j = 0; j < images.size(); ++j) {
                EXPECT_EQ(ImageBytes(images[j]), test::IconImageBytes(input, j))
                    << target.name << " group " << k << " image " << j;
            }
        }
        EXPECT_EQ(LayoutDifference(pe), std::nullopt) << target.name;
    }
}

TEST(PeReaderTest, LayoutCheckNamesTheFirstDifference) {
    const struct {
        std::function<void(Bytes&)> change;
        std::string expected;
    } cases[] = {
        {[](Bytes& b) { b[0xB1] ^= 1; },
         "first difference at file offset 0xB1 (the file header, TimeDateStamp): 0x41 here, "
         "glyphwright writes 0x40"},
        {[](Bytes& b) { Set32(b, 0xF8, 0x800); }, "0xF8 (the optional header, SizeOfImage)"},
        {[](Bytes& b) { b[0x6F4] = 1; }, "0x6F4 (padding in the resource data)"},
        {[](Bytes& b) { b.push_back(0); }, "the file is 1809 bytes long, the DLL glyphwright "
                                           "writes for its icons 1808"},
        {[](Bytes& b) { Set32(b, 0x6D0 + 6 + 8, 740); },
         "icon group 101, language 0, image 0 says 740 bytes, its image has 744"},
        {[](Bytes& b) { Set16(b, 0x258, 1033); }, "0x258 (the resource directory): 0x09 here"},
    };
    for (const auto& c : cases) {
        Bytes dll = SmallDll();
        c.change(dll);
        const auto difference = LayoutDifference(ParsePeIconFile(dll, "x.dll"));
        ASSERT_TRUE(difference.has_value()) << c.expected;
        EXPECT_NE(difference->find(c.expected), std::string::npos) << *difference;
    }
}

TEST(PeReaderTest, EveryTruncationIsRefusedWithAReason) {
    const Bytes dll = SmallDll();
    for (std::size_t length = 0; length < dll.size(); ++length) {
        const std::string error =
            ErrorOf([&] { ParsePeIconFile(Bytes(dll.begin(), dll.begin() + length), "cut.dll"); });
        EXPECT_EQ(error.rfind("cut.dll: ", 0), 0u) << length << ": " << error;
        EXPECT_TRUE(error.find("truncated") != std::string::npos ||
                    error.find("not a PE file") != std::string::npos)
            << length << ": " << error;
    }
}

TEST(PeReaderTest, DamagedStructuresAreRefusedNamingWhereAndWhy) {
    const struct {
        std::function<void(Bytes&)> damage;
        std::string expected;
    } cases[] = {
        {[](Bytes& b) { b[1] = 'X'; }, "not a PE file: it does not begin with \"MZ\""},
        {[](Bytes& b) { Set32(b, 0x3C, 0xFFFFFFF0); },
         "the PE signature and file header at file offset 0xFFFFFFF0: truncated"},
        {[](Bytes& b) { b[0xA9] = 'X'; }, "the PE signature at file offset 0xA8: not a PE file"},
        {[](Bytes& b) { Set16(b, 0xC0, 0x107); }, "0x107 is neither PE32 (0x10B) nor PE32+"},
        {[](Bytes& b) { Set16(b, 0xBC, 50); }, "50 bytes long, too short for a PE32 optional"},
        {[](Bytes& b) { Set32(b, 0x11C, 0xFFFFFFFF); },
         "claims 4294967295 data directory entries, but its 224 bytes hold only 16"},
        {[](Bytes& b) { Set16(b, 0xAE, 0xFFFF); }, "the section table of 65535 sections"},
        {[](Bytes& b) { Set32(b, 0x1B4, 0x7FFFFFF0); },
         "section .rsrc: truncated: its 1296 bytes at file offset 0x7FFFFFF0 run past the end"},
        {[](Bytes& b) { Set32(b, 0x130, 0x7FFFFFF0); },
         "the root resource directory at RVA 0x7FFFFFF0: the address lies in no section"},
        {[](Bytes& b) { Set16(b, 0x1FE, 0xFFFF); },
         "the root resource directory with 65535 entries at RVA 0x1F0: 524296 bytes"},
        {[](Bytes& b) { Set32(b, 0x204, 0x8FFFFFF0); }, "the RT_ICON directory at RVA 0x100001E0"},
        {[](Bytes& b) { Set32(b, 0x204, 0x20); },
         "entry 0: it leads to resource data where a directory belongs"},
        {[](Bytes& b) { Set32(b, 0x224, 0x80000000); },
         "the language directory of RT_ICON 1 at file offset 0x1F0: the resource tree leads to "
         "this directory a second time (a loop)"},
        {[](Bytes& b) { Set32(b, 0x25C, 0x80000048); }, "it leads to a fourth level"},
        {[](Bytes& b) { Set32(b, 0x220, 0x10001); }, "its ID 0x10001 does not fit 16 bits"},
        {[](Bytes& b) { Set32(b, 0x240, 0x8FFFFFF0); },
         "the name of the RT_GROUP_ICON directory at file offset 0x230, entry 0 at RVA"},
        {[](Bytes& b) { Set32(b, 0x290, 0x7FFFFFF0); },
         "the data of RT_ICON 1, language 0 at RVA 0x7FFFFFF0: the address lies in no section"},
        {[](Bytes& b) { Set32(b, 0x294, 0x7FFFFFFF); },
         "the data of RT_ICON 1, language 0 at RVA 0x2C0: 2147483647 bytes from there run past"},
        {[](Bytes& b) { Set32(b, 0x2B4, 2); }, "2 bytes are too few for the 6-byte group header"},
        {[](Bytes& b) { Set16(b, 0x6D4, 0xFFFF); },
         "icon group 101, language 0 at file offset 0x6D0: it says it holds 65535 images, but "
         "its 34 bytes hold only 2"},
        // Taken apart, but the images cannot be.
        {[](Bytes& b) { Set16(b, 0x6D0 + 6 + 12, 9); },
         "icon group 101, language 0, image 0: it refers to RT_ICON 9, which the file does not "
         "hold"},
        {[](Bytes& b) { Set32(b, 0x2C0, 12); },
         "icon group 101, language 0, image 0 (RT_ICON 1): the bitmap header size is 12"},
        {[](Bytes& b) {
             // The group's data moved into image 1's pixels, naming image 1 three times.
             Set32(b, 0x2B0, 0x328);
             Set32(b, 0x2B4, 6 + 3 * 14);
             Set16(b, 0x32C, 3);
             for (std::size_t j = 0; j < 3; ++j) {
                 Set16(b, 0x328 + 6 + 14 * j + 12, 1);
             }
         },
         "icon group 101, language 0: it repeats its images beyond the size of the file"},
    };
    for (const auto& c : cases) {
        Bytes dll = SmallDll();
        c.damage(dll);
        const std::string error = ErrorOf([&] {
            const PeIconFile pe = ParsePeIconFile(dll, "bad.dll");
            for (const PeIconGroup& group : pe.Groups) {
                GroupImages(pe, group);
            }
        });
        EXPECT_EQ(error.rfind("bad.dll: ", 0), 0u) << error;
        EXPECT_NE(error.find(c.expected), std::string::npos)
            << "expected: " << c.expected << "\n   got: " << error;
    }
}

TEST(PeReaderTest, AnyDamagedHeaderOrTreeByteFailsCleanlyOrReads) {
    const Bytes dll = SmallDll();
    int refused = 0;
    for (std::size_t at = 0; at < 0x2C0; ++at) {
        Bytes damaged = dll;
        damaged[at] ^= 0xFF;
        try {
            const PeIconFile pe = ParsePeIconFile(damaged, "flip.dll");
            for (const PeIconGroup& group : pe.Groups) {
                GroupImages(pe, group);
            }
            LayoutDifference(pe);
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()).rfind("flip.dll: ", 0), 0u) << at << ": " << e.what();
            ++refused;
        }
    }
    // The stub, the signature block and many header fields are not read; the tree is.
    EXPECT_GT(refused, 50);
}

} // namespace
} // namespace gw

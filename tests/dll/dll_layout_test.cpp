#include "common/error.h"
#include "dll/create_dll.h"
#include "dll/pe_header.h"
#include "dll/target_machine.h"
#include "dll/write_dll.h"
#include "support/test_support.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace gw {
namespace {

using test::Bytes;
using test::Le16;
using test::Le32;
using test::TempDir;

constexpr std::int32_t kX86 = 0x014C;

// Builds a DLL in memory from the icon files.
Bytes BuildBytes(const std::vector<std::string>& files, std::int32_t machine = kX86) {
    return DllBytes(BuildDllImage(machine, files));
}

// A 32x32 4-bit image is 744 bytes, 16x16 4-bit 296 bytes and 32x32 8-bit 2216 bytes.
TEST(DllLayoutTest, OneFileWithTwoImages) {
    TempDir dir;
    const auto icon = test::WriteIcon(dir, "a.ico", {{32, 32, 4}, {16, 16, 4}});
    const Bytes dll = BuildBytes({icon});
    const Bytes input = test::ReadBytes(icon);
    constexpr std::size_t rsrc = 0x1F0;

    ASSERT_EQ(dll.size(), 0x710u);
    EXPECT_EQ(Bytes(dll.begin(), dll.begin() + 172),
              Bytes(PeHeaderTemplate().begin(), PeHeaderTemplate().end()));
    // Every header and resource-directory field of the worked example: offset, width, value.
    struct Field {
        std::size_t at;
        int width;
        std::uint32_t value;
    };
    // clang-format off
    const Field fields[] = {
        // File header and optional header.
        {0xAC, 2, 0x014C}, {0xAE, 2, 2}, {0xB0, 4, 0x37C54026}, {0xB4, 4, 0},
        {0xB8, 4, 0}, {0xBC, 2, 224}, {0xBE, 2, 0x210E}, {0xC0, 2, 0x010B},
        {0xC2, 1, 6}, {0xC3, 1, 0}, {0xC4, 4, 0}, {0xC8, 4, 0x520},
        {0xCC, 4, 0}, {0xD0, 4, 0}, {0xD4, 4, 496}, {0xD8, 4, 496},
        {0xDC, 4, 0x10000}, {0xE0, 4, 16}, {0xE4, 4, 16}, {0xE8, 2, 4},
        {0xEA, 2, 0}, {0xEC, 4, 0}, {0xF0, 2, 2}, {0xF2, 2, 0},
        {0xF4, 4, 0}, {0xF8, 4, 0x710}, {0xFC, 4, 496}, {0x100, 4, 0},
        {0x104, 2, 9}, {0x106, 2, 0}, {0x108, 4, 0x100000}, {0x10C, 4, 0x1000},
        {0x110, 4, 0x100000}, {0x114, 4, 0x1000}, {0x118, 4, 0}, {0x11C, 4, 16},
        // Data directories 2 (resources) and 5 (relocations); the others are checked below.
        {0x130, 4, 496}, {0x134, 4, 0x508}, {0x148, 4, 0x700}, {0x14C, 4, 8},
        // Section table: ".rsrc" then ".reloc".
        {0x1A0, 4, 0x7273722E}, {0x1A4, 4, 0x63}, {0x1A8, 4, 0x508}, {0x1AC, 4, 496},
        {0x1B0, 4, 0x510}, {0x1B4, 4, 496}, {0x1B8, 4, 0}, {0x1BC, 4, 0},
        {0x1C0, 4, 0}, {0x1C4, 4, 0x40000040}, {0x1C8, 4, 0x6C65722E}, {0x1CC, 4, 0x636F},
        {0x1D0, 4, 12}, {0x1D4, 4, 0x700}, {0x1D8, 4, 16}, {0x1DC, 4, 0x700},
        {0x1EC, 4, 0x42000040},
        // Root directory, RT_ICON directory at 0x20, RT_GROUP_ICON directory at 0x40.
        {rsrc + 12, 2, 0}, {rsrc + 14, 2, 2}, {rsrc + 16, 4, 3}, {rsrc + 20, 4, 0x80000020},
        {rsrc + 24, 4, 14}, {rsrc + 28, 4, 0x80000040}, {rsrc + 0x2E, 2, 2}, {rsrc + 0x30, 4, 1},
        {rsrc + 0x34, 4, 0x80000058}, {rsrc + 0x38, 4, 2}, {rsrc + 0x3C, 4, 0x80000070}, {rsrc + 0x4E, 2, 1},
        {rsrc + 0x50, 4, 101}, {rsrc + 0x54, 4, 0x80000088},
        // Relocation block: VirtualAddress 0, SizeOfBlock 8, then 8 zero bytes.
        {0x700, 4, 0}, {0x704, 4, 8}, {0x708, 4, 0}, {0x70C, 4, 0},
    };
    // clang-format on
    for (const Field& f : fields) {
        const std::uint32_t actual = f.width == 1   ? dll[f.at]
                                     : f.width == 2 ? Le16(dll, f.at)
                                                    : Le32(dll, f.at);
        EXPECT_EQ(actual, f.value) << "at 0x" << std::hex << f.at;
    }
    for (std::size_t k : {0, 1, 3, 4, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}) {
        EXPECT_EQ(Le32(dll, 0x120 + 8 * k) | Le32(dll, 0x124 + 8 * k), 0u) << "directory " << k;
    }
    // Language directories at 0x58 lead to the data entries at 0xA0, which point at the blobs:
    // images at 0x2C0 and 0x5A8, the group at 0x6D0.
    const std::uint32_t blobAt[] = {0x2C0, 0x5A8, 0x6D0};
    const std::uint32_t blobSize[] = {744, 296, 34};
    for (std::size_t m = 0; m < 3; ++m) {
        const std::size_t lang = rsrc + 0x58 + 24 * m;
        EXPECT_EQ(Le16(dll, lang + 14), 1);
        EXPECT_EQ(Le32(dll, lang + 16), 0u);
        EXPECT_EQ(Le32(dll, lang + 20), 0xA0u + 16 * m);
        EXPECT_EQ(Le32(dll, rsrc + 0xA0 + 16 * m), blobAt[m]);
        EXPECT_EQ(Le32(dll, rsrc + 0xA4 + 16 * m), blobSize[m]);
        EXPECT_EQ(Le32(dll, rsrc + 0xA8 + 16 * m), 0u);
    }
    // Image blobs are the input's image bytes, unchanged.
    EXPECT_EQ(Bytes(dll.begin() + 0x2C0, dll.begin() + 0x2C0 + 744),
              test::IconImageBytes(input, 0));
    EXPECT_EQ(Bytes(dll.begin() + 0x5A8, dll.begin() + 0x5A8 + 296),
              test::IconImageBytes(input, 1));
    // The group: the .ico header, then 14-byte entries with the RT_ICON IDs, 6 bytes padding.
    const std::size_t g = 0x6D0;
    EXPECT_EQ(Le16(dll, g + 2), 1);
    EXPECT_EQ(Le16(dll, g + 4), 2);
    const std::uint8_t entry0[] = {32, 32, 16, 0, 1, 0, 4, 0, 0xE8, 0x02, 0, 0, 1, 0};
    EXPECT_EQ(Bytes(dll.begin() + g + 6, dll.begin() + g + 20), Bytes(entry0, entry0 + 14));
    EXPECT_EQ(dll[g + 20], 16); // the second entry's width
    EXPECT_EQ(Le16(dll, g + 32), 2);
    EXPECT_EQ(Bytes(dll.begin() + g + 34, dll.begin() + 0x700), Bytes(14, 0));
}

TEST(DllLayoutTest, TwoFilesInterleaveImagesAndGroups) {
    TempDir dir;
    const auto a = test::WriteIcon(dir, "a.ico", {{32, 32, 4}});
    const auto b = test::WriteIcon(dir, "b.ico", {{32, 32, 4}, {16, 16, 4}, {32, 32, 8}});
    const Bytes dll = BuildBytes({a, b});
    constexpr std::size_t rsrc = 0x1F0;
    ASSERT_EQ(dll.size(), 0x1350u);
    EXPECT_EQ(Le32(dll, 0x130 + 4), 0x1338u - 0x1F0); // resources end at DataCursor
    EXPECT_EQ(Le32(dll, 0x148), 0x1340u);             // RelocOffset
    // Data entries in the order ID 1, 2, 3, 4, group 101, group 102.
    const std::uint32_t blobAt[] = {0x350, 0x650, 0x938, 0xA60, 0x638, 0x1308};
    const std::uint32_t blobSize[] = {744, 744, 296, 2216, 20, 48};
    const std::size_t entries = rsrc + 0x40 + 32 * 6;
    for (std::size_t m = 0; m < 6; ++m) {
        EXPECT_EQ(Le32(dll, entries + 16 * m), blobAt[m]) << m;
        EXPECT_EQ(Le32(dll, entries + 16 * m + 4), blobSize[m]) << m;
    }
    // RT_ICON IDs 1..4 and groups 101, 102, in ascending order.
    EXPECT_EQ(Le16(dll, rsrc + 0x20 + 14), 4);
    for (std::uint32_t j = 0; j < 4; ++j) {
        EXPECT_EQ(Le32(dll, rsrc + 0x30 + 8 * j), j + 1);
    }
    const std::size_t groups = rsrc + 0x30 + 8 * 4;
    EXPECT_EQ(Le16(dll, groups + 14), 2);
    EXPECT_EQ(Le32(dll, groups + 16), 101u);
    EXPECT_EQ(Le32(dll, groups + 24), 102u);
    // Group 102's entries carry IDs 2, 3, 4; the 8-bit image's colour count is 0.
    EXPECT_EQ(Le16(dll, 0x1308 + 6 + 12), 2);
    EXPECT_EQ(Le16(dll, 0x1308 + 20 + 12), 3);
    EXPECT_EQ(Le16(dll, 0x1308 + 34 + 12), 4);
    EXPECT_EQ(dll[0x1308 + 34 + 2], 0);
    // The 20-byte group of file 0 is followed by 4 zero bytes; the 48-byte one by none.
    EXPECT_EQ(Le32(dll, 0x638 + 20), 0u);
}

TEST(DllLayoutTest, OneImageAndTheSameFileTwice) {
    TempDir dir;
    const auto one = test::WriteIcon(dir, "one.ico", {{16, 16, 1}});
    const Bytes single = BuildBytes({one});
    // F = 1, N = 1: data start 560 + 96 = 656; the image (176 bytes), then the group (20 bytes
    // and 4 of padding), then 8 bytes of padding to the relocation block at 864.
    const std::size_t entries = 0x1F0 + 0x40 + 32 * 2;
    EXPECT_EQ(Le32(single, entries), 656u);
    EXPECT_EQ(Le32(single, entries + 16), 656u + 176);
    EXPECT_EQ(Le32(single, entries + 20), 20u);
    EXPECT_EQ(single.size(), 880u);

    const Bytes twice = BuildBytes({one, one});
    const std::size_t entries2 = 0x1F0 + 0x40 + 32 * 4;
    // Images 1 and 2 are copies; groups 101 and 102 point at them.
    EXPECT_EQ(Le32(twice, 0x1F0 + 0x30), 1u);
    EXPECT_EQ(Le32(twice, 0x1F0 + 0x38), 2u);
    const std::uint32_t image1 = Le32(twice, entries2);
    const std::uint32_t image2 = Le32(twice, entries2 + 16);
    EXPECT_TRUE(
        std::equal(twice.begin() + image1, twice.begin() + image1 + 176, twice.begin() + image2));
    EXPECT_EQ(Le16(twice, Le32(twice, entries2 + 32) + 6 + 12), 1);
    EXPECT_EQ(Le16(twice, Le32(twice, entries2 + 48) + 6 + 12), 2);
}

TEST(DllLayoutTest, TargetsDifferOnlyInTheMachineField) {
    TempDir dir;
    const auto icon = test::WriteIcon(dir, "a.ico", {{32, 32, 4}, {16, 16, 1}, {48, 48, 8}});
    const Bytes x86 = BuildBytes({icon, icon});
    for (const TargetMachine& target : kTargetMachines) {
        const Bytes other = BuildBytes({icon, icon}, target.machine);
        ASSERT_EQ(other.size(), x86.size());
        EXPECT_EQ(Le16(other, 0xAC), target.machine);
        for (std::size_t i = 0; i < x86.size(); ++i) {
            if (i != 0xAC && i != 0xAD && x86[i] != other[i]) {
                ADD_FAILURE() << target.name << " differs at " << i;
                break;
            }
        }
    }
}

TEST(DllLayoutTest, EveryBlobStartsOnEightAndTheFileEndsOnSixteen) {
    TempDir dir;
    // Images of 176 to 2216 bytes and groups of 1, 2 and 3 images: every padding case.
    std::vector<std::string> files = {
        test::WriteIcon(dir, "a.ico", {{16, 16, 1}}),
        test::WriteIcon(dir, "b.ico", {{16, 16, 4}, {32, 32, 1}}),
        test::WriteIcon(dir, "c.ico", {{32, 32, 8}, {16, 16, 2}, {24, 24, 4}}),
    };
    const DllImage image = BuildDllImage(kX86, files);
    const Bytes dll = DllBytes(image);
    EXPECT_EQ(dll.size() % 16, 0u);
    EXPECT_EQ(static_cast<std::int32_t>(dll.size()), image.OptionalHeader.SizeOfImage);
    for (const ImageResourceDataEntry& e : image.DataEntries) {
        EXPECT_EQ(e.OffsetToData % 8, 0);
        // The padding after each blob is zero.
        const std::size_t end = static_cast<std::size_t>(e.OffsetToData + e.Size);
        for (std::size_t i = end; i % 8 != 0; ++i) {
            EXPECT_EQ(dll[i], 0) << i;
        }
    }
    EXPECT_EQ(image.DataEntries.front().OffsetToData, 560 + 48 * (3 + 6));
}

TEST(DllLayoutTest, HelpersRoundPadAndNameSections) {
    EXPECT_EQ(RoundUp(0, 8), 0);
    EXPECT_EQ(RoundUp(1, 8), 8);
    EXPECT_EQ(RoundUp(8, 8), 8);
    EXPECT_EQ(RoundUp(-3, 16), -3);
    EXPECT_THROW(RoundUp(INT32_MAX - 2, 16), Error);
    std::array<std::uint8_t, 8> name{9, 9, 9, 9, 9, 9, 9, 9};
    StringToBytes(name, ".rsrc");
    EXPECT_EQ(name, (std::array<std::uint8_t, 8>{'.', 'r', 's', 'r', 'c', 0, 0, 0}));
    StringToBytes(name, ".toolongname");
    EXPECT_EQ(name[7], 'g'); // cut at eight bytes

    ByteWriter out;
    std::int32_t position = 13;
    PadToAlignment(out, position, 8);
    EXPECT_EQ(position, 16);
    EXPECT_EQ(out.buffer(), Bytes(3, 0));
    ResourceDirectory dir;
    dir.NumberOfIdEntries = 1;
    dir.Entries.push_back({7, 0x80000010u});
    EXPECT_EQ(PutResourceDirectory(out, dir), 24);
    EXPECT_EQ(out.buffer().size(), 27u);
}

TEST(DllLayoutTest, RefusesAnEmptyListAndMoreImagesThanItsIdsCanNumber) {
    EXPECT_THROW(BuildDllImage(kX86, {}), Error);
    TempDir dir;
    const auto refusal = [](const std::vector<std::string>& files) -> std::string {
        try {
            BuildDllImage(kX86, files);
        } catch (const Error& e) {
            return e.what();
        }
        return "accepted";
    };
    // 2341 images: the group resource (6 + 14 per image) no longer fits 16 bits.
    std::vector<Bytes> images(2341, test::MakeImage(1, 1, 1));
    const std::string many = dir.file("many.ico"), most = dir.file("most.ico");
    test::WriteBytes(many, test::MakeIcon(images));
    EXPECT_EQ(refusal({many}), many + ": its 2,341 images do not fit one icon group, which holds "
                                      "at most 2,340 (its 16-bit size is 6 + 14 per image)");
    images.resize(2340);
    test::WriteBytes(most, test::MakeIcon(images));
    EXPECT_EQ(BuildDllImage(kX86, {most}).imageCount(), 2340);

    // 13 files of 2340 images and their groups make 30,433 resources; with one more file of
    // 2333 images they are exactly 32,767, which still fit.
    const std::string passing = dir.file("passing.ico"), rest = dir.file("rest.ico");
    std::filesystem::copy_file(most, passing);
    std::vector<std::string> files(13, most);
    images.resize(2333);
    test::WriteBytes(rest, test::MakeIcon(images));
    files.push_back(rest);
    EXPECT_EQ(BuildDllImage(kX86, files).imageCount(), 32767 - 14);
    // A 14th file of 2340 images passes the limit; with 3 more such files and one of 203
    // images they come to 39,983 images and 18 groups.
    files.back() = passing;
    files.insert(files.end(), 3, most);
    images.resize(203);
    test::WriteBytes(rest, test::MakeIcon(images));
    files.push_back(rest);
    EXPECT_EQ(refusal(files), passing +
                                  ": more than 32,767 resources in one DLL: 40,001 (39,983 images "
                                  "and 18 icon groups, whose IDs are 16-bit); the limit is passed "
                                  "with this file");
}

TEST(CreateDllTest, WritesTheFileAndReplacesALongerOne) {
    TempDir dir;
    const auto icon = test::WriteIcon(dir, "a.ico", {{32, 32, 4}});
    const std::string out = dir.file("out.dll");
    test::WriteBytes(out, Bytes(100000, 0xAA));
    const DllSummary summary = CreateDll(kX86, {icon}, out);
    EXPECT_EQ(summary.groups, 1);
    EXPECT_EQ(summary.images, 1);
    const Bytes written = test::ReadBytes(out);
    EXPECT_EQ(static_cast<std::int64_t>(written.size()), summary.bytes);
    EXPECT_EQ(written, BuildBytes({icon}));
}

TEST(CreateDllTest, FailuresLeaveTheOldDllAndNoPartialFile) {
    TempDir dir;
    const auto icon = test::WriteIcon(dir, "a.ico", {{32, 32, 4}});
    const std::string out = dir.file("out.dll");
    const Bytes old(500, 0x5A);
    test::WriteBytes(out, old);
    auto fileCount = [&] {
        return std::distance(std::filesystem::directory_iterator(dir.path()), {});
    };
    const auto before = fileCount();

    // A missing icon anywhere in the list.
    try {
        CreateDll(kX86, {icon, dir.file("missing.ico"), icon}, out);
        ADD_FAILURE() << "a missing icon was accepted";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("missing.ico"), std::string::npos);
    }
    EXPECT_EQ(test::ReadBytes(out), old);

    // A read-only old DLL is not replaced behind the user's back.
    std::filesystem::permissions(out, std::filesystem::perms::owner_read |
                                          std::filesystem::perms::group_read);
    EXPECT_THROW(CreateDll(kX86, {icon}, out), Error);
    EXPECT_EQ(test::ReadBytes(out), old);
    EXPECT_EQ(fileCount(), before);

    // A folder that does not exist.
    try {
        CreateDll(kX86, {icon}, dir.file("nowhere/out.dll"));
        ADD_FAILURE() << "a missing folder was accepted";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("does not exist"), std::string::npos) << e.what();
    }
    EXPECT_EQ(fileCount(), before);
}

} // namespace
} // namespace gw

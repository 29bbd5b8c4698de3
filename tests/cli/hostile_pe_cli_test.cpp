// inspect and extract on PE files made to hurt: names with terminal controls, names too long
// to be file names, groups that name one large image over and over.

#include "support/test_support.h"

#include <gtest/gtest.h>

namespace gw {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::Put;

// A PE32 DLL whose only section holds a resource tree of one RT_ICON (ID 1, the image) and one
// RT_GROUP_ICON per entry of groupNames, each named names[groupNames[g]] (every group of one
// name points at the same stored string) and holding RT_ICON 1.
Bytes NamedGroupsDll(const std::vector<std::u16string>& names,
                     const std::vector<std::size_t>& groupNames, const Bytes& image) {
    const auto groups = static_cast<std::uint32_t>(groupNames.size());
    constexpr std::uint32_t kHigh = 0x80000000, kRva = 0x1000, kFileAt = 0x200;
    // Offsets in the section: the directories, the data entries, the names, then the data.
    const std::uint32_t iconDir = 32, iconLanguages = iconDir + 24, groupDir = iconLanguages + 24;
    const std::uint32_t groupLanguages = groupDir + 16 + 8 * groups;
    const std::uint32_t entries = groupLanguages + 24 * groups;
    std::uint32_t nameAt = entries + 16 * (groups + 1);
    std::vector<std::uint32_t> nameOffsets;
    for (const std::u16string& name : names) {
        nameOffsets.push_back(nameAt);
        nameAt += 2 + 2 * static_cast<std::uint32_t>(name.size());
    }
    const std::uint32_t imageAt = (nameAt + 3) & ~3u;
    const std::uint32_t groupsAt = imageAt + static_cast<std::uint32_t>(image.size());
    const auto directory = [](Bytes& b, std::uint32_t named, std::uint32_t ids) {
        Put(b, 4, {0, 0});
        Put(b, 2, {0, 0, named, ids});
    };
    Bytes rsrc;
    directory(rsrc, 0, 2);
    Put(rsrc, 4, {3, kHigh | iconDir, 14, kHigh | groupDir});
    directory(rsrc, 0, 1);
    Put(rsrc, 4, {1, kHigh | iconLanguages});
    directory(rsrc, 0, 1);
    Put(rsrc, 4, {0, entries});
    directory(rsrc, groups, 0);
    for (std::uint32_t g = 0; g < groups; ++g) {
        Put(rsrc, 4, {kHigh | nameOffsets[groupNames[g]], kHigh | (groupLanguages + 24 * g)});
    }
    for (std::uint32_t g = 0; g < groups; ++g) {
        directory(rsrc, 0, 1);
        Put(rsrc, 4, {1033, entries + 16 * (g + 1)});
    }
    Put(rsrc, 4, {kRva + imageAt, static_cast<std::uint32_t>(image.size()), 0, 0});
    for (std::uint32_t g = 0; g < groups; ++g) {
        Put(rsrc, 4, {kRva + groupsAt + 20 * g, 20, 0, 0});
    }
    for (const std::u16string& name : names) {
        Put(rsrc, 2, {static_cast<std::uint32_t>(name.size())});
        for (const char16_t unit : name) {
            Put(rsrc, 2, {unit});
        }
    }
    rsrc.resize(imageAt);
    rsrc.insert(rsrc.end(), image.begin(), image.end());
    for (std::uint32_t g = 0; g < groups; ++g) {
        Put(rsrc, 2, {0, 1, 1});                     // GRPICONDIR
        Put(rsrc, 1, {32, 32, 0, 0});                // width, height, colours, reserved
        Put(rsrc, 2, {1, 8});                        // planes, bit count
        Put(rsrc, 4, {std::uint32_t(image.size())}); // bytes
        Put(rsrc, 2, {1});                           // RT_ICON 1
    }
    const auto size = static_cast<std::uint32_t>(rsrc.size());

    Bytes dll(0x40, 0);
    dll[0] = 'M';
    dll[1] = 'Z';
    dll[0x3C] = 0x40;
    Put(dll, 4, {0x4550});                     // "PE\0\0"
    Put(dll, 2, {0x14C, 1, 0, 0, 0, 0});       // machine, one section, time, symbols
    Put(dll, 2, {0, 0, 224, 0x2102});          // symbol count, optional header size, DLL
    Put(dll, 2, {0x10B});                      // PE32
    dll.resize(0x40 + 24 + 92, 0);             // up to NumberOfRvaAndSizes
    Put(dll, 4, {16, 0, 0, 0, 0, kRva, size}); // export, import, resource directories
    dll.resize(0x40 + 24 + 224, 0);
    const Bytes name = {'.', 'r', 's', 'r', 'c', 0, 0, 0};
    dll.insert(dll.end(), name.begin(), name.end());
    Put(dll, 4, {size, kRva, size, kFileAt, 0, 0, 0, 0x40000040});
    dll.resize(kFileAt, 0);
    dll.insert(dll.end(), rsrc.begin(), rsrc.end());
    return dll;
}

// Whether the text holds a byte a terminal takes as a control: below 0x20 but for the line
// ends, 0x7F, or a C1 control (U+0080 to U+009F, 0xC2 0x80 to 0xC2 0x9F in UTF-8).
bool HasControls(const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if ((c < 0x20 && c != '\n') || c == 0x7F ||
            (c == 0xC2 && i + 1 < text.size() &&
             (static_cast<unsigned char>(text[i + 1]) & 0xE0) == 0x80)) {
            return true;
        }
    }
    return false;
}

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

TEST(HostilePeCliTest, NamesWithControlsPrintEscapedAndStillNameTheirFiles) {
    test::TempDir dir;
    const std::string dll = dir.file("controls.dll");
    test::WriteBytes(dll, NamedGroupsDll({u"A\x1b[2JB", u"C\u009bD",
                                          u"E\x7f\x01"
                                          u"F",
                                          u"G\nH"},
                                         {0, 1, 2, 3}, test::MakeImage(32, 32, 8)));
    const auto inspect = test::RunCli({"inspect", dll});
    EXPECT_EQ(inspect.exitCode, 0) << inspect.err;
    const fs::path out = dir.path() / "out";
    const auto extract = test::RunCli({"extract", dll, "-o", out.string()});
    EXPECT_EQ(extract.exitCode, 0) << extract.err;
    const struct {
        std::string shown, file;
    } cases[] = {{"\"A\\x1b[2JB\"", "A__2JB.ico"},
                 {"\"C\\u009bD\"", "C\u009bD.ico"},
                 {"\"E\\x7f\\x01F\"", "E__F.ico"},
                 {"\"G\\x0aH\"", "G_H.ico"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        EXPECT_NE(inspect.out.find("icon group " + c.shown + ", language 1033: 1 image\n"),
                  std::string::npos)
            << inspect.out;
        EXPECT_NE(extract.out.find(": icon group " + c.shown + ", language 1033, 1 image, "),
                  std::string::npos)
            << extract.out;
        EXPECT_TRUE(
            fs::is_regular_file(out / fs::path(reinterpret_cast<const char8_t*>(c.file.c_str()))));
    }
    EXPECT_FALSE(HasControls(inspect.out + inspect.err + extract.out + extract.err));
    // The file named with a C1 control is shown with it escaped, as written.
    EXPECT_NE(extract.out.find("C\\u009bD.ico: "), std::string::npos) << extract.out;

    // Messages too: the group asked for and missing lists the others escaped.
    const auto missing = test::RunCli({"extract", dll, "-o", out.string(), "--group", "Z"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("\"A\\x1b[2JB\", \"C\\u009bD\""), std::string::npos) << missing.err;
    EXPECT_FALSE(HasControls(missing.err));
}

TEST(HostilePeCliTest, LongNamesAreCutWhenShownAndLeftOutWhenNoFileCanBeNamedSo) {
    test::TempDir dir;
    const std::string dll = dir.file("long.dll");
    const std::u16string longName(300, u'N'), hugeName(5000, u'M');
    // Two groups share the huge name, as a file may make thousands share one.
    test::WriteBytes(dll, NamedGroupsDll({u"GOOD", longName, hugeName}, {1, 0, 2, 2},
                                         test::MakeImage(32, 32, 8)));
    const std::string shown300 = "\"" + std::string(256, 'N') + "…(44 more)\"";
    const std::string shown5000 = "\"" + std::string(256, 'M') + "…(4744 more)\"";

    const auto inspect = test::RunCli({"inspect", dll});
    EXPECT_EQ(inspect.exitCode, 0) << inspect.err;
    EXPECT_EQ(Count(inspect.out, "icon group " + shown300 + ", language 1033: 1 image\n"), 1u);
    EXPECT_EQ(Count(inspect.out, "icon group " + shown5000 + ", language 1033: 1 image\n"), 2u);
    EXPECT_EQ(inspect.out.find(std::string(257, 'M')), std::string::npos);

    const fs::path out = dir.path() / "out";
    const auto extract = test::RunCli({"extract", dll, "-o", out.string()});
    EXPECT_EQ(extract.exitCode, 1);
    // The good group is written; the others are told, each with its cause.
    EXPECT_EQ(test::FilesIn(out), 1u);
    EXPECT_TRUE(fs::is_regular_file(out / "GOOD.ico"));
    EXPECT_EQ(Count(extract.err, "glyphwright-cli: " + dll + ": icon group " + shown300 +
                                     ", language 1033: its name cannot be a file name here (" +
                                     std::string(64, 'N') + "…(240 more)): "),
              1u)
        << extract.err;
    EXPECT_EQ(Count(extract.err, "glyphwright-cli: " + dll + ": icon group " + shown5000 +
                                     ", language 1033: its name is too long for a file name\n"),
              2u)
        << extract.err;
    EXPECT_EQ(Count(extract.err, "\n"), 3u) << extract.err;
}

TEST(HostilePeCliTest, ExtractRefusesOutputBeyondItsLimitBeforeWritingAnything) {
    test::TempDir dir;
    // 200 groups naming one image of 1 MiB: 200 MiB of icon files from a DLL of 1 MiB.
    const std::string big = dir.file("big.dll");
    test::WriteBytes(big, NamedGroupsDll({u"G"}, std::vector<std::size_t>(200, 0),
                                         Bytes(std::size_t{1} << 20, 0xAB)));
    const std::uint64_t bigSize = fs::file_size(big);
    // Five groups naming one image of 1,000 bytes: 5 x (6 + 16 + 1,000) bytes. Three share
    // their name and language and are numbered, past the name another group has taken.
    const std::string small = dir.file("small.dll");
    test::WriteBytes(small,
                     NamedGroupsDll({u"A", u"a-1033-2", u"B"}, {1, 0, 0, 2, 0}, Bytes(1000, 0xCD)));
    const struct {
        std::string dll;
        std::vector<std::string> options;
        int exitCode;
        std::string message; // the end of the message, or "" when all is written
    } cases[] = {
        {big,
         {},
         1,
         "would write " + std::to_string(200 * ((1 << 20) + 22)) +
             " bytes, more than the limit of " + std::to_string(64 * bigSize + (64 << 20)) +
             " bytes (64 times the file's size plus 64 MiB); nothing was written "
             "(--max-output BYTES sets the limit)\n"},
        {small,
         {"--max-output", "5109"},
         1,
         "would write 5110 bytes, more than the limit of 5109 bytes; nothing was written "
         "(--max-output BYTES sets the limit)\n"},
        {small, {"--max-output=5110"}, 0, ""},
        {small, {}, 0, ""},
    };
    int n = 0;
    for (const auto& c : cases) {
        const fs::path out = dir.path() / ("out" + std::to_string(++n));
        std::vector<std::string> words = {"extract", c.dll, "-o", out.string()};
        words.insert(words.end(), c.options.begin(), c.options.end());
        SCOPED_TRACE(out.string());
        const auto run = test::RunCli(words);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        if (c.message.empty()) {
            EXPECT_EQ(test::FilesIn(out), 5u);
            for (const char* file :
                 {"A-1033.ico", "A-1033-3.ico", "A-1033-4.ico", "a-1033-2.ico"}) {
                EXPECT_TRUE(fs::is_regular_file(out / file)) << file;
            }
        } else {
            EXPECT_EQ(run.err, "glyphwright-cli: " + c.dll + ": its icon groups " + c.message);
            EXPECT_FALSE(fs::exists(out));
        }
    }
    const auto usage = test::RunCli({"extract", small, "-o", dir.file("x"), "--max-output", "1k"});
    EXPECT_EQ(usage.exitCode, 2);
    EXPECT_NE(usage.err.find("--max-output takes a number of bytes, not \"1k\""), std::string::npos)
        << usage.err;
}

} // namespace
} // namespace gw

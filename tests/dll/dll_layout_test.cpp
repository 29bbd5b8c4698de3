#include "common/error.h"
#include "common/file_io.h"
#include "dll/create_dll.h"
#include "dll/dll_layout.h"
#include "dll/layout_check.h"
#include "dll/pe_reader.h"
#include "dll/target_machine.h"
#include "dll/write_dll.h"
#include "support/test_support.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <sstream>

namespace gw {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::TempDir;

// The worked layouts of tests/data/dll/layout-*.txt: the icon files to pack ("icon NAME
// WxHxBITS..."), their order ("files"), the DLL's length and one "offset size value name" row per
// field, whose value is a little-endian number, "machine" for the target's or "iconI.imageJ" for
// that image of the I-th file packed. Every byte no row names is zero.
struct Row {
    std::size_t at = 0, size = 0;
    std::string value, name;
};

void CheckGolden(const fs::path& path) {
    std::map<std::string, std::vector<std::tuple<int, int, int>>> icons;
    std::vector<std::string> files;
    std::size_t length = 0;
    std::vector<Row> rows;
    std::istringstream lines(test::ReadText(path));
    for (std::string line, key, word; std::getline(lines, line);) {
        std::istringstream words(line);
        if (!(words >> key) || key[0] == '#') {
            continue;
        }
        if (key == "icon" && words >> word) {
            for (int w, h, b; words >> key && std::sscanf(key.c_str(), "%dx%dx%d", &w, &h, &b);) {
                icons[word].emplace_back(w, h, b);
            }
        } else if (key == "files") {
            while (words >> word) {
                files.push_back(word);
            }
        } else if (key == "length" && words >> word) {
            length = std::stoul(word, nullptr, 0);
        } else {
            Row& row = rows.emplace_back(Row{std::stoul(key, nullptr, 0), 0, "", ""});
            words >> row.size >> row.value >> std::ws;
            std::getline(words, row.name);
        }
    }
    TempDir dir;
    std::vector<Bytes> inputs;
    for (std::string& name : files) {
        name =
            fs::exists(dir.file(name)) ? dir.file(name) : test::WriteIcon(dir, name, icons[name]);
        inputs.push_back(test::ReadBytes(name));
    }
    for (const TargetMachine& target : kTargetMachines) {
        const Bytes dll = DllBytes(BuildDllImage(target.machine, PathsFromUtf8(files)));
        ASSERT_EQ(dll.size(), length) << target.name;
        // The reader finds the same machine, groups and images, which lay out to these bytes.
        const PeIconFile pe = ParsePeIconFile(dll, path.string());
        EXPECT_EQ(pe.Machine, target.machine);
        EXPECT_EQ(LayoutDifference(pe), std::nullopt) << target.name;
        std::vector<bool> named(dll.size());
        for (const Row& row : rows) {
            std::size_t i = 0, j = 0;
            Bytes want = std::sscanf(row.value.c_str(), "icon%zu.image%zu", &i, &j) == 2
                             ? test::IconImageBytes(inputs.at(i), j)
                             : Bytes();
            const auto value = !want.empty()            ? 0
                               : row.value == "machine" ? target.machine
                                                        : std::stoul(row.value, nullptr, 0);
            for (std::size_t k = want.size(); k < row.size; ++k) {
                want.push_back(static_cast<std::uint8_t>(value >> (8 * k)));
            }
            ASSERT_LE(row.at + want.size(), dll.size()) << row.name;
            EXPECT_TRUE(std::equal(want.begin(), want.end(), dll.begin() + row.at))
                << target.name << ": " << row.name << " at " << row.at << " is not " << row.value;
            std::fill_n(named.begin() + row.at, want.size(), true);
        }
        std::size_t at = 0;
        while (at < dll.size() && (named[at] || dll[at] == 0)) {
            ++at;
        }
        EXPECT_EQ(at, dll.size()) << target.name << ": a padding byte is not zero";
    }
}

TEST(DllLayoutTest, EveryByteOfTheWorkedLayoutsOnEveryTarget) {
    int layouts = 0;
    for (const auto& file : fs::directory_iterator(fs::path(GLYPHWRIGHT_TEST_DATA_DIR) / "dll")) {
        if (!file.path().filename().string().starts_with("layout-")) {
            continue;
        }
        SCOPED_TRACE(file.path().filename().string());
        CheckGolden(file.path());
        ++layouts;
    }
    EXPECT_EQ(layouts, 4);
}

TEST(DllLayoutTest, RefusesAnEmptyListAndMoreImagesThanItsIdsCanNumber) {
    EXPECT_THROW(static_cast<void>(BuildDllImage(kMachineX86, {})), Error);
    TempDir dir;
    const auto refusal = [](const std::vector<std::string>& files) {
        std::string accepted;
        const std::string error =
            test::ThrownBy([&] {
                accepted =
                    "accepted " +
                    std::to_string(BuildDllImage(kMachineX86, PathsFromUtf8(files)).imageCount());
            }).text;
        return accepted.empty() ? error : accepted;
    };
    const auto icon = [&](const std::string& name, std::size_t images) {
        test::WriteBytes(dir.file(name),
                         test::MakeIcon(std::vector<Bytes>(images, test::MakeImage(1, 1, 1))));
        return dir.file(name);
    };
    // A group resource (6 + 14 bytes per image) fits 16 bits up to 2340 images.
    const std::string most = icon("most.ico", 2340), many = icon("many.ico", 2341);
    EXPECT_EQ(refusal({most}), "accepted 2340");
    EXPECT_EQ(refusal({many}), many + ": its 2,341 images do not fit one icon group, which holds "
                                      "at most 2,340 (its 16-bit size is 6 + 14 per image)");
    // 13 files of 2340 images, one of 2333 and their 14 groups are exactly 32,767 resources.
    std::vector<std::string> files(13, most);
    files.push_back(icon("rest.ico", 2333));
    EXPECT_EQ(refusal(files), "accepted 32753");
    // A 14th file of 2340 images passes the limit; the message counts all files.
    files.back() = icon("passing.ico", 2340);
    files.insert(files.end(), 3, most);
    files.push_back(icon("tail.ico", 203));
    EXPECT_EQ(refusal(files), dir.file("passing.ico") +
                                  ": more than 32,767 resources in one DLL: 40,001 (39,983 images "
                                  "and 18 icon groups, whose IDs are 16-bit); the limit is passed "
                                  "with this file");
}

// The DLL replaces a longer file with the bytes laid out for it. (Refusals that leave every file
// as it was are the CLI's tests.)
TEST(CreateDllTest, ReplacesALongerFileWithTheLaidOutBytes) {
    TempDir dir;
    const auto icon = test::WriteIcon(dir, "a.ico", {{32, 32, 4}});
    const std::string out = dir.file("out.dll");
    test::WriteBytes(out, Bytes(100000, 0xAA));
    EXPECT_EQ(CreateDll(kMachineX86, {icon}, out).Bytes, 0x5A0);
    EXPECT_EQ(test::ReadBytes(out), DllBytes(BuildDllImage(kMachineX86, {icon})));
}

} // namespace
} // namespace gw

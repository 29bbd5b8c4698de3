#include "common/error.h"
#include "setup/text_file.h"
#include "support/test_support.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <vector>

namespace gw {
namespace {

namespace fs = std::filesystem;
using namespace test;

// The lines, each followed by "|".
std::string Joined(const TextFile& text) {
    std::string joined;
    for (std::int32_t n = 1; n <= text.Lines(); ++n) {
        joined += text.Line(n) + "|";
    }
    return joined;
}

std::string LoadLines(const TempDir& dir, const std::string& content, std::int32_t blockSize) {
    WriteText(dir.file("text.txt"), content);
    TextFile text;
    text.BlockSize(blockSize);
    text.Load(dir.file("text.txt"));
    EXPECT_EQ(text.ErrorNum(), 0);
    return Joined(text);
}

// The codes are compared as the unsigned values callers know them by, the texts as UTF-8 bytes.
void ExpectError(const TextFile& text, std::uint32_t code, const std::string& message) {
    EXPECT_EQ(static_cast<std::uint32_t>(text.ErrorNum()), code);
    EXPECT_EQ(text.ErrorMsg(), message);
}

TEST(TextFileTest, SplitsLinesTheSameInEveryBlockSize) {
    // The LF before d stays in its line while a CR follows later; without one it ends a line.
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"a\r\nb\rc\nd\r\n", "a|b|c\nd|"},
        {"a\r\nb\rc\nd", "a|b|c|d|"},
        {"a\n\nb\n", "a||b|"},
        {"a\r\rb\r", "a||b|"},
        {"a\n\r\nb", "a\n|b|"}};
    TempDir dir;
    for (const auto& [content, lines] : cases) {
        for (std::int32_t size = 1; size <= static_cast<std::int32_t>(content.size()) + 1; ++size) {
            EXPECT_EQ(LoadLines(dir, content, size), lines)
                << testing::PrintToString(content) << " in blocks of " << size;
        }
    }
    // Random texts split in small blocks as in one.
    std::uint32_t seed = 12345;
    const auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 16 & 0x7FFF; };
    for (int round = 0; round < 300; ++round) {
        std::string content;
        for (std::size_t i = 0, length = 1 + next() % 16; i < length; ++i) {
            content += "ab\r\n"[next() % 4];
        }
        const auto size = static_cast<std::int32_t>(1 + next() % 6);
        EXPECT_EQ(LoadLines(dir, content, size), LoadLines(dir, content, 0))
            << testing::PrintToString(content) << " in blocks of " << size;
    }
}

TEST(TextFileTest, LoadAndLoadListBoxFailuresKeepWhatWasThere) {
    struct List : TextFile::ListBox {
        void Clear() override { items = "cleared|"; }
        void AddItem(const std::string& text) override { items += text + "|"; }
        std::string items;
    } list;
    TempDir dir;
    WriteText(dir.file("good.txt"), "kept\r\n");
    WriteText(dir.file("list.txt"), "one\r\ntwo\rthree\r\n");
    WriteText(dir.file("empty.txt"), "");
    const std::string missing = "O Ficheiro N\xC3\xA3o Existe";
    TextFile text;
    text.BlockSize(-5); // taken as the default: a negative size would fail the first load
    for (const std::string& bad : {dir.file("empty.txt"), dir.file("missing.txt")}) {
        text.Load(dir.file("good.txt"));
        ExpectError(text, 0, "");
        text.Load(bad);
        ExpectError(text, 0x80040001u, missing);
        text.LoadListBox(dir.file("list.txt"), list);
        ExpectError(text, 0, "");
        text.LoadListBox(bad, list);
        ExpectError(text, 0x80040001u, missing);
    }
    EXPECT_EQ(list.items, "cleared|one|two|three|");
    EXPECT_THROW(text.Load(dir.path().string()), Error); // a folder cannot be read
    EXPECT_EQ(Joined(text), "kept|");
}

TEST(TextFileTest, LinesAndSearch) {
    TextFile text;
    text.CreateNew(4);
    EXPECT_EQ(Joined(text), "||||");
    // A write drops one final LF, then one final CR.
    const std::pair<std::string, std::string> writes[] = {
        {"x\r\n", "x"}, {"x\n\r", "x\n"}, {"x\r\r", "x\r"}, {"x\n\n", "x\n"}, {"a\rb", "a\rb"}};
    for (const auto& [given, stored] : writes) {
        text.Line(3, given);
        EXPECT_EQ(text.Line(3), stored) << testing::PrintToString(given);
    }
    EXPECT_THROW(text.Line(0, "x"), Error);
    EXPECT_THROW(text.Line(5, "x"), Error);
    EXPECT_EQ(text.Line(0) + text.Line(5), "");
    text.Line(1, "Run CABWIZ to rebuild");
    text.Line(2, "cabwiz x cabwizcabwiz");
    text.Line(4, "see CabWiz.log");
    text.CreateNew(0); // fails and keeps the lines searched below
    ExpectError(text, 0x80040005u, "Subscript out of range");
    EXPECT_EQ(text.FindFirst("", 0), 0);
    EXPECT_EQ(text.FindFirst("CabWiz", 1), 4);
    ASSERT_EQ(text.FindFirst("cAbWiz", 0), 1);
    EXPECT_EQ(text.FoundPos(), 5);
    // What each FindNext returns and the FoundPos after it.
    const std::pair<std::int32_t, std::int16_t> next[] = {{2, 1}, {2, 10}, {2, 16},
                                                          {4, 5}, {0, 0},  {0, 0}};
    for (const auto& [line, pos] : next) {
        EXPECT_EQ(text.FindNext(), line);
        EXPECT_EQ(text.FoundPos(), pos);
    }
    text.Line(3, "aaaa");
    ASSERT_EQ(text.FindFirst("aa", 1), 3);
    EXPECT_EQ(text.FindNext(), 3); // the next match begins after the last one
    EXPECT_EQ(text.FoundPos(), 3);
}

TEST(TextFileTest, SaveWritesCrLfLinesOrFailsLeavingTheOldFile) {
    TempDir dir;
    const std::string path = dir.file("out.txt");
    const std::string content = "caf\xE9\r\n\r\n\tline\r\nlast\r\n";
    WriteText(path, content);
    TextFile text;
    text.Save(path); // no lines: the file stays as it is, as the load below shows
    ExpectError(text, 0x80040002u, "Guardar: N\xC3\xA3o H\xC3\xA1 Nada Para Guardar");
    text.Load(path);
    for (std::int32_t size : {1, 3, 0}) {
        WriteText(path, "a much longer former content\r\nwith more lines\r\n\r\n\r\n");
        text.BlockSize(size);
        text.Save(path);
        ExpectError(text, 0, "");
        EXPECT_EQ(ReadText(path), content) << size;
    }
    text.Save("");
    ExpectError(text, 0x80040003u, "Guardar: Ficheiro N\xC3\xA3o Especificado");
    fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    const std::string cannot = "Guardar: N\xC3\xA3o Foi Poss\xC3\xADvel Gravar o Ficheiro ";
    for (const std::string& to : {path, dir.file("no such folder/out.txt"), dir.path().string()}) {
        text.Save(to);
        ExpectError(text, 0x80040004u, cannot + to);
    }
    EXPECT_EQ(ReadText(path), content);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1); // no temporary file
}

} // namespace
} // namespace gw

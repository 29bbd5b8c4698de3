#include "common/error.h"
#include "setup/text_file.h"
#include "support/test_support.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <tuple>

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

TEST(TextFileTest, LoadsAndSavesTheSameInEveryBlockSize) {
    // A file, its lines, and the file they are saved as. An LF stays inside its line while a CR
    // follows anywhere later; after the last CR it ends a line.
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"a\r\nb\rc\nd\r\n", "a|b|c\nd|", "a\r\nb\r\nc\nd\r\n"},
        {"a\r\nb\rc\nd", "a|b|c|d|", "a\r\nb\r\nc\r\nd\r\n"},
        {"a\n\nb\n", "a||b|", "a\r\n\r\nb\r\n"},
        {"a\r\rb\r", "a||b|", "a\r\n\r\nb\r\n"},
        {"a\n\r\nb", "a\n|b|", "a\n\r\nb\r\n"},
        {"\r\n\r\n", "||", "\r\n\r\n"},
        {"\n\ra\n", "\n|a|", "\n\r\na\r\n"},
        {"a\rb\nc\n\rd\ne", "a|b\nc\n|d|e|", "a\r\nb\nc\n\r\nd\r\ne\r\n"},
        {"caf\xE9\r\n\tx", "caf\xE9|\tx|", "caf\xE9\r\n\tx\r\n"}};
    TempDir dir;
    const std::string in = dir.file("in.txt"), out = dir.file("out.txt");
    for (const auto& [content, lines, saved] : cases) {
        WriteText(in, content);
        // 0 stands for the default size; the others make lines cross block boundaries.
        for (std::int32_t size = 0; size <= static_cast<std::int32_t>(content.size()); ++size) {
            SCOPED_TRACE(testing::PrintToString(content) + " in blocks of " + std::to_string(size));
            TextFile text;
            text.BlockSize(size);
            text.Load(in);
            EXPECT_EQ(Joined(text), lines);
            WriteText(out, "a much longer former content\r\n\r\n");
            text.Save(out);
            EXPECT_EQ(ReadText(out), saved);
        }
    }
}

TEST(TextFileTest, FailuresThrowTheirTextAndChangeNothing) {
    struct List : TextFile::ListBox {
        void Clear() override { items = "cleared|"; }
        void AddItem(const std::string& text) override { items += text + "|"; }
        std::string items;
    } list;
    TempDir dir;
    const std::string path = dir.file("out.txt"), folder = dir.path().string();
    const std::string empty = dir.file("empty.txt"), none = dir.file("none.txt");
    WriteText(path, "kept\r\n");
    WriteText(empty, "");
    TextFile text;
    text.BlockSize(-5); // taken as the default: a negative size would fail the first load
    EXPECT_EQ(ThrownBy([&] { text.Save(path); }).text,
              "Guardar: N\xC3\xA3o H\xC3\xA1 Nada Para Guardar: " + path);
    text.Load(path);
    text.LoadListBox(path, list);
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::remove);
    const std::string missing = "O Ficheiro N\xC3\xA3o Existe: ";
    const std::string cannot = "Guardar: N\xC3\xA3o Foi Poss\xC3\xADvel Gravar o Ficheiro ";
    // The failing call, the start of its message and its end.
    std::vector<std::tuple<std::function<void()>, std::string, std::string>> failures = {
        {[&] { text.Load(empty); }, missing + empty, ": the file is empty"},
        {[&] { text.Load(none); }, missing + none, ": there is no such file"},
        {[&] { text.Load(folder); }, folder, ": it is a folder, not a file"},
        {[&] { text.CreateNew(0); }, "Subscript out of range: ", "at least one line"},
        {[&] { text.Save(""); }, "Guardar: Ficheiro N\xC3\xA3o Especificado", "Especificado"},
        {[&] { text.Save(path); }, cannot + path + ": ", "read-only"},
        {[&] { text.Save(none + "/x"); }, cannot + none + "/x: ", "does not exist"},
        {[&] { text.Save(folder); }, cannot + folder + ": ", "it is a folder, not a file"}};
#ifndef _WIN32
    failures.push_back(
        {[&] { text.LoadListBox("/dev/null", list); }, "/dev/null", ": it is not a regular file"});
#endif
    for (const auto& [run, begins, ends] : failures) {
        const std::string message = ThrownBy(run).text;
        EXPECT_TRUE(message.starts_with(begins) && message.ends_with(ends)) << message;
    }
    EXPECT_EQ(Joined(text), "kept|");
    EXPECT_EQ(list.items, "cleared|kept|");
    EXPECT_EQ(ReadText(path), "kept\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 2); // no temporary file
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

} // namespace
} // namespace gw

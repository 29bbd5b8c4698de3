#include "setup/text_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/error.h"
#include "support/test_support.h"

namespace gw {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;
using test::ReadText;
using test::TempDir;
using test::WriteText;

Lines AllLines(const TextFile& text) {
    Lines lines;
    for (std::int32_t n = 1; n <= text.Lines(); ++n) {
        lines.push_back(text.Line(n));
    }
    return lines;
}

// Loads content with the given block size and returns the lines.
Lines LoadLines(const TempDir& dir, const std::string& content,
                std::int32_t blockSize = TextFile::kDefaultBlockSize) {
    const std::string path = dir.file("text.txt");
    WriteText(path, content);
    TextFile text;
    text.BlockSize(blockSize);
    text.Load(path);
    EXPECT_EQ(text.ErrorNum(), 0);
    EXPECT_EQ(text.ErrorMsg(), "");
    return AllLines(text);
}

std::size_t FilesIn(const fs::path& directory) {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(directory)) {
        ++count;
    }
    return count;
}

class RecordingList : public TextFile::ListBox {
public:
    void Clear() override {
        ++clears;
        items.clear();
    }
    void AddItem(const std::string& text) override { items.push_back(text); }

    int clears = 0;
    Lines items;
};

// ---- the error table ----------------------------------------------------------------------

TEST(TextFileTest, ErrorCodesAreTheSigned32BitValues) {
    EXPECT_EQ(TextFile::kErrFileMissing, -2147221503);
    EXPECT_EQ(TextFile::kErrNothingToSave, -2147221502);
    EXPECT_EQ(TextFile::kErrNoFileName, -2147221501);
    EXPECT_EQ(TextFile::kErrCannotSave, -2147221500);
    EXPECT_EQ(TextFile::kErrCannotCreate, -2147221499);
}

TEST(TextFileTest, ErrorTextsAreThePortugueseOnesInUtf8) {
    EXPECT_EQ(TextFile::kMsgFileMissing, "O Ficheiro N\xC3\xA3o Existe");
    EXPECT_EQ(TextFile::kMsgNothingToSave, "Guardar: N\xC3\xA3o H\xC3\xA1 Nada Para Guardar");
    EXPECT_EQ(TextFile::kMsgNoFileName, "Guardar: Ficheiro N\xC3\xA3o Especificado");
    EXPECT_EQ(TextFile::kMsgCannotSave, "Guardar: N\xC3\xA3o Foi Poss\xC3\xADvel Gravar o Ficheiro ");
}

TEST(TextFileTest, FreshObjectAndPublicFields) {
    TextFile text;
    EXPECT_EQ(text.BlockSize(), 32768);
    EXPECT_EQ(text.ErrorNum(), 0);
    EXPECT_EQ(text.ErrorMsg(), "");
    EXPECT_EQ(text.Lines(), 0);
    EXPECT_EQ(text.FoundPos(), 0);
    EXPECT_EQ(text.Line(1), "");

    text.BlockSize(100);
    text.ErrorNum(7);
    text.ErrorMsg("x");
    EXPECT_EQ(text.BlockSize(), 100);
    EXPECT_EQ(text.ErrorNum(), 7);
    EXPECT_EQ(text.ErrorMsg(), "x");
}

// ---- splitting into lines -----------------------------------------------------------------

struct SplitCase {
    std::string content;
    Lines lines;
};

const std::vector<SplitCase>& SplitCases() {
    static const std::vector<SplitCase> cases = {
        // CR LF and a lone CR end lines; the LF before d ends a line since no CR follows it.
        {"a\r\nb\rc\nd", {"a", "b", "c", "d"}},
        // The rule over its example: that LF comes before a later CR, so it stays in its line.
        {"a\r\nb\rc\nd\r\n", {"a", "b", "c\nd"}},
        {"a\r\n\r\nb", {"a", "", "b"}},
        {"\r\n\r\n", {"", ""}},
        {"a\nb\rc", {"a\nb", "c"}},
        {"a\nb\n", {"a", "b"}},
        {"a\n\nb", {"a", "", "b"}},
        {"a\r\rb", {"a", "", "b"}},
        {"a\r\n\nb", {"a", "", "b"}},
        {"a\n\r\nb", {"a\n", "b"}},
        {"a\rb\r", {"a", "b"}}, // a lone CR at the end of the file ends its line too
        {"a\r", {"a"}},
        {"\r", {""}},
        {"\n", {""}},
        {"x", {"x"}},
        {"one line\r\n", {"one line"}},
        {"\r\nlast", {"", "last"}},
        {"tab\there\r\n  blanks kept  \r\n", {"tab\there", "  blanks kept  "}},
        {std::string("nul\0inside\r\n", 12), {std::string("nul\0inside", 10)}},
        {"caf\xE9 na\xEFve \xFF\r\n\x80\x81", {"caf\xE9 na\xEFve \xFF", "\x80\x81"}},
    };
    return cases;
}

TEST(TextFileTest, SplitsAtLineEndsByTheRule) {
    TempDir dir;
    for (const SplitCase& c : SplitCases()) {
        EXPECT_EQ(LoadLines(dir, c.content), c.lines) << testing::PrintToString(c.content);
    }
}

TEST(TextFileTest, BlockBoundariesDoNotChangeTheLines) {
    TempDir dir;
    for (const SplitCase& c : SplitCases()) {
        for (std::int32_t size = 1; size <= static_cast<std::int32_t>(c.content.size()) + 1; ++size) {
            EXPECT_EQ(LoadLines(dir, c.content, size), c.lines)
                << testing::PrintToString(c.content) << " with BlockSize " << size;
        }
    }
}

// The splitting rule applied to the whole file as one block: while a CR is left, the text
// before the first CR is a line (an LF right after the CR belongs to the line end); then the text
// before the first LF; then the rest.
Lines ReferenceSplit(std::string rest) {
    Lines lines;
    while (!rest.empty()) {
        const std::size_t cr = rest.find('\r');
        const std::size_t lf = rest.find('\n');
        if (cr != std::string::npos) {
            lines.push_back(rest.substr(0, cr));
            rest.erase(0, cr + (cr + 1 < rest.size() && rest[cr + 1] == '\n' ? 2 : 1));
        } else if (lf != std::string::npos) {
            lines.push_back(rest.substr(0, lf));
            rest.erase(0, lf + 1);
        } else {
            lines.push_back(rest);
            rest.clear();
        }
    }
    return lines;
}

TEST(TextFileTest, TheCasesFollowTheRule) {
    for (const SplitCase& c : SplitCases()) {
        EXPECT_EQ(ReferenceSplit(c.content), c.lines) << testing::PrintToString(c.content);
    }
}

TEST(TextFileTest, RandomTextsSplitAsOneBlockWhateverTheBlockSize) {
    TempDir dir;
    std::uint32_t seed = 12345;
    const auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7FFF;
    };
    const char alphabet[] = {'a', 'b', '\r', '\n'};
    for (int round = 0; round < 300; ++round) {
        std::string content;
        const std::size_t length = 1 + next() % 14;
        for (std::size_t i = 0; i < length; ++i) {
            content += alphabet[next() % 4];
        }
        const std::int32_t blockSize = static_cast<std::int32_t>(1 + next() % 6);
        EXPECT_EQ(LoadLines(dir, content, blockSize), ReferenceSplit(content))
            << testing::PrintToString(content) << " with BlockSize " << blockSize;
    }
}

TEST(TextFileTest, LineCrossingABlockBoundaryStaysOneLine) {
    TempDir dir;
    EXPECT_EQ(LoadLines(dir, "hello world\r\nbye", 4), (Lines{"hello world", "bye"}));
    // A CR that is the last byte of a block still ends its line; the LF after it belongs to it.
    EXPECT_EQ(LoadLines(dir, "abc\r\ndef", 4), (Lines{"abc", "def"}));
    EXPECT_EQ(LoadLines(dir, "abc\rdef", 4), (Lines{"abc", "def"}));
    // A lone LF in an early block stays inside its line when a CR comes in a later block.
    EXPECT_EQ(LoadLines(dir, "a\nb\nc\nd\re", 2), (Lines{"a\nb\nc\nd", "e"}));
}

TEST(TextFileTest, LargeFileOverManyBlocks) {
    TempDir dir;
    std::string content;
    Lines expected;
    for (int i = 0; i < 20000; ++i) {
        std::string line = "line " + std::to_string(i) + std::string(static_cast<std::size_t>(i % 37), '*');
        expected.push_back(line);
        content += line + "\r\n";
    }
    ASSERT_GT(content.size(), 3u * 65535u);
    EXPECT_EQ(LoadLines(dir, content), expected);
    EXPECT_EQ(LoadLines(dir, content, 65535), expected);
    EXPECT_EQ(LoadLines(dir, content, 70000), expected);
    EXPECT_EQ(LoadLines(dir, content, 7), expected);

    // A long file with LF line ends only (no CR anywhere): every LF ends a line.
    std::string lfOnly;
    for (const std::string& line : expected) {
        lfOnly += line + "\n";
    }
    EXPECT_EQ(LoadLines(dir, lfOnly, 1000), expected);
}

TEST(TextFileTest, LoadBringsBlockSizeIntoRange) {
    TempDir dir;
    const std::string path = dir.file("a.txt");
    WriteText(path, "a\r\n");
    const std::vector<std::pair<std::int32_t, std::int32_t>> cases = {
        {0, 32768}, {-5, 32768}, {1, 1}, {65535, 65535}, {65536, 65535}, {70000, 65535}};
    for (const auto& [given, stored] : cases) {
        TextFile text;
        text.BlockSize(given);
        text.Load(path);
        EXPECT_EQ(text.BlockSize(), stored) << given;
        EXPECT_EQ(AllLines(text), Lines{"a"});
    }
}

TEST(TextFileTest, LoadReplacesTheLinesAndClearsTheError) {
    TempDir dir;
    const std::string first = dir.file("first.txt");
    const std::string second = dir.file("second.txt");
    WriteText(first, "1\r\n2\r\n3\r\n");
    WriteText(second, "x\r\n");
    TextFile text;
    text.Load(first);
    EXPECT_EQ(text.Lines(), 3);
    text.ErrorNum(5);
    text.ErrorMsg("old");
    text.Load(second);
    EXPECT_EQ(AllLines(text), Lines{"x"});
    EXPECT_EQ(text.ErrorNum(), 0);
    EXPECT_EQ(text.ErrorMsg(), "");
}

TEST(TextFileTest, LoadOfMissingOrEmptyFileKeepsTheLines) {
    TempDir dir;
    const std::string good = dir.file("good.txt");
    const std::string empty = dir.file("empty.txt");
    WriteText(good, "kept\r\n");
    WriteText(empty, "");
    for (const std::string& bad :
         {empty, dir.file("missing.txt"), dir.file("no such folder/missing.txt")}) {
        TextFile text;
        text.Load(good);
        text.BlockSize(0);
        text.Load(bad);
        EXPECT_EQ(text.ErrorNum(), TextFile::kErrFileMissing) << bad;
        EXPECT_EQ(text.ErrorMsg(), "O Ficheiro N\xC3\xA3o Existe");
        EXPECT_EQ(AllLines(text), Lines{"kept"});
        EXPECT_EQ(text.BlockSize(), 0); // stopped before the block size is brought into range
    }
    EXPECT_FALSE(fs::exists(dir.file("missing.txt"))); // loading creates nothing
}

TEST(TextFileTest, LoadOfAFolderThrowsAndKeepsTheLines) {
    TempDir dir;
    const std::string good = dir.file("good.txt");
    WriteText(good, "kept\r\n");
    TextFile text;
    text.Load(good);
    try {
        text.Load(dir.path().string());
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_NE(std::string(error.what()).find(dir.path().string()), std::string::npos);
        EXPECT_NE(std::string(error.what()).find("folder"), std::string::npos);
    }
    EXPECT_EQ(AllLines(text), Lines{"kept"});
}

// ---- LoadListBox --------------------------------------------------------------------------

TEST(TextFileTest, LoadListBoxFillsTheListNotTheLines) {
    TempDir dir;
    const std::string path = dir.file("list.txt");
    WriteText(path, "one\r\ntwo\rthree\r\n");
    TextFile text;
    text.CreateNew(2);
    text.Line(1, "mine");
    RecordingList list;
    list.items = {"old item"};
    text.BlockSize(3);
    text.LoadListBox(path, list);
    EXPECT_EQ(text.ErrorNum(), 0);
    EXPECT_EQ(list.clears, 1);
    EXPECT_EQ(list.items, (Lines{"one", "two", "three"}));
    EXPECT_EQ(AllLines(text), (Lines{"mine", ""}));
}

TEST(TextFileTest, LoadListBoxOfEmptyFileLeavesTheList) {
    TempDir dir;
    const std::string path = dir.file("empty.txt");
    WriteText(path, "");
    TextFile text;
    RecordingList list;
    list.items = {"old item"};
    text.LoadListBox(path, list);
    EXPECT_EQ(text.ErrorNum(), TextFile::kErrFileMissing);
    EXPECT_EQ(text.ErrorMsg(), TextFile::kMsgFileMissing);
    EXPECT_EQ(list.clears, 0);
    EXPECT_EQ(list.items, Lines{"old item"});

    text.LoadListBox(dir.file("missing.txt"), list);
    EXPECT_EQ(text.ErrorNum(), TextFile::kErrFileMissing);
    EXPECT_EQ(list.clears, 0);
}

// ---- CreateNew, Line, Lines, FoundPos ------------------------------------------------------

TEST(TextFileTest, CreateNewMakesEmptyLines) {
    TextFile text;
    text.ErrorNum(1);
    text.ErrorMsg("old");
    text.CreateNew(3);
    EXPECT_EQ(text.ErrorNum(), 0);
    EXPECT_EQ(text.ErrorMsg(), "");
    EXPECT_EQ(AllLines(text), (Lines{"", "", ""}));
    text.Line(2, "b");
    text.CreateNew(1);
    EXPECT_EQ(AllLines(text), Lines{""});
}

TEST(TextFileTest, CreateNewBelowOneFailsAndKeepsTheLines) {
    for (std::int32_t count : {0, -1, -2147483647 - 1}) {
        TextFile text;
        text.CreateNew(2);
        text.Line(1, "kept");
        text.CreateNew(count);
        EXPECT_EQ(text.ErrorNum(), TextFile::kErrCannotCreate) << count;
        EXPECT_EQ(text.ErrorMsg(), "Subscript out of range");
        EXPECT_EQ(AllLines(text), (Lines{"kept", ""}));
    }
}

TEST(TextFileTest, LineReadOutsideTheLinesIsEmpty) {
    TempDir dir;
    TextFile text;
    WriteText(dir.file("t.txt"), "a\r\nb\r\n");
    text.Load(dir.file("t.txt"));
    EXPECT_EQ(text.Line(0), "");
    EXPECT_EQ(text.Line(-1), "");
    EXPECT_EQ(text.Line(3), "");
    EXPECT_EQ(text.Line(1), "a");
    EXPECT_EQ(text.Line(2), "b");
    EXPECT_EQ(text.ErrorNum(), 0);
}

TEST(TextFileTest, LineWriteRemovesOneLfThenOneCr) {
    TextFile text;
    text.CreateNew(1);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"x\r\n", "x"},   {"x\n\r", "x\n"}, {"x\r", "x"},     {"x\n", "x"},  {"x\r\r", "x\r"},
        {"x\n\n", "x\n"}, {"x\r\n\r\n", "x\r\n"}, {"\r\n", ""}, {"", ""},     {"a\rb", "a\rb"},
    };
    for (const auto& [given, stored] : cases) {
        text.Line(1, given);
        EXPECT_EQ(text.Line(1), stored) << testing::PrintToString(given);
        EXPECT_EQ(text.Lines(), 1);
    }
}

TEST(TextFileTest, LineWriteOutsideTheLinesThrowsAndChangesNothing) {
    TextFile text;
    text.CreateNew(2);
    text.Line(1, "a");
    EXPECT_THROW(text.Line(0, "x"), Error);
    EXPECT_THROW(text.Line(3, "x"), Error);
    EXPECT_EQ(AllLines(text), (Lines{"a", ""}));
    EXPECT_EQ(text.ErrorNum(), 0);
    TextFile none;
    EXPECT_THROW(none.Line(1, "x"), Error);
    EXPECT_EQ(none.Lines(), 0);
}

TEST(TextFileTest, LinesAndFoundPosIgnoreWrites) {
    TextFile text;
    text.CreateNew(2);
    text.Line(1, "find me");
    ASSERT_EQ(text.FindFirst("me", 1), 1);
    text.Lines(10);
    text.FoundPos(3);
    EXPECT_EQ(text.Lines(), 2);
    EXPECT_EQ(text.FoundPos(), 6);
}

// ---- FindFirst and FindNext ---------------------------------------------------------------

TEST(TextFileTest, FindFirstMatchingCaseOrNot) {
    TextFile text;
    text.CreateNew(3);
    text.Line(1, "Run CABWIZ.EXE to rebuild");
    text.Line(2, "see CabWiz.log");
    text.Line(3, "\"C:\\Wince\\cabwiz.exe\" x.inf");
    EXPECT_EQ(text.FindFirst("cabwiz", 1), 3);
    EXPECT_EQ(text.FoundPos(), 11);
    EXPECT_EQ(text.FindFirst("cabwiz", -1), 3);
    EXPECT_EQ(text.FindFirst("cabwiz", 0), 1);
    EXPECT_EQ(text.FoundPos(), 5);
    EXPECT_EQ(text.FindFirst("CabWiz", 1), 2);
    EXPECT_EQ(text.FoundPos(), 5);
}

TEST(TextFileTest, FindFirstWithoutMatch) {
    TextFile text;
    text.CreateNew(2);
    text.Line(1, "alpha");
    text.Line(2, "beta");
    ASSERT_EQ(text.FindFirst("beta", 1), 2);
    EXPECT_EQ(text.FindFirst("gamma", 1), 0);
    EXPECT_EQ(text.FoundPos(), 0);
    EXPECT_EQ(text.FindNext(), 0); // nothing to go on from
    EXPECT_EQ(text.FindFirst("", 1), 0);
    EXPECT_EQ(text.FindFirst("ALPHA", 1), 0);
    TextFile empty;
    EXPECT_EQ(empty.FindFirst("x", 0), 0);
    EXPECT_EQ(empty.FindNext(), 0);
}

TEST(TextFileTest, FindNextReportsEveryMatchInOrder) {
    TextFile text;
    text.CreateNew(4);
    text.Line(1, "no match here");
    text.Line(2, "ab x ab");
    text.Line(3, "");
    text.Line(4, "xxab");
    ASSERT_EQ(text.FindFirst("ab", 1), 2);
    EXPECT_EQ(text.FoundPos(), 1);
    EXPECT_EQ(text.FindNext(), 2);
    EXPECT_EQ(text.FoundPos(), 6);
    EXPECT_EQ(text.FindNext(), 4);
    EXPECT_EQ(text.FoundPos(), 3);
    EXPECT_EQ(text.FindNext(), 0);
    EXPECT_EQ(text.FoundPos(), 0);
    EXPECT_EQ(text.FindNext(), 0);
    EXPECT_EQ(text.FoundPos(), 0);
}

TEST(TextFileTest, FindNextWithoutRegardToCase) {
    TextFile text;
    text.CreateNew(2);
    text.Line(1, "CPU cpu");
    text.Line(2, "Cpu");
    ASSERT_EQ(text.FindFirst("cPu", 0), 1);
    EXPECT_EQ(text.FoundPos(), 1);
    EXPECT_EQ(text.FindNext(), 1);
    EXPECT_EQ(text.FoundPos(), 5);
    EXPECT_EQ(text.FindNext(), 2);
    EXPECT_EQ(text.FoundPos(), 1);
    EXPECT_EQ(text.FindNext(), 0);

    ASSERT_EQ(text.FindFirst("cpu", 1), 1);
    EXPECT_EQ(text.FoundPos(), 5);
    EXPECT_EQ(text.FindNext(), 0);
}

TEST(TextFileTest, FindNextMatchesDoNotOverlap) {
    TextFile text;
    text.CreateNew(1);
    text.Line(1, "aaaa");
    ASSERT_EQ(text.FindFirst("aa", 1), 1);
    EXPECT_EQ(text.FoundPos(), 1);
    EXPECT_EQ(text.FindNext(), 1);
    EXPECT_EQ(text.FoundPos(), 3);
    EXPECT_EQ(text.FindNext(), 0);
}

TEST(TextFileTest, FindNextBeforeAnyMatchStartsAtLineOne) {
    TextFile text;
    text.CreateNew(2);
    text.Line(1, "one");
    text.Line(2, "two");
    ASSERT_EQ(text.FindFirst("three", 1), 0); // no match yet: the found line is still 0
    text.Line(2, "three");
    EXPECT_EQ(text.FindNext(), 2);
    EXPECT_EQ(text.FoundPos(), 1);
}

TEST(TextFileTest, FoundPosBeyond16BitsIsAnOverflow) {
    TextFile text;
    text.CreateNew(1);
    text.Line(1, std::string(40000, ' ') + "needle");
    ASSERT_EQ(text.FindFirst("needle", 1), 1);
    EXPECT_THROW(text.FoundPos(), Error);
}

// ---- Save ---------------------------------------------------------------------------------

TEST(TextFileTest, SaveWritesEveryLineWithCrLf) {
    TempDir dir;
    const std::string path = dir.file("out.txt");
    WriteText(path, "a much longer former content\r\nwith two lines\r\n");
    TextFile text;
    text.CreateNew(2);
    text.Line(1, "a");
    text.Line(2, "b");
    text.ErrorNum(9);
    text.Save(path);
    EXPECT_EQ(text.ErrorNum(), 0);
    EXPECT_EQ(text.ErrorMsg(), "");
    EXPECT_EQ(ReadText(path), "a\r\nb\r\n");
    EXPECT_EQ(FilesIn(dir.path()), 1u); // no temporary file left
}

TEST(TextFileTest, SaveKeepsBytesAndEmptyLinesAndRoundTrips) {
    TempDir dir;
    const std::string path = dir.file("out.txt");
    const std::string content = "caf\xE9\r\n\r\n\tindented\r\nlast\r\n";
    WriteText(path, content);
    TextFile text;
    text.Load(path);
    text.Save(path);
    EXPECT_EQ(ReadText(path), content);
}

TEST(TextFileTest, SaveInSmallBlocksAndBringsBlockSizeIntoRange) {
    TempDir dir;
    const std::string path = dir.file("out.txt");
    TextFile text;
    text.CreateNew(50);
    std::string expected;
    for (std::int32_t n = 1; n <= 50; ++n) {
        text.Line(n, "line " + std::to_string(n));
        expected += "line " + std::to_string(n) + "\r\n";
    }
    for (std::int32_t size : {1, 3, 16, 65535}) {
        text.BlockSize(size);
        text.Save(path);
        EXPECT_EQ(ReadText(path), expected) << size;
    }
    text.BlockSize(0);
    text.Save(path);
    EXPECT_EQ(text.BlockSize(), 32768);
    text.BlockSize(100000);
    text.Save(path);
    EXPECT_EQ(text.BlockSize(), 65535);
    EXPECT_EQ(ReadText(path), expected);
}

TEST(TextFileTest, SaveWithNothingToSave) {
    TempDir dir;
    const std::string path = dir.file("out.txt");
    WriteText(path, "old\r\n");
    TextFile text;
    text.Save(path);
    EXPECT_EQ(text.ErrorNum(), TextFile::kErrNothingToSave);
    EXPECT_EQ(text.ErrorMsg(), "Guardar: N\xC3\xA3o H\xC3\xA1 Nada Para Guardar");
    EXPECT_EQ(ReadText(path), "old\r\n");
    text.Save(""); // no lines comes first
    EXPECT_EQ(text.ErrorNum(), TextFile::kErrNothingToSave);
    text.Save(dir.file("new.txt"));
    EXPECT_FALSE(fs::exists(dir.file("new.txt")));
}

TEST(TextFileTest, SaveWithoutFileName) {
    TextFile text;
    text.CreateNew(1);
    text.Save("");
    EXPECT_EQ(text.ErrorNum(), TextFile::kErrNoFileName);
    EXPECT_EQ(text.ErrorMsg(), "Guardar: Ficheiro N\xC3\xA3o Especificado");
}

TEST(TextFileTest, SaveThatCannotWriteKeepsTheOldFile) {
    TempDir dir;
    TextFile text;
    text.CreateNew(1);
    text.Line(1, "new");

    const std::string missingFolder = dir.file("no such folder/out.txt");
    text.Save(missingFolder);
    EXPECT_EQ(text.ErrorNum(), TextFile::kErrCannotSave);
    EXPECT_EQ(text.ErrorMsg(), "Guardar: N\xC3\xA3o Foi Poss\xC3\xADvel Gravar o Ficheiro " + missingFolder);
    EXPECT_FALSE(fs::exists(missingFolder));

    const std::string readOnly = dir.file("read-only.txt");
    WriteText(readOnly, "old\r\n");
    fs::permissions(readOnly, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    text.Save(readOnly);
    EXPECT_EQ(text.ErrorNum(), TextFile::kErrCannotSave);
    EXPECT_EQ(text.ErrorMsg(), std::string(TextFile::kMsgCannotSave) + readOnly);
    EXPECT_EQ(ReadText(readOnly), "old\r\n");

    text.Save(dir.path().string()); // a folder
    EXPECT_EQ(text.ErrorNum(), TextFile::kErrCannotSave);
    EXPECT_EQ(FilesIn(dir.path()), 1u); // the read-only file only: no temporary file left

    text.Save(dir.file("fine.txt")); // the next good save clears the error
    EXPECT_EQ(text.ErrorNum(), 0);
    EXPECT_EQ(text.ErrorMsg(), "");
    EXPECT_EQ(ReadText(dir.file("fine.txt")), "new\r\n");
}

TEST(TextFileTest, OtherMembersLeaveTheErrorFields) {
    TextFile text;
    text.Save("");
    ASSERT_EQ(text.ErrorNum(), TextFile::kErrNothingToSave);
    text.FindFirst("x", 0);
    text.FindNext();
    text.Line(1);
    text.Lines(3);
    text.FoundPos(1);
    EXPECT_EQ(text.ErrorNum(), TextFile::kErrNothingToSave);
    EXPECT_EQ(text.ErrorMsg(), TextFile::kMsgNothingToSave);
}

} // namespace
} // namespace gw

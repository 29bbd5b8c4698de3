#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace gw {

// TextFile: a text file held as an array of lines numbered from 1. It loads a file
// (or fills a list control from it), gives and replaces single lines, searches for a text line by
// line and saves the lines back. Files move in blocks of BlockSize bytes. Text is single-byte:
// one byte is one char, nothing is converted.
//
// Every failure throws gw::Error. The failures of loading, saving and CreateNew begin their
// message with one of the fixed texts below, followed by the file and the cause where there is
// one; whatever fails leaves the lines (and the file on disk) as they were.
//
// BlockSize and Line are read with Name() and written with Name(value); Lines and FoundPos are
// read only.
class TextFile {
public:
    static constexpr std::int32_t kDefaultBlockSize = 32768;
    static constexpr std::int32_t kMaxBlockSize = 65535;

    // The texts that begin the messages of the failures (UTF-8, as every text the program shows).
    static constexpr std::string_view kMsgFileMissing = "O Ficheiro N\u00e3o Existe";
    static constexpr std::string_view kMsgNothingToSave =
        "Guardar: N\u00e3o H\u00e1 Nada Para Guardar";
    static constexpr std::string_view kMsgNoFileName = "Guardar: Ficheiro N\u00e3o Especificado";
    // Followed by the file name.
    static constexpr std::string_view kMsgCannotSave =
        "Guardar: N\u00e3o Foi Poss\u00edvel Gravar o Ficheiro ";
    // The texts for the failures of CreateNew.
    static constexpr std::string_view kMsgSubscriptOutOfRange = "Subscript out of range";
    static constexpr std::string_view kMsgOutOfMemory = "Out of memory";

    // The list control that LoadListBox fills (a list box of the windows, or a test fake).
    class ListBox {
    public:
        virtual ~ListBox() = default;
        virtual void Clear() = 0;
        virtual void AddItem(const std::string& text) = 0;
    };

    TextFile() = default;

    // Size in bytes of the blocks read and written; 32768 when the object is created. Load and
    // Save bring it into range first and store the result: 0 (or less) becomes 32768, anything
    // above 65535 becomes 65535.
    [[nodiscard]] std::int32_t BlockSize() const { return blockSize_; }
    void BlockSize(std::int32_t value) { blockSize_ = value; }

    // Replaces the lines by lineCount empty lines. A count below 1 throws
    // (kMsgSubscriptOutOfRange) and so does a lack of memory (kMsgOutOfMemory); the lines stay as
    // they were.
    void CreateNew(std::int32_t lineCount);

    // The 1-based position of the last match within its line; 0 when none. A position beyond
    // the 16-bit range throws gw::Error (an overflow, never a wrap-around).
    [[nodiscard]] std::int16_t FoundPos() const;

    // Line index; an index outside 1 to Lines() gives the empty text.
    [[nodiscard]] std::string Line(std::int32_t index) const;
    // Replaces line index by text less one final LF and then one final CR. The index must lie
    // in 1 to Lines(); outside it throws gw::Error and nothing changes.
    void Line(std::int32_t index, std::string_view text);

    // The number of lines.
    [[nodiscard]] std::int32_t Lines() const { return static_cast<std::int32_t>(lines_.size()); }

    // Reads the file into the lines. Line ends are CR LF, a lone CR, and a lone LF where no CR
    // follows anywhere later in the file (an LF before a later CR stays inside its line); a
    // final line end (a lone CR included) gives no empty last line. The result does not depend on
    // BlockSize: a line that crosses a block boundary stays one line. A missing or empty file
    // throws (kMsgFileMissing), and so does one that cannot be read or is no regular file (a
    // folder, a device); the lines stay as they were.
    void Load(const std::string& fileName);

    // Reads and splits the file as Load does, but adds the lines to list (cleared once, when
    // the file is not empty) instead of storing them; the object's own lines stay untouched. It
    // fails as Load does, and then leaves the list untouched.
    void LoadListBox(const std::string& fileName, ListBox& list);

    // Writes the lines, each followed by CR LF, through a temporary file that replaces the old
    // one only when complete. It throws, and writes nothing, with no lines (kMsgNothingToSave) or
    // an empty name (kMsgNoFileName); a file that cannot be written (opened, written or replaced)
    // throws kMsgCannotSave + the name + the cause, and the old file stays as it was.
    void Save(const std::string& fileName);

    // The first line that holds text: with matchCase non-zero matching case, with matchCase 0
    // without regard to case (ASCII letters). Returns the line number, 0 when no line holds it (and
    // an empty text holds nowhere).
    std::int32_t FindFirst(const std::string& text, std::int16_t matchCase);

    // The next match of the last FindFirst's text and case rule, going on just after the last
    // match; 0 (with FoundPos 0) when there is none, and again 0 on every further call.
    std::int32_t FindNext();

private:
    std::int32_t NormalizedBlockSize();
    // Reads and splits the whole file; throws when it is missing, empty or unreadable.
    std::vector<std::string> ReadLines(const std::string& fileName);
    bool MatchFrom(std::int32_t lineNumber, std::size_t from);

    std::int32_t blockSize_ = kDefaultBlockSize;

    std::vector<std::string> lines_; // line n is lines_[n - 1]
    std::int32_t foundLine_ = 0;
    std::int32_t foundPos_ = 0;
    std::string searchText_;
    std::int16_t matchCase_ = 0;
};

} // namespace gw

#pragma once

#include <functional>
#include <streambuf>
#include <string>
#include <string_view>

namespace gw::cli {

// A stream buffer that hands its text on in whole lines: each line with its end ("\n", or "\r"
// for a line redrawn in place), and what is left when the stream is flushed. A UTF-8 character
// is never split between two hand-overs: the bytes of one cut short by a flush wait for the
// rest. What is still held when the buffer goes away is handed on as it is.
class LineStreamBuf : public std::streambuf {
public:
    using Sink = std::function<void(std::string_view text)>;

    explicit LineStreamBuf(Sink sink);
    ~LineStreamBuf() override;
    LineStreamBuf(const LineStreamBuf&) = delete;
    LineStreamBuf& operator=(const LineStreamBuf&) = delete;

protected:
    int_type overflow(int_type ch) override;
    std::streamsize xsputn(const char* text, std::streamsize count) override;
    int sync() override;

private:
    void handOnLines();

    Sink sink_;
    std::string pending_;
};

// How many of the text's bytes end on a whole UTF-8 character: all but the lead and
// continuation bytes of a last character that is not complete yet.
[[nodiscard]] std::size_t CompleteUtf8Length(std::string_view text);

#ifdef _WIN32
// Whether a standard handle is a console, to which text goes as UTF-16 (a file or a pipe takes
// the UTF-8 bytes as they are).
[[nodiscard]] bool IsConsole(void* handle);

// Writes UTF-8 text to a console with WriteConsoleW; bytes that are not UTF-8 are shown as the
// system's code page has them.
void WriteToConsole(void* handle, std::string_view text);
#endif

} // namespace gw::cli

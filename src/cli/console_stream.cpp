#include "cli/console_stream.h"

#include "common/text.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace gw::cli {

LineStreamBuf::LineStreamBuf(Sink sink) : sink_(std::move(sink)) {}

LineStreamBuf::~LineStreamBuf() {
    if (!pending_.empty()) {
        sink_(pending_);
    }
}

LineStreamBuf::int_type LineStreamBuf::overflow(int_type ch) {
    if (traits_type::eq_int_type(ch, traits_type::eof())) {
        return traits_type::not_eof(ch);
    }
    pending_ += traits_type::to_char_type(ch);
    handOnLines();
    return ch;
}

std::streamsize LineStreamBuf::xsputn(const char* text, std::streamsize count) {
    pending_.append(text, static_cast<std::size_t>(count));
    handOnLines();
    return count;
}

int LineStreamBuf::sync() {
    const std::size_t whole = CompleteUtf8Length(pending_);
    if (whole > 0) {
        sink_(std::string_view(pending_).substr(0, whole));
        pending_.erase(0, whole);
    }
    return 0;
}

void LineStreamBuf::handOnLines() {
    const std::size_t end = pending_.find_last_of("\r\n");
    if (end == std::string::npos) {
        return;
    }
    sink_(std::string_view(pending_).substr(0, end + 1));
    pending_.erase(0, end + 1);
}

std::size_t CompleteUtf8Length(std::string_view text) {
    // The last lead byte among the final three, and how long its character is.
    for (std::size_t back = 1; back <= 3 && back <= text.size(); ++back) {
        const auto byte = static_cast<unsigned char>(text[text.size() - back]);
        if ((byte & 0xC0) == 0x80) {
            continue; // a continuation byte: look further back
        }
        const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        return length > back ? text.size() - back : text.size();
    }
    return text.size();
}

#ifdef _WIN32
bool IsConsole(void* handle) {
    DWORD mode = 0;
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode);
}

void WriteToConsole(void* handle, std::string_view text) {
    const std::optional<std::u16string> wide = Utf16FromUtf8(text);
    const std::u16string shown = wide ? *wide : *Utf16FromUtf8(Utf8FromWindowsText(text));
    const auto* data = reinterpret_cast<const wchar_t*>(shown.data());
    std::size_t left = shown.size();
    while (left > 0) {
        DWORD written = 0;
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(left, 16384));
        if (!WriteConsoleW(handle, data, chunk, &written, nullptr) || written == 0) {
            return; // the console is gone: nothing more can be shown
        }
        data += written;
        left -= written;
    }
}
#endif

} // namespace gw::cli

#include "common/text.h"

#include <algorithm>

#ifdef _WIN32
#include <windows.h>
#endif

namespace gw {

namespace {

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

std::string_view Trim(std::string_view text, std::string_view characters) {
    const std::size_t first = text.find_first_not_of(characters);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(characters) - first + 1);
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return lower(x) == lower(y); });
}

std::string LowerCase(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), lower);
    return out;
}

std::string UpperCase(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](char c) {
        return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    });
    return out;
}

std::optional<std::uint64_t> ParseDecimal(std::string_view text, std::uint64_t maxValue) {
    if (text.empty()) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (digit > maxValue || value > (maxValue - digit) / 10) {
            return std::nullopt;
        }
        value = value * 10 + digit;
    }
    return value;
}

std::vector<TextLine> SplitLines(std::string_view text) {
    std::vector<TextLine> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", at);
        if (end == std::string_view::npos) {
            lines.push_back({std::string(text.substr(at)), ""});
            break;
        }
        const std::size_t endLength = text.substr(end, 2) == "\r\n" ? 2 : 1;
        lines.push_back(
            {std::string(text.substr(at, end - at)), std::string(text.substr(end, endLength))});
        at = end + endLength;
    }
    return lines;
}

std::string Hex(std::uint64_t value, int digits) {
    static const char hexDigits[] = "0123456789ABCDEF";
    int count = 1;
    while (count < 16 && (value >> (4 * count)) != 0) {
        ++count;
    }
    count = std::max(count, digits);
    std::string text(static_cast<std::size_t>(count) + 2, '0');
    text[1] = 'x';
    for (std::size_t at = text.size() - 1; at >= 2; --at) {
        text[at] = hexDigits[value & 0xF];
        value >>= 4;
    }
    return text;
}

std::optional<std::u16string> Utf16FromUtf8(std::string_view text) {
    std::u16string out;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        // The length of the sequence, the bits of its first byte and the smallest value it may
        // hold (anything smaller is an overlong form).
        std::size_t length = 1;
        char32_t value = lead, least = 0;
        if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4, value = lead & 0x07, least = 0x10000;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3, value = lead & 0x0F, least = 0x800;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2, value = lead & 0x1F, least = 0x80;
        } else if (lead >= 0x80) {
            return std::nullopt;
        }
        if (text.size() - i < length) {
            return std::nullopt;
        }
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                return std::nullopt;
            }
            value = (value << 6) | (next & 0x3F);
        }
        if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
            return std::nullopt;
        }
        if (value >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((value - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((value - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(value);
        }
        i += length;
    }
    return out;
}

std::string Utf8FromUtf16(std::u16string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t value = text[i];
        if (value >= 0xD800 && value <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            value = 0x10000 + ((value - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (value >= 0xD800 && value <= 0xDFFF) {
            value = 0xFFFD;
        }
        if (value < 0x80) {
            out += static_cast<char>(value);
        } else if (value < 0x800) {
            out += static_cast<char>(0xC0 | (value >> 6));
            out += static_cast<char>(0x80 | (value & 0x3F));
        } else if (value < 0x10000) {
            out += static_cast<char>(0xE0 | (value >> 12));
            out += static_cast<char>(0x80 | ((value >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (value & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (value >> 18));
            out += static_cast<char>(0x80 | ((value >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((value >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (value & 0x3F));
        }
    }
    return out;
}

namespace {

// Windows-1252 as UTF-16: 0x80 to 0x9F hold printable characters where Latin-1 has control
// codes (the five unassigned ones map to the control codes of the same value, as Windows does);
// every other byte is the code point of its value.
std::u16string utf16FromWindows1252(std::string_view text) {
    static constexpr char16_t kHigh[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    std::u16string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        out += byte >= 0x80 && byte < 0xA0 ? kHigh[byte - 0x80] : static_cast<char16_t>(byte);
    }
    return out;
}

#ifdef _WIN32
// The system's ANSI code page. The program's manifest makes its own code page UTF-8, so the
// system's is asked for by name rather than through GetACP.
std::optional<std::u16string> utf16FromSystemCodePage(std::string_view text) {
    DWORD codePage = 0;
    if (GetLocaleInfoEx(
            LOCALE_NAME_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
            reinterpret_cast<LPWSTR>(&codePage), sizeof(codePage) / sizeof(WCHAR)) == 0 ||
        codePage == 0 || codePage == CP_UTF8 || text.size() > 0x7FFFFFFF) {
        return std::nullopt;
    }
    const int length = static_cast<int>(text.size());
    const int needed = MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
    if (needed <= 0) {
        return std::nullopt;
    }
    std::wstring wide(static_cast<std::size_t>(needed), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), length, wide.data(), needed);
    return std::u16string(wide.begin(), wide.end());
}
#endif

} // namespace

std::string PrintableText(std::string_view text, std::size_t maxCharacters, bool keepNewlines) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string printable;
    std::size_t characters = 0;
    std::size_t i = 0;
    for (; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const bool continuation = (byte & 0xC0) == 0x80;
        if (!continuation && characters++ == maxCharacters) {
            break;
        }
        const bool c1 = byte == 0xC2 && i + 1 < text.size() &&
                        (static_cast<unsigned char>(text[i + 1]) & 0xE0) == 0x80;
        if ((byte < 0x20 && !(keepNewlines && byte == '\n')) || byte == 0x7F) {
            printable += "\\x";
            printable += kDigits[byte >> 4];
            printable += kDigits[byte & 0xF];
        } else if (c1) {
            const auto code = static_cast<unsigned char>(text[++i]);
            printable += "\\u00";
            printable += kDigits[code >> 4];
            printable += kDigits[code & 0xF];
        } else {
            printable += text[i];
        }
    }
    if (i < text.size()) {
        std::size_t more = 1; // the character that stopped the loop
        for (++i; i < text.size(); ++i) {
            more += (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 ? 1 : 0;
        }
        printable += "\u2026(" + std::to_string(more) + " more)";
    }
    return printable;
}

std::string Utf8FromWindowsText(std::string_view text) {
    if (Utf16FromUtf8(text)) {
        return std::string(text);
    }
#ifdef _WIN32
    if (const auto wide = utf16FromSystemCodePage(text)) {
        return Utf8FromUtf16(*wide);
    }
#endif
    return Utf8FromUtf16(utf16FromWindows1252(text));
}

} // namespace gw

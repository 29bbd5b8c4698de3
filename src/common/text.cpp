#include "common/text.h"

#include <algorithm>

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

std::vector<TextLine> SplitLines(std::string_view text) {
    std::vector<TextLine> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", at);
        if (end == std::string_view::npos) {
            lines.push_back({std::string(text.substr(at)), ""});
            break;
        }
        const std::size_t endLength =
            text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1;
        lines.push_back(
            {std::string(text.substr(at, end - at)), std::string(text.substr(end, endLength))});
        at = end + endLength;
    }
    return lines;
}

std::string Hex(std::uint32_t value, int digits) {
    static const char hexDigits[] = "0123456789ABCDEF";
    int count = 1;
    while (count < 8 && (value >> (4 * count)) != 0) {
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

std::string WithThousands(std::uint64_t value) {
    const std::string digits = std::to_string(value);
    std::string text;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            text += ',';
        }
        text += digits[i];
    }
    return text;
}

} // namespace gw

#include "ui/ui_settings.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace gw::ui {

bool ReadsAsTrue(const std::string& value) {
    const auto blank = [](unsigned char c) { return std::isspace(c) != 0; };
    const auto first = std::find_if_not(value.begin(), value.end(), blank);
    const auto last = std::find_if_not(value.rbegin(), value.rend(), blank).base();
    if (first >= last) {
        return false;
    }
    const std::string text(first, last);
    std::string lower = text;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower == "true") {
        return true;
    }
    long long number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    return error == std::errc() && end == text.data() + text.size() && number != 0;
}

} // namespace gw::ui

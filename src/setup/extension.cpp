#include "setup/extension.h"

#include "common/text.h"

#include <algorithm>
#include <cctype>

namespace gw {

std::string RandomExtension(std::mt19937& generator) {
    std::uniform_int_distribution<int> digit(0, 9);
    std::uniform_int_distribution<int> letter(0, 25);
    for (;;) {
        std::string extension;
        extension += static_cast<char>('0' + digit(generator));
        extension += static_cast<char>('a' + letter(generator));
        extension += static_cast<char>('a' + letter(generator));
        if (extension != "2bp") {
            return extension;
        }
    }
}

std::optional<std::string> ExtensionProblem(const std::string& extension) {
    if (extension.empty()) {
        return "The extension is empty. Enter 1 to 8 letters or digits.";
    }
    if (extension.size() > 8) {
        return "The extension \"" + extension + "\" is longer than 8 characters.";
    }
    const bool plain = std::all_of(extension.begin(), extension.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) != 0;
    });
    if (!plain) {
        return "The extension \"" + extension +
               "\" may hold only letters and digits (no blanks, dots or other characters).";
    }
    if (EqualNoCase(extension, "vb")) {
        return "The extension must differ from \"vb\", the one it replaces.";
    }
    return std::nullopt;
}

std::string LowerExtension(const std::string& extension) {
    return LowerCase(extension);
}

} // namespace gw

#pragma once

#include <stdexcept>
#include <string>

namespace gw {

// The one error type of the core. Its message names the file, the item (an image, a line,
// a section) and the cause in plain words, ready to be shown to the user as it stands.
class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}

    // "file: item: cause", leaving out the parts that are empty.
    Error(const std::string& file, const std::string& item, const std::string& cause)
        : std::runtime_error(compose(file, item, cause)) {}

private:
    static std::string compose(const std::string& file, const std::string& item,
                               const std::string& cause) {
        std::string text;
        for (const std::string* part : {&file, &item, &cause}) {
            if (part->empty()) {
                continue;
            }
            if (!text.empty()) {
                text += ": ";
            }
            text += *part;
        }
        return text;
    }
};

} // namespace gw

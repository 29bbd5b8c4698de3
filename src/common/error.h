#pragma once

#include <stdexcept>
#include <string>
#include <type_traits>

namespace gw {

// What callers must tell apart among failures. Most need not: they show the message.
enum class ErrorKind {
    Failure,           // anything else: the message says what
    TargetNotWritable, // an output file cannot be created or replaced (read-only, locked, no
                       // folder)
};

// The one error type of the core. Its message names the file, the item (an image, a line,
// a section) and the cause in plain words, ready to be shown to the user as it stands.
class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message, ErrorKind kind = ErrorKind::Failure)
        : std::runtime_error(message), kind_(kind) {}

    // "file: item: cause", leaving out the parts that are empty.
    Error(const std::string& file, const std::string& item, const std::string& cause,
          ErrorKind kind = ErrorKind::Failure)
        : std::runtime_error(compose(file, item, cause)), kind_(kind), cause_(cause) {}

    [[nodiscard]] ErrorKind kind() const { return kind_; }
    // The cause alone, when the error was made from its parts; else the whole message.
    [[nodiscard]] std::string cause() const { return cause_.empty() ? what() : cause_; }

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

    ErrorKind kind_;
    std::string cause_;
};

// A part of a message that is made only when the message is: either the text itself or a
// function that returns it. Checks that pass (nearly all) then build no text.
template <class What> std::string DescribeLazily(const What& what) {
    if constexpr (std::is_invocable_v<const What&>) {
        return what();
    } else {
        return std::string(what);
    }
}

} // namespace gw

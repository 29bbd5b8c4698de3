#include "cli/arguments.h"

#include "common/file_io.h"
#include "common/text.h"

#include <algorithm>
#include <cstdint>

namespace gw::cli {

namespace {

const OptionSpec* findLong(const std::vector<OptionSpec>& options, const std::string& name) {
    for (const OptionSpec& o : options) {
        if (o.LongName == name) {
            return &o;
        }
    }
    return nullptr;
}

const OptionSpec* findShort(const std::vector<OptionSpec>& options, char name) {
    for (const OptionSpec& o : options) {
        if (o.ShortName != 0 && o.ShortName == name) {
            return &o;
        }
    }
    return nullptr;
}

} // namespace

Arguments ParseArguments(Words words, const std::vector<OptionSpec>& options) {
    Arguments args;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (optionsEnded || word.size() < 2 || word[0] != '-') {
            args.operands.emplace_back(word);
            continue;
        }
        if (word == "--") {
            optionsEnded = true;
            continue;
        }
        const OptionSpec* option = nullptr;
        std::string inlineValue;
        bool hasInline = false;
        if (word.rfind("--", 0) == 0) {
            std::string name = word.substr(2);
            if (const auto eq = name.find('='); eq != std::string::npos) {
                inlineValue = name.substr(eq + 1);
                hasInline = true;
                name.resize(eq);
            }
            option = findLong(options, name);
        } else if (word.size() == 2) {
            option = findShort(options, word[1]);
        }
        if (option == nullptr) {
            throw UsageError("unknown option " + word);
        }
        if (!option->TakesValue) {
            if (hasInline) {
                throw UsageError("option --" + option->LongName + " takes no value");
            }
            args.flags.insert(option->LongName);
            continue;
        }
        if (!hasInline) {
            if (i + 1 >= words.size()) {
                throw UsageError("option " + word + " needs a value");
            }
            inlineValue = words[++i];
        }
        if (args.has(option->LongName)) {
            throw UsageError("option --" + option->LongName + " given twice");
        }
        args.values[option->LongName] = inlineValue;
    }
    return args;
}

std::filesystem::path Arguments::path(const std::string& name) const {
    return PathFromUtf8(values.at(name));
}

std::vector<std::size_t> Arguments::numbers(const std::string& name, const std::string& what,
                                            const std::string& example) const {
    const std::string& list = values.at(name);
    std::vector<std::size_t> numbers;
    for (std::size_t start = 0; !list.empty();) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        const auto number =
            ParseDecimal(std::string_view(list).substr(start, comma - start), SIZE_MAX);
        if (!number) {
            throw UsageError("--" + name + " takes " + what + " separated by commas (\"" + example +
                             "\"), not \"" + list + "\"");
        }
        numbers.push_back(static_cast<std::size_t>(*number));
        if (comma == list.size()) {
            break;
        }
        start = comma + 1;
    }
    return numbers;
}

std::vector<std::filesystem::path> Arguments::operandPaths() const {
    return PathsFromUtf8(operands);
}

} // namespace gw::cli

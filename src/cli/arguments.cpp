#include "cli/arguments.h"

namespace gw::cli {

namespace {

const OptionSpec* findLong(const std::vector<OptionSpec>& options, const std::string& name) {
    for (const OptionSpec& o : options) {
        if (o.longName == name) {
            return &o;
        }
    }
    return nullptr;
}

const OptionSpec* findShort(const std::vector<OptionSpec>& options, char name) {
    for (const OptionSpec& o : options) {
        if (o.shortName != 0 && o.shortName == name) {
            return &o;
        }
    }
    return nullptr;
}

} // namespace

Arguments ParseArguments(const std::vector<std::string>& words,
                         const std::vector<OptionSpec>& options) {
    Arguments args;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (optionsEnded || word.size() < 2 || word[0] != '-') {
            args.operands.push_back(word);
            continue;
        }
        if (word == "--") {
            optionsEnded = true;
            continue;
        }
        const OptionSpec* spec = nullptr;
        std::string inlineValue;
        bool hasInline = false;
        if (word.rfind("--", 0) == 0) {
            std::string name = word.substr(2);
            if (const auto eq = name.find('='); eq != std::string::npos) {
                inlineValue = name.substr(eq + 1);
                hasInline = true;
                name.resize(eq);
            }
            spec = findLong(options, name);
        } else if (word.size() == 2) {
            spec = findShort(options, word[1]);
        }
        if (spec == nullptr) {
            throw UsageError("unknown option " + word);
        }
        if (!spec->takesValue) {
            if (hasInline) {
                throw UsageError("option --" + spec->longName + " takes no value");
            }
            args.flags.insert(spec->longName);
            continue;
        }
        if (!hasInline) {
            if (i + 1 >= words.size()) {
                throw UsageError("option " + word + " needs a value");
            }
            inlineValue = words[++i];
        }
        if (args.has(spec->longName)) {
            throw UsageError("option --" + spec->longName + " given twice");
        }
        args.values[spec->longName] = inlineValue;
    }
    return args;
}

} // namespace gw::cli

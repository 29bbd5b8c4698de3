#pragma once

#include "cli/cli.h"

#include <filesystem>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace gw::cli {

// A command line that does not fit the command's usage.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The options and operands of one subcommand. Options may stand anywhere; "--" ends them.
// Options with a value take it as the next word or after "=" ("--output=a.dll").
struct Arguments {
    std::map<std::string, std::string> values; // by the option's long name
    std::set<std::string> flags;
    std::vector<std::string_view> operands; // views of the words, which outlive the arguments

    [[nodiscard]] bool has(const std::string& name) const { return values.count(name) != 0; }
    // An option's value and the operands as paths (the words are UTF-8 on every platform).
    [[nodiscard]] std::filesystem::path path(const std::string& name) const;
    [[nodiscard]] std::vector<std::filesystem::path> operandPaths() const;
    // An option's value as a comma-separated list of plain decimal numbers ("0,2"); an empty
    // value is an empty list. Anything else is a UsageError saying the option takes `what`
    // separated by commas, with example.
    [[nodiscard]] std::vector<std::size_t> numbers(const std::string& name, const std::string& what,
                                                   const std::string& example) const;
};

struct OptionSpec {
    std::string LongName; // "output"
    char ShortName = 0;   // 'o', or 0
    bool TakesValue = false;
};

[[nodiscard]] Arguments ParseArguments(Words words, const std::vector<OptionSpec>& options);

} // namespace gw::cli

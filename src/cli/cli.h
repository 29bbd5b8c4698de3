#pragma once

#include <iosfwd>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace gw::cli {

// The words of a command line after the program's name, or after a command's name: a view, so
// that passing them on copies none.
using Words = std::span<const std::string>;

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// Where a command writes: results to out, errors and usage to err.
struct Console {
    std::ostream& out;
    std::ostream& err;
    bool terminal = false; // out is a terminal, where a line may be redrawn
};

// One command as its help and the manual page describe it.
struct CommandHelp {
    std::string_view Name;
    std::string_view Usage; // the words after "glyphwright-cli"
    std::string_view Help;  // what the command does, lines ending in "\n"
};

// Every command, in the order the usage lists them.
[[nodiscard]] std::vector<CommandHelp> CommandHelps();

// What every command guarantees, as "--help" and the manual page state it: one paragraph per
// entry, its heading first.
struct Guarantee {
    std::string_view Heading;
    std::string_view Text;
};
[[nodiscard]] std::vector<Guarantee> Guarantees();

// Runs glyphwright-cli with the words after the program name; returns the exit status.
[[nodiscard]] int RunCli(const std::vector<std::string>& words, Console console);

} // namespace gw::cli

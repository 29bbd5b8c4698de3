#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace gw::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// Where a command writes: results to out, errors and usage to err.
struct Console {
    std::ostream& out;
    std::ostream& err;
    bool terminal = false; // out is a terminal, where a line may be redrawn
};

// Runs glyphwright-cli with the words after the program name; returns the exit status.
[[nodiscard]] int RunCli(const std::vector<std::string>& words, Console console);

} // namespace gw::cli

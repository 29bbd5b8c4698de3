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

// The usage text, one line per command.
[[nodiscard]] std::string UsageText();

// The subcommands; each receives the words after its name. Usage errors are thrown as
// UsageError, failures as gw::Error; RunCli turns them into messages and exit statuses.
[[nodiscard]] int BuildCommand(const std::vector<std::string>& words, Console console);
[[nodiscard]] int ImagesCommand(const std::vector<std::string>& words, Console console);
// Writes an icon file again with only the images listed by --keep, in place or to -o OUT.
[[nodiscard]] int RemoveImagesCommand(const std::vector<std::string>& words, Console console);
// Builds the icon DLLs into a VBCE setup directory, rewrites its INF and rebuilds its cabinets.
[[nodiscard]] int SetupCommand(const std::vector<std::string>& words, Console console);
// Shows what a PE file holds: machine, sections, icon groups and their images, and whether the
// layout is the one this program writes.
[[nodiscard]] int InspectCommand(const std::vector<std::string>& words, Console console);
// Writes the icon groups of a PE file as .ico files into a folder, one file per group.
[[nodiscard]] int ExtractCommand(const std::vector<std::string>& words, Console console);
// Makes an icon file of palette images for Windows CE from a PNG, BMP or icon file.
[[nodiscard]] int ConvertCommand(const std::vector<std::string>& words, Console console);

} // namespace gw::cli

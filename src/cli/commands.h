#pragma once

#include "cli/cli.h"

#include <string>
#include <vector>

namespace gw::cli {

// The subcommands; each receives the words after its name. Usage errors are thrown as
// UsageError, failures as gw::Error; RunCli turns them into messages and exit statuses.
[[nodiscard]] int BuildCommand(Words words, Console console);
[[nodiscard]] int ImagesCommand(Words words, Console console);
// Writes an icon file again with only the images listed by --keep, in place or to -o OUT.
[[nodiscard]] int RemoveImagesCommand(Words words, Console console);
// Builds the icon DLLs into a VBCE setup directory, rewrites its INF and rebuilds its cabinets.
[[nodiscard]] int SetupCommand(Words words, Console console);
// Shows what a PE file holds: machine, sections, icon groups and their images, and whether the
// layout is the one this program writes.
[[nodiscard]] int InspectCommand(Words words, Console console);
// Writes the icon groups of a PE file as .ico files into a folder, one file per group.
[[nodiscard]] int ExtractCommand(Words words, Console console);
// Makes an icon file of palette images for Windows CE from a PNG, BMP or icon file.
[[nodiscard]] int ConvertCommand(Words words, Console console);

} // namespace gw::cli

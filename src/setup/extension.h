#pragma once

#include <optional>
#include <random>
#include <string>

namespace gw {

// A random extension for the installed application: a digit and two lower-case letters, never
// "2bp".
[[nodiscard]] std::string RandomExtension(std::mt19937& generator);

// Why an extension cannot replace ".vb", or nothing when it can. It ends up in file names and
// in INF registry lines, so only letters and digits are taken, at most 8 of them, and not "vb".
[[nodiscard]] std::optional<std::string> ExtensionProblem(const std::string& extension);

// The extension as stored: in lower case.
[[nodiscard]] std::string LowerExtension(const std::string& extension);

} // namespace gw

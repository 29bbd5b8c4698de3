#pragma once

#include "dll/pe_reader.h"

#include <optional>
#include <string>

namespace gw {

// Compares the file with the DLL this program writes for the same icon groups and images on
// the same machine. Gives nothing when every byte is the same, else the first difference.
[[nodiscard]] std::optional<std::string> LayoutDifference(const PeIconFile& file);

} // namespace gw

#pragma once

#include "setup/paths.h"

#include <string>

namespace gw::ui {

// The address of the help page that stands beside the program: "file://" and its path.
inline std::string HelpAddress(const std::string& programDirectory) {
    return "file://" + JoinPath(programDirectory, "help.htm");
}

} // namespace gw::ui

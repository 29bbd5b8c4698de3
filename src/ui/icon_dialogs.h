#pragma once

#include "ui/window_services.h"

#include <optional>
#include <string>

namespace gw::ui {

// An open dialog for icon files that starts in the folder stored under "Path"/directoryKey, or,
// before one has been stored, in the usual folder of icon files.
platform::FileDialogRequest IconOpenRequest(const WindowServices& services,
                                            const char* directoryKey, const char* title);

// Runs a save dialog that starts in the folder stored under "Path"/directoryKey (the program's
// folder before one is stored) and, when the user chooses a file, stores that file's folder
// there, without a trailing separator. Nothing when the dialog is cancelled.
std::optional<std::string> AskSaveFile(const WindowServices& services, const char* directoryKey,
                                       platform::FileDialogRequest request);

} // namespace gw::ui

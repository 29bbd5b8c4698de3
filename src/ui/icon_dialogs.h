#pragma once

#include "ui/window_services.h"

#include <optional>
#include <string>

namespace gw::ui {

// What a dialog's files are, which picks the user's folder it falls back to.
enum class FolderKind {
    Icons, // the user's Pictures folder
    Dlls,  // the user's Documents folder
};

// The folder a file dialog starts in: wanted when it is a folder on this system, else the
// user's own folder for the kind (from the desktop's standard locations), else the home folder.
[[nodiscard]] std::string StartFolder(const std::string& wanted, FolderKind kind);

// An open dialog for icon files that starts in the folder stored under "Path"/directoryKey, or,
// before one has been stored, in the usual folder of icon files; either only where it exists.
[[nodiscard]] services::FileDialogRequest
IconOpenRequest(const WindowServices& services, const char* directoryKey, const char* title);

// Runs a save dialog that starts in the folder stored under "Path"/directoryKey where it exists,
// else in the program's folder where that exists and may be written, else in the user's folder
// for the kind. Nothing when the dialog is cancelled. The folder is not stored: the caller
// remembers it with RememberFolder once the file has been written.
[[nodiscard]] std::optional<std::string> AskSaveFile(const WindowServices& services,
                                                     const char* directoryKey, FolderKind kind,
                                                     services::FileDialogRequest request);

// Stores the folder of path under "Path"/directoryKey, without a trailing separator.
void RememberFolder(const WindowServices& services, const char* directoryKey,
                    const std::string& path);

} // namespace gw::ui

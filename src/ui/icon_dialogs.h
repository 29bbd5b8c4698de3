#pragma once

#include "ui/window_services.h"

namespace gw::ui {

// An open dialog for icon files that starts in the folder stored under "Path"/directoryKey, or,
// before one has been stored, in the usual folder of icon files.
platform::FileDialogRequest IconOpenRequest(const WindowServices& services,
                                            const char* directoryKey, const char* title);

} // namespace gw::ui

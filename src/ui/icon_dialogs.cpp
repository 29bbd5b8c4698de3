#include "ui/icon_dialogs.h"

#include "ui/ui_settings.h"

namespace gw::ui {

platform::FileDialogRequest IconOpenRequest(const WindowServices& services,
                                            const char* directoryKey, const char* title) {
    std::string directory = services.settings.get(kPath, directoryKey, "");
    if (directory.empty()) {
        directory = kDefaultIconDirectory;
    }
    platform::FileDialogRequest request;
    request.title = title;
    request.filter = "Icons (*.ico)";
    request.initialName = "*.ico";
    request.defaultExtension = "ico";
    request.initialDirectory = directory;
    return request;
}

} // namespace gw::ui

#include "ui/icon_dialogs.h"

#include "setup/paths.h"
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

std::optional<std::string> AskSaveFile(const WindowServices& services, const char* directoryKey,
                                       platform::FileDialogRequest request) {
    request.initialDirectory = services.settings.get(kPath, directoryKey, "");
    if (request.initialDirectory.empty()) {
        request.initialDirectory = services.programDirectory;
    }
    request.overwritePrompt = true;
    std::optional<std::string> path = services.dialogs.saveFile(request);
    if (path) {
        services.settings.save(kPath, directoryKey, GetDirectory(*path, false));
    }
    return path;
}

} // namespace gw::ui

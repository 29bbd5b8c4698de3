#include "ui/setup_build.h"

#include "common/error.h"
#include "common/file_io.h"
#include "common/paths.h"
#include "ui/cab_progress_dialog.h"
#include "ui/extension_dialog.h"
#include "ui/icon_dialogs.h"
#include "ui/setup_notice_dialog.h"
#include "ui/ui_settings.h"

namespace gw::ui {

namespace {

// The DLL offered in the setup directory.
constexpr const char* kDefaultDllName = "Icons.dll";

} // namespace

SetupBuild::SetupBuild(const WindowServices& services, QWidget* window)
    : services_(services), window_(window) {}

void SetupBuild::run(const std::vector<std::string>& checkedFiles) {
    if (!SetupNoticeTurnedOff(services_.settings)) {
        SetupNoticeDialog notice(services_, window_);
        notice.exec();
    }
    const std::optional<std::string> chosen = askDllPath();
    if (!chosen) {
        return;
    }
    // Kept before the directory is checked, so that a wrong choice is offered again to mend.
    const std::string setupDir = GetDirectory(*chosen, true);
    services_.settings.save(kPath, key::kSetup, setupDir);

    CabProgressDialog progress(services_.events, window_);
    SetupReport report;
    try {
        report =
            rewrite({PathFromUtf8(setupDir), GetFileName(*chosen), PathsFromUtf8(checkedFiles), {}},
                    progress);
    } catch (const Error& e) {
        progress.hide();
        if (progress.stopRequested()) {
            services_.messages.show(Message{"The cab builder was stopped, so the cabinets in "
                                            "the \"CD1\" directory were left as they were.",
                                            "Stopped", MessageIcon::Information});
        } else {
            services_.showFailure(e.what());
        }
        return;
    }
    progress.hide();
    tellDone(report);
}

std::optional<std::string> SetupBuild::askDllPath() const {
    services::FileDialogRequest request;
    request.title = "Select the application Setup Directory and enter DLL file name";
    request.filter = "Dll Files (*.dll)";
    request.defaultExtension = "dll";
    request.initialName = kDefaultDllName;
    request.initialDirectory =
        StartFolder(services_.settings.get(kPath, key::kSetup, ""), FolderKind::Dlls);
    request.overwritePrompt = true;
    return services_.dialogs.saveFile(request);
}

// The same workflow as `glyphwright-cli setup`, with the window's own dialogs where the command
// line has options: the extension dialog chooses the extension, the progress window shows the
// wait for the cab builder, and the window is kept painted during the long file operations.
SetupReport SetupBuild::rewrite(const SetupRequest& request, CabProgressDialog& progress) {
    SetupCallbacks callbacks;
    callbacks.ChooseExtension = [this](const std::string&) { return chooseExtension(); };
    callbacks.CabBuilder = progress.builderOptions();
    callbacks.OnProgress = services_.pumpEvents();
    return RunSetup(request, callbacks);
}

std::string SetupBuild::chooseExtension() {
    std::string extension;
    {
        ExtensionDialog dialog(services_, window_);
        dialog.exec();
        extension = dialog.extension();
    }
    services_.events.processEvents(); // the closed window is painted over at once
    return extension;
}

void SetupBuild::tellDone(const SetupReport& report) const {
    for (const std::string& note : report.Notes) {
        services_.messages.show(Message{note, "", MessageIcon::Exclamation});
    }
    services_.messages.show(
        Message{"The Icon DLL's have been built and the Setup Files have been changed "
                "accordingly.\r\n\r\nEverything required to install your application is in the "
                "\"CD1\" directory.",
                "Done...", MessageIcon::Information});
}

} // namespace gw::ui

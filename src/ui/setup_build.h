#pragma once

#include "setup/setup_workflow.h"
#include "ui/window_services.h"

#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace gw::ui {

class CabProgressDialog;

// The build for a setup directory, as the main window runs it: the notice (unless the user has
// turned it off), the DLL's name in the wizard's setup directory, then the rewrite of that
// directory as `glyphwright-cli setup` does it, with the window's own dialogs where the command
// line has options: the extension dialog chooses the extension, and the cab builder runs under
// the progress window, whose Stop button ends it.
//
// Everything the rewrite reads is read and checked before anything is written, so a directory
// that cannot be rewritten is left as it was. Failures of the rewrite are told with the
// program's title, as the rewrite words them, and a stopped builder as stopped; "Done..." only
// when every step succeeded. Other failures pass up to the caller.
class SetupBuild {
public:
    SetupBuild(const WindowServices& services, QWidget* window);

    void run(const std::vector<std::string>& checkedFiles);

private:
    [[nodiscard]] std::optional<std::string> askDllPath() const;
    [[nodiscard]] SetupReport rewrite(const SetupRequest& request, CabProgressDialog& progress);
    [[nodiscard]] std::string chooseExtension();
    void tellDone(const SetupReport& report) const;

    const WindowServices& services_;
    QWidget* window_;
};

} // namespace gw::ui

#pragma once

#include "platform/qt_services.h"
#include "ui/main_window.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <string>

namespace gw::ui {

// What the window program holds while it runs: the Qt-backed desktop services and the main
// window over them.
class WindowProgram {
public:
    WindowProgram(const std::string& documentDirectory,
                  std::function<bool(const std::string&)> runAndWait, const std::string& homePage)
        : window_(WindowServices{settings_, messages_, dialogs_, shell_, events_, documentDirectory,
                                 std::move(runAndWait), homePage}) {}

    [[nodiscard]] MainWindow& window() { return window_; }

private:
    // Made before the window, which keeps them.
    platform::QtSettingsStore settings_;
    platform::QtMessages messages_;
    platform::QtFileDialogs dialogs_;
    platform::QtShell shell_;
    platform::QtEventPump events_;
    MainWindow window_;
};

// Starts the window program as main() does, in a running QApplication: the application's name
// and version (which the About box shows), the services with the folder of License.txt and
// help.htm, and the main window, started (the licence on the first run, then the stored
// choices) and shown, its icon the application's. The program runs while the result lives.
// The files given (the command line's words after the program, relative to the current folder)
// are then added to the list as Add adds them.
[[nodiscard]] std::unique_ptr<WindowProgram> StartWindowProgram(const QString& version,
                                                                const QStringList& givenFiles = {});

} // namespace gw::ui

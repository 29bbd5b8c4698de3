#pragma once

#include "common/progress.h"
#include "services/services.h"

#include <functional>
#include <string>

namespace gw::ui {

// The message types every window uses.
using services::Message;
using services::MessageAnswer;
using services::MessageButtons;
using services::MessageIcon;

// What the windows need of the desktop, handed in by the program (Qt-backed) or by a test
// (scripted fakes).
struct WindowServices {
    services::SettingsStore& settings;
    services::MessageService& messages;
    services::FileDialogs& dialogs;
    services::ShellOpen& shell;
    services::EventPump& events;
    // The folder where License.txt and help.htm stand (DocumentDirectory: the executable's, or
    // share/glyphwright of an installed program).
    std::string programDirectory;
    // Runs a whole command line and returns once the program has ended; false when it could
    // not be started. When given (on Windows), the first-run licence is shown in Notepad through
    // it; when empty, the program's own text window shows it.
    std::function<bool(const std::string& commandLine)> runAndWait;
    // The project's web address, which the About box and the setup notice show as a link;
    // empty: they show none.
    std::string homePage;

    // A failure told in a message box with the critical icon; an empty title is the program's.
    void showFailure(const std::string& text, const std::string& title = "") const {
        messages.show(Message{text, title, MessageIcon::Critical});
    }

    // Runs action; a failure it throws is told with showFailure under title, its message
    // between before and after. True when the action ran through. Every command of the windows
    // that can fail ends here, so that a failure is told the same way and never ends the program.
    bool runOrShowFailure(const std::function<void()>& action, const std::string& title = "",
                          const std::string& before = "", const std::string& after = "") const {
        try {
            action();
            return true;
        } catch (const std::exception& e) {
            showFailure(before + e.what() + after, title);
            return false;
        }
    }

    // What the core calls before a long file operation: one event-processing step.
    [[nodiscard]] Progress pumpEvents() const {
        return [&pump = events] { pump.processEvents(); };
    }
};

} // namespace gw::ui

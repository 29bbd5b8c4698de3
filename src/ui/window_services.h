#pragma once

#include "common/progress.h"
#include "services/services.h"

#include <functional>
#include <string>

namespace gw::ui {

// The message types every window uses.
using platform::Message;
using platform::MessageAnswer;
using platform::MessageButtons;
using platform::MessageIcon;

// What the windows need of the desktop, handed in by the program (Qt-backed) or by a test
// (scripted fakes).
struct WindowServices {
    platform::SettingsStore& settings;
    platform::MessageService& messages;
    platform::FileDialogs& dialogs;
    platform::ShellOpen& shell;
    platform::EventPump& events;
    // The folder where License.txt and help.htm stand (DocumentDirectory: the executable's, or
    // share/glyphwright of an installed program).
    std::string programDirectory;
    // Runs a whole command line and returns once the program has ended; false when it could
    // not be started. When given (on Windows), the first-run licence is shown in Notepad through
    // it; when empty, the program's own text window shows it.
    std::function<bool(const std::string& commandLine)> runAndWait;

    // A failure told in a message box with the critical icon; an empty title is the program's.
    void showFailure(const std::string& text, const std::string& title = "") const {
        messages.show(platform::Message{text, title, platform::MessageIcon::Critical});
    }

    // What the core calls before a long file operation: one event-processing step.
    Progress pumpEvents() const {
        return [&pump = events] { pump.processEvents(); };
    }
};

} // namespace gw::ui

#pragma once

#include <optional>
#include <string>
#include <vector>

// The services of the desktop that the windows use, behind interfaces so that the program gets
// Qt-backed ones (src/platform/qt_services.h) and tests scripted fakes. The core uses none of
// them: it throws, returns values and takes a progress callback.
namespace gw::services {

// The application title, shown by message boxes that have no title of their own.
inline constexpr const char* kAppTitle = "Glyphwright Tool";

enum class MessageIcon { None, Critical, Question, Exclamation, Information };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No };

struct Message {
    std::string text;
    std::string title; // empty: the application title
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
    int defaultButton = 0; // 0-based index among the buttons
};

class MessageService {
public:
    virtual ~MessageService() = default;
    virtual MessageAnswer show(const Message& message) = 0;
};

// One event-processing step: lets pending window events run before a long file operation.
class EventPump {
public:
    virtual ~EventPump() = default;
    virtual void processEvents() = 0;
};

// Per-user settings: strings addressed by section and key.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    [[nodiscard]] virtual std::string get(const std::string& section, const std::string& key,
                                          const std::string& fallback) const = 0;
    virtual void save(const std::string& section, const std::string& key,
                      const std::string& value) = 0;
};

// What a file dialog is asked to show. Patterns in initialName ("*.ico") are not preselected
// names; the dialog shows the folder filtered instead.
struct FileDialogRequest {
    std::string title;
    std::string filter;           // "Icons (*.ico)"
    std::string defaultExtension; // "ico": appended to a typed name without one
    std::string initialName;
    std::string initialDirectory; // empty: the dialog's own choice
    bool allowMultiple = false;   // open: several files may be chosen
    bool overwritePrompt = true;  // save: ask before an existing file is replaced
};

// Common open and save dialogs. Every dialog keeps the process's current directory and offers
// no read-only check box. A chosen path comes back complete, in the platform's native form.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // The chosen files, each with its full path, in the dialog's order; none when cancelled.
    // Only existing files can be chosen.
    [[nodiscard]] virtual std::vector<std::string> openFiles(const FileDialogRequest& request) = 0;
    // The chosen path; nothing when cancelled.
    [[nodiscard]] virtual std::optional<std::string> saveFile(const FileDialogRequest& request) = 0;
};

// Hands a document or an address to the program the desktop associates with it, without
// waiting for that program. False when nothing could be started for it.
class ShellOpen {
public:
    virtual ~ShellOpen() = default;
    virtual bool open(const std::string& documentOrAddress) = 0;
};

} // namespace gw::services

#pragma once

#include <string>

// The services of the desktop that the core and the windows use, behind interfaces so that the
// windows get Qt-backed ones, the command-line tool console-backed ones, and tests scripted fakes.
namespace gw::platform {

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
    virtual std::string get(const std::string& section, const std::string& key,
                            const std::string& fallback) const = 0;
    virtual void save(const std::string& section, const std::string& key,
                      const std::string& value) = 0;
};

} // namespace gw::platform

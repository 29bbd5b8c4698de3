#pragma once

#include "services/services.h"

#include <memory>
#include <string>

class QSettings;

// The desktop services for the windows, backed by Qt. Only the window program links them; the
// core and the command-line tool stay free of Qt.
namespace gw::platform {

// Settings in QSettings. The user's own store is, on Windows, the registry key
// HKEY_CURRENT_USER\Software\VB and VBA Program Settings\Glyphwright\<Section>, where programs
// of this kind keep their settings, and elsewhere the INI file Glyphwright/Glyphwright.ini in
// the user's configuration directory. Every value is written through at once; a store that
// cannot be written fails with an Error.
class QtSettingsStore : public services::SettingsStore {
public:
    QtSettingsStore();                                    // the user's own store
    explicit QtSettingsStore(const std::string& iniFile); // an INI file of the caller's choosing
    ~QtSettingsStore() override;

    [[nodiscard]] std::string get(const std::string& section, const std::string& key,
                                  const std::string& fallback) const override;
    void save(const std::string& section, const std::string& key,
              const std::string& value) override;

    // Where the values are kept: the INI file's path, or the registry key.
    [[nodiscard]] std::string location() const;

private:
    std::unique_ptr<QSettings> settings_;
};

// Message boxes over the program's active window.
class QtMessages : public services::MessageService {
public:
    services::MessageAnswer show(const services::Message& message) override;
};

// Qt's file dialogs over the program's active window.
class QtFileDialogs : public services::FileDialogs {
public:
    [[nodiscard]] std::vector<std::string>
    openFiles(const services::FileDialogRequest& request) override;
    [[nodiscard]] std::optional<std::string>
    saveFile(const services::FileDialogRequest& request) override;
};

// Opens documents and addresses with the desktop's programs. A local file counts as not opened
// when the desktop names no program for its type, so that callers can say so.
class QtShell : public services::ShellOpen {
public:
    bool open(const std::string& documentOrAddress) override;
};

// Lets the pending window events run once.
class QtEventPump : public services::EventPump {
public:
    void processEvents() override;
};

} // namespace gw::platform

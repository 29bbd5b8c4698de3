#pragma once

#include "platform/qt_services.h"
#include "support/test_support.h"
#include "ui/main_window.h"

#include <QAction>
#include <QListWidget>
#include <QPointer>
#include <QTest>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// What the window tests share: scripted stand-ins for the desktop's dialogs and shell, a main
// window whose hooks to the later windows record their calls, and a rig that puts the
// program's folder and the settings (a real INI file) in a temporary directory.
namespace gw::test {

// Answers file dialogs from a script and records every request. whileOpen runs while a
// dialog is "open", so a test can look at the window behind it. An empty script cancels.
class ScriptedDialogs : public platform::FileDialogs {
public:
    std::vector<std::string> openFiles(const platform::FileDialogRequest& request) override;
    std::optional<std::string> saveFile(const platform::FileDialogRequest& request) override;

    std::vector<platform::FileDialogRequest> requests;
    std::deque<std::vector<std::string>> openAnswers;
    std::deque<std::optional<std::string>> saveAnswers;
    std::function<void()> whileOpen;
};

// Records what the shell was asked to open and answers with succeeds.
class RecordingShell : public platform::ShellOpen {
public:
    bool open(const std::string& documentOrAddress) override {
        opened.push_back(documentOrAddress);
        return succeeds;
    }
    std::vector<std::string> opened;
    bool succeeds = true;
};

// The main window with its hooks to the windows of later work recorded.
class TestWindow : public ui::CreateDLL_Frm {
public:
    using CreateDLL_Frm::CreateDLL_Frm;

    std::vector<std::string> removerFiles;
    std::vector<std::vector<std::string>> setupBuilds;
    bool setupBuildRanInRunningState = false;
    int setupNotes = 0;
    int aboutBoxes = 0;
    std::function<void()> whileRemoverOpen;

protected:
    void BuildForSetup(std::vector<std::string>& checkedFiles) override {
        setupBuilds.push_back(checkedFiles);
        setupBuildRanInRunningState = isRunning();
    }
    void ShowImageRemover(const std::string& iconFile) override {
        removerFiles.push_back(iconFile);
        if (whileRemoverOpen) {
            whileRemoverOpen();
        }
    }
    void ShowSetupNote() override { ++setupNotes; }
    void ShowAbout() override { ++aboutBoxes; }
};

// A temporary program folder, settings in an INI file there, the fakes, and the window.
class WindowRig {
public:
    WindowRig();

    // Creates the window, runs its start-up and shows it. Unless firstRun, the licence is
    // marked as already shown.
    TestWindow& start(bool firstRun = false);
    TestWindow& window() { return *window_; }

    // A child widget or menu item of the window by name; fails the test when missing.
    template <class T> T* find(const char* name) {
        T* found = window_->findChild<T*>(QString::fromLatin1(name));
        if (!found) {
            QTest::qFail((std::string("no ") + name + " in the window").c_str(), __FILE__,
                         __LINE__);
        }
        return found;
    }
    QAction* action(const char* name) { return find<QAction>(name); }
    QListWidget* list() { return find<QListWidget>("IconList"); }

    // Adds files through the Add button with the dialog answering them.
    void add(const std::vector<std::string>& paths);
    // The paths in the list, and which of them are checked ("1" or "0" each).
    std::vector<std::string> paths();
    std::string marks();
    // Makes a row current the way the user does: by clicking its text.
    void clickRow(int row);
    // The stored value, or "-" when the key is absent.
    std::string stored(const std::string& section, const std::string& key);
    std::string text(const char* labelName);
    // The check marks of the three build modes ("100": the selected target only).
    std::string checkedModes();
    // The index of the one selected target; -2 when the option buttons and the "&Target" menu
    // disagree, -3 when more than one is selected, -1 when none is.
    int checkedTarget();

    TempDir dir;
    std::string programDir;
    std::string settingsFile;
    platform::QtSettingsStore settings;
    RecordingMessages messages;
    ScriptedDialogs dialogs;
    RecordingShell shell;
    platform::QtEventPump events;
    std::function<bool(const std::string&)> runAndWait;

private:
    std::unique_ptr<TestWindow> window_;
};

// The main window with its own windows behind the hooks (none recorded), started and shown
// over the rig's fakes and settings.
std::unique_ptr<ui::CreateDLL_Frm> StartRealWindow(WindowRig& rig);

// A child widget or action of any window by name; fails the test when missing.
template <class T> T* Child(const QObject& parent, const char* name) {
    T* found = parent.findChild<T*>(QString::fromLatin1(name));
    if (!found) {
        QTest::qFail(
            (std::string("no ") + name + " in " + parent.objectName().toStdString()).c_str(),
            __FILE__, __LINE__);
    }
    return found;
}

// Plays the user at the program's modal windows while it waits in them: each modal window that
// opens is recorded by name in seen and handed to the action given for its name; one without
// an action is closed at once. Lives as long as the test keeps it.
class ModalUser : public QObject {
public:
    ModalUser();
    std::map<std::string, std::function<void(QWidget&)>> actions;
    std::vector<std::string> seen;

private:
    QPointer<QWidget> last_;
};

// An example icon of the repository by file name.
std::string Example(const char* name);

// The PE machine field of a DLL file.
std::uint16_t DllMachine(const std::string& path);

} // namespace gw::test

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
// window whose hooks to the later windows are recorded, and one rig that puts the program's
// folder and the settings (a real INI file) in a temporary directory.
namespace gw::test {

using Texts = std::vector<std::string>;

// A child widget or menu item of any window by name; fails the test when missing.
template <class T> T* Child(const QObject& parent, const char* name) {
    T* found = parent.findChild<T*>(QString::fromLatin1(name));
    if (!found) {
        QTest::qFail(
            (std::string("no ") + name + " in " + parent.objectName().toStdString()).c_str(),
            __FILE__, __LINE__);
    }
    return found;
}

// Runs a command of a window the way the user does: a menu item is triggered, a button clicked.
void Click(const QObject& window, const char* name);

// Answers file dialogs from a script and records every request. whileOpen runs while a
// dialog is "open", so a test can look at the window behind it. An empty script cancels.
class ScriptedDialogs : public platform::FileDialogs {
public:
    Texts openFiles(const platform::FileDialogRequest& request) override {
        return next(request, openAnswers);
    }
    std::optional<std::string> saveFile(const platform::FileDialogRequest& request) override {
        return next(request, saveAnswers);
    }

    std::vector<platform::FileDialogRequest> requests;
    std::deque<Texts> openAnswers;
    std::deque<std::optional<std::string>> saveAnswers;
    std::function<void()> whileOpen;

private:
    template <class Answer>
    Answer next(const platform::FileDialogRequest& request, std::deque<Answer>& answers) {
        requests.push_back(request);
        if (whileOpen) {
            whileOpen();
        }
        Answer answer = answers.empty() ? Answer() : answers.front();
        if (!answers.empty()) {
            answers.pop_front();
        }
        return answer;
    }
};

// Records what the shell was asked to open and answers with succeeds.
class RecordingShell : public platform::ShellOpen {
public:
    bool open(const std::string& documentOrAddress) override {
        opened.push_back(documentOrAddress);
        return succeeds;
    }
    Texts opened;
    bool succeeds = true;
};

// The main window with its hooks to the later windows recorded; with realWindows set, the real
// windows run behind the record.
class TestWindow : public ui::CreateDLL_Frm {
public:
    using CreateDLL_Frm::CreateDLL_Frm;

    bool realWindows = false;
    Texts removerFiles;
    std::vector<Texts> setupBuilds;
    bool setupBuildRanInRunningState = false;
    int setupNotes = 0;
    int aboutBoxes = 0;
    std::function<void()> whileRemoverOpen;

protected:
    void BuildForSetup(Texts& checkedFiles) override {
        setupBuilds.push_back(checkedFiles);
        setupBuildRanInRunningState = isRunning();
        if (realWindows) {
            CreateDLL_Frm::BuildForSetup(checkedFiles);
        }
    }
    void ShowImageRemover(const std::string& iconFile) override {
        removerFiles.push_back(iconFile);
        if (whileRemoverOpen) {
            whileRemoverOpen();
        }
    }
    void ShowSetupNote() override {
        ++setupNotes;
        if (realWindows) {
            CreateDLL_Frm::ShowSetupNote();
        }
    }
    void ShowAbout() override { ++aboutBoxes; }
};

// A temporary program folder, settings in an INI file there, the fakes, and the main window.
class WindowRig {
public:
    WindowRig();

    // Services over the rig's fakes and settings, for any window.
    ui::WindowServices services();
    // Creates the main window, runs its start-up and shows it. Unless firstRun, the licence is
    // marked as already shown.
    TestWindow& start(bool firstRun = false);
    TestWindow& window() { return *window_; }

    template <class T> T* find(const char* name) { return Child<T>(*window_, name); }
    QAction* action(const char* name) { return find<QAction>(name); }
    QListWidget* list() { return find<QListWidget>("IconList"); }
    void click(const char* name) { Click(*window_, name); }

    // Adds files through the Add button with the dialog answering them.
    void add(const Texts& paths);
    // Sets the check marks of the entries from "1" (checked) and "0".
    void mark(const std::string& marks);
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
    // The messages shown, each as "icon|title|text".
    Texts said();

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

// Plays the user at the program's modal windows while it waits in them: each modal window that
// opens is recorded by name in seen and handed to the action given for its name; one without
// an action is closed at once. Lives as long as the test keeps it.
class ModalUser : public QObject {
public:
    ModalUser();
    std::map<std::string, std::function<void(QWidget&)>> actions;
    Texts seen;

private:
    QPointer<QWidget> last_;
};

// An example icon of the repository by file name.
std::string Example(const char* name);

// The PE machine field of a DLL file.
std::uint16_t DllMachine(const std::string& path);

} // namespace gw::test

#pragma once

#include "common/paths.h"
#include "platform/qt_services.h"
#include "support/test_support.h"
#include "ui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QPointer>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// A failed QCOMPARE of texts or lists of texts prints both sides.
namespace QTest {
template <> inline char* toString(const std::string& text) {
    return qstrdup(text.c_str());
}
template <> inline char* toString(const std::vector<std::string>& texts) {
    std::string joined = "{";
    for (const std::string& text : texts) {
        joined += (joined.size() > 1 ? ", \"" : "\"") + text + "\"";
    }
    return qstrdup((joined + "}").c_str());
}
} // namespace QTest

// What the window tests share: scripted stand-ins for the desktop's dialogs and shell, a main
// window whose hooks to the later windows are recorded, and one rig that puts the program's
// folder and the settings (a real INI file) in a temporary directory.
namespace gw::test {

using Texts = std::vector<std::string>;

// A child widget or menu item of any window by name; fails the test when missing.
template <class T> T* Child(const QObject& parent, const char* name) {
    T* found = parent.findChild<T*>(QString::fromLatin1(name));
    if (!found) {
        QTest::qFail((std::string("no ") + name).c_str(), __FILE__, __LINE__);
    }
    return found;
}

// Sets the check marks of a list's entries from "1" (checked) and "0".
inline void Mark(QListWidget* list, const std::string& marks) {
    for (std::size_t row = 0; row < marks.size(); ++row) {
        list->item(int(row))->setCheckState(marks[row] == '1' ? Qt::Checked : Qt::Unchecked);
    }
}

// Runs a command the way the user does: a menu item is triggered, a button clicked.
inline void Click(const QObject& window, const char* name) {
    if (auto* item = window.findChild<QAction*>(QLatin1String(name))) {
        item->trigger();
    } else {
        QTest::mouseClick(Child<QWidget>(window, name), Qt::LeftButton);
    }
}

// Records every message shown and answers from a script (Ok when the script is empty).
class RecordingMessages : public services::MessageService {
public:
    services::MessageAnswer show(const services::Message& message) override {
        shown.push_back(message);
        if (answers.empty()) {
            return services::MessageAnswer::Ok;
        }
        const auto answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    }

    std::vector<services::Message> shown;
    std::vector<services::MessageAnswer> answers;
};

// The desktop's file dialogs and shell: dialogs answer from a script (an empty script
// cancels) and record every request, whileOpen running while one is "open"; the shell records
// what it was asked to open and answers with succeeds.
class FakeDesktop : public services::FileDialogs, public services::ShellOpen {
public:
    Texts openFiles(const services::FileDialogRequest& r) override { return next(r, openAnswers); }
    std::optional<std::string> saveFile(const services::FileDialogRequest& r) override {
        return next(r, saveAnswers);
    }
    bool open(const std::string& documentOrAddress) override {
        opened.push_back(documentOrAddress);
        return succeeds;
    }
    std::vector<services::FileDialogRequest> requests;
    std::deque<Texts> openAnswers;
    std::deque<std::optional<std::string>> saveAnswers;
    std::function<void()> whileOpen;
    Texts opened;
    bool succeeds = true;

private:
    template <class Answer>
    Answer next(const services::FileDialogRequest& request, std::deque<Answer>& answers) {
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

// The main window with its hooks to the setup build and the remover recorded; with realWindows
// set, the real setup build runs behind the record.
class TestWindow : public ui::MainWindow {
public:
    using MainWindow::MainWindow;
    bool realWindows = false;
    Texts removerFiles;
    std::vector<Texts> setupBuilds; // the checked files, then "running" if the window was
    std::function<void()> whileRemoverOpen;

protected:
    void buildForSetup(const Texts& checkedFiles) override {
        setupBuilds.push_back(checkedFiles);
        setupBuilds.back().push_back(isRunning() ? "running" : "idle");
        if (realWindows) {
            MainWindow::buildForSetup(checkedFiles);
        }
    }
    void showImageRemover(const std::string& iconFile) override {
        removerFiles.push_back(iconFile);
        if (whileRemoverOpen) {
            whileRemoverOpen();
        }
    }
};

// A temporary program folder, settings in an INI file there, the fakes, and the main window.
class WindowRig {
public:
    WindowRig() : settings(settingsFile) { std::filesystem::create_directory(programDir); }

    ui::WindowServices services() {
        return {settings, messages, dialogs, shell, events, programDir, runAndWait, homePage};
    }
    // Creates the main window, runs its start-up and shows it; unless firstRun, the licence is
    // marked as shown already.
    TestWindow& start(bool firstRun = false) {
        if (!firstRun) {
            settings.save("Options", "FistExec", "False");
        }
        window_ = std::make_unique<TestWindow>(services());
        window_->start();
        window_->show();
        if (!QTest::qWaitForWindowActive(window_.get())) {
            QTest::qFail("the window did not become active", __FILE__, __LINE__);
        }
        return *window_;
    }
    TestWindow& window() { return *window_; }
    template <class T> T* find(const char* name) { return Child<T>(*window_, name); }
    QAction* action(const char* name) { return find<QAction>(name); }
    QListWidget* list() { return find<QListWidget>("IconList"); }
    void click(const char* name) { Click(*window_, name); }
    // Adds files through the Add button with the dialog answering them.
    void add(const Texts& paths) {
        dialogs.openAnswers.push_back(paths);
        click("AddCmd");
    }
    void mark(const std::string& marks) { Mark(list(), marks); }
    // Makes a row current the way the user does: by clicking its text, right of the check box.
    void clickRow(int row, bool twice = false) {
        const QRect rect = list()->visualItemRect(list()->item(row));
        const QPoint at(rect.right() - 10, rect.center().y());
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, at);
        if (twice) {
            QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, at);
        }
    }
    // The stored value as a store of its own reads it from the file; "-" when absent.
    std::string stored(const std::string& section, const std::string& key) {
        return platform::QtSettingsStore(settingsFile).get(section, key, "-");
    }
    // The check marks of the three build modes ("100": the selected target only).
    std::string checkedModes() {
        std::string marks;
        for (const char* name : {"OneTarget_OM2", "AllTargets_OM2", "ChangeSetup_OM2"}) {
            marks += action(name)->isChecked() ? '1' : '0';
        }
        return marks;
    }
    // The index of the selected target; -2 when the option buttons and the "&Target" menu
    // disagree, -1 when none is selected.
    int checkedTarget() {
        int found = -1;
        for (int i = 5; i >= 0; --i) {
            const std::string index = std::to_string(i);
            const bool option = find<QRadioButton>(("MachineOpt_" + index).c_str())->isChecked();
            if (option != action(("Machine_M2_" + index).c_str())->isChecked()) {
                return -2;
            }
            found = option ? i : found;
        }
        return found;
    }
    // The messages shown, each as "icon|title|text".
    Texts said() {
        const char* icons[] = {"none", "critical", "question", "exclamation", "information"};
        Texts lines;
        for (const auto& m : messages.shown) {
            lines.push_back(std::string(icons[int(m.icon)]) + "|" + m.title + "|" + m.text);
        }
        return lines;
    }

    TempDir dir;
    std::string programDir = (dir.path() / "bin").string();
    std::string settingsFile = dir.file("settings.ini");
    platform::QtSettingsStore settings;
    RecordingMessages messages;
    FakeDesktop dialogs;
    FakeDesktop& shell = dialogs;
    platform::QtEventPump events;
    std::function<bool(const std::string&)> runAndWait;
    std::string homePage;

private:
    std::unique_ptr<TestWindow> window_;
};

// Plays the user at the program's modal windows: each one that opens is recorded by name in
// seen and handed to the action for its name; one without an action is closed at once.
class ModalUser : public QObject {
public:
    ModalUser() {
        auto* timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || modal == last_) {
                return;
            }
            last_ = modal;
            seen.push_back(modal->objectName().toStdString());
            const auto action = actions.find(seen.back());
            action != actions.end() ? action->second(*modal) : void(modal->close());
        });
        timer->start(10);
    }
    std::map<std::string, std::function<void(QWidget&)>> actions;
    Texts seen;

private:
    QPointer<QWidget> last_;
};

// With GLYPHWRIGHT_SCREENSHOTS set to a folder, saves what the widget shows as <name>.png
// there (docs/make_screenshots.sh makes the README's pictures so); otherwise does nothing.
inline void Screenshot(QWidget& widget, const char* name) {
    const QString folder = qEnvironmentVariable("GLYPHWRIGHT_SCREENSHOTS");
    if (!folder.isEmpty()) {
        widget.grab().save(folder + "/" + name + ".png");
    }
}

} // namespace gw::test

#include "ui_test_support.h"

#include <QApplication>
#include <QLabel>
#include <QRadioButton>
#include <QTimer>
#include <filesystem>

namespace gw::test {

std::vector<std::string> ScriptedDialogs::openFiles(const platform::FileDialogRequest& request) {
    requests.push_back(request);
    if (whileOpen) {
        whileOpen();
    }
    if (openAnswers.empty()) {
        return {};
    }
    std::vector<std::string> answer = openAnswers.front();
    openAnswers.pop_front();
    return answer;
}

std::optional<std::string> ScriptedDialogs::saveFile(const platform::FileDialogRequest& request) {
    requests.push_back(request);
    if (whileOpen) {
        whileOpen();
    }
    if (saveAnswers.empty()) {
        return std::nullopt;
    }
    std::optional<std::string> answer = saveAnswers.front();
    saveAnswers.pop_front();
    return answer;
}

WindowRig::WindowRig()
    : programDir((dir.path() / "bin").string()), settingsFile(dir.file("settings.ini")),
      settings(settingsFile) {
    std::filesystem::create_directory(programDir);
}

TestWindow& WindowRig::start(bool firstRun) {
    if (!firstRun) {
        settings.save("Options", "FistExec", "False");
    }
    window_ = std::make_unique<TestWindow>(
        ui::WindowServices{settings, messages, dialogs, shell, events, programDir, runAndWait});
    window_->Form_Load();
    window_->show();
    if (!QTest::qWaitForWindowActive(window_.get())) {
        QTest::qFail("the window did not become active", __FILE__, __LINE__);
    }
    return *window_;
}

void WindowRig::add(const std::vector<std::string>& files) {
    dialogs.openAnswers.push_back(files);
    QTest::mouseClick(find<QWidget>("AddCmd"), Qt::LeftButton);
}

std::vector<std::string> WindowRig::paths() {
    std::vector<std::string> result;
    for (int row = 0; row < list()->count(); ++row) {
        result.push_back(list()->item(row)->text().toStdString());
    }
    return result;
}

std::string WindowRig::marks() {
    std::string result;
    for (int row = 0; row < list()->count(); ++row) {
        result += list()->item(row)->checkState() == Qt::Checked ? '1' : '0';
    }
    return result;
}

void WindowRig::clickRow(int row) {
    const QRect rect = list()->visualItemRect(list()->item(row));
    // Well to the right of the check box, on the entry's text.
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {},
                      QPoint(rect.right() - 10, rect.center().y()));
}

std::string WindowRig::stored(const std::string& section, const std::string& key) {
    // A store of its own reads what reached the file.
    return platform::QtSettingsStore(settingsFile).get(section, key, "-");
}

std::string WindowRig::text(const char* labelName) {
    return find<QLabel>(labelName)->text().toStdString();
}

std::string WindowRig::checkedModes() {
    std::string marks;
    for (const char* name : {"OneTarget_OM2", "AllTargets_OM2", "ChangeSetup_OM2"}) {
        marks += action(name)->isChecked() ? '1' : '0';
    }
    return marks;
}

int WindowRig::checkedTarget() {
    int found = -1;
    for (int i = 0; i < 6; ++i) {
        const std::string index = std::to_string(i);
        const bool option = find<QRadioButton>(("MachineOpt_" + index).c_str())->isChecked();
        const bool menu = action(("Machine_M2_" + index).c_str())->isChecked();
        if (option != menu) {
            return -2;
        }
        if (option) {
            found = found == -1 ? i : -3;
        }
    }
    return found;
}

std::unique_ptr<ui::CreateDLL_Frm> StartRealWindow(WindowRig& rig) {
    rig.settings.save("Options", "FistExec", "False");
    auto window = std::make_unique<ui::CreateDLL_Frm>(
        ui::WindowServices{rig.settings, rig.messages, rig.dialogs, rig.shell, rig.events,
                           rig.programDir, rig.runAndWait});
    window->Form_Load();
    window->show();
    if (!QTest::qWaitForWindowActive(window.get())) {
        QTest::qFail("the window did not become active", __FILE__, __LINE__);
    }
    return window;
}

ModalUser::ModalUser() {
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [this] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == last_) {
            return;
        }
        last_ = modal;
        const std::string name = modal->objectName().toStdString();
        seen.push_back(name);
        const auto action = actions.find(name);
        if (action != actions.end()) {
            action->second(*modal);
        } else {
            modal->close();
        }
    });
    timer->start(10);
}

std::string Example(const char* name) {
    return (ExamplesDir() / name).string();
}

std::uint16_t DllMachine(const std::string& path) {
    return Le16(ReadBytes(path), 0xAC);
}

} // namespace gw::test

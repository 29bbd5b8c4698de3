#include "ui_test_support.h"

#include <QApplication>
#include <QLabel>
#include <QRadioButton>
#include <QTimer>
#include <filesystem>

namespace gw::test {

void Click(const QObject& window, const char* name) {
    if (auto* item = window.findChild<QAction*>(QLatin1String(name))) {
        item->trigger();
    } else {
        QTest::mouseClick(Child<QWidget>(window, name), Qt::LeftButton);
    }
}

WindowRig::WindowRig()
    : programDir((dir.path() / "bin").string()), settingsFile(dir.file("settings.ini")),
      settings(settingsFile) {
    std::filesystem::create_directory(programDir);
}

ui::WindowServices WindowRig::services() {
    return {settings, messages, dialogs, shell, events, programDir, runAndWait};
}

TestWindow& WindowRig::start(bool firstRun) {
    if (!firstRun) {
        settings.save("Options", "FistExec", "False");
    }
    window_ = std::make_unique<TestWindow>(services());
    window_->Form_Load();
    window_->show();
    if (!QTest::qWaitForWindowActive(window_.get())) {
        QTest::qFail("the window did not become active", __FILE__, __LINE__);
    }
    return *window_;
}

void WindowRig::add(const Texts& files) {
    dialogs.openAnswers.push_back(files);
    click("AddCmd");
}

void WindowRig::mark(const std::string& marks) {
    for (std::size_t row = 0; row < marks.size(); ++row) {
        list()->item(int(row))->setCheckState(marks[row] == '1' ? Qt::Checked : Qt::Unchecked);
    }
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
        if (option != action(("Machine_M2_" + index).c_str())->isChecked()) {
            return -2;
        }
        if (option) {
            found = found == -1 ? i : -3;
        }
    }
    return found;
}

Texts WindowRig::said() {
    const char* icons[] = {"none", "critical", "question", "exclamation", "information"};
    Texts lines;
    for (const auto& m : messages.shown) {
        lines.push_back(std::string(icons[int(m.icon)]) + "|" + m.title + "|" + m.text);
    }
    return lines;
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

#include "dll/target_machine.h"
#include "ui_test_support.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPlainTextEdit>
#include <QTimer>

using gw::platform::MessageAnswer;
using gw::platform::MessageButtons;
using gw::platform::MessageIcon;
using gw::test::WindowRig;

class StartupTest : public QObject {
    Q_OBJECT

private slots:
    void firstRunShowsTheLicenceBeforeTheWindowOnce();
    void firstRunOnWindowsRunsNotepadAndWaits();
    void unreadableLicenceIsReportedAndStartupGoesOn();
    void restoresTheStoredTargetAndBuildMode();
    void storedTargetOutsideTheTableSelectsX86();
    void exitAsksAndClosingStoresTheBuildMode();
    void closeBoxStoresWithoutAskingAndTheNextStartRestores();
    void activationSetsTheCaption();
};

namespace {

QString buildCaption(WindowRig& rig) {
    return rig.find<QAbstractButton>("BuilCmd")->text();
}

void storeOptions(WindowRig& rig, const std::vector<std::pair<const char*, const char*>>& values) {
    for (const auto& [key, value] : values) {
        rig.settings.save("Options", key, value);
    }
}

} // namespace

void StartupTest::firstRunShowsTheLicenceBeforeTheWindowOnce() {
    WindowRig rig;
    const std::string licence = "MIT License\n\nCopyright (c) 2026 Glyphwright contributors\n";
    gw::test::WriteText(rig.programDir + "/License.txt", licence);
    int shown = 0;
    QString title;
    QString text;
    bool windowVisible = true;
    const auto closeLicence = [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) {
            return;
        }
        ++shown;
        title = modal->windowTitle();
        text = modal->findChild<QPlainTextEdit*>("TextFileText")->toPlainText();
        windowVisible = rig.window().isVisible();
        modal->close();
    };
    QTimer::singleShot(0, closeLicence);
    rig.start(true);

    QCOMPARE(shown, 1);
    QCOMPARE(title, QString("License"));
    QCOMPARE(text.toStdString(), licence);
    QVERIFY(!windowVisible);
    QVERIFY(rig.window().isVisible());
    QCOMPARE(rig.stored("Options", "FistExec"), std::string("False"));
    QVERIFY(rig.messages.shown.empty());
    // No settings at all: x86, one-target builds.
    QCOMPARE(rig.checkedTarget(), 0);
    QCOMPARE(rig.window().SelectedMachine(), 0x014C);
    QCOMPARE(rig.stored("Options", "Target"), std::string("0"));
    QCOMPARE(rig.checkedModes(), std::string("100"));
    QCOMPARE(buildCaption(rig), QString("&Build DLL"));

    // The second start shows the window at once.
    QTimer::singleShot(0, closeLicence);
    rig.start(true);
    QCOMPARE(shown, 1);
}

void StartupTest::firstRunOnWindowsRunsNotepadAndWaits() {
    WindowRig rig;
    std::vector<std::string> commands;
    bool windowVisible = true;
    bool starts = true;
    rig.runAndWait = [&](const std::string& commandLine) {
        commands.push_back(commandLine);
        windowVisible = rig.window().isVisible();
        return starts;
    };
    rig.start(true);
    QCOMPARE(commands,
             std::vector<std::string>({"Notepad \"" + rig.programDir + "/License.txt\""}));
    QVERIFY(!windowVisible);
    QVERIFY(rig.messages.shown.empty());
    QCOMPARE(rig.stored("Options", "FistExec"), std::string("False"));

    // Notepad missing: said so, and start-up goes on all the same.
    WindowRig missing;
    missing.runAndWait = [](const std::string&) { return false; };
    missing.start(true);
    QCOMPARE(missing.messages.shown.size(), std::size_t(1));
    QVERIFY(missing.messages.shown[0].icon == MessageIcon::Critical);
    QVERIFY(missing.messages.shown[0].text.find("Notepad") != std::string::npos);
    QCOMPARE(missing.stored("Options", "FistExec"), std::string("False"));
    QCOMPARE(missing.checkedModes(), std::string("100"));
}

void StartupTest::unreadableLicenceIsReportedAndStartupGoesOn() {
    WindowRig rig; // no License.txt beside the program
    rig.start(true);
    QCOMPARE(rig.messages.shown.size(), std::size_t(1));
    const auto& message = rig.messages.shown[0];
    QVERIFY(message.icon == MessageIcon::Critical);
    QVERIFY2(message.text.find(rig.programDir + "/License.txt") != std::string::npos,
             message.text.c_str());
    QCOMPARE(rig.stored("Options", "FistExec"), std::string("False"));
    QVERIFY(rig.window().isVisible());
    QCOMPARE(rig.checkedTarget(), 0);
}

void StartupTest::restoresTheStoredTargetAndBuildMode() {
    struct Case {
        const char* target;
        std::vector<std::pair<const char*, const char*>> modes;
        int selected;
        const char* marks;
        const char* caption;
    };
    const std::vector<Case> cases = {
        {"3",
         {{"OneTarget", "False"}, {"AllTargets", "True"}, {"ChangeSetup", "False"}},
         3,
         "010",
         "&Build DLL (All Targets)"},
        {"5",
         {{"OneTarget", "True"}, {"AllTargets", "True"}, {"ChangeSetup", "True"}},
         5,
         "001",
         "&Build DLL (for Setup)"},
        {"1",
         {{"OneTarget", "False"}, {"AllTargets", "False"}, {"ChangeSetup", "False"}},
         1,
         "000",
         "&Build DLL"},
    };
    for (const Case& c : cases) {
        WindowRig rig;
        rig.settings.save("Options", "Target", c.target);
        storeOptions(rig, c.modes);
        rig.start();
        QCOMPARE(rig.checkedTarget(), c.selected);
        QCOMPARE(rig.window().SelectedMachine(),
                 gw::kTargetMachines[std::size_t(c.selected)].machine);
        QCOMPARE(rig.checkedModes(), std::string(c.marks));
        QCOMPARE(buildCaption(rig), QString(c.caption));
        QVERIFY(rig.messages.shown.empty());
    }
}

void StartupTest::storedTargetOutsideTheTableSelectsX86() {
    for (const char* stored : {"6", "-1", "SH4", "", "3x", "99999999999"}) {
        WindowRig rig;
        rig.settings.save("Options", "Target", stored);
        rig.start();
        QVERIFY2(rig.checkedTarget() == 0, stored);
        QCOMPARE(rig.window().SelectedMachine(), 0x014C);
        QCOMPARE(rig.stored("Options", "Target"), std::string("0"));
    }
    WindowRig spaced;
    spaced.settings.save("Options", "Target", " 2 ");
    spaced.start();
    QCOMPARE(spaced.checkedTarget(), 2);
}

void StartupTest::exitAsksAndClosingStoresTheBuildMode() {
    WindowRig rig;
    auto& window = rig.start();
    rig.action("AllTargets_OM2")->trigger();

    rig.messages.answers = {MessageAnswer::No};
    QTest::mouseClick(rig.find<QWidget>("ExitCmd"), Qt::LeftButton);
    QCOMPARE(rig.messages.shown.size(), std::size_t(1));
    const auto& question = rig.messages.shown[0];
    QCOMPARE(question.text, std::string("Exit Program?"));
    QCOMPARE(question.title, std::string());
    QVERIFY(question.icon == MessageIcon::Question);
    QVERIFY(question.buttons == MessageButtons::YesNo);
    QVERIFY(window.isVisible());
    QCOMPARE(rig.stored("Options", "AllTargets"), std::string("-"));

    rig.messages.answers = {MessageAnswer::Yes};
    rig.action("Exit_FM2")->trigger();
    QCOMPARE(rig.messages.shown.size(), std::size_t(2));
    QCOMPARE(rig.messages.shown[1].text, std::string("Exit Program?"));
    QVERIFY(!window.isVisible());
    QCOMPARE(rig.stored("Options", "OneTarget"), std::string("False"));
    QCOMPARE(rig.stored("Options", "AllTargets"), std::string("True"));
    QCOMPARE(rig.stored("Options", "ChangeSetup"), std::string("False"));
    const std::string ini = gw::test::ReadText(rig.settingsFile);
    QVERIFY2(ini.find("[Options]") != std::string::npos &&
                 ini.find("AllTargets=True") != std::string::npos,
             ini.c_str());
}

void StartupTest::closeBoxStoresWithoutAskingAndTheNextStartRestores() {
    WindowRig rig;
    auto& window = rig.start();
    rig.action("OneTarget_OM2")->trigger(); // no mode checked
    QVERIFY(window.close());
    QVERIFY(rig.messages.shown.empty());
    QCOMPARE(rig.stored("Options", "OneTarget"), std::string("False"));
    QCOMPARE(rig.stored("Options", "AllTargets"), std::string("False"));
    QCOMPARE(rig.stored("Options", "ChangeSetup"), std::string("False"));

    rig.start();
    QCOMPARE(rig.checkedModes(), std::string("000"));
    QCOMPARE(buildCaption(rig), QString("&Build DLL"));
}

void StartupTest::activationSetsTheCaption() {
    WindowRig rig;
    auto& window = rig.start();
    window.setWindowTitle("something else");
    QWidget other;
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    QCOMPARE(window.windowTitle(), QString("something else"));
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QCOMPARE(window.windowTitle(), QString("VBCE Icon DLL's"));
}

QTEST_MAIN(StartupTest)
#include "startup_test.moc"

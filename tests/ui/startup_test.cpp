#include "dll/target_machine.h"
#include "ui_test_support.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPlainTextEdit>
#include <QTimer>

using namespace std::string_literals;
using gw::platform::MessageAnswer;
using gw::platform::MessageButtons;
using gw::platform::MessageIcon;
using gw::test::WindowRig;
using Strings = std::vector<std::string>;
constexpr auto npos = std::string::npos;

class StartupTest : public QObject {
    Q_OBJECT

private slots:
    void firstRunShowsTheLicenceOnceBeforeTheWindow();
    void storedTargetAndBuildModeAreRestored();
    void exitAsksAndClosingStoresTheBuildMode();
};

namespace {

// The stored build mode: OneTarget, AllTargets and ChangeSetup, "-" where absent.
std::string storedModes(WindowRig& rig) {
    return rig.stored("Options", "OneTarget") + " " + rig.stored("Options", "AllTargets") + " " +
           rig.stored("Options", "ChangeSetup");
}

} // namespace

void StartupTest::firstRunShowsTheLicenceOnceBeforeTheWindow() {
    const std::string text = "MIT License\n\nCopyright (c) 2026 Glyphwright contributors\n";
    // The licence in a window of its own, in Notepad (Windows), in Notepad that does not
    // start, and a licence file that is missing; what a failure message names.
    const std::tuple<bool, bool, bool, const char*> ways[] = {{true, false, false, ""},
                                                              {false, true, true, ""},
                                                              {false, true, false, "Notepad"},
                                                              {false, false, false, "License.txt"}};
    for (const auto& [file, notepad, starts, named] : ways) {
        WindowRig rig;
        const std::string licence = rig.programDir + "/License.txt";
        if (file) {
            gw::test::WriteText(licence, text);
        }
        // What was shown, and "(over the window)" if the main window was visible already.
        Strings seen;
        const auto note = [&rig, &seen](const std::string& what) {
            seen.push_back(what + (rig.window().isVisible() ? " (over the window)" : ""));
        };
        if (notepad) {
            rig.runAndWait = [note, ok = starts](const std::string& line) {
                note(line);
                return ok;
            };
        }
        const auto closeLicence = [&] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                note(modal->windowTitle().toStdString() + "|" +
                     modal->findChild<QPlainTextEdit*>()->toPlainText().toStdString());
                modal->close();
            }
        };
        QTimer::singleShot(0, closeLicence);
        rig.start(true);
        QCOMPARE(seen, notepad ? Strings{"Notepad \"" + licence + "\""}
                       : file  ? Strings{"License|" + text}
                               : Strings{});
        QCOMPARE(rig.messages.shown.size(), std::size_t(*named ? 1 : 0));
        for (const auto& failure : rig.messages.shown) {
            QVERIFY2(failure.icon == MessageIcon::Critical && failure.text.find(licence) != npos &&
                         failure.text.find(named) != npos,
                     failure.text.c_str());
        }
        // Start-up goes on, with no settings at all: x86, one-target builds.
        QCOMPARE(rig.stored("Options", "FistExec") + rig.stored("Options", "Target"), "False0"s);
        QCOMPARE(rig.checkedTarget(), 0);
        QCOMPARE(rig.checkedModes(), "100"s);

        const std::size_t shown = seen.size() + rig.messages.shown.size();
        QTimer::singleShot(0, closeLicence);
        rig.start(true); // the second start shows the window at once
        QCOMPARE(seen.size() + rig.messages.shown.size(), shown);
    }
}

void StartupTest::storedTargetAndBuildModeAreRestored() {
    // The stored target and build mode (OneTarget, AllTargets, ChangeSetup as T or F; empty:
    // none stored), the target selected and the mode marks and caption shown.
    const std::tuple<const char*, const char*, int, const char*, const char*> cases[] = {
        {"3", "FTF", 3, "010", "&Build DLL (All Targets)"},
        {"5", "TTT", 5, "001", "&Build DLL (for Setup)"},
        {"1", "FFF", 1, "000", "&Build DLL"},
        {" 2 ", "", 2, "100", "&Build DLL"},
        // Anything but a number from 0 to 5 selects x86.
        {"", "", 0, "100", "&Build DLL"},
        {"6", "", 0, "100", "&Build DLL"},
        {"-1", "", 0, "100", "&Build DLL"},
        {"SH4", "", 0, "100", "&Build DLL"},
        {"3x", "", 0, "100", "&Build DLL"},
        {"99999999999", "", 0, "100", "&Build DLL"},
    };
    for (const auto& [target, modes, selected, marks, caption] : cases) {
        WindowRig rig;
        rig.settings.save("Options", "Target", target);
        const char* keys[] = {"OneTarget", "AllTargets", "ChangeSetup"};
        for (std::size_t i = 0; modes[i] != '\0'; ++i) {
            rig.settings.save("Options", keys[i], modes[i] == 'T' ? "True" : "False");
        }
        rig.start();
        QVERIFY2(rig.checkedTarget() == selected, target);
        QCOMPARE(rig.window().SelectedMachine(),
                 gw::kTargetMachines[std::size_t(selected)].machine);
        QCOMPARE(rig.stored("Options", "Target"), std::to_string(selected));
        QCOMPARE(rig.checkedModes(), std::string(marks));
        QCOMPARE(rig.find<QAbstractButton>("BuilCmd")->text(), QString(caption));
        QVERIFY(rig.messages.shown.empty());
    }
}

void StartupTest::exitAsksAndClosingStoresTheBuildMode() {
    WindowRig rig;
    rig.start();
    rig.action("AllTargets_OM2")->trigger();
    rig.messages.answers = {MessageAnswer::No, MessageAnswer::Yes};
    QTest::mouseClick(rig.find<QWidget>("ExitCmd"), Qt::LeftButton);
    QCOMPARE(rig.messages.shown.size(), std::size_t(1));
    const auto& question = rig.messages.shown[0];
    QCOMPARE(question.text, "Exit Program?"s);
    QVERIFY(question.icon == MessageIcon::Question && question.buttons == MessageButtons::YesNo);
    QVERIFY(rig.window().isVisible());
    QCOMPARE(storedModes(rig), "- - -"s);

    rig.action("Exit_FM2")->trigger(); // answered Yes
    QCOMPARE(rig.messages.shown.size(), std::size_t(2));
    QVERIFY(!rig.window().isVisible());
    QCOMPARE(storedModes(rig), "False True False"s);

    // The next start restores the mode; the close box closes without asking and stores too.
    rig.start();
    QCOMPARE(rig.checkedModes(), "010"s);
    rig.action("AllTargets_OM2")->trigger(); // no mode checked
    QVERIFY(rig.window().close());
    QCOMPARE(rig.messages.shown.size(), std::size_t(2));
    QCOMPARE(storedModes(rig), "False False False"s);
}

QTEST_MAIN(StartupTest)
#include "startup_test.moc"

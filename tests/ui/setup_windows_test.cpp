#include "support/setup_directory.h"
#include "ui/cab_progress_dialog.h"
#include "ui/extension_dialog.h"
#include "ui/setup_notice_dialog.h"
#include "ui_test_support.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>

using namespace std::string_literals;
using gw::test::Child;
using gw::test::Click;
using gw::test::Texts;
using gw::test::WindowRig;
namespace fs = std::filesystem;

class SetupWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void noticeShowsAndStoresTheChoice();
    void extensionRandomOrTyped();
    void setupBuildThroughTheRealWindows();
    void checksBeforeChangesAndStopsTheBuilder();
    void progressWindowAsksForAStopByButtonOrEsc();
};

void SetupWindowsTest::noticeShowsAndStoresTheChoice() {
    // What is stored, whether the box starts ticked, the box set by the user, what is stored then.
    for (const auto& [stored, ticked, tick, after] :
         std::vector<std::tuple<const char*, bool, bool, const char*>>{
             {nullptr, false, true, "True"},
             {"True", true, false, "False"},
             {"0", false, false, "False"}}) {
        WindowRig rig;
        if (stored) {
            rig.settings.save("Options", "DontShowSMsg", stored);
        }
        gw::ui::SetupNoticeDialog note(rig.services());
        note.show();
        auto* box = Child<QCheckBox>(note, "ShowMsgOpt");
        QCOMPARE(box->isChecked(), ticked);
        box->setChecked(tick);
        Click(note, "Command1");
        QVERIFY(!note.isVisible());
        QCOMPARE(rig.stored("Options", "DontShowSMsg"), std::string(after));
    }
}

void SetupWindowsTest::extensionRandomOrTyped() {
    WindowRig rig;
    gw::ui::ExtensionDialog form(rig.services());
    form.show();
    auto* box = Child<QLineEdit>(form, "ExtTxt");
    // Random: drawn at once, shown in capitals, stored in lower case, not to be edited.
    QVERIFY(QRegularExpression(QStringLiteral("^[0-9][A-Z]{2}$")).match(box->text()).hasMatch());
    QVERIFY(!box->isEnabled());
    QCOMPARE(form.extension(), box->text().toLower().toStdString());
    const std::string random = form.extension();
    // Typed, shown in capitals, over the whole text (the box selects it when it gets the
    // focus): the replaced ".vb" is refused with a message, the window stays with the box ready
    // for another try and the drawn extension stands; an acceptable one closes the window,
    // stored in lower case.
    QVERIFY(QTest::qWaitForWindowActive(&form));
    Click(form, "UserOpt");
    for (const char* typed : {"vb", "Ab12"}) {
        QTRY_VERIFY(box->hasFocus() && box->selectedText() == box->text());
        QTest::keyClicks(box, typed);
        QCOMPARE(box->text(), QString::fromLatin1(typed).toUpper());
        Click(form, "Command1");
        const bool good = std::string(typed) == "Ab12";
        QCOMPARE(std::to_string(form.isVisible()) + form.extension() +
                     std::to_string(rig.said().size()),
                 good ? "0ab121" : "1" + random + "1");
    }
}

void SetupWindowsTest::setupBuildThroughTheRealWindows() {
    WindowRig rig;
    // ARM's processor type is one no DLL is built for: the build says so before "Done...".
    gw::test::SetupDirectory setup(
        "sh3 arm",
        gw::test::Replaced(gw::test::kWizardInf, "ProcessorType = 2577", "ProcessorType = 1234"),
        "readme.txt");
    gw::test::TempDir notSetup;
    rig.start().realWindows = true;
    rig.add({setup.icon()});
    rig.click("ChangeSetup_OM2");
    rig.click("MachineOpt_5"); // PPC
    gw::test::ModalUser user;
    user.actions["SetupNote"] = [](QWidget& note) {
        Child<QCheckBox>(note, "ShowMsgOpt")->setChecked(true);
        Click(note, "Command1");
    };
    user.actions["ExtensionFrm"] = [](QWidget& form) {
        Click(form, "UserOpt");
        Child<QLineEdit>(form, "ExtTxt")->setText(QStringLiteral("AB1"));
        Click(form, "Command1");
    };
    // The builder's progress window is left alone (closing it would stop the builder); whether
    // it is seen depends on how long the builder takes.
    user.actions["CabProgressFrm"] = [](QWidget&) {};
    const std::string dll = setup.setupDir() + "MyApp.dll";
    rig.dialogs.saveAnswers = {notSetup.file("Icons.dll"), dll, dll};

    // A directory without Readme.txt: refused after the notice, before the extension is asked.
    // The directory is remembered all the same (with its separator), and offered again.
    rig.click("BuilCmd");
    QCOMPARE(user.seen, Texts({"SetupNote"}));
    QVERIFY(rig.said().at(0).find("\"Readme.txt\" not found") != std::string::npos);
    QVERIFY(fs::is_empty(notSetup.path()));
    QCOMPARE(rig.stored("Options", "DontShowSMsg"), std::string("True"));
    const std::string remembered = (notSetup.path() / "").make_preferred().string();
    QCOMPARE(rig.stored("Path", "Setup"), remembered);

    // The setup directory, the notice now turned off: the x86 DLL and the INF entry of the
    // typed extension, then the processor left without a DLL, then "Done...".
    user.seen.clear();
    rig.messages.shown.clear();
    rig.click("BuilCmd");
    std::erase(user.seen, "CabProgressFrm");
    QCOMPARE(user.seen, Texts({"ExtensionFrm"}));
    QCOMPARE(rig.dialogs.requests.back().initialDirectory, remembered);
    QCOMPARE(rig.said().size(), std::size_t(2));
    QVERIFY2(rig.said()[0].starts_with("exclamation||") &&
                 rig.said()[0].find("ProcessorType 1234") != std::string::npos,
             rig.said()[0].c_str());
    QCOMPARE(rig.messages.shown[1].title, "Done..."s);
    QCOMPARE(gw::test::MachineOf(dll), std::uint16_t(0x014C));
    QVERIFY(gw::test::ReadText(setup.infPath()).find("HKCR,.ab1,") != std::string::npos);

    // A cab builder that fails, the extension window closed without Continue: the failure is
    // told, and no "Done...".
    rig.messages.shown.clear();
    user.actions.erase("ExtensionFrm");
    setup.failCabwizWith(3);
    rig.click("BuilCmd");
    QVERIFY(rig.said().at(0).find("cab builder did not succeed") != std::string::npos);
    QVERIFY(!rig.window().isRunning());
}

void SetupWindowsTest::checksBeforeChangesAndStopsTheBuilder() {
    WindowRig rig;
    gw::test::SetupDirectory setup;
    rig.settings.save("Options", "DontShowSMsg", "True");
    rig.start().realWindows = true;
    rig.add({setup.icon()});
    rig.click("ChangeSetup_OM2");
    gw::test::ModalUser user;
    const std::string dll = setup.setupDir() + "MyApp.dll";

    // A README without the cab builder line: told as such (not as a file that could not be read)
    // before the extension is asked for, and nothing in the directory changes.
    const fs::path readme = setup.root() / "README.TXT";
    const std::string wizardReadme = gw::test::ReadText(readme);
    gw::test::WriteText(readme, "Application Install Wizard\r\n");
    const auto untouched = gw::test::Snapshot(setup.root());
    rig.dialogs.saveAnswers = {dll};
    rig.click("BuilCmd");
    QCOMPARE(user.seen, Texts());
    QCOMPARE(rig.said().size(), std::size_t(1));
    const std::string told = rig.messages.shown[0].text;
    QVERIFY2(told.starts_with("The \"README.TXT\" file on: \n") &&
                 told.find('\n', 25) < told.find("README.TXT has no cab builder line"),
             told.c_str());
    QVERIFY(gw::test::Snapshot(setup.root()) == untouched);

    // A cab builder that hangs with a child: the progress window names the command, counts the
    // seconds under the busy pointer, and Stop ends both; the run is told as stopped and CD1
    // keeps its cabinets.
    gw::test::WriteText(readme, wizardReadme);
    setup.hangCabwiz("wait");
    const auto cabinets = gw::test::Snapshot(setup.root() / "CD1");
    std::string command, waited;
    int cursor = -1;
    user.actions["CabProgressFrm"] = [&](QWidget& progress) {
        command = Child<QLabel>(progress, "CommandLbl")->text().toStdString();
        cursor = QApplication::overrideCursor() ? QApplication::overrideCursor()->shape() : -1;
        QTimer::singleShot(1500, &progress, [&] {
            waited = Child<QLabel>(progress, "WaitLbl")->text().toStdString();
            gw::test::Screenshot(progress, "cab-progress-window");
            Click(progress, "StopCmd");
        });
    };
    rig.messages.shown.clear();
    rig.dialogs.saveAnswers = {dll};
    rig.click("BuilCmd");
    QCOMPARE(user.seen, Texts({"ExtensionFrm", "CabProgressFrm"}));
    QCOMPARE(command, setup.command());
    QCOMPARE(cursor, int(Qt::BusyCursor));
    QVERIFY2(waited.starts_with("Waited: ") && waited != "Waited: 0 s", waited.c_str());
    const auto pids = setup.cabwizPids();
    QVERIFY(pids && gw::test::ProcessGone(pids->first) && gw::test::ProcessGone(pids->second));
    QCOMPARE(rig.said(),
             Texts({"information|Stopped|The cab builder was stopped, so the cabinets in the "
                    "\"CD1\" directory were left as they were."}));
    QVERIFY(gw::test::Snapshot(setup.root() / "CD1") == cabinets);
    QVERIFY(!rig.window().isRunning() && !QApplication::activeModalWidget() &&
            !QApplication::overrideCursor());
}

void SetupWindowsTest::progressWindowAsksForAStopByButtonOrEsc() {
    // Shown with the command when the builder starts; Stop or Esc asks for the stop, which the
    // builder hears at its next wait; the window stays until the builder has ended.
    for (const bool byButton : {true, false}) {
        WindowRig rig;
        gw::ui::CabProgressDialog progress(rig.events);
        const gw::CabBuilderOptions options = progress.builderOptions();
        options.OnStart("CABWIZ.EXE \"My App.inf\"");
        const bool before = options.OnWait(std::chrono::seconds(2));
        byButton ? Click(progress, "StopCmd") : QTest::keyClick(&progress, Qt::Key_Escape);
        const bool after = options.OnWait(std::chrono::seconds(3));
        const auto text = [&](const char* name) {
            return Child<QLabel>(progress, name)->text().toStdString();
        };
        QCOMPARE(std::to_string(before) + std::to_string(after) +
                     std::to_string(progress.isVisible()) +
                     std::to_string(Child<QWidget>(progress, "StopCmd")->isEnabled()) + "|" +
                     text("CommandLbl") + "|" + text("WaitLbl") + "|" + text("InfoLbl"),
                 "1010|CABWIZ.EXE \"My App.inf\"|Waited: 3 s|Stopping the cab builder…"s);
    }
}

QTEST_MAIN(SetupWindowsTest)
#include "setup_windows_test.moc"

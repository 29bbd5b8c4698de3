#include "dll/create_dll.h"
#include "dll/target_machine.h"
#include "ui_test_support.h"

#include <QAbstractButton>
#include <QApplication>
#include <QListWidget>
#include <filesystem>

using gw::platform::MessageIcon;
using gw::test::WindowRig;
using Paths = std::vector<std::string>;

class BuildTest : public QObject {
    Q_OBJECT

private slots:
    void targetsFromOptionButtonsAndMenu();
    void buildModesMoveTheirCheckMarkAndCaption();
    void oneTargetBuildWritesTheDllInTheRunningState();
    void allTargetsBuildWritesSevenDlls();
    void cancelledBuildChangesNothing();
    void refusesAnEmptyListAndAListWithNothingChecked();
    void failedBuildIsReportedAndTheWindowRecovers();
    void setupModeHandsTheCheckedFilesToTheSetupBuild();
};

namespace {

// What the window looked like while the output dialog was open.
struct Snapshot {
    QString caption;
    bool busyPointer = false;
    bool framesEnabled = true;
    bool buttonsEnabled = true;
    bool listEnabled = false;
    bool menusEnabled = false;
    bool running = false;
};

void snapshotWhileDialogOpen(WindowRig& rig, Snapshot& seen) {
    rig.dialogs.whileOpen = [&rig, &seen] {
        seen.caption = rig.window().windowTitle();
        seen.busyPointer = QApplication::overrideCursor() &&
                           QApplication::overrideCursor()->shape() == Qt::WaitCursor;
        seen.framesEnabled = rig.find<QWidget>("IconFrame")->isEnabled() ||
                             rig.find<QWidget>("FilesFrame")->isEnabled() ||
                             rig.find<QWidget>("TargetFrame")->isEnabled();
        seen.buttonsEnabled =
            rig.find<QWidget>("BuilCmd")->isEnabled() || rig.find<QWidget>("ExitCmd")->isEnabled();
        seen.listEnabled = rig.find<QWidget>("IconList")->isEnabled();
        seen.menusEnabled = rig.action("AddIcon_FM2")->isEnabled();
        seen.running = rig.window().isRunning();
    };
}

void checkIdle(WindowRig& rig) {
    QCOMPARE(rig.window().windowTitle(), QString("VBCE Icon DLL's"));
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(!rig.window().isRunning());
    for (const char* name : {"IconFrame", "FilesFrame", "TargetFrame", "BuilCmd", "ExitCmd"}) {
        QVERIFY2(rig.find<QWidget>(name)->isEnabled(), name);
    }
}

// Clicks an option button on its round box, the part of it that always takes a click.
void choose(WindowRig& rig, int target) {
    auto* option = rig.find<QWidget>(("MachineOpt_" + std::to_string(target)).c_str());
    const int middle = option->height() / 2;
    QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(middle, middle));
}

void build(WindowRig& rig) {
    QTest::mouseClick(rig.find<QWidget>("BuilCmd"), Qt::LeftButton);
}

QString buildCaption(WindowRig& rig) {
    return rig.find<QAbstractButton>("BuilCmd")->text();
}

} // namespace

void BuildTest::targetsFromOptionButtonsAndMenu() {
    WindowRig rig;
    auto& window = rig.start();
    for (int i = 5; i >= 0; --i) {
        choose(rig, i);
        QCOMPARE(rig.checkedTarget(), i);
        QCOMPARE(window.SelectedMachine(), gw::kTargetMachines[std::size_t(i)].machine);
        QCOMPARE(rig.stored("Options", "Target"), std::to_string(i));
    }
    for (int i = 0; i < 6; ++i) {
        rig.action(("Machine_M2_" + std::to_string(i)).c_str())->trigger();
        QCOMPARE(rig.checkedTarget(), i);
        QCOMPARE(window.SelectedMachine(), gw::kTargetMachines[std::size_t(i)].machine);
        QCOMPARE(rig.stored("Options", "Target"), std::to_string(i));
    }
    // Choosing the selected target again keeps its check mark.
    rig.action("Machine_M2_5")->trigger();
    QCOMPARE(rig.checkedTarget(), 5);
    QCOMPARE(window.SelectedMachine(), 0x01F0);
}

void BuildTest::buildModesMoveTheirCheckMarkAndCaption() {
    WindowRig rig;
    rig.start();
    QCOMPARE(rig.checkedModes(), std::string("100"));
    QCOMPARE(buildCaption(rig), QString("&Build DLL"));

    const std::vector<std::tuple<const char*, const char*, const char*>> steps = {
        {"AllTargets_OM2", "010", "&Build DLL (All Targets)"},
        {"ChangeSetup_OM2", "001", "&Build DLL (for Setup)"},
        {"AllTargets_OM2", "010", "&Build DLL (All Targets)"},
        {"AllTargets_OM2", "000", "&Build DLL"}, // the checked one again: no mode at all
        {"ChangeSetup_OM2", "001", "&Build DLL (for Setup)"},
        {"OneTarget_OM2", "100", "&Build DLL"},
        {"OneTarget_OM2", "000", "&Build DLL"},
    };
    for (const auto& [item, marks, caption] : steps) {
        rig.action(item)->trigger();
        QCOMPARE(rig.checkedModes(), std::string(marks));
        QCOMPARE(buildCaption(rig), QString(caption));
    }
}

void BuildTest::oneTargetBuildWritesTheDllInTheRunningState() {
    WindowRig rig;
    rig.start();
    rig.add({gw::test::Example("glyph-4bit.ico"), gw::test::Example("multi.ico")});
    choose(rig, 5);
    std::filesystem::create_directory(rig.dir.path() / "out");
    const std::string out = (rig.dir.path() / "out" / "B.dll").string();
    rig.dialogs.saveAnswers.push_back(out);
    Snapshot seen;
    snapshotWhileDialogOpen(rig, seen);
    build(rig);

    QCOMPARE(rig.dialogs.requests.size(), std::size_t(2));
    const auto& request = rig.dialogs.requests[1];
    QCOMPARE(request.title, std::string("Enter output DLL file name"));
    QCOMPARE(request.filter, std::string("Dll Files (*.dll)"));
    QCOMPARE(request.defaultExtension, std::string("dll"));
    QCOMPARE(request.initialName, std::string("PPC.Icons.dll"));
    QCOMPARE(request.initialDirectory, rig.programDir);
    QVERIFY(request.overwritePrompt);

    QCOMPARE(seen.caption, QString("Running...    "));
    QVERIFY(seen.busyPointer);
    QVERIFY(!seen.framesEnabled);
    QVERIFY(!seen.buttonsEnabled);
    QVERIFY(seen.listEnabled);
    QVERIFY(seen.menusEnabled);
    QVERIFY(seen.running);
    checkIdle(rig);

    QCOMPARE(gw::test::DllMachine(out), std::uint16_t(0x01F0));
    QCOMPARE(std::distance(std::filesystem::directory_iterator(rig.dir.path() / "out"), {}), 1);
    QCOMPARE(rig.messages.shown.size(), std::size_t(1));
    QCOMPARE(rig.messages.shown[0].text, "DLL has been built as:\r\n\r\n" + out);
    QCOMPARE(rig.messages.shown[0].title, std::string("Finished"));
    QVERIFY(rig.messages.shown[0].icon == MessageIcon::Information);
    QCOMPARE(rig.stored("Path", "Build"), (rig.dir.path() / "out").string());

    // The next build starts in that folder and offers the newly selected target's name; an
    // unchecked entry stays out of the DLL.
    rig.action("Machine_M2_0")->trigger();
    rig.list()->item(1)->setCheckState(Qt::Unchecked);
    rig.dialogs.saveAnswers.push_back(out);
    build(rig);
    QCOMPARE(rig.dialogs.requests[2].initialName, std::string("X86.Icons.dll"));
    QCOMPARE(rig.dialogs.requests[2].initialDirectory, (rig.dir.path() / "out").string());
    QCOMPARE(gw::test::DllMachine(out), std::uint16_t(0x014C));
    gw::test::TempDir single;
    gw::CreateDll(0x014C, {gw::test::Example("glyph-4bit.ico")}, single.file("x.dll"));
    QVERIFY(gw::test::ReadBytes(out) == gw::test::ReadBytes(single.file("x.dll")));
}

void BuildTest::allTargetsBuildWritesSevenDlls() {
    WindowRig rig;
    rig.settings.save("Path", "Build", rig.dir.path().string());
    rig.start();
    rig.add({gw::test::Example("mono-1bit.ico")});
    choose(rig, 1);
    rig.action("AllTargets_OM2")->trigger();
    const std::string out = rig.dir.file("B.dll");
    rig.dialogs.saveAnswers.push_back(out);
    Snapshot seen;
    snapshotWhileDialogOpen(rig, seen);
    build(rig);

    QCOMPARE(rig.dialogs.requests.back().initialName, std::string("*.dll"));
    QCOMPARE(rig.dialogs.requests.back().initialDirectory, rig.dir.path().string());
    QCOMPARE(seen.caption, QString("Running...    "));
    checkIdle(rig);
    const std::pair<const char*, std::uint16_t> expected[] = {
        {"", 0x0166},     {".X86", 0x014C}, {".MIPS", 0x0166}, {".SH3", 0x01A2},
        {".SH4", 0x01A6}, {".ARM", 0x01C0}, {".PPC", 0x01F0}};
    for (const auto& [suffix, machine] : expected) {
        QVERIFY2(std::filesystem::exists(out + suffix), suffix);
        QCOMPARE(gw::test::DllMachine(out + suffix), machine);
    }
    QVERIFY(gw::test::ReadBytes(out) == gw::test::ReadBytes(out + ".MIPS"));
    QCOMPARE(rig.messages.shown.size(), std::size_t(1));
    QCOMPARE(rig.messages.shown[0].text,
             "All Targets have been buit with their default extensions.\r\n\r\nDLL (for: MIPS) "
             "has been built as:\r\n" +
                 out);
    QCOMPARE(rig.messages.shown[0].title, std::string("Done..."));
    QVERIFY(rig.messages.shown[0].icon == MessageIcon::Information);
}

void BuildTest::cancelledBuildChangesNothing() {
    for (const char* mode : {"OneTarget_OM2", "AllTargets_OM2"}) {
        WindowRig rig;
        rig.start();
        rig.add({gw::test::Example("mono-1bit.ico")});
        if (!rig.action(mode)->isChecked()) {
            rig.action(mode)->trigger();
        }
        build(rig); // the dialog has no answer: the user cancels
        QCOMPARE(rig.dialogs.requests.size(), std::size_t(2));
        QVERIFY(rig.messages.shown.empty());
        QCOMPARE(rig.stored("Path", "Build"), std::string("-"));
        QCOMPARE(std::distance(std::filesystem::directory_iterator(rig.programDir), {}), 0);
        checkIdle(rig);
    }
}

void BuildTest::refusesAnEmptyListAndAListWithNothingChecked() {
    WindowRig rig;
    rig.start();
    bool dialogShown = false;
    rig.dialogs.whileOpen = [&] { dialogShown = true; };
    build(rig);
    QCOMPARE(rig.messages.shown.size(), std::size_t(1));
    QCOMPARE(rig.messages.shown[0].text, std::string("Please add some Icons to the List..."));
    QCOMPARE(rig.messages.shown[0].title, std::string("Build DLL"));
    QVERIFY(rig.messages.shown[0].icon == MessageIcon::Information);

    rig.add({gw::test::Example("mono-1bit.ico"), gw::test::Example("multi.ico")});
    dialogShown = false;
    auto* list = rig.list();
    list->item(0)->setCheckState(Qt::Unchecked);
    list->item(1)->setCheckState(Qt::Unchecked);
    rig.action("AllTargets_OM2")->trigger();
    build(rig);
    QVERIFY(!dialogShown);
    QCOMPARE(rig.messages.shown.size(), std::size_t(2));
    QCOMPARE(rig.messages.shown[1].text,
             std::string("Please check at least one Icon on the List..."));
    QCOMPARE(rig.messages.shown[1].title, std::string("Build DLL"));
    QVERIFY(rig.messages.shown[1].icon == MessageIcon::Information);
    checkIdle(rig);
}

void BuildTest::failedBuildIsReportedAndTheWindowRecovers() {
    WindowRig rig;
    rig.start();
    const std::string icon = gw::test::WriteIcon(rig.dir, "gone.ico", {{32, 32, 4}});
    rig.add({gw::test::Example("mono-1bit.ico"), icon});
    std::filesystem::remove(icon);
    const std::string out = rig.dir.file("keep.dll");
    gw::test::WriteText(out, "old contents");
    rig.dialogs.saveAnswers.push_back(out);
    build(rig);

    QCOMPARE(rig.messages.shown.size(), std::size_t(1));
    const auto& failure = rig.messages.shown[0];
    QCOMPARE(failure.title, std::string("Build DLL"));
    QVERIFY(failure.icon == MessageIcon::Critical);
    QVERIFY2(failure.text.rfind("The DLL has not been built:\r\n\r\n" + icon + ": ", 0) == 0,
             failure.text.c_str());
    QCOMPARE(gw::test::ReadText(out), std::string("old contents"));
    checkIdle(rig);

    // An output folder that does not exist: the message names the DLL.
    rig.add({gw::test::Example("multi.ico")});
    rig.list()->item(1)->setCheckState(Qt::Unchecked);
    const std::string nowhere = rig.dir.file("missing") + "/x.dll";
    rig.dialogs.saveAnswers.push_back(nowhere);
    build(rig);
    QCOMPARE(rig.messages.shown.size(), std::size_t(2));
    QVERIFY(rig.messages.shown[1].icon == MessageIcon::Critical);
    QVERIFY2(rig.messages.shown[1].text.find(nowhere) != std::string::npos,
             rig.messages.shown[1].text.c_str());
    checkIdle(rig);
}

void BuildTest::setupModeHandsTheCheckedFilesToTheSetupBuild() {
    WindowRig rig;
    rig.start();
    rig.add({gw::test::Example("multi.ico"), gw::test::Example("mono-1bit.ico"),
             gw::test::Example("tile-8bit.ico")});
    rig.list()->item(1)->setCheckState(Qt::Unchecked);
    rig.action("ChangeSetup_OM2")->trigger();
    build(rig);
    QCOMPARE(rig.window().setupBuilds.size(), std::size_t(1));
    QCOMPARE(rig.window().setupBuilds[0],
             Paths({gw::test::Example("multi.ico"), gw::test::Example("tile-8bit.ico")}));
    QVERIFY(rig.window().setupBuildRanInRunningState);
    QCOMPARE(rig.dialogs.requests.size(), std::size_t(1)); // only the add dialog
    checkIdle(rig);
}

QTEST_MAIN(BuildTest)
#include "build_test.moc"

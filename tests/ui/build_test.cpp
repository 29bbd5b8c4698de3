#include "dll/create_dll.h"
#include "dll/target_machine.h"
#include "ui_test_support.h"

#include <QAbstractButton>
#include <QApplication>
#include <filesystem>

using namespace std::string_literals;
using gw::test::Example;
using gw::test::WindowRig;
using Paths = std::vector<std::string>;

class BuildTest : public QObject {
    Q_OBJECT

private slots:
    void targetsAndBuildModes();
    void oneTargetBuildWritesTheCheckedIcons();
    void allTargetsBuildWritesSevenDlls();
    void refusedAndSetupBuilds();
    void failedBuildIsReportedAndTheWindowRecovers();
};

namespace {

// How the window stands: caption, pointer, which of the frames, the Build and Exit buttons,
// the list and the menus take input, and whether a build runs.
std::string standing(WindowRig& rig) {
    const QCursor* pointer = QApplication::overrideCursor();
    std::string text = rig.window().windowTitle().toStdString() +
                       (pointer && pointer->shape() == Qt::WaitCursor ? "|busy|" : "|idle|");
    for (const char* name :
         {"IconFrame", "FilesFrame", "TargetFrame", "BuilCmd", "ExitCmd", "IconList"}) {
        text += rig.find<QWidget>(name)->isEnabled() ? '1' : '0';
    }
    text += rig.action("AddIcon_FM2")->isEnabled() ? '1' : '0';
    return text + (rig.window().isRunning() ? "|running" : "|");
}
const std::string kIdle = "VBCE Icon DLL's|idle|1111111|";
const std::string kRunning = "Running...    |busy|0000011|running";

// The messages shown, each as "icon|title|text".
std::vector<std::string> said(WindowRig& rig) {
    const char* icons[] = {"none", "critical", "question", "exclamation", "information"};
    std::vector<std::string> lines;
    for (const auto& m : rig.messages.shown) {
        lines.push_back(icons[int(m.icon)] + "|"s + m.title + "|" + m.text);
    }
    return lines;
}

// Clicks an option button on its round box, the part of it that always takes a click.
void choose(WindowRig& rig, int target) {
    auto* option = rig.find<QWidget>(("MachineOpt_" + std::to_string(target)).c_str());
    const int middle = option->height() / 2;
    QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(middle, middle));
}

// Builds, and gives how the window stood while the save dialog was open ("" when none opened).
std::string build(WindowRig& rig) {
    std::string seen;
    rig.dialogs.whileOpen = [&] { seen = standing(rig); };
    QTest::mouseClick(rig.find<QWidget>("BuilCmd"), Qt::LeftButton);
    rig.dialogs.whileOpen = nullptr;
    return seen;
}

} // namespace

void BuildTest::targetsAndBuildModes() {
    WindowRig rig;
    rig.start();
    // The option buttons from the last, then the menu items from the first: the first menu
    // item is chosen while its target is selected already, and keeps its check mark.
    for (int step = 0; step < 12; ++step) {
        const int i = step < 6 ? 5 - step : step - 6;
        if (step < 6) {
            choose(rig, i);
        } else {
            rig.action(("Machine_M2_" + std::to_string(i)).c_str())->trigger();
        }
        QCOMPARE(rig.checkedTarget(), i);
        QCOMPARE(rig.window().SelectedMachine(), gw::kTargetMachines[std::size_t(i)].machine);
        QCOMPARE(rig.stored("Options", "Target"), std::to_string(i));
    }

    // The build modes: one at most is checked, and the Build button says which.
    const std::tuple<const char*, const char*, const char*> steps[] = {
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
        QCOMPARE(rig.find<QAbstractButton>("BuilCmd")->text(), QString(caption));
    }
}

void BuildTest::oneTargetBuildWritesTheCheckedIcons() {
    WindowRig rig;
    rig.start();
    rig.add({Example("glyph-4bit.ico"), Example("multi.ico")});
    choose(rig, 5);
    QCOMPARE(build(rig), kRunning); // the dialog has no answer: the user cancels
    QCOMPARE(rig.stored("Path", "Build") + standing(rig), "-" + kIdle);

    const auto folder = rig.dir.path() / "out";
    std::filesystem::create_directory(folder);
    const std::string out = (folder / "B.dll").string();
    rig.dialogs.saveAnswers.push_back(out);
    QCOMPARE(build(rig), kRunning);
    const auto& asked = rig.dialogs.requests[2];
    QCOMPARE(asked.initialName + "|" + asked.initialDirectory, "PPC.Icons.dll|" + rig.programDir);
    QVERIFY(asked.overwritePrompt);
    QCOMPARE(standing(rig), kIdle);
    QCOMPARE(gw::test::DllMachine(out), std::uint16_t(0x01F0));
    QCOMPARE(std::distance(std::filesystem::directory_iterator(folder), {}), 1);
    QCOMPARE(said(rig), Paths({"information|Finished|DLL has been built as:\r\n\r\n" + out}));
    QCOMPARE(rig.stored("Path", "Build"), folder.string());

    // The next build starts in that folder and offers the newly selected target's name; an
    // unchecked entry stays out of the DLL.
    rig.action("Machine_M2_0")->trigger();
    rig.list()->item(1)->setCheckState(Qt::Unchecked);
    rig.dialogs.saveAnswers.push_back(out);
    build(rig);
    QCOMPARE(rig.dialogs.requests[3].initialName + "|" + rig.dialogs.requests[3].initialDirectory,
             "X86.Icons.dll|" + folder.string());
    gw::test::TempDir single;
    gw::CreateDll(0x014C, {Example("glyph-4bit.ico")}, single.file("x.dll"));
    QVERIFY(gw::test::ReadBytes(out) == gw::test::ReadBytes(single.file("x.dll")));
}

void BuildTest::allTargetsBuildWritesSevenDlls() {
    WindowRig rig;
    rig.settings.save("Path", "Build", rig.dir.path().string());
    rig.start();
    rig.add({Example("mono-1bit.ico")});
    choose(rig, 1);
    rig.action("AllTargets_OM2")->trigger();
    build(rig); // the user cancels
    QVERIFY(rig.messages.shown.empty());

    const std::string out = rig.dir.file("B.dll");
    rig.dialogs.saveAnswers.push_back(out);
    QCOMPARE(build(rig), kRunning);
    QCOMPARE(rig.dialogs.requests[2].initialName + "|" + rig.dialogs.requests[2].initialDirectory,
             "*.dll|" + rig.dir.path().string());
    QCOMPARE(standing(rig), kIdle);
    // The chosen name holds the selected target's DLL, each suffix one target's.
    const std::pair<const char*, std::uint16_t> expected[] = {
        {"", 0x0166},     {".X86", 0x014C}, {".MIPS", 0x0166}, {".SH3", 0x01A2},
        {".SH4", 0x01A6}, {".ARM", 0x01C0}, {".PPC", 0x01F0}};
    for (const auto& [suffix, machine] : expected) {
        QVERIFY2(std::filesystem::exists(out + suffix), suffix);
        QCOMPARE(gw::test::DllMachine(out + suffix), machine);
    }
    QVERIFY(gw::test::ReadBytes(out) == gw::test::ReadBytes(out + ".MIPS"));
    QCOMPARE(said(rig), Paths({"information|Done...|All Targets have been buit with their default "
                               "extensions.\r\n\r\nDLL (for: MIPS) has been built as:\r\n" +
                               out}));
}

void BuildTest::refusedAndSetupBuilds() {
    WindowRig rig;
    rig.start();
    QCOMPARE(build(rig), ""s); // an empty list: refused before any dialog
    const Paths files = {Example("multi.ico"), Example("mono-1bit.ico"), Example("tile-8bit.ico")};
    rig.add(files);
    for (int row = 0; row < 3; ++row) {
        rig.list()->item(row)->setCheckState(Qt::Unchecked);
    }
    rig.action("AllTargets_OM2")->trigger();
    QCOMPARE(build(rig), ""s); // nothing checked
    QCOMPARE(said(rig),
             Paths({"information|Build DLL|Please add some Icons to the List...",
                    "information|Build DLL|Please check at least one Icon on the List..."}));

    // The setup build gets the checked files, in the running state, without a save dialog.
    rig.list()->item(0)->setCheckState(Qt::Checked);
    rig.list()->item(2)->setCheckState(Qt::Checked);
    rig.action("ChangeSetup_OM2")->trigger();
    QCOMPARE(build(rig), ""s); // no DLL asked for
    QCOMPARE(rig.window().setupBuilds, std::vector<Paths>({{files[0], files[2]}}));
    QVERIFY(rig.window().setupBuildRanInRunningState);
    QCOMPARE(standing(rig), kIdle);
}

void BuildTest::failedBuildIsReportedAndTheWindowRecovers() {
    WindowRig rig;
    rig.start();
    const std::string icon = gw::test::WriteIcon(rig.dir, "gone.ico", {{32, 32, 4}});
    rig.add({Example("mono-1bit.ico"), icon});
    std::filesystem::remove(icon);
    const std::string out = rig.dir.file("keep.dll");
    gw::test::WriteText(out, "old contents");
    rig.dialogs.saveAnswers.push_back(out);
    QCOMPARE(build(rig), kRunning);
    // The message names the file and, after it, the cause; the old DLL is left as it was.
    const std::string start =
        "critical|Build DLL|The DLL has not been built:\r\n\r\n" + icon + ": ";
    QVERIFY(said(rig).size() == 1 && said(rig)[0].size() > start.size());
    QVERIFY2(said(rig)[0].rfind(start, 0) == 0, said(rig)[0].c_str());
    QCOMPARE(gw::test::ReadText(out), "old contents"s);
    QCOMPARE(standing(rig), kIdle);
}

QTEST_MAIN(BuildTest)
#include "build_test.moc"

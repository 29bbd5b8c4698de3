#include "dll/create_dll.h"
#include "ui/ui_settings.h"
#include "ui_test_support.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QUrl>
#include <filesystem>

using namespace std::string_literals;
using gw::platform::MessageAnswer;
using gw::test::Example;
using gw::test::Texts;
using gw::test::WindowRig;

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void firstRunShowsTheLicenceOnceBeforeTheWindow();
    void startUpRestoresTheStoredChoices();
    void exitAsksAndClosingStoresTheBuildMode();
    void addAndDropAppendCheckedEntries();
    void currentEntryShowsPicturesCountAndId();
    void listCommandsFromButtonsAndMenus();
    void targetsAndBuildModesKeepInStep();
    void buildsWriteTheCheckedIconsForTheTarget();
    void refusedFailedAndSetupBuilds();
    void menusReachTheShellAndTheImageRemover();
};

namespace {

// The list and the display in one line: each entry's file name, "+" when it is checked; then
// the current row, the ID, the image count, and whether the list has the focus.
std::string view(WindowRig& rig) {
    std::string text;
    for (int row = 0; row < rig.list()->count(); ++row) {
        const QListWidgetItem* entry = rig.list()->item(row);
        text += std::filesystem::path(entry->text().toStdString()).stem().string() +
                (entry->checkState() == Qt::Checked ? "+ " : " ");
    }
    return text + "| " + std::to_string(rig.list()->currentRow()) + " | " + rig.text("IdLbl") +
           " | " + rig.text("nrLbl") +
           (QApplication::focusWidget() == rig.list() ? " | focus" : "");
}

// Icon files named by the letters of names, two images each, in the rig's folder.
Texts iconFiles(WindowRig& rig, const std::string& names) {
    Texts paths;
    for (char name : names) {
        paths.push_back(gw::test::WriteIcon(rig.dir, std::string(1, name) + ".ico",
                                            {{32, 32, 4}, {16, 16, 4}}));
    }
    return paths;
}

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

// Builds, and gives how the window stood while the save dialog was open ("" when none opened).
std::string build(WindowRig& rig) {
    std::string seen;
    rig.dialogs.whileOpen = [&] { seen = standing(rig); };
    rig.click("BuilCmd");
    rig.dialogs.whileOpen = nullptr;
    return seen;
}

// Clicks an option button on its round box, the part of it that always takes a click.
void choose(WindowRig& rig, int target) {
    auto* option = rig.find<QWidget>(("MachineOpt_" + std::to_string(target)).c_str());
    const int middle = option->height() / 2;
    QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(middle, middle));
}

std::string storedModes(WindowRig& rig) {
    return rig.stored("Options", "OneTarget") + " " + rig.stored("Options", "AllTargets") + " " +
           rig.stored("Options", "ChangeSetup");
}

} // namespace

void MainWindowTest::firstRunShowsTheLicenceOnceBeforeTheWindow() {
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
        Texts seen; // what was shown, and " late" if the main window was visible already
        const auto note = [&rig, &seen](const std::string& what) {
            seen.push_back(what + (rig.window().isVisible() ? " late" : ""));
        };
        if (notepad) {
            rig.runAndWait = [note, ok = starts](const std::string& line) {
                note(line);
                return ok;
            };
        }
        gw::test::ModalUser user;
        user.actions["TextFileWindow"] = [&](QWidget& window) {
            note(window.windowTitle().toStdString() + "|" +
                 window.findChild<QPlainTextEdit*>()->toPlainText().toStdString());
            window.close();
        };
        rig.start(true);
        QCOMPARE(seen, notepad ? Texts{"Notepad \"" + licence + "\""}
                       : file  ? Texts{"License|" + text}
                               : Texts{});
        QCOMPARE(rig.messages.shown.size(), std::size_t(*named ? 1 : 0));
        for (const auto& failure : rig.messages.shown) {
            QVERIFY2(failure.icon == gw::platform::MessageIcon::Critical &&
                         failure.text.find(licence) != std::string::npos &&
                         failure.text.find(named) != std::string::npos,
                     failure.text.c_str());
        }
        // Start-up goes on, with no settings at all: x86, one-target builds; once only.
        QCOMPARE(rig.stored("Options", "FistExec") + rig.stored("Options", "Target") +
                     std::to_string(rig.checkedTarget()) + rig.checkedModes(),
                 "False00100"s);
    }
}

void MainWindowTest::startUpRestoresTheStoredChoices() {
    // The stored target and build mode (OneTarget, AllTargets, ChangeSetup as T or F; empty:
    // none stored), the target selected and the mode marks and caption shown. Anything but a
    // number from 0 to 5 selects x86.
    const std::tuple<const char*, const char*, int, const char*, const char*> cases[] = {
        {"3", "FTF", 3, "010", "&Build DLL (All Targets)"},
        {"5", "TTT", 5, "001", "&Build DLL (for Setup)"},
        {" 2 ", "FFF", 2, "000", "&Build DLL"},
        {"6", "", 0, "100", "&Build DLL"},
        {"-1", "", 0, "100", "&Build DLL"},
        {"3x", "", 0, "100", "&Build DLL"},
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
        QCOMPARE(rig.stored("Options", "Target"), std::to_string(selected));
        QCOMPARE(rig.checkedModes(), std::string(marks));
        QCOMPARE(rig.find<QAbstractButton>("BuilCmd")->text(), QString(caption));
        QVERIFY(rig.messages.shown.empty());
    }
}

void MainWindowTest::exitAsksAndClosingStoresTheBuildMode() {
    WindowRig rig;
    rig.start();
    rig.action("AllTargets_OM2")->trigger();
    rig.messages.answers = {MessageAnswer::No, MessageAnswer::Yes};
    rig.click("ExitCmd");
    QCOMPARE(rig.said(), Texts({"question||Exit Program?"}));
    QVERIFY(rig.messages.shown[0].buttons == gw::platform::MessageButtons::YesNo);
    QVERIFY(rig.window().isVisible());
    QCOMPARE(storedModes(rig), "- - -"s);
    rig.click("Exit_FM2"); // answered Yes
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

void MainWindowTest::addAndDropAppendCheckedEntries() {
    WindowRig rig;
    rig.start();
    const Texts klm = iconFiles(rig, "KLM");
    rig.add({klm[0]});
    QCOMPARE(rig.dialogs.requests[0].initialDirectory, std::string(gw::ui::kDefaultIconDirectory));
    QVERIFY(rig.dialogs.requests[0].allowMultiple);
    // Several from the File menu, the same file again among them: appended in the dialog's
    // order, each checked and built, the first one's folder remembered, nothing made current.
    const auto sub = rig.dir.path() / "sub";
    rig.dialogs.openAnswers.push_back({(sub / "C.ico").string(), klm[0]});
    rig.click("AddIcon_FM2");
    QCOMPARE(rig.dialogs.requests[1].initialDirectory, rig.dir.path().string());
    QCOMPARE(view(rig), "K+ C+ K+ | -1 |  |  | focus"s);
    QCOMPARE(rig.stored("Path", "Open"), sub.string());
    rig.find<QWidget>("ExitCmd")->setFocus();
    rig.add({}); // the user cancels
    QCOMPARE(rig.dialogs.requests[2].initialDirectory, sub.string());
    QCOMPARE(view(rig), "K+ C+ K+ | -1 |  |  | focus"s);

    // Dropped files: only the .ico files (in any case) are appended; with none the list refuses
    // the drag.
    const std::string notes = rig.dir.file("notes.txt");
    gw::test::WriteText(notes, "text");
    const std::string upper = rig.dir.file("UPPER.ICO");
    std::filesystem::copy_file(klm[0], upper);
    const auto drop = [&](const Texts& files) {
        QMimeData data;
        QList<QUrl> urls;
        for (const std::string& file : files) {
            urls << QUrl::fromLocalFile(QString::fromStdString(file));
        }
        data.setUrls(urls);
        QDragEnterEvent enter({1, 1}, Qt::CopyAction, &data, Qt::LeftButton, {});
        QDropEvent dropped({1, 1}, Qt::CopyAction, &data, Qt::LeftButton, {});
        return QApplication::sendEvent(rig.list()->viewport(), &enter) && enter.isAccepted() &&
               QApplication::sendEvent(rig.list()->viewport(), &dropped);
    };
    QVERIFY(!drop({notes}));
    QVERIFY(drop({klm[2], notes, upper}));
    QCOMPARE(rig.window().CheckedFiles(),
             Texts({klm[0], (sub / "C.ico").string(), klm[0], klm[2], upper}));
}

void MainWindowTest::currentEntryShowsPicturesCountAndId() {
    WindowRig rig;
    rig.start();
    const std::string broken = rig.dir.file("broken.ico");
    gw::test::WriteText(broken, "not an icon");
    rig.add({Example("glyph-4bit.ico"), broken});
    rig.clickRow(0);
    QCOMPARE(view(rig), "glyph-4bit+ broken+ | 0 | -101 | 2 | focus"s);
    // The small picture is the file's own 16 x 16 image, not the large one scaled down.
    const QPixmap large = rig.find<QLabel>("Image1")->pixmap();
    const QPixmap small = rig.find<QLabel>("Image2")->pixmap();
    QVERIFY(large.size() == QSize(32, 32) && small.size() == QSize(16, 16));
    QVERIFY(small.toImage() != large.toImage().scaled(16, 16));
    // A file that is no icon shows no count and no pictures, but still its ID.
    rig.clickRow(1);
    QCOMPARE(view(rig), "glyph-4bit+ broken+ | 1 | -102 |  | focus"s);
    QVERIFY(rig.find<QLabel>("Image1")->pixmap().isNull() && rig.messages.shown.empty());
}

void MainWindowTest::listCommandsFromButtonsAndMenus() {
    // On the entries K L M N with these check marks and the entry at row clicked made current
    // (-1: none), the command leaves this view. The count and the pictures keep showing the
    // last entry shown; moves keep the check mark and stop at the ends.
    const std::tuple<const char*, const char*, int, const char*> cases[] = {
        {"RemoveCmd", "1111", 1, "K+ M+ N+ | -1 |  | 2 | focus"},
        {"RemoveIcon_FM2", "1111", -1, "K+ L+ M+ N+ | -1 |  |  | focus"},
        {"RemoveIcon_FM2", "1011", 0, "L M+ N+ | -1 |  | 2 | focus"},
        {"CUnchkCmd", "1001", 3, "K+ N+ | 1 | -102 | 2 | focus"}, // a checked one stays current
        {"Clean_EM2", "0001", 0, "N+ | -1 |  | 2 | focus"},
        {"Command1", "1111", 2, "| -1 |  | 2 | focus"},
        {"CleanAll_EM2", "1010", 2, "| -1 |  | 2 | focus"},
        {"MoveCmd_0", "1011", -1, "K+ L M+ N+ | -1 |  |  | focus"},
        {"MoveCmd_0", "1011", 1, "L K+ M+ N+ | 0 | -101 | 2 | focus"},
        {"Move_EM2_0", "1011", 0, "K+ L M+ N+ | 0 | -101 | 2 | focus"},
        {"MoveCmd_1", "1011", 1, "K+ M+ L N+ | 2 | -103 | 2 | focus"},
        {"Move_EM2_1", "1011", 3, "K+ L M+ N+ | 3 | -104 | 2 | focus"},
    };
    for (const auto& [name, marks, clicked, after] : cases) {
        WindowRig rig;
        rig.start();
        rig.add(iconFiles(rig, "KLMN"));
        rig.mark(marks);
        if (clicked >= 0) {
            rig.clickRow(clicked);
        }
        rig.find<QWidget>("ExitCmd")->setFocus(); // every command hands the focus to the list
        rig.click(name);
        QVERIFY2(view(rig) == after, (name + (" gave " + view(rig))).c_str());
        QCOMPARE(rig.find<QLabel>("Image1")->pixmap().isNull(), clicked < 0);
    }
}

void MainWindowTest::targetsAndBuildModesKeepInStep() {
    WindowRig rig;
    rig.start();
    // The option buttons from the last, then the menu items from the first: the first menu
    // item is chosen while its target is selected already, and keeps its check mark.
    for (int step = 0; step < 12; ++step) {
        const int i = step < 6 ? 5 - step : step - 6;
        step < 6 ? choose(rig, i)
                 : rig.action(("Machine_M2_" + std::to_string(i)).c_str())->trigger();
        QCOMPARE(rig.checkedTarget(), i);
        QCOMPARE(rig.stored("Options", "Target"), std::to_string(i));
    }
    // One mode at most is checked, and the Build button says which.
    const std::tuple<const char*, const char*, const char*> steps[] = {
        {"AllTargets_OM2", "010", "&Build DLL (All Targets)"},
        {"ChangeSetup_OM2", "001", "&Build DLL (for Setup)"},
        {"ChangeSetup_OM2", "000", "&Build DLL"}, // the checked one again: no mode at all
        {"AllTargets_OM2", "010", "&Build DLL (All Targets)"},
        {"OneTarget_OM2", "100", "&Build DLL"},
    };
    for (const auto& [item, marks, caption] : steps) {
        rig.action(item)->trigger();
        QCOMPARE(rig.checkedModes(), std::string(marks));
        QCOMPARE(rig.find<QAbstractButton>("BuilCmd")->text(), QString(caption));
    }
}

void MainWindowTest::buildsWriteTheCheckedIconsForTheTarget() {
    WindowRig rig;
    rig.start();
    rig.add({Example("glyph-4bit.ico"), Example("multi.ico")});
    rig.action("Machine_M2_5")->trigger();
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
    QCOMPARE(rig.said(), Texts({"information|Finished|DLL has been built as:\r\n\r\n" + out}));
    QCOMPARE(rig.stored("Path", "Build"), folder.string());

    // The next build starts in that folder and offers the newly selected target's name; an
    // unchecked entry stays out of the DLL.
    choose(rig, 0);
    rig.mark("10");
    rig.dialogs.saveAnswers.push_back(out);
    build(rig);
    QCOMPARE(rig.dialogs.requests[3].initialName + "|" + rig.dialogs.requests[3].initialDirectory,
             "X86.Icons.dll|" + folder.string());
    gw::CreateDll(0x014C, {Example("glyph-4bit.ico")}, rig.dir.file("x.dll"));
    QVERIFY(gw::test::ReadBytes(out) == gw::test::ReadBytes(rig.dir.file("x.dll")));

    // All targets: the chosen name holds the selected target's DLL, each suffix one target's.
    rig.messages.shown.clear();
    choose(rig, 1);
    rig.action("AllTargets_OM2")->trigger();
    rig.dialogs.saveAnswers.push_back(out);
    QCOMPARE(build(rig), kRunning);
    QCOMPARE(rig.dialogs.requests[4].initialName, "*.dll"s);
    const std::pair<const char*, std::uint16_t> expected[] = {
        {"", 0x0166},     {".X86", 0x014C}, {".MIPS", 0x0166}, {".SH3", 0x01A2},
        {".SH4", 0x01A6}, {".ARM", 0x01C0}, {".PPC", 0x01F0}};
    for (const auto& [suffix, machine] : expected) {
        QCOMPARE(gw::test::DllMachine(out + suffix), machine);
    }
    QCOMPARE(rig.said(), Texts({"information|Done...|All Targets have been buit with their default "
                                "extensions.\r\n\r\nDLL (for: MIPS) has been built as:\r\n" +
                                out}));
}

void MainWindowTest::refusedFailedAndSetupBuilds() {
    WindowRig rig;
    rig.start();
    QCOMPARE(build(rig), ""s); // an empty list: refused before any dialog
    const std::string gone = gw::test::WriteIcon(rig.dir, "gone.ico", {{32, 32, 4}});
    const Texts files = {Example("multi.ico"), gone, Example("tile-8bit.ico")};
    rig.add(files);
    rig.mark("000");
    rig.action("AllTargets_OM2")->trigger();
    QCOMPARE(build(rig), ""s); // nothing checked
    QCOMPARE(rig.said(),
             Texts({"information|Build DLL|Please add some Icons to the List...",
                    "information|Build DLL|Please check at least one Icon on the List..."}));

    // A checked file that has gone: the message names it and the cause; the old DLL stays.
    rig.messages.shown.clear();
    rig.mark("110");
    std::filesystem::remove(gone);
    const std::string out = rig.dir.file("keep.dll");
    gw::test::WriteText(out, "old contents");
    rig.dialogs.saveAnswers.push_back(out);
    QCOMPARE(build(rig), kRunning);
    const std::string start =
        "critical|Build DLL|The DLL has not been built:\r\n\r\n" + gone + ": ";
    QVERIFY(rig.said().size() == 1 && rig.said()[0].size() > start.size());
    QVERIFY2(rig.said()[0].rfind(start, 0) == 0, rig.said()[0].c_str());
    QCOMPARE(gw::test::ReadText(out), "old contents"s);
    QCOMPARE(standing(rig), kIdle);

    // The setup build gets the checked files, in the running state, without a save dialog.
    rig.mark("101");
    rig.action("ChangeSetup_OM2")->trigger();
    QCOMPARE(build(rig), ""s);
    QCOMPARE(rig.window().setupBuilds, std::vector<Texts>({{files[0], files[2]}}));
    QVERIFY(rig.window().setupBuildRanInRunningState);
    QCOMPARE(standing(rig), kIdle);
}

void MainWindowTest::menusReachTheShellAndTheImageRemover() {
    WindowRig rig;
    auto& window = rig.start();
    const Texts kl = iconFiles(rig, "KL");
    rig.add(kl);
    rig.mark("10");
    rig.click("Edit_OM2");   // nothing current: nothing happens
    rig.click("Remove_OM2"); // nothing current: the remover opens on no file
    rig.clickRow(1);
    rig.click("Edit_OM2");
    rig.shell.succeeds = false; // no program for .ico files
    rig.click("Edit_OM2");
    QCOMPARE(rig.shell.opened, Texts({kl[1], kl[1]}));
    QCOMPARE(rig.said(), Texts({"critical|Edit Icon|No default Icon Editor (.ico files) is "
                                "configured on your system."}));
    // Help: whether anything opens the page is the desktop's own business, and said by it.
    rig.click("Help_HM2");
    QCOMPARE(rig.shell.opened.back(), "file://" + rig.programDir + "/help.htm");
    rig.click("Setup_HM2");
    rig.click("About_HM2");
    QVERIFY(window.setupNotes == 1 && window.aboutBoxes == 1 && rig.messages.shown.size() == 1);

    // The remover rewrites the file; the window shows what is in it afterwards.
    window.whileRemoverOpen = [&] {
        gw::test::WriteIcon(rig.dir, "L.ico", {{32, 32, 4}, {16, 16, 4}, {16, 16, 1}});
    };
    QCOMPARE(rig.text("nrLbl"), "2"s);
    rig.find<QWidget>("ExitCmd")->setFocus();
    rig.click("Remove_OM2");
    QCOMPARE(view(rig), "K+ L | 1 | -102 | 3 | focus"s);
    // A double-click on an entry's text opens the remover on it and leaves its check mark.
    const QRect rect = rig.list()->visualItemRect(rig.list()->item(0));
    const QPoint at(rect.right() - 10, rect.center().y());
    QTest::mouseClick(rig.list()->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(rig.list()->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(window.removerFiles, Texts({"", kl[1], kl[0]}));
    QCOMPARE(view(rig), "K+ L | 0 | -101 | 2 | focus"s);
}

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"

#include "dll/create_dll.h"
#include "ui/image_remover_window.h"
#include "ui/screen_fit.h"
#include "ui/site_label.h"
#include "ui/ui_settings.h"
#include "ui_test_support.h"

#include <QAbstractButton>
#include <QDir>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStandardPaths>
#include <QUrl>
#include <map>

using namespace std::string_literals;
using gw::services::MessageAnswer;
using gw::test::Child;
using gw::test::Example;
using gw::test::Texts;
using gw::test::WindowRig;

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void firstRunShowsTheLicenceOnceBeforeTheWindow();
    void startUpRestoresTheStoredTargetAndMode();
    void choicesAreStoredAndRestoredOnTheNextStart();
    void addAndDropAppendCheckedEntries();
    void listCommandsFromButtonsAndMenus();
    void buildsWriteTheCheckedIconsForTheTarget();
    void refusedFailedAndSetupBuilds();
    void menusReachTheShellAndTheImageRemover();
    void helpMenuShowsTheAboutBoxAndTheNotice();
    void dialogsStartInFoldersThatExist();
    void keysReachTheCommands();
    void windowsFitTheScreen();
};

namespace {

// The list and the display in one line: each entry's file name, "+" when it is checked; then
// the current row, the ID, the image count, and whether the list has the focus.
std::string View(WindowRig& rig) {
    std::string text;
    for (int row = 0; row < rig.list()->count(); ++row) {
        const QListWidgetItem* entry = rig.list()->item(row);
        text += std::filesystem::path(entry->text().toStdString()).stem().string() +
                (entry->checkState() == Qt::Checked ? "+ " : " ");
    }
    return text + "| " + std::to_string(rig.list()->currentRow()) + " | " +
           rig.find<QLabel>("IdLbl")->text().toStdString() + " | " +
           rig.find<QLabel>("nrLbl")->text().toStdString() +
           (QApplication::focusWidget() == rig.list() ? " | focus" : "");
}

// Icon files named by the letters of names, two images each, in the rig's folder.
Texts IconFiles(WindowRig& rig, const std::string& names) {
    Texts paths;
    for (char name : names) {
        paths.push_back(gw::test::WriteIcon(rig.dir, std::string(1, name) + ".ico",
                                            {{32, 32, 4}, {16, 16, 4}}));
    }
    return paths;
}

// How the window stands: the pointer, whether Build takes input, whether a build runs, and the
// caption.
std::string Standing(WindowRig& rig) {
    const QCursor* pointer = QApplication::overrideCursor();
    return std::string(pointer && pointer->shape() == Qt::WaitCursor ? "busy" : "idle") +
           (rig.find<QWidget>("BuilCmd")->isEnabled() ? "" : " locked") +
           (rig.window().isRunning() ? " running" : "") + "|" +
           rig.window().windowTitle().toStdString();
}
const std::string kRunning = "busy locked running|Running...    ";
const std::string kIdle = "idle|VBCE Icon DLL's";

// Builds, and gives how the window stood while the save dialog was open ("" when none opened),
// after the dialog had handed the activation back to the window, as a closing one does.
std::string Build(WindowRig& rig) {
    std::string seen;
    rig.dialogs.whileOpen = [&] {
        QEvent activated(QEvent::WindowActivate);
        QApplication::sendEvent(&rig.window(), &activated);
        seen = Standing(rig);
    };
    rig.click("BuilCmd");
    rig.dialogs.whileOpen = nullptr;
    return seen;
}

} // namespace

void MainWindowTest::firstRunShowsTheLicenceOnceBeforeTheWindow() {
    // The licence file in a window of its own before the main window shows; a missing one told.
    for (const bool present : {true, false}) {
        WindowRig rig;
        const std::string licence = gw::JoinPath(rig.programDir, "License.txt");
        if (present) {
            gw::test::WriteText(licence, "MIT License\n");
        }
        Texts seen; // the window's title and text, and " late" if the main window showed first
        gw::test::ModalUser user;
        user.actions["TextFileWindow"] = [&](QWidget& window) {
            seen.push_back(window.windowTitle().toStdString() + "|" +
                           window.findChild<QPlainTextEdit*>()->toPlainText().toStdString() +
                           (rig.window().isVisible() ? " late" : ""));
            window.close();
        };
        rig.start(true);
        QCOMPARE(seen, present ? Texts{"License|MIT License\n"} : Texts{});
        QVERIFY(present ? rig.messages.shown.empty()
                        : rig.messages.shown.at(0).text.find(licence) != std::string::npos);
        // Start-up goes on, with no settings at all: x86, one-target builds; once only.
        QCOMPARE(rig.stored("Options", "FistExec") + std::to_string(rig.checkedTarget()) +
                     rig.checkedModes(),
                 "False0100"s);
    }
    // Where the desktop runs programs (Windows), the licence opens in Notepad, quoted whole; a
    // Notepad that cannot be started is told, naming the file.
    for (const bool started : {true, false}) {
        WindowRig rig;
        Texts ran;
        rig.runAndWait = [&](const std::string& command) {
            ran.push_back(command);
            return started;
        };
        gw::test::ModalUser user;
        rig.start(true);
        const std::string licence = gw::JoinPath(rig.programDir, "License.txt");
        QCOMPARE(ran, Texts({"Notepad \"" + licence + "\""}));
        QCOMPARE(user.seen, Texts());
        QCOMPARE(rig.said(),
                 started
                     ? Texts()
                     : Texts({"critical||" + licence +
                              ": the licence text cannot be shown: Notepad could not be started"}));
    }
}

void MainWindowTest::startUpRestoresTheStoredTargetAndMode() {
    // The stored target and build mode (OneTarget, AllTargets, ChangeSetup as T or F; empty:
    // none stored), the target selected and the mode marks and caption shown. Anything but a
    // number from 0 to 5 selects x86.
    const std::tuple<const char*, const char*, int, const char*, const char*> cases[] = {
        {"3", "FTF", 3, "010", "&Build DLL (All Targets)"},
        {"5", "TTT", 5, "001", "&Build DLL (for Setup)"},
        {" 2 ", "FFF", 2, "000", "&Build DLL"},
        {"6", "", 0, "100", "&Build DLL"},
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
    }
}

void MainWindowTest::choicesAreStoredAndRestoredOnTheNextStart() {
    WindowRig rig;
    rig.start();
    // A target from the menu selects its option button too, and the reverse.
    rig.action("Machine_M2_4")->trigger();
    QCOMPARE(rig.checkedTarget(), 4);
    auto* option = rig.find<QWidget>("MachineOpt_1"); // clicked on its round box
    QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(8, option->height() / 2));
    QCOMPARE(rig.checkedTarget(), 1);
    // One build mode at most; the checked one again unchecks it.
    for (const auto& [item, marks] : {std::pair{"AllTargets_OM2", "010"},
                                      {"ChangeSetup_OM2", "001"},
                                      {"ChangeSetup_OM2", "000"},
                                      {"AllTargets_OM2", "010"}}) {
        rig.action(item)->trigger();
        QCOMPARE(rig.checkedModes(), std::string(marks));
    }
    const std::string sub = (rig.dir.path() / "sub").string();
    std::filesystem::create_directory(sub);
    rig.add({gw::JoinPath(sub, "C.ico"), Example("multi.ico")});
    rig.mark("01");
    rig.dialogs.saveAnswers.push_back(rig.dir.file("out.dll"));
    Build(rig);
    // Exit asks; No keeps the window, Yes closes it and stores the build mode.
    rig.messages.shown.clear();
    rig.messages.answers = {MessageAnswer::No, MessageAnswer::Yes};
    rig.click("ExitCmd");
    QCOMPARE(rig.said(), Texts({"question||Exit Program?"}));
    QVERIFY(rig.window().isVisible() && rig.stored("Options", "AllTargets") == "-");
    rig.click("Exit_FM2");
    QVERIFY(!rig.window().isVisible());
    QCOMPARE(rig.stored("Options", "OneTarget") + rig.stored("Options", "AllTargets") +
                 rig.stored("Options", "ChangeSetup"),
             "FalseTrueFalse"s);

    // The next start restores target, mode, both folders and the list in its order with its
    // check marks, an entry whose file is gone marked as missing.
    rig.start();
    QCOMPARE(std::to_string(rig.checkedTarget()) + rig.checkedModes(), "1010"s);
    QCOMPARE(rig.list()->count(), 2);
    QCOMPARE(rig.list()->item(0)->text().toStdString(), gw::JoinPath(sub, "C.ico") + "  (missing)");
    Screenshot(rig.window(), "main-window-kept-list");
    QCOMPARE(rig.window().checkedFiles(), Texts({Example("multi.ico")}));
    rig.add({Example("multi.ico")});
    Build(rig);
    QCOMPARE(rig.dialogs.requests.at(2).initialDirectory, sub);
    QCOMPARE(rig.dialogs.requests.at(3).initialDirectory, rig.dir.path().string());
}

void MainWindowTest::addAndDropAppendCheckedEntries() {
    WindowRig rig;
    rig.start();
    const Texts kl = IconFiles(rig, "KL");
    rig.add({kl[0]});
    QVERIFY(rig.dialogs.requests[0].allowMultiple);
    // Several from the File menu, the same file again among them: appended in the dialog's
    // order, each checked, nothing made current; a cancelled dialog adds nothing.
    rig.dialogs.openAnswers.push_back({kl[1], kl[0]});
    rig.click("AddIcon_FM2");
    rig.add({});
    QCOMPARE(View(rig), "K+ L+ K+ | -1 |  |  | focus"s);

    // Dropped files: only the .ico files (in any case) are appended; with none the list refuses
    // the drag.
    const std::string notes = rig.dir.file("notes.txt");
    gw::test::WriteText(notes, "text");
    const std::string upper = rig.dir.file("UPPER.ICO");
    std::filesystem::copy_file(kl[0], upper);
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
               QApplication::sendEvent(rig.list()->viewport(), &dropped) && dropped.isAccepted();
    };
    QVERIFY(!drop({notes}));
    QVERIFY(drop({kl[1], notes, upper}));
    QCOMPARE(rig.window().checkedFiles(), Texts({kl[0], kl[1], kl[0], kl[1], upper}));

    // The current entry shows its ID, count and pictures; the small picture is the file's own
    // 16 x 16 image, not the large one scaled down. A file that is no icon shows only its ID.
    const std::string broken = rig.dir.file("broken.ico");
    gw::test::WriteText(broken, "not an icon");
    rig.find<QAbstractButton>("Command1")->click();
    rig.add({Example("glyph-4bit.ico"), broken});
    rig.clickRow(0);
    QCOMPARE(View(rig), "glyph-4bit+ broken+ | 0 | -101 | 2 | focus"s);
    const QPixmap large = rig.find<QLabel>("Image1")->pixmap();
    const QPixmap small = rig.find<QLabel>("Image2")->pixmap();
    QVERIFY(large.size() == QSize(32, 32) && small.size() == QSize(16, 16));
    QVERIFY(small.toImage() != large.toImage().scaled(16, 16));
    rig.clickRow(1);
    QCOMPARE(View(rig), "glyph-4bit+ broken+ | 1 | -102 |  | focus"s);
    QVERIFY(rig.find<QLabel>("Image1")->pixmap().isNull());
    // The file that is no icon was told about as it was added, and is marked in the list; an
    // icon and a missing file were not.
    QCOMPARE(rig.said().size(), std::size_t(1));
    QVERIFY2(rig.said()[0].starts_with("exclamation|Add Icon|" + broken +
                                       "\r\n\r\nis not an icon file: "),
             rig.said()[0].c_str());
    QCOMPARE(rig.list()->item(1)->text().toStdString(), broken + "  (not an icon)");
    QCOMPARE(rig.list()->item(0)->text().toStdString(), Example("glyph-4bit.ico"));
    rig.messages.shown.clear();
    rig.add({rig.dir.file("gone.ico")});
    QCOMPARE(rig.said(), Texts());
}

void MainWindowTest::listCommandsFromButtonsAndMenus() {
    // On the entries K L M N with these check marks and the entry at row clicked made current
    // (-1: none), the command leaves this view. Without a current entry nothing is shown, no
    // picture either; moves keep the check mark and stop at the ends.
    const std::tuple<const char*, const char*, int, const char*> cases[] = {
        {"RemoveCmd", "1111", 1, "K+ M+ N+ | -1 |  |  | focus"},
        {"CUnchkCmd", "1001", 3, "K+ N+ | 1 | -102 | 2 | focus"}, // a checked one stays current
        {"Clean_EM2", "0001", 0, "N+ | -1 |  |  | focus"},
        {"CleanAll_EM2", "1010", 2, "| -1 |  |  | focus"},
        {"Move_EM2_0", "1011", 1, "L K+ M+ N+ | 0 | -101 | 2 | focus"},
        {"MoveCmd_0", "1011", 0, "K+ L M+ N+ | 0 | -101 | 2 | focus"},
        {"MoveCmd_1", "1011", 1, "K+ M+ L N+ | 2 | -103 | 2 | focus"},
        {"Move_EM2_1", "1011", 3, "K+ L M+ N+ | 3 | -104 | 2 | focus"},
    };
    for (const auto& [name, marks, clicked, after] : cases) {
        WindowRig rig;
        rig.start();
        rig.add(IconFiles(rig, "KLMN"));
        rig.mark(marks);
        if (clicked >= 0) {
            rig.clickRow(clicked);
        }
        rig.find<QWidget>("ExitCmd")->setFocus(); // every command hands the focus to the list
        rig.click(name);
        QVERIFY2(View(rig) == after, (name + (" gave " + View(rig))).c_str());
        QCOMPARE(rig.find<QLabel>("Image1")->pixmap().isNull(), rig.list()->currentRow() < 0);
    }
}

void MainWindowTest::buildsWriteTheCheckedIconsForTheTarget() {
    WindowRig rig;
    rig.start();
    rig.add({Example("glyph-4bit.ico"), Example("multi.ico")});
    rig.action("Machine_M2_5")->trigger();
    QCOMPARE(Build(rig), kRunning); // the dialog has no answer: the user cancels
    QCOMPARE(rig.stored("Path", "Build") + Standing(rig), "-" + kIdle);

    const auto folder = rig.dir.path() / "out";
    std::filesystem::create_directory(folder);
    const std::string out = (folder / "B.dll").string();
    rig.dialogs.saveAnswers.push_back(out);
    QCOMPARE(Build(rig), kRunning);
    const auto& asked = rig.dialogs.requests[2];
    QCOMPARE(asked.initialName, "PPC.Icons.dll"s);
    QVERIFY(asked.overwritePrompt);
    QCOMPARE(Standing(rig), kIdle);
    QCOMPARE(gw::test::MachineOf(out), std::uint16_t(0x01F0));
    QCOMPARE(rig.said(), Texts({"information|Finished|DLL has been built as:\r\n\r\n" + out}));

    // The next build starts in that folder and offers the newly selected target's name; an
    // unchecked entry stays out of the DLL.
    rig.action("Machine_M2_0")->trigger();
    rig.mark("10");
    rig.dialogs.saveAnswers.push_back(out);
    Build(rig);
    QCOMPARE(rig.dialogs.requests[3].initialName + "|" + rig.dialogs.requests[3].initialDirectory,
             "X86.Icons.dll|" + folder.string());
    gw::CreateDll(0x014C, {Example("glyph-4bit.ico")}, rig.dir.file("x.dll"));
    QVERIFY(gw::test::ReadBytes(out) == gw::test::ReadBytes(rig.dir.file("x.dll")));

    // All targets: the chosen name holds the selected target's DLL, each suffix one target's.
    rig.messages.shown.clear();
    rig.action("Machine_M2_1")->trigger();
    rig.action("AllTargets_OM2")->trigger();
    rig.dialogs.saveAnswers.push_back(out);
    QCOMPARE(Build(rig), kRunning);
    QCOMPARE(rig.dialogs.requests[4].initialName, "*.dll"s);
    const std::pair<const char*, std::uint16_t> expected[] = {
        {"", 0x0166},     {".X86", 0x014C}, {".MIPS", 0x0166}, {".SH3", 0x01A2},
        {".SH4", 0x01A6}, {".ARM", 0x01C0}, {".PPC", 0x01F0}};
    for (const auto& [suffix, machine] : expected) {
        QCOMPARE(gw::test::MachineOf(out + suffix), machine);
    }
    QCOMPARE(rig.said(),
             Texts({"information|Done...|All Targets have been built with their default "
                    "extensions.\r\n\r\nDLL (for: MIPS) has been built as:\r\n" +
                    out}));
}

void MainWindowTest::refusedFailedAndSetupBuilds() {
    WindowRig rig;
    rig.start();
    QCOMPARE(Build(rig), ""s); // an empty list: refused before any dialog
    const std::string gone = gw::test::WriteIcon(rig.dir, "gone.ico", {{32, 32, 4}});
    const Texts files = {Example("multi.ico"), gone, Example("tile-8bit.ico")};
    rig.add(files);
    rig.mark("000");
    rig.action("AllTargets_OM2")->trigger();
    QCOMPARE(Build(rig), ""s); // nothing checked
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
    QCOMPARE(Build(rig), kRunning);
    const std::string start =
        "critical|Build DLL|The DLL has not been built:\r\n\r\n" + gone + ": ";
    QVERIFY(rig.said().size() == 1 && rig.said()[0].size() > start.size());
    QVERIFY2(rig.said()[0].rfind(start, 0) == 0, rig.said()[0].c_str());
    QCOMPARE(gw::test::ReadText(out), "old contents"s);
    QCOMPARE(Standing(rig), kIdle);
    QCOMPARE(rig.stored("Path", "Build"), "-"s); // remembered only once a DLL is written

    // The setup build gets the checked files, in the running state, without a save dialog.
    rig.mark("101");
    rig.action("ChangeSetup_OM2")->trigger();
    QCOMPARE(Build(rig), ""s);
    QCOMPARE(rig.window().setupBuilds, std::vector<Texts>({{files[0], files[2], "running"}}));
    QCOMPARE(Standing(rig), kIdle);
}

void MainWindowTest::menusReachTheShellAndTheImageRemover() {
    WindowRig rig;
    auto& window = rig.start();
    const Texts kl = IconFiles(rig, "KL");
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
    rig.click("Help_HM2"); // no program opens web pages either: the user learns where it is
    QCOMPARE(rig.shell.opened.back(), "file://" + gw::JoinPath(rig.programDir, "help.htm"));
    QCOMPARE(rig.said().back(), "information|Help|No program on this system opens the help page. "
                                "It is here:\r\n\r\n" +
                                    gw::JoinPath(rig.programDir, "help.htm"));

    // The remover rewrites the file; the window shows what is in it afterwards.
    window.whileRemoverOpen = [&] {
        gw::test::WriteIcon(rig.dir, "L.ico", {{32, 32, 4}, {16, 16, 4}, {16, 16, 1}});
    };
    rig.click("Remove_OM2");
    QCOMPARE(View(rig), "K+ L | 1 | -102 | 3 | focus"s);
    // A double-click on an entry's text opens the remover on it and leaves its check mark.
    rig.clickRow(0, true);
    QCOMPARE(window.removerFiles, Texts({"", kl[1], kl[0]}));
    QCOMPARE(View(rig), "K+ L | 0 | -101 | 2 | focus"s);
}

void MainWindowTest::helpMenuShowsTheAboutBoxAndTheNotice() {
    // The About box names the program and its version (a number missing from it as 0), and its
    // address goes to the desktop's shell; Help > Setup Message shows the notice, whose Continue
    // stores its check box.
    WindowRig rig;
    rig.homePage = "https://glyphwright.test/";
    rig.start();
    Texts seen;
    gw::test::ModalUser user;
    user.actions["frmAbout"] = [&](QWidget& about) {
        seen.push_back(Child<QLabel>(about, "lblTitle")->text().toStdString() + " " +
                       Child<QLabel>(about, "lblVersion")->text().toStdString());
        QTest::mouseClick(Child<QWidget>(about, "SiteLbl"), Qt::LeftButton);
        gw::test::Click(about, "cmdOK");
    };
    user.actions["SetupNote"] = [](QWidget& note) { gw::test::Click(note, "Command1"); };
    const QString version = QCoreApplication::applicationVersion();
    for (const char* shown : {"1.2.3", "2"}) {
        QCoreApplication::setApplicationVersion(QLatin1String(shown));
        rig.click("About_HM2");
    }
    QCoreApplication::setApplicationVersion(version);
    rig.click("Setup_HM2");
    QCOMPARE(seen, Texts({"Glyphwright Tool Version: 1.2.3", "Glyphwright Tool Version: 2.0.0"}));
    QCOMPARE(user.seen, Texts({"frmAbout", "frmAbout", "SetupNote"}));
    QCOMPARE(rig.shell.opened, Texts(2, "https://glyphwright.test/"));
    QCOMPARE(rig.stored("Options", "DontShowSMsg"), "False"s);
}

void MainWindowTest::dialogsStartInFoldersThatExist() {
    // The user's own folders under a home folder of the test's, without any desktop
    // configuration that could name others.
    gw::test::TempDir home;
    const QByteArray oldHome = qgetenv("HOME"), oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", QByteArray::fromStdString(home.path().string()));
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(home.file("no-config")));
#ifdef Q_OS_WIN
    // Windows names the user's folders itself.
    const auto folder = [](QStandardPaths::StandardLocation location) {
        return QDir::toNativeSeparators(QStandardPaths::writableLocation(location)).toStdString();
    };
    const std::string pictures = folder(QStandardPaths::PicturesLocation);
    const std::string documents = folder(QStandardPaths::DocumentsLocation);
#else
    const std::string pictures = home.file("Pictures"), documents = home.file("Documents");
#endif
    std::filesystem::create_directories(pictures);
    std::filesystem::create_directories(documents);

    WindowRig rig;
    rig.start();
    const std::string gone = rig.dir.file("gone");
    const auto ask = [&](const char* command) {
        rig.dialogs.requests.clear();
        rig.click(command);
        return rig.dialogs.requests.at(0).initialDirectory;
    };
    // Fresh settings: the usual icon folder does not exist here. DLLs start in the program's
    // folder, which can be written, on Windows only; elsewhere in the user's Documents.
    QCOMPARE(ask("AddCmd"), std::filesystem::is_directory(gw::ui::kDefaultIconDirectory)
                                ? std::string(gw::ui::kDefaultIconDirectory)
                                : pictures);
    rig.add({Example("multi.ico")});
#ifdef Q_OS_WIN
    QCOMPARE(ask("BuilCmd"), rig.programDir);
#else
    QCOMPARE(ask("BuilCmd"), documents);
    // And the image remover saves icons into Pictures.
    gw::ui::ImageRemoverWindow remover(rig.services());
    remover.setFile(Example("multi.ico"));
    remover.show();
    remover.loadImages();
    rig.dialogs.requests.clear();
    gw::test::Click(remover, "File_SaveAs");
    QCOMPARE(rig.dialogs.requests.at(0).initialDirectory, pictures);
    remover.close();
#endif
    // Stored folders that have gone.
    rig.settings.save("Path", "Open", gone);
    rig.settings.save("Path", "Build", gone);
    QCOMPARE(ask("AddCmd") + "|" + ask("BuilCmd"), pictures + "|" + documents);
#ifndef Q_OS_WIN // a folder is closed on Windows by its access list, not its permission bits
    // A program folder that may not be written: DLLs are not offered there.
    rig.settings.save("Path", "Build", "");
    std::filesystem::permissions(rig.programDir, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    QCOMPARE(ask("BuilCmd"), documents);
    std::filesystem::permissions(rig.programDir, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
#endif

    qputenv("HOME", oldHome);
    qputenv("XDG_CONFIG_HOME", oldConfig);
}

void MainWindowTest::keysReachTheCommands() {
    WindowRig rig;
    rig.start();
    // Every Alt letter of the window's own captions (menu titles, buttons, labels) opens one
    // thing only.
    std::map<QChar, std::string> letters;
    const auto take = [&](const QString& caption, const std::string& who) {
        const int at =
            QString(caption).replace(QLatin1String("&&"), QLatin1String("")).indexOf('&');
        if (at < 0) {
            return;
        }
        const QChar letter =
            QString(caption).replace(QLatin1String("&&"), QLatin1String("")).at(at + 1).toLower();
        QVERIFY2(letters.emplace(letter, who).second,
                 (who + " and " + letters[letter] + " share Alt+" + QString(letter).toStdString())
                     .c_str());
    };
    for (QAction* menu : rig.window().menuBar()->actions()) {
        take(menu->text(), menu->text().toStdString());
    }
    for (auto* button : rig.window().findChildren<QAbstractButton*>()) {
        take(button->text(), button->text().toStdString());
    }
    for (auto* label : rig.window().findChildren<QLabel*>()) {
        take(label->text(), label->text().toStdString());
    }
    QVERIFY(letters.size() > 10);

    // The keys people expect, shown in the menus, each doing what its item does.
    const std::pair<const char*, QKeySequence> keys[] = {
        {"AddIcon_FM2", QKeySequence(Qt::CTRL | Qt::Key_O)},
        {"RemoveIcon_FM2", QKeySequence(Qt::Key_Delete)},
        {"Build_FM2", QKeySequence(Qt::CTRL | Qt::Key_B)},
        {"Exit_FM2", QKeySequence(Qt::CTRL | Qt::Key_Q)},
        {"Help_HM2", QKeySequence(Qt::Key_F1)}};
    for (const auto& [item, key] : keys) {
        QCOMPARE(rig.action(item)->shortcut(), key);
    }
    const Texts kl = IconFiles(rig, "KL");
    rig.dialogs.openAnswers.push_back(kl);
    QTest::keyClick(&rig.window(), Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(View(rig), "K+ L+ | -1 |  |  | focus"s);
    rig.clickRow(1);
    QTest::keyClick(rig.list(), Qt::Key_Delete);
    QCOMPARE(View(rig), "K+ | -1 |  |  | focus"s);
    rig.messages.answers = {MessageAnswer::No};
    QTest::keyClick(&rig.window(), Qt::Key_Q, Qt::ControlModifier);
    QCOMPARE(rig.said(), Texts({"question||Exit Program?"}));
    rig.dialogs.saveAnswers.push_back(rig.dir.file("keys.dll"));
    QTest::keyClick(&rig.window(), Qt::Key_B, Qt::ControlModifier);
    QVERIFY(std::filesystem::exists(rig.dir.file("keys.dll")));

    // Tab into the target box lands on the checked target, from either side.
    rig.find<QAbstractButton>("MachineOpt_3")->click();
    rig.find<QWidget>("Command1")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("MachineOpt_3"));
    rig.find<QWidget>("BuilCmd")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("MachineOpt_3"));
    // The arrow keys still move between the targets, and choose them.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("MachineOpt_4"));
    QCOMPARE(rig.checkedTarget(), 4);

    // Tabbed into with no current entry, the list shows the first as the one the keys act on.
    rig.find<QAbstractButton>("Command1")->click();
    rig.add(kl);
    QCOMPARE(View(rig), "K+ L+ | -1 |  |  | focus"s);
    rig.find<QWidget>("BuilCmd")->setFocus();
    rig.list()->clearFocus();
    QWidget* before = rig.list()->previousInFocusChain();
    before->setFocus();
    QTest::keyClick(before, Qt::Key_Tab);
    QCOMPARE(View(rig), "K+ L+ | 0 | -101 | 2 | focus"s);
    QVERIFY(rig.list()->item(0)->isSelected());
}

void MainWindowTest::windowsFitTheScreen() {
    // A window larger than the free area is cut to it and moved inside; one that fits only
    // moves, and one inside stays as it is.
    const QRect screen(0, 30, 1280, 870); // 1280 x 900 less a panel of 30 at the top
    const std::pair<QRect, QRect> cases[] = {
        {QRect(0, 0, 1040, 1120), QRect(0, 30, 1040, 870)},
        {QRect(600, 500, 1040, 600), QRect(240, 300, 1040, 600)},
        {QRect(-50, 10, 400, 300), QRect(0, 30, 400, 300)},
        {QRect(100, 100, 2000, 2000), QRect(0, 30, 1280, 870)},
        {QRect(200, 200, 400, 300), QRect(200, 200, 400, 300)}};
    for (const auto& [wanted, fitted] : cases) {
        QCOMPARE(gw::ui::FittedGeometry(wanted, screen), fitted);
    }

    // The main window opens within its screen's free area and may be shrunk to it, however
    // large its contents ask to be.
    WindowRig rig;
    auto& window = rig.start();
    const QRect available = window.screen()->availableGeometry();
    QVERIFY(available.contains(window.frameGeometry()));
    window.setMinimumSize(QSize(5000, 5000));
    gw::ui::FitToScreen(window);
    QVERIFY(available.contains(window.frameGeometry()));
    QVERIFY(window.minimumWidth() <= available.width() &&
            window.minimumHeight() <= available.height());
}

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"

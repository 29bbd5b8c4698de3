#include "ui_test_support.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QUrl>
#include <filesystem>

using gw::test::WindowRig;
using Paths = std::vector<std::string>;

class IconListTest : public QObject {
    Q_OBJECT

private slots:
    void controlsCarryTheirNamesTextsAndTips();
    void addsOneFileAndRemembersItsFolder();
    void addsSeveralInDialogOrderAndCancelChangesNothing();
    void currentEntryShowsPicturesCountAndId();
    void removeLeavesNoCurrentEntryButKeepsThePictures();
    void removeUncheckedKeepsTheCheckedCurrentEntry();
    void removeAllFromButtonAndMenu();
    void moveKeepsCheckMarkAndStopsAtTheEnds();
    void droppedIconFilesAreAppendedChecked();
};

namespace {

std::string menuText(WindowRig& rig, const char* menuName) {
    auto* menu = rig.find<QMenu>(menuName);
    std::string text = menu->title().toStdString() + ":";
    for (QAction* item : menu->actions()) {
        text += " " + (item->isSeparator()
                           ? std::string("-")
                           : item->objectName().toStdString() + "=" + item->text().toStdString());
    }
    return text;
}

// Three distinct icon files K, L, M (and N when asked) in the rig's folder.
Paths iconFiles(WindowRig& rig, const std::string& names = "KLM") {
    Paths paths;
    for (char name : names) {
        paths.push_back(gw::test::WriteIcon(rig.dir, std::string(1, name) + ".ico",
                                            {{32, 32, 4}, {16, 16, 4}}));
    }
    return paths;
}

bool listHasFocus(WindowRig& rig) {
    return QApplication::focusWidget() == rig.list();
}

} // namespace

void IconListTest::controlsCarryTheirNamesTextsAndTips() {
    WindowRig rig;
    auto& window = rig.start();
    QCOMPARE(window.windowTitle(), QString("VBCE Icon DLL's"));
    QVERIFY(!window.windowIcon().isNull());

    const std::vector<std::tuple<const char*, const char*, const char*>> buttons = {
        {"AddCmd", "&Add", "Add an Icon file to the List"},
        {"RemoveCmd", "&Remove", "Remove an Icon file from the List"},
        {"CUnchkCmd", "Remove &Unchecked", "Remove all Unchecked Icon files from the List"},
        {"Command1", "Remo&ve All", "Remove all Icon files from the List"},
        {"MoveCmd_0", "", "Move Icon file UP on the List"},
        {"MoveCmd_1", "", "Move Icon file DOWN on the List"},
        {"BuilCmd", "&Build DLL", "Create Icon DLL(s)"},
        {"ExitCmd", "E&xit", ""},
        {"MachineOpt_0", "x&86 (Emulation)", ""},
        {"MachineOpt_1", "M&IPS", ""},
        {"MachineOpt_2", "SH&3", ""},
        {"MachineOpt_3", "SH&4", ""},
        {"MachineOpt_4", "AR&M", ""},
        {"MachineOpt_5", "&PPC", ""},
    };
    for (const auto& [name, text, tip] : buttons) {
        auto* b = rig.find<QAbstractButton>(name);
        QCOMPARE(b->text(), QString(text));
        QCOMPARE(b->toolTip(), QString(tip));
    }
    const std::vector<std::pair<const char*, const char*>> tips = {
        {"IconList", "Click To View or DblClick for Images"},
        {"nrLbl", "Nr. of Images in this Icon file"},
        {"IdLbl", "ID of this Icon in the DLL (Press Remove Unchecked first)"},
        {"Image1", "Large Icon Image"},
        {"Image2", "Small Icon Image (When available)"},
    };
    for (const auto& [name, tip] : tips) {
        QCOMPARE(rig.find<QWidget>(name)->toolTip(), QString(tip));
    }
    QVERIFY(rig.find<QLabel>("nrLbl")->font().bold());
    QVERIFY(rig.find<QLabel>("IdLbl")->font().bold());
    QCOMPARE(rig.find<QGroupBox>("IconFrame")->title(), QString("Icon:"));
    QCOMPARE(rig.find<QGroupBox>("FilesFrame")->title(), QString("Icon Files:"));
    QCOMPARE(rig.find<QGroupBox>("TargetFrame")->title(), QString("Target Machine:"));
    QVERIFY(rig.find<QGroupBox>("IconFrame")->isAncestorOf(rig.find<QWidget>("MoveCmd_1")));
    QVERIFY(rig.find<QGroupBox>("FilesFrame")->isAncestorOf(rig.find<QWidget>("Command1")));

    // The labels' access keys lead to the list and to the move buttons.
    std::map<std::string, QWidget*> buddies;
    for (QLabel* label : window.findChildren<QLabel*>()) {
        buddies[label->text().toStdString()] = label->buddy();
    }
    QCOMPARE(buddies["Icons &List:"], static_cast<QWidget*>(rig.list()));
    QCOMPARE(buddies["Mo&ve:"], rig.find<QWidget>("MoveCmd_0"));
    QVERIFY(buddies.count("Images:") && buddies.count("ID:"));

    // Each menu as "title: item=caption ...", a separator as "-", in the order shown.
    const std::vector<std::pair<const char*, const char*>> menus = {
        {"File_FM1", "&File: AddIcon_FM2=&Add Icon Files RemoveIcon_FM2=&Remove Icon File - "
                     "Exit_FM2=E&xit"},
        {"Edit_EM1", "&Edit: Move_EM2_0=Move File &Up Move_EM2_1=Move File &Down - "
                     "Clean_EM2=&Remove Unchecked Files CleanAll_EM2=Remove &All Files"},
        {"Machine_M1", "&Target: Machine_M2_0=&x86 (Win CE Emulation) "
                       "Machine_M2_1=M&IPS Processor Machine_M2_2=SH&3 Processor "
                       "Machine_M2_3=SH&4 Processor Machine_M2_4=AR&M Processor "
                       "Machine_M2_5=&PPC Processor"},
        {"Tools_OM1", "T&ools: Remove_OM2=&Remove Images from Icon Edit_OM2=&Edit Icon"},
        {"Options_OM1", "&Options: OneTarget_OM2=Build for &selected Target "
                        "AllTargets_OM2=Build for &all Targets "
                        "ChangeSetup_OM2=&Create && Change VB6 Setup Files"},
        {"Help_HM1", "&Help: Help_HM2=&Help Setup_HM2=&Setup Message - About_HM2=&About"},
    };
    for (const auto& [name, expected] : menus) {
        QCOMPARE(menuText(rig, name), std::string(expected));
    }
}

void IconListTest::addsOneFileAndRemembersItsFolder() {
    WindowRig rig;
    rig.start();
    const std::string icon = iconFiles(rig, "K").front();
    rig.add({icon});

    QCOMPARE(rig.dialogs.requests.size(), std::size_t(1));
    const auto& request = rig.dialogs.requests[0];
    QCOMPARE(request.title, std::string("Select Icons"));
    QCOMPARE(request.filter, std::string("Icons (*.ico)"));
    QCOMPARE(request.initialName, std::string("*.ico"));
    QCOMPARE(request.defaultExtension, std::string("ico"));
    QCOMPARE(request.initialDirectory,
             std::string("c:\\Program Files\\Microsoft Visual Studio\\Common\\Graphics\\Icons"));
    QVERIFY(request.allowMultiple);

    QCOMPARE(rig.paths(), Paths({icon}));
    QCOMPARE(rig.marks(), std::string("1"));
    QCOMPARE(rig.stored("Path", "Open"), rig.dir.path().string());
    // Adding neither picks a current entry nor refreshes the display.
    QCOMPARE(rig.list()->currentRow(), -1);
    QCOMPARE(rig.text("IdLbl"), std::string());
    QCOMPARE(rig.text("nrLbl"), std::string());
    QVERIFY(listHasFocus(rig));

    // The same file again, from the menu: a second checked entry, both built.
    rig.dialogs.openAnswers.push_back({icon});
    rig.action("AddIcon_FM2")->trigger();
    QCOMPARE(rig.dialogs.requests.back().initialDirectory, rig.dir.path().string());
    QCOMPARE(rig.paths(), Paths({icon, icon}));
    QCOMPARE(rig.marks(), std::string("11"));
    QCOMPARE(rig.window().CheckedFiles(), Paths({icon, icon}));
}

void IconListTest::addsSeveralInDialogOrderAndCancelChangesNothing() {
    WindowRig rig;
    rig.start();
    const auto sub = rig.dir.path() / "sub";
    std::filesystem::create_directory(sub);
    const Paths chosen = {(sub / "c.ico").string(), (sub / "a.ico").string(),
                          (sub / "b.ico").string()};
    rig.add(chosen);
    QCOMPARE(rig.paths(), chosen);
    QCOMPARE(rig.marks(), std::string("111"));
    QCOMPARE(rig.stored("Path", "Open"), sub.string());

    rig.find<QWidget>("ExitCmd")->setFocus();
    rig.add({}); // the user cancels
    QCOMPARE(rig.dialogs.requests.size(), std::size_t(2));
    QCOMPARE(rig.dialogs.requests[1].initialDirectory, sub.string());
    QCOMPARE(rig.paths(), chosen);
    QCOMPARE(rig.stored("Path", "Open"), sub.string());
    QVERIFY(rig.messages.shown.empty());
    QVERIFY(listHasFocus(rig));
}

void IconListTest::currentEntryShowsPicturesCountAndId() {
    WindowRig rig;
    rig.start();
    const std::string broken = rig.dir.file("broken.ico");
    gw::test::WriteText(broken, "not an icon");
    rig.add({gw::test::Example("glyph-4bit.ico"), gw::test::Example("tile-8bit.ico"), broken});
    rig.list()->item(0)->setCheckState(Qt::Unchecked);

    auto* large = rig.find<QLabel>("Image1");
    auto* small = rig.find<QLabel>("Image2");
    rig.clickRow(1);
    QCOMPARE(rig.text("nrLbl"), std::string("1"));
    QCOMPARE(rig.text("IdLbl"), std::string("-102")); // by position, though row 0 is unchecked
    QCOMPARE(large->pixmap().size(), QSize(32, 32));

    rig.clickRow(0);
    QCOMPARE(rig.text("nrLbl"), std::string("2"));
    QCOMPARE(rig.text("IdLbl"), std::string("-101"));
    QCOMPARE(large->pixmap().size(), QSize(32, 32));
    QCOMPARE(small->pixmap().size(), QSize(16, 16));
    // The small picture is the file's own 16 x 16 image, not the large one scaled down.
    QVERIFY(
        small->pixmap().toImage() !=
        large->pixmap().toImage().scaled(16, 16, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));

    // A file that is no icon shows no count and no pictures, but still its ID.
    rig.clickRow(2);
    QCOMPARE(rig.text("nrLbl"), std::string());
    QCOMPARE(rig.text("IdLbl"), std::string("-103"));
    QVERIFY(large->pixmap().isNull());
    QVERIFY(rig.messages.shown.empty());
}

void IconListTest::removeLeavesNoCurrentEntryButKeepsThePictures() {
    WindowRig rig;
    rig.start();
    const Paths klm = iconFiles(rig);
    rig.add(klm);
    rig.clickRow(1);
    QTest::mouseClick(rig.find<QWidget>("RemoveCmd"), Qt::LeftButton);
    QCOMPARE(rig.paths(), Paths({klm[0], klm[2]}));
    QCOMPARE(rig.list()->currentRow(), -1);
    QCOMPARE(rig.text("IdLbl"), std::string());
    QCOMPARE(rig.text("nrLbl"), std::string("2"));
    QVERIFY(!rig.find<QLabel>("Image1")->pixmap().isNull());
    QVERIFY(listHasFocus(rig));

    // Nothing current: nothing is removed.
    QTest::mouseClick(rig.find<QWidget>("RemoveCmd"), Qt::LeftButton);
    rig.action("RemoveIcon_FM2")->trigger();
    QCOMPARE(rig.paths(), Paths({klm[0], klm[2]}));

    rig.clickRow(0);
    rig.action("RemoveIcon_FM2")->trigger();
    QCOMPARE(rig.paths(), Paths({klm[2]}));
    QCOMPARE(rig.list()->currentRow(), -1);
}

void IconListTest::removeUncheckedKeepsTheCheckedCurrentEntry() {
    WindowRig rig;
    rig.start();
    const Paths klmn = iconFiles(rig, "KLMN");
    rig.add(klmn);
    rig.list()->item(1)->setCheckState(Qt::Unchecked);
    rig.list()->item(2)->setCheckState(Qt::Unchecked);
    rig.clickRow(3);
    QCOMPARE(rig.text("IdLbl"), std::string("-104"));
    QTest::mouseClick(rig.find<QWidget>("CUnchkCmd"), Qt::LeftButton);
    QCOMPARE(rig.paths(), Paths({klmn[0], klmn[3]}));
    QCOMPARE(rig.list()->currentRow(), 1);
    QCOMPARE(rig.text("IdLbl"), std::string("-102"));
    QVERIFY(listHasFocus(rig));

    // The current entry removed as unchecked: nothing is current afterwards.
    rig.list()->item(0)->setCheckState(Qt::Unchecked);
    rig.clickRow(0);
    rig.action("Clean_EM2")->trigger();
    QCOMPARE(rig.paths(), Paths({klmn[3]}));
    QCOMPARE(rig.list()->currentRow(), -1);
    QCOMPARE(rig.text("IdLbl"), std::string());
}

void IconListTest::removeAllFromButtonAndMenu() {
    WindowRig rig;
    rig.start();
    const Paths klm = iconFiles(rig);
    for (const char* command : {"Command1", "CleanAll_EM2"}) {
        rig.add(klm);
        rig.clickRow(2);
        if (std::string(command) == "Command1") {
            QTest::mouseClick(rig.find<QWidget>(command), Qt::LeftButton);
        } else {
            rig.action(command)->trigger();
        }
        QVERIFY2(rig.paths().empty(), command);
        QCOMPARE(rig.list()->currentRow(), -1);
        QCOMPARE(rig.text("IdLbl"), std::string());
        QVERIFY(listHasFocus(rig));
    }
    // Adding afterwards leaves nothing current, even with the focus on the list.
    rig.add(klm);
    QCOMPARE(rig.list()->currentRow(), -1);
}

void IconListTest::moveKeepsCheckMarkAndStopsAtTheEnds() {
    WindowRig rig;
    rig.start();
    const Paths klm = iconFiles(rig);
    rig.add(klm);
    rig.list()->item(1)->setCheckState(Qt::Unchecked);
    auto* up = rig.find<QWidget>("MoveCmd_0");

    // Nothing current: nothing moves.
    QTest::mouseClick(up, Qt::LeftButton);
    QCOMPARE(rig.paths(), klm);

    rig.clickRow(1);
    QTest::mouseClick(up, Qt::LeftButton);
    QCOMPARE(rig.paths(), Paths({klm[1], klm[0], klm[2]}));
    QCOMPARE(rig.marks(), std::string("011"));
    QCOMPARE(rig.list()->currentRow(), 0);
    QCOMPARE(rig.text("IdLbl"), std::string("-101"));
    QVERIFY(listHasFocus(rig));
    QTest::mouseClick(up, Qt::LeftButton);
    QCOMPARE(rig.paths(), Paths({klm[1], klm[0], klm[2]}));

    for (int i = 0; i < 3; ++i) {
        rig.action("Move_EM2_1")->trigger();
    }
    QCOMPARE(rig.paths(), Paths({klm[0], klm[2], klm[1]}));
    QCOMPARE(rig.marks(), std::string("110"));
    QCOMPARE(rig.list()->currentRow(), 2);
    QCOMPARE(rig.text("IdLbl"), std::string("-103"));
    rig.action("Move_EM2_0")->trigger();
    QCOMPARE(rig.paths(), Paths({klm[0], klm[1], klm[2]}));
    QCOMPARE(rig.text("IdLbl"), std::string("-102"));
}

void IconListTest::droppedIconFilesAreAppendedChecked() {
    WindowRig rig;
    rig.start();
    const Paths klm = iconFiles(rig);
    const std::string notes = rig.dir.file("notes.txt");
    gw::test::WriteText(notes, "text");
    const std::string upper = rig.dir.file("UPPER.ICO");
    gw::test::WriteBytes(upper, gw::test::ReadBytes(klm[0]));
    rig.add({klm[2]});
    QWidget* viewport = rig.list()->viewport();

    const auto drop = [&](const Paths& files) {
        QMimeData data;
        QList<QUrl> urls;
        for (const std::string& file : files) {
            urls << QUrl::fromLocalFile(QString::fromStdString(file));
        }
        data.setUrls(urls);
        const QPoint at = viewport->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &enter);
        QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &dropped);
        return enter.isAccepted();
    };

    QVERIFY(drop({klm[1], notes, upper, klm[0]}));
    QCOMPARE(rig.paths(), Paths({klm[2], klm[1], upper, klm[0]}));
    QCOMPARE(rig.marks(), std::string("1111"));
    QCOMPARE(rig.list()->currentRow(), -1);

    // Nothing but other files: the list refuses the drag and stays as it was.
    QVERIFY(!drop({notes}));
    QCOMPARE(rig.paths().size(), std::size_t(4));
}

QTEST_MAIN(IconListTest)
#include "icon_list_test.moc"

#include "ui_test_support.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>

using gw::platform::MessageIcon;
using gw::test::WindowRig;
using Paths = std::vector<std::string>;

class MenusTest : public QObject {
    Q_OBJECT

private slots:
    void editIconHandsTheCurrentFileToItsEditor();
    void imageRemoverOpensOnTheCurrentEntryAndTheDisplayFollows();
    void doubleClickOpensTheRemoverAndKeepsTheCheckMark();
    void helpAndTheOtherWindowsFromTheHelpMenu();
};

namespace {

void doubleClickRow(WindowRig& rig, int row) {
    const QRect rect = rig.list()->visualItemRect(rig.list()->item(row));
    const QPoint at(rect.right() - 10, rect.center().y());
    // A double-click is a click followed by the second press that the system reports as such.
    QTest::mouseClick(rig.list()->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(rig.list()->viewport(), Qt::LeftButton, {}, at);
}

} // namespace

void MenusTest::editIconHandsTheCurrentFileToItsEditor() {
    WindowRig rig;
    rig.start();
    const std::string icon = gw::test::WriteIcon(rig.dir, "edit me.ico", {{32, 32, 4}});
    rig.add({icon});

    rig.action("Edit_OM2")->trigger(); // nothing current: nothing happens
    QVERIFY(rig.shell.opened.empty());
    QVERIFY(rig.messages.shown.empty());

    rig.clickRow(0);
    rig.action("Edit_OM2")->trigger();
    QCOMPARE(rig.shell.opened, Paths({icon}));
    QVERIFY(rig.messages.shown.empty());

    rig.shell.succeeds = false; // no program for .ico files
    rig.action("Edit_OM2")->trigger();
    QCOMPARE(rig.shell.opened.size(), std::size_t(2));
    QCOMPARE(rig.messages.shown.size(), std::size_t(1));
    QCOMPARE(rig.messages.shown[0].text,
             std::string("No default Icon Editor (.ico files) is configured on your system."));
    QCOMPARE(rig.messages.shown[0].title, std::string("Edit Icon"));
    QVERIFY(rig.messages.shown[0].icon == MessageIcon::Critical);
}

void MenusTest::imageRemoverOpensOnTheCurrentEntryAndTheDisplayFollows() {
    WindowRig rig;
    auto& window = rig.start();
    const std::string k = gw::test::WriteIcon(rig.dir, "K.ico", {{32, 32, 4}, {16, 16, 4}});
    const std::string l = gw::test::WriteIcon(rig.dir, "L.ico", {{32, 32, 4}, {16, 16, 4}});
    rig.add({k, l});

    rig.action("Remove_OM2")->trigger();
    QCOMPARE(window.removerFiles, Paths({""}));

    rig.clickRow(1);
    QCOMPARE(rig.text("nrLbl"), std::string("2"));
    // The remover rewrites the file; the window shows what is in it afterwards.
    window.whileRemoverOpen = [&] {
        gw::test::WriteIcon(rig.dir, "L.ico", {{32, 32, 4}, {16, 16, 4}, {16, 16, 1}});
    };
    rig.find<QWidget>("ExitCmd")->setFocus();
    rig.action("Remove_OM2")->trigger();
    QCOMPARE(window.removerFiles, Paths({"", l}));
    QCOMPARE(rig.text("nrLbl"), std::string("3"));
    QCOMPARE(rig.text("IdLbl"), std::string("-102"));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(rig.list()));
}

void MenusTest::doubleClickOpensTheRemoverAndKeepsTheCheckMark() {
    WindowRig rig;
    auto& window = rig.start();
    const std::string k = gw::test::WriteIcon(rig.dir, "K.ico", {{32, 32, 4}});
    const std::string l = gw::test::WriteIcon(rig.dir, "L.ico", {{32, 32, 4}});
    rig.add({k, l});
    rig.list()->item(1)->setCheckState(Qt::Unchecked);

    doubleClickRow(rig, 0);
    doubleClickRow(rig, 1);
    QCOMPARE(window.removerFiles, Paths({k, l}));
    QCOMPARE(rig.marks(), std::string("10"));
    QCOMPARE(rig.list()->currentRow(), 1);
}

void MenusTest::helpAndTheOtherWindowsFromTheHelpMenu() {
    WindowRig rig;
    auto& window = rig.start();
    rig.shell.succeeds = false; // nothing opens the page: the desktop's own business
    rig.action("Help_HM2")->trigger();
    QCOMPARE(rig.shell.opened, Paths({"file://" + rig.programDir + "/help.htm"}));
    QVERIFY(rig.messages.shown.empty());

    rig.action("Setup_HM2")->trigger();
    rig.action("About_HM2")->trigger();
    QCOMPARE(window.setupNotes, 1);
    QCOMPARE(window.aboutBoxes, 1);
}

QTEST_MAIN(MenusTest)
#include "menus_test.moc"

#include "ui_test_support.h"

#include <QApplication>

using namespace std::string_literals;
using gw::platform::MessageIcon;
using gw::test::WindowRig;
using Paths = std::vector<std::string>;

class MenusTest : public QObject {
    Q_OBJECT

private slots:
    void shellCommandsAndTheWindowsOfTheMenus();
    void imageRemoverOpensOnTheCurrentEntryAndTheDisplayFollows();
};

void MenusTest::shellCommandsAndTheWindowsOfTheMenus() {
    WindowRig rig;
    auto& window = rig.start();
    const std::string icon = gw::test::WriteIcon(rig.dir, "edit me.ico", {{32, 32, 4}});
    rig.add({icon});
    rig.action("Edit_OM2")->trigger(); // nothing current: nothing happens
    rig.clickRow(0);
    rig.action("Edit_OM2")->trigger();
    QCOMPARE(rig.shell.opened, Paths({icon}));
    QVERIFY(rig.messages.shown.empty());

    rig.shell.succeeds = false; // no program for .ico files
    rig.action("Edit_OM2")->trigger();
    QCOMPARE(rig.shell.opened, Paths({icon, icon}));
    QCOMPARE(rig.messages.shown.size(), std::size_t(1));
    QVERIFY(rig.messages.shown[0].icon == MessageIcon::Critical);
    QCOMPARE(rig.messages.shown[0].title + "|" + rig.messages.shown[0].text,
             "Edit Icon|No default Icon Editor (.ico files) is configured on your system."s);

    // Help: whether anything opens the page is the desktop's own business, and said by it.
    rig.action("Help_HM2")->trigger();
    QCOMPARE(rig.shell.opened.back(), "file://" + rig.programDir + "/help.htm");
    QCOMPARE(rig.messages.shown.size(), std::size_t(1));
    rig.action("Setup_HM2")->trigger();
    rig.action("About_HM2")->trigger();
    QVERIFY(window.setupNotes == 1 && window.aboutBoxes == 1);
}

void MenusTest::imageRemoverOpensOnTheCurrentEntryAndTheDisplayFollows() {
    WindowRig rig;
    auto& window = rig.start();
    const std::string k = gw::test::WriteIcon(rig.dir, "K.ico", {{32, 32, 4}, {16, 16, 4}});
    const std::string l = gw::test::WriteIcon(rig.dir, "L.ico", {{32, 32, 4}, {16, 16, 4}});
    rig.add({k, l});
    rig.list()->item(1)->setCheckState(Qt::Unchecked);
    rig.action("Remove_OM2")->trigger(); // nothing current: the remover opens on no file

    // The remover rewrites the file; the window shows what is in it afterwards.
    window.whileRemoverOpen = [&] {
        gw::test::WriteIcon(rig.dir, "L.ico", {{32, 32, 4}, {16, 16, 4}, {16, 16, 1}});
    };
    rig.clickRow(1);
    QCOMPARE(rig.text("nrLbl"), "2"s);
    rig.find<QWidget>("ExitCmd")->setFocus();
    rig.action("Remove_OM2")->trigger();
    QCOMPARE(rig.text("nrLbl") + rig.text("IdLbl"), "3-102"s);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(rig.list()));

    // A double-click on an entry's text opens the remover on it and leaves its check mark. Its
    // first click reaches the list as a click of its own.
    const QRect rect = rig.list()->visualItemRect(rig.list()->item(0));
    const QPoint at(rect.right() - 10, rect.center().y());
    QTest::mouseClick(rig.list()->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(rig.list()->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(window.removerFiles, Paths({"", l, k}));
    QCOMPARE(rig.marks(), "10"s);
    QCOMPARE(rig.list()->currentRow(), 0);
}

QTEST_MAIN(MenusTest)
#include "menus_test.moc"

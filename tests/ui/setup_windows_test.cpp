#include "ui/extension_frm.h"
#include "ui/frm_about.h"
#include "ui/setup_note.h"
#include "ui/site_label.h"
#include "ui_test_support.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>

using gw::test::Child;
using gw::test::WindowRig;
using Texts = std::vector<std::string>;

class SetupWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void noticeShowsAndStoresTheChoice();
    void extensionRandomOrTyped();
    void aboutBoxAndTheHelpMenu();
};

namespace {

gw::ui::WindowServices services(WindowRig& rig) {
    return {rig.settings, rig.messages, rig.dialogs, rig.shell, rig.events, rig.programDir, {}};
}

void click(QWidget& window, const char* name) {
    QTest::mouseClick(Child<QWidget>(window, name), Qt::LeftButton);
}

} // namespace

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
        gw::ui::SetupNote note(services(rig));
        note.show();
        QCOMPARE(Child<QCheckBox>(note, "ShowMsgOpt")->isChecked(), ticked);
        Child<QCheckBox>(note, "ShowMsgOpt")->setChecked(tick);
        click(note, "SiteLbl");
        QCOMPARE(rig.shell.opened, Texts({gw::ui::kMakerSite}));
        click(note, "Command1");
        QVERIFY(!note.isVisible());
        QCOMPARE(rig.stored("Options", "DontShowSMsg"), std::string(after));
    }
}

void SetupWindowsTest::extensionRandomOrTyped() {
    const QRegularExpression drawn(QStringLiteral("^[0-9][A-Z]{2}$"));
    // Typed texts that cannot replace ".vb" are refused with the reason, the window stays and
    // the extension drawn last stands; an acceptable one is stored in lower case.
    for (const char* typed : {"", "a.b", "vb", "123456789", "x y", "Ab12"}) {
        WindowRig rig;
        std::string extension = "old";
        gw::ui::ExtensionFrm form(services(rig), extension);
        form.show();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        auto* box = Child<QLineEdit>(form, "ExtTxt");
        QVERIFY(drawn.match(box->text()).hasMatch()); // offered at once, in capitals
        QCOMPARE(extension, box->text().toLower().toStdString());
        QVERIFY(!box->isEnabled());

        click(form, "UserOpt");
        QVERIFY(box->isEnabled() && box->hasFocus());
        QTest::keyClicks(box, "4kx");
        QCOMPARE(box->text().right(3), QStringLiteral("4KX"));
        click(form, "RandomOpt"); // draws afresh over what was typed
        QVERIFY(drawn.match(box->text()).hasMatch());
        const std::string random = extension;

        click(form, "UserOpt");
        box->clear();
        QTest::keyClicks(box, typed);
        click(form, "Command1");
        const bool good = std::string(typed) == "Ab12";
        QCOMPARE(form.isVisible(), !good);
        QCOMPARE(rig.messages.shown.size(), std::size_t(good ? 0 : 1));
        QCOMPARE(extension, good ? std::string("ab12") : random);
    }
}

void SetupWindowsTest::aboutBoxAndTheHelpMenu() {
    QCOMPARE(gw::ui::VersionText(QStringLiteral("03.004")), QStringLiteral("Version: 3.4.0"));
    QCoreApplication::setApplicationVersion(QStringLiteral("2.10.0"));
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
        gw::test::RecordingShell shell;
        gw::ui::frmAbout about(shell);
        QCOMPARE(Child<QLabel>(about, "lblTitle")->text(), QStringLiteral("Glyphwright Tool"));
        QCOMPARE(Child<QLabel>(about, "lblVersion")->text(), QStringLiteral("Version: 2.10.0"));
        about.show();
        click(about, "SiteLbl");
        QCOMPARE(shell.opened, Texts({gw::ui::kMakerSite}));
        QTest::keyClick(&about, key);
        QVERIFY(!about.isVisible());
    }

    // The menu shows the notice also when it is turned off for builds, with its box ticked.
    WindowRig rig;
    rig.settings.save("Options", "DontShowSMsg", "True");
    auto window = gw::test::StartRealWindow(rig);
    gw::test::ModalUser user;
    bool ticked = false;
    user.actions["SetupNote"] = [&ticked](QWidget& note) {
        ticked = Child<QCheckBox>(note, "ShowMsgOpt")->isChecked();
        note.close();
    };
    Child<QAction>(*window, "Setup_HM2")->trigger();
    Child<QAction>(*window, "About_HM2")->trigger();
    QCOMPARE(user.seen, Texts({"SetupNote", "frmAbout"}));
    QVERIFY(ticked);
}

QTEST_MAIN(SetupWindowsTest)
#include "setup_windows_test.moc"

#include "ui/extension_frm.h"
#include "ui/frm_about.h"
#include "ui/setup_note.h"
#include "ui/site_label.h"
#include "ui_test_support.h"

#include <QApplication>
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
    void extensionRefusesWhatCannotReplaceVb();
    void aboutBoxTextsAndClosing();
    void helpMenuShowsTheNoticeAndTheAboutBox();
};

namespace {

gw::ui::WindowServices services(WindowRig& rig) {
    return {rig.settings, rig.messages, rig.dialogs, rig.shell, rig.events, rig.programDir, {}};
}

std::string text(QWidget& window, const char* name) {
    return Child<QLabel>(window, name)->text().toStdString();
}

void showActive(QWidget& window) {
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
}

} // namespace

void SetupWindowsTest::noticeShowsAndStoresTheChoice() {
    // What is stored, whether the box starts ticked, the box after the user, what is stored then.
    struct Case {
        const char* stored;
        bool ticked;
        bool tick;
        const char* after;
    };
    for (const Case& c : {Case{nullptr, false, true, "True"}, Case{"True", true, false, "False"},
                          Case{"0", false, false, "False"}}) {
        WindowRig rig;
        if (c.stored) {
            rig.settings.save("Options", "DontShowSMsg", c.stored);
        }
        gw::ui::SetupNote note(services(rig));
        auto* box = Child<QCheckBox>(note, "ShowMsgOpt");
        QCOMPARE(box->isChecked(), c.ticked);
        box->setChecked(c.tick);
        note.show();
        QTest::mouseClick(Child<QPushButton>(note, "Command1"), Qt::LeftButton);
        QVERIFY(!note.isVisible());
        QCOMPARE(rig.stored("Options", "DontShowSMsg"), std::string(c.after));
    }

    WindowRig rig;
    gw::ui::SetupNote note(services(rig));
    QCOMPARE(note.windowTitle(), QStringLiteral("NOTICE:"));
    // The numbered points by their index in the control array.
    const Texts starts = {"1 - ", "5 - ", "2 - ", "3 - ", "4 - ", "6 - "};
    const int indexes[] = {1, 2, 3, 4, 5, 7};
    for (std::size_t i = 0; i < starts.size(); ++i) {
        const std::string name = "Label1_" + std::to_string(indexes[i]);
        QCOMPARE(text(note, name.c_str()).substr(0, 4), starts[i]);
    }
    note.show();
    QTest::mouseClick(Child<QLabel>(note, "SiteLbl"), Qt::LeftButton);
    QCOMPARE(rig.shell.opened, Texts({gw::ui::kMakerSite}));
}

void SetupWindowsTest::extensionRandomOrTyped() {
    WindowRig rig;
    std::string extension = "old";
    gw::ui::ExtensionFrm form(services(rig), extension);
    showActive(form);
    auto* box = Child<QLineEdit>(form, "ExtTxt");
    const QRegularExpression drawn(QStringLiteral("^[0-9][a-z]{2}$"));

    // Offered at once: a random extension, shown in capitals in a disabled box.
    QVERIFY(drawn.match(QString::fromStdString(extension)).hasMatch());
    QCOMPARE(box->text(), QString::fromStdString(extension).toUpper());
    QVERIFY(!box->isEnabled());

    QTest::mouseClick(Child<QRadioButton>(form, "UserOpt"), Qt::LeftButton);
    QVERIFY(box->isEnabled());
    QVERIFY(box->hasFocus());
    QTRY_VERIFY(box->hasSelectedText() || box->text().isEmpty());
    QTest::keyClicks(box, "4kx");
    QCOMPARE(box->text(), QStringLiteral("4KX"));

    // Random again draws afresh over what was typed.
    QTest::mouseClick(Child<QRadioButton>(form, "RandomOpt"), Qt::LeftButton);
    QVERIFY(drawn.match(box->text().toLower()).hasMatch());
    QCOMPARE(QString::fromStdString(extension), box->text().toLower());

    QTest::mouseClick(Child<QRadioButton>(form, "UserOpt"), Qt::LeftButton);
    box->clear();
    QTest::keyClicks(box, "Ab12");
    QTest::mouseClick(Child<QPushButton>(form, "Command1"), Qt::LeftButton);
    QCOMPARE(extension, std::string("ab12"));
    QCOMPARE(form.result(), int(QDialog::Accepted));
    QVERIFY(rig.messages.shown.empty());
}

void SetupWindowsTest::extensionRefusesWhatCannotReplaceVb() {
    for (const char* typed : {"", "a.b", "vb", "123456789", "x y"}) {
        WindowRig rig;
        std::string extension;
        gw::ui::ExtensionFrm form(services(rig), extension);
        showActive(form);
        const std::string random = extension;
        QTest::mouseClick(Child<QRadioButton>(form, "UserOpt"), Qt::LeftButton);
        auto* box = Child<QLineEdit>(form, "ExtTxt");
        box->clear();
        QTest::keyClicks(box, typed);
        QTest::mouseClick(Child<QPushButton>(form, "Command1"), Qt::LeftButton);
        QVERIFY2(form.isVisible(), typed);
        QCOMPARE(rig.messages.shown.size(), std::size_t(1));
        QCOMPARE(rig.messages.shown[0].title, std::string("Extension"));
        QCOMPARE(extension, random); // the last extension drawn stays
    }
}

void SetupWindowsTest::aboutBoxTextsAndClosing() {
    const std::vector<std::pair<const char*, const char*>> versions = {
        {"1.0.1", "Version: 1.0.1"}, {"2.10.0", "Version: 2.10.0"}, {"03.004", "Version: 3.4.0"}};
    for (const auto& [version, shown] : versions) {
        QCOMPARE(gw::ui::VersionText(QLatin1String(version)), QLatin1String(shown));
    }

    QCoreApplication::setApplicationVersion(QStringLiteral("2.10.0"));
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
        gw::test::RecordingShell shell;
        gw::ui::frmAbout about(shell);
        QCOMPARE(about.windowTitle(), QStringLiteral("About..."));
        QCOMPARE(text(about, "lblTitle"), std::string("Glyphwright Tool"));
        QCOMPARE(text(about, "lblVersion"), std::string("Version: 2.10.0"));
        QCOMPARE(text(about, "lblDisclaimer_0"),
                 std::string("To Build Icon Resource Only DLL's for the \"Windows CE Toolkit for "
                             "Visual Basic 6.0\""));
        showActive(about);
        QTest::mouseClick(Child<QLabel>(about, "SiteLbl"), Qt::LeftButton);
        QCOMPARE(shell.opened, Texts({gw::ui::kMakerSite}));
        QTest::keyClick(&about, key);
        QVERIFY(!about.isVisible());
    }
}

void SetupWindowsTest::helpMenuShowsTheNoticeAndTheAboutBox() {
    WindowRig rig;
    rig.settings.save("Options", "DontShowSMsg", "True"); // the menu shows the notice anyway
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

#include "ui/extension_window.h"
#include "ui/about_window.h"
#include "ui/setup_notice_window.h"
#include "ui/site_label.h"
#include "ui_test_support.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>

using gw::test::Child;
using gw::test::WindowRig;
using Texts = std::vector<std::string>;

class SetupWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void noticeShowsAndStoresTheChoice();
    void extensionRandomOrTyped();
    void aboutBoxTexts();
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
        click(note, "Command1");
        QVERIFY(!note.isVisible());
        QCOMPARE(rig.stored("Options", "DontShowSMsg"), std::string(after));
    }
}

void SetupWindowsTest::extensionRandomOrTyped() {
    WindowRig rig;
    std::string extension = "old";
    gw::ui::ExtensionFrm form(services(rig), extension);
    form.show();
    auto* box = Child<QLineEdit>(form, "ExtTxt");
    // Random: drawn at once, shown in capitals, stored in lower case, not to be edited.
    QVERIFY(QRegularExpression(QStringLiteral("^[0-9][A-Z]{2}$")).match(box->text()).hasMatch());
    QVERIFY(!box->isEnabled());
    QCOMPARE(extension, box->text().toLower().toStdString());
    const std::string random = extension;

    // Typed, shown in capitals: the replaced ".vb" is refused with a message, the window stays
    // and the drawn extension stands; an acceptable one closes the window, stored in lower case.
    click(form, "UserOpt");
    for (const char* typed : {"vb", "Ab12"}) {
        box->clear();
        QTest::keyClicks(box, typed);
        QCOMPARE(box->text(), QString::fromLatin1(typed).toUpper());
        click(form, "Command1");
        const bool good = std::string(typed) == "Ab12";
        QCOMPARE(form.isVisible(), !good);
        QCOMPARE(rig.messages.shown.size(), std::size_t(1));
        QCOMPARE(extension, good ? std::string("ab12") : random);
    }
}

void SetupWindowsTest::aboutBoxTexts() {
    QCOMPARE(gw::ui::VersionText(QStringLiteral("03.004")), QStringLiteral("Version: 3.4.0"));
    QCoreApplication::setApplicationVersion(QStringLiteral("2.10.0"));
    gw::test::RecordingShell shell;
    gw::ui::frmAbout about(shell);
    QCOMPARE(Child<QLabel>(about, "lblTitle")->text(), QStringLiteral("Glyphwright Tool"));
    QCOMPARE(Child<QLabel>(about, "lblVersion")->text(), QStringLiteral("Version: 2.10.0"));
    click(about, "SiteLbl");
    QCOMPARE(shell.opened, Texts({gw::ui::kMakerSite}));
}

QTEST_MAIN(SetupWindowsTest)
#include "setup_windows_test.moc"

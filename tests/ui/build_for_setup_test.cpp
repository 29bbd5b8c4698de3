#include "support/setup_directory.h"
#include "ui_test_support.h"

#include <QCheckBox>
#include <QLineEdit>

using gw::test::Child;
using Texts = std::vector<std::string>;
namespace fs = std::filesystem;

class BuildForSetupTest : public QObject {
    Q_OBJECT

private slots:
    void aWrongDirectoryThenTheSetupThenAFailingCabBuilder();
};

namespace {

void click(const QObject& window, const char* name) {
    QTest::mouseClick(Child<QWidget>(window, name), Qt::LeftButton);
}

} // namespace

void BuildForSetupTest::aWrongDirectoryThenTheSetupThenAFailingCabBuilder() {
    gw::test::WindowRig rig;
    gw::test::SetupDirectory setup("sh3 arm", gw::test::kWizardInf, "readme.txt");
    gw::test::TempDir notSetup;
    auto window = gw::test::StartRealWindow(rig);
    rig.dialogs.openAnswers = {{setup.icon()}};
    click(*window, "AddCmd");
    Child<QAction>(*window, "ChangeSetup_OM2")->trigger();
    click(*window, "MachineOpt_5"); // PPC
    gw::test::ModalUser user;
    user.actions["SetupNote"] = [](QWidget& note) {
        Child<QCheckBox>(note, "ShowMsgOpt")->setChecked(true);
        click(note, "Command1");
    };
    user.actions["ExtensionFrm"] = [](QWidget& form) {
        click(form, "UserOpt");
        Child<QLineEdit>(form, "ExtTxt")->setText(QStringLiteral("AB1"));
        click(form, "Command1");
    };
    const std::string dll = setup.setupDir() + "MyApp.dll";
    rig.dialogs.saveAnswers = {notSetup.file("Icons.dll"), dll, dll};

    // A directory without Readme.txt: refused after the notice, before the extension is asked.
    click(*window, "BuilCmd");
    QCOMPARE(user.seen, Texts({"SetupNote"}));
    QCOMPARE(rig.messages.shown.size(), std::size_t(1));
    QVERIFY(rig.messages.shown[0].text.find("\"Readme.txt\" not found") != std::string::npos);
    QVERIFY(fs::is_empty(notSetup.path()));
    QCOMPARE(rig.stored("Options", "DontShowSMsg"), std::string("True"));

    // The setup directory, the notice now turned off: the x86 DLL, the cabinets of the new name
    // only, the INF entry of the typed extension, then "Done...".
    user.seen.clear();
    rig.messages.shown.clear();
    click(*window, "BuilCmd");
    QCOMPARE(user.seen, Texts({"ExtensionFrm"}));
    QCOMPARE(rig.messages.shown.size(), std::size_t(1));
    QCOMPARE(rig.messages.shown[0].title, std::string("Done..."));
    QCOMPARE(gw::test::DllMachine(dll), std::uint16_t(0x014C));
    QVERIFY(fs::exists(setup.root() / "CD1" / "MyApp.sh3.CAB"));
    QVERIFY(!fs::exists(setup.root() / "CD1" / "Old.SH3.CAB"));
    QVERIFY(gw::test::ReadText(setup.infPath()).find("HKCR,.ab1,") != std::string::npos);

    // A cab builder that fails, the extension window closed without Continue: the failure is
    // told, and no "Done...".
    rig.messages.shown.clear();
    user.actions.erase("ExtensionFrm");
    setup.failCabwizWith(3);
    click(*window, "BuilCmd");
    QCOMPARE(rig.messages.shown.size(), std::size_t(1));
    QVERIFY(rig.messages.shown[0].text.find("cab builder did not succeed") != std::string::npos);
    QVERIFY(rig.messages.shown[0].icon == gw::platform::MessageIcon::Critical);
    QVERIFY(!window->isRunning());
}

QTEST_MAIN(BuildForSetupTest)
#include "build_for_setup_test.moc"

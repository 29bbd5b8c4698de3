#include "support/setup_directory.h"
#include "ui_test_support.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

using gw::platform::MessageIcon;
using gw::test::Child;
using gw::test::WindowRig;
using Texts = std::vector<std::string>;
namespace fs = std::filesystem;

class BuildForSetupTest : public QObject {
    Q_OBJECT

private slots:
    void fromTheButtonToTheFinishedSetup();
    void aWrongDirectoryOrACancelBuildsNothing();
};

namespace {

const char* const kDone =
    "The Icon DLL's have been built and the Setup Files have been changed accordingly.\r\n\r\n"
    "Everything required to install your application is in the \"CD1\" directory.";

// The main window with one icon in its list, set to build for a setup directory.
std::unique_ptr<gw::ui::CreateDLL_Frm> setupWindow(WindowRig& rig, const std::string& icon) {
    auto window = gw::test::StartRealWindow(rig);
    rig.dialogs.openAnswers = {{icon}};
    QTest::mouseClick(Child<QWidget>(*window, "AddCmd"), Qt::LeftButton);
    Child<QAction>(*window, "ChangeSetup_OM2")->trigger();
    return window;
}

void build(gw::ui::CreateDLL_Frm& window) {
    QTest::mouseClick(Child<QWidget>(window, "BuilCmd"), Qt::LeftButton);
}

Texts titles(const WindowRig& rig) {
    Texts result;
    for (const auto& message : rig.messages.shown) {
        result.push_back(message.title);
    }
    return result;
}

} // namespace

void BuildForSetupTest::fromTheButtonToTheFinishedSetup() {
    WindowRig rig;
    gw::test::SetupDirectory setup("sh3 arm", gw::test::kWizardInf, "readme.txt");
    auto window = setupWindow(rig, setup.icon());
    QTest::mouseClick(Child<QRadioButton>(*window, "MachineOpt_5"), Qt::LeftButton); // PPC

    gw::test::ModalUser user;
    user.actions["SetupNote"] = [](QWidget& note) {
        Child<QCheckBox>(note, "ShowMsgOpt")->setChecked(true);
        QTest::mouseClick(Child<QPushButton>(note, "Command1"), Qt::LeftButton);
    };
    user.actions["ExtensionFrm"] = [](QWidget& form) {
        QTest::mouseClick(Child<QRadioButton>(form, "UserOpt"), Qt::LeftButton);
        auto* box = Child<QLineEdit>(form, "ExtTxt");
        box->clear();
        QTest::keyClicks(box, "Ab1");
        QTest::mouseClick(Child<QPushButton>(form, "Command1"), Qt::LeftButton);
    };
    rig.dialogs.saveAnswers = {setup.setupDir() + "MyApp.dll"};
    build(*window);

    QCOMPARE(user.seen, Texts({"SetupNote", "ExtensionFrm"}));
    const auto& request = rig.dialogs.requests.back();
    QCOMPARE(request.title,
             std::string("Select the application Setup Directory and enter DLL file name"));
    QCOMPARE(request.initialName, std::string("Icons.dll"));
    QCOMPARE(request.initialDirectory, std::string());
    QCOMPARE(titles(rig), Texts({"Done..."}));
    QCOMPARE(rig.messages.shown[0].text, std::string(kDone));
    QVERIFY(rig.messages.shown[0].icon == MessageIcon::Information);

    QCOMPARE(gw::test::DllMachine((setup.root() / "MyApp.dll").string()), std::uint16_t(0x014C));
    QVERIFY(fs::is_directory(setup.root() / "Icons"));
    QVERIFY(fs::exists(setup.root() / "CD1" / "MyApp.sh3.CAB"));
    QVERIFY(!fs::exists(setup.root() / "CD1" / "Old.SH3.CAB"));
    QVERIFY(gw::test::ReadText(setup.infPath()).find("HKCR,.ab1,") != std::string::npos);
    QCOMPARE(rig.stored("Path", "Setup"), setup.setupDir());
    QCOMPARE(rig.stored("Options", "DontShowSMsg"), std::string("True"));

    // Again, with the notice turned off, the extension window closed without Continue (the
    // random extension stands) and a cab builder that fails: its failure, and no "Done...".
    user.seen.clear();
    user.actions.erase("ExtensionFrm");
    rig.messages.shown.clear();
    setup.failCabwizWith(3);
    rig.dialogs.saveAnswers = {setup.setupDir() + "MyApp.dll"};
    build(*window);
    QCOMPARE(user.seen, Texts({"ExtensionFrm"}));
    QCOMPARE(rig.dialogs.requests.back().initialDirectory, setup.setupDir());
    QCOMPARE(titles(rig), Texts({""}));
    QVERIFY(rig.messages.shown[0].text.find("cab builder did not succeed") != std::string::npos);
    QVERIFY(rig.messages.shown[0].icon == MessageIcon::Critical);
    QVERIFY(fs::exists(setup.root() / "CD1" / "MyApp.sh3.CAB")); // the last good cabinets stay
    QVERIFY(!window->isRunning());
}

void BuildForSetupTest::aWrongDirectoryOrACancelBuildsNothing() {
    WindowRig rig;
    rig.settings.save("Options", "DontShowSMsg", "True");
    gw::test::TempDir notSetup;
    auto window = setupWindow(rig, gw::test::Example("glyph-4bit.ico"));
    gw::test::ModalUser user;

    build(*window); // the dialog cancelled: nothing stored, nothing shown
    QCOMPARE(rig.stored("Path", "Setup"), std::string("-"));
    QVERIFY(rig.messages.shown.empty());

    rig.dialogs.saveAnswers = {notSetup.file("Icons.dll")};
    build(*window);
    QVERIFY(user.seen.empty());
    QCOMPARE(rig.messages.shown.size(), std::size_t(1));
    QCOMPARE(rig.messages.shown[0].text,
             std::string("Wrong directory selected. File \"Readme.txt\" not found!"));
    QCOMPARE(rig.messages.shown[0].title, std::string());
    QVERIFY(rig.messages.shown[0].icon == MessageIcon::Critical);
    QCOMPARE(rig.stored("Path", "Setup"), notSetup.path().string() + "/");
    QVERIFY(fs::is_empty(notSetup.path()));
}

QTEST_MAIN(BuildForSetupTest)
#include "build_for_setup_test.moc"

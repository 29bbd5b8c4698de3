#include "common/error.h"
#include "ui_test_support.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <filesystem>

using namespace gw::platform;

class QtServicesTest : public QObject {
    Q_OBJECT

private slots:
    void settingsLiveInIniSections();
    void userSettingsGoToTheConfigurationFolder();
    void settingsThatCannotBeWrittenFail();
    void messageBoxesShowIconTitleTextAndButtons();
    void openDialogTakesTheRequestAndGivesFullPaths();
    void saveDialogAddsTheExtensionAndCancelGivesNothing();
    void shellRefusesAFileNoProgramOpens();
};

namespace {

// Runs check on the modal window that the next call opens, once it is up.
void onNextModal(std::function<void(QWidget*)> check) {
    QTimer::singleShot(0, [check] {
        QWidget* modal = QApplication::activeModalWidget();
        QVERIFY(modal);
        check(modal);
    });
}

} // namespace

void QtServicesTest::settingsLiveInIniSections() {
    gw::test::TempDir dir;
    const std::string file = dir.file("store.ini");
    {
        QtSettingsStore store(file);
        QCOMPARE(store.location(), file);
        store.save("Options", "FistExec", "False");
        store.save("Options", "Target", "3");
        store.save("Path", "Open", "c:\\Icons, old\\set");
    }
    QtSettingsStore again(file);
    QCOMPARE(again.get("Options", "FistExec", "True"), std::string("False"));
    QCOMPARE(again.get("Options", "Target", "0"), std::string("3"));
    QCOMPARE(again.get("Path", "Open", ""), std::string("c:\\Icons, old\\set"));
    QCOMPARE(again.get("Path", "Build", "fallback"), std::string("fallback"));
    const std::string text = gw::test::ReadText(file);
    QVERIFY2(text.find("[Options]") != std::string::npos &&
                 text.find("[Path]") != std::string::npos,
             text.c_str());
    QVERIFY2(text.find("Target=3") != std::string::npos, text.c_str());
}

void QtServicesTest::userSettingsGoToTheConfigurationFolder() {
    gw::test::TempDir dir;
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(dir.path().string()));
    {
        QtSettingsStore user;
        QCOMPARE(user.location(), (dir.path() / "Glyphwright" / "Glyphwright.ini").string());
        user.save("Options", "Target", "4");
    }
    qputenv("XDG_CONFIG_HOME", saved);
    QVERIFY(std::filesystem::exists(dir.path() / "Glyphwright" / "Glyphwright.ini"));
}

void QtServicesTest::settingsThatCannotBeWrittenFail() {
    gw::test::TempDir dir;
    gw::test::WriteText(dir.file("plain"), "a file where a folder should be");
    QtSettingsStore store(dir.file("plain") + "/store.ini");
    try {
        store.save("Options", "Target", "1");
        QFAIL("an unwritable store took the value");
    } catch (const gw::Error& e) {
        const std::string text = e.what();
        QVERIFY2(text.find("store.ini") != std::string::npos &&
                     text.find("Options/Target") != std::string::npos,
                 text.c_str());
    }
}

void QtServicesTest::messageBoxesShowIconTitleTextAndButtons() {
    QtMessages messages;
    QMessageBox::Icon icon{};
    QString title;
    QString text;
    int buttons = 0;
    QString defaultText;
    const auto look = [&](QMessageBox::StandardButton press) {
        onNextModal([&, press](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            QVERIFY(box);
            icon = box->icon();
            title = box->windowTitle();
            text = box->text();
            buttons = int(box->standardButtons());
            defaultText = box->defaultButton() ? box->defaultButton()->text() : QString();
            if (press == QMessageBox::Escape) {
                QTest::keyClick(box, Qt::Key_Escape);
            } else {
                box->button(press)->click();
            }
        });
    };

    look(QMessageBox::Ok);
    QVERIFY(messages.show({"DLL has been built as:\r\n\r\nB.dll", "", MessageIcon::Critical}) ==
            MessageAnswer::Ok);
    QCOMPARE(icon, QMessageBox::Critical);
    QCOMPARE(title, QString("Glyphwright Tool"));
    QCOMPARE(text, QString("DLL has been built as:\n\nB.dll"));
    QCOMPARE(buttons, int(QMessageBox::Ok));

    look(QMessageBox::Yes);
    QVERIFY(messages.show({"Replace?", "Save...", MessageIcon::Question, MessageButtons::YesNo,
                           1}) == MessageAnswer::Yes);
    QCOMPARE(icon, QMessageBox::Question);
    QCOMPARE(title, QString("Save..."));
    QCOMPARE(buttons, int(QMessageBox::Yes | QMessageBox::No));
    QCOMPARE(
        defaultText,
        QMessageBox(QMessageBox::NoIcon, "", "", QMessageBox::No).button(QMessageBox::No)->text());

    look(QMessageBox::Escape);
    QVERIFY(messages.show({"Exit Program?", "", MessageIcon::Question, MessageButtons::YesNo}) ==
            MessageAnswer::No);
    look(QMessageBox::Escape);
    QVERIFY(messages.show({"Go on?", "", MessageIcon::Information, MessageButtons::YesNoCancel}) ==
            MessageAnswer::Cancel);
    QCOMPARE(icon, QMessageBox::Information);
}

void QtServicesTest::openDialogTakesTheRequestAndGivesFullPaths() {
    gw::test::TempDir dir;
    const std::string a = gw::test::WriteIcon(dir, "a.ico", {{16, 16, 1}});
    const std::string b = gw::test::WriteIcon(dir, "b.ico", {{16, 16, 1}});
    FileDialogRequest request;
    request.title = "Select Icons";
    request.filter = "Icons (*.ico)";
    request.initialName = "*.ico";
    request.defaultExtension = "ico";
    request.initialDirectory = dir.path().string();
    request.allowMultiple = true;

    QString title;
    QStringList filters;
    QString directory;
    QFileDialog::FileMode mode{};
    onNextModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        QVERIFY(dialog);
        title = dialog->windowTitle();
        filters = dialog->nameFilters();
        directory = dialog->directory().absolutePath();
        mode = dialog->fileMode();
        dialog->findChild<QLineEdit*>("fileNameEdit")->setText("\"b.ico\" \"a.ico\"");
        static_cast<QDialog*>(dialog)->accept(); // as the Open or Save button does
    });
    QtFileDialogs dialogs;
    const std::vector<std::string> chosen = dialogs.openFiles(request);
    QCOMPARE(title, QString("Select Icons"));
    QCOMPARE(filters, QStringList({"Icons (*.ico)"}));
    QCOMPARE(directory.toStdString(), dir.path().string());
    QCOMPARE(mode, QFileDialog::ExistingFiles);
    QCOMPARE(chosen, std::vector<std::string>({b, a}));
}

void QtServicesTest::saveDialogAddsTheExtensionAndCancelGivesNothing() {
    gw::test::TempDir dir;
    FileDialogRequest request;
    request.title = "Enter output DLL file name";
    request.filter = "Dll Files (*.dll)";
    request.defaultExtension = "dll";
    request.initialName = "PPC.Icons.dll";
    request.initialDirectory = dir.path().string();

    QString offered;
    bool asksBeforeReplacing = false;
    onNextModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        QVERIFY(dialog);
        auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
        offered = name->text();
        asksBeforeReplacing = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
        name->setText("Mine");
        static_cast<QDialog*>(dialog)->accept(); // as the Open or Save button does
    });
    QtFileDialogs dialogs;
    QCOMPARE(dialogs.saveFile(request), std::optional<std::string>(dir.file("Mine.dll")));
    QCOMPARE(offered, QString("PPC.Icons.dll"));
    QVERIFY(asksBeforeReplacing);

    onNextModal([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
    QVERIFY(!dialogs.saveFile(request));
}

void QtServicesTest::shellRefusesAFileNoProgramOpens() {
    // A desktop that names no program for icon files, with a stand-in for xdg-mime.
    gw::test::TempDir dir;
    const std::string asked = dir.file("asked");
    const std::string tool = dir.file("xdg-mime");
    gw::test::WriteText(tool, "#!/bin/sh\necho \"$@\" > " + gw::test::ShellQuote(asked) + "\n");
    std::filesystem::permissions(tool, std::filesystem::perms::owner_all);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QByteArray::fromStdString(dir.path().string()) + ":" + path);
    const std::string icon = gw::test::WriteIcon(dir, "x.ico", {{16, 16, 1}});
    const bool opened = QtShell().open(icon);
    qputenv("PATH", path);
    QVERIFY(!opened);
    QCOMPARE(gw::test::ReadText(asked), std::string("query default image/vnd.microsoft.icon\n"));
}

QTEST_MAIN(QtServicesTest)
#include "qt_services_test.moc"

#include "common/error.h"
#include "ui_test_support.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSettings>
#include <QTimer>
#include <filesystem>

using namespace gw::platform;
using namespace gw::services;
using Box = QMessageBox;

class QtServicesTest : public QObject {
    Q_OBJECT

private slots:
    void settingsLiveInIniSectionsAndFailLoudly();
    void messageBoxesShowIconTitleTextAndButtons();
    void fileDialogsTakeTheRequestAndGiveFullPaths();
    void shellRefusesAFileNoProgramOpens();
    void shellHandsWebPagesToTheUsersBrowser();
};

namespace {

// Runs answer on the modal window that the next call opens, once it is up.
template <class Modal> void OnNextModal(std::function<void(Modal*)> answer) {
    QTimer::singleShot(0, [answer] {
        auto* modal = qobject_cast<Modal*>(QApplication::activeModalWidget());
        QVERIFY(modal);
        answer(modal);
    });
}

} // namespace

void QtServicesTest::settingsLiveInIniSectionsAndFailLoudly() {
    gw::test::TempDir dir;
#ifdef Q_OS_WIN
    // The user's own store is the registry key the settings have always lived under; a value
    // written there is read back by Qt's own registry access and removed again.
    QtSettingsStore user;
    QCOMPARE(
        user.location(),
        std::string("\\HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\Glyphwright"));
    const QString section =
        QStringLiteral("Test-") + QString::number(QRandomGenerator::global()->generate());
    user.save(section.toStdString(), "Open", "c:\\Icons, old\\set");
    QSettings registry(QStringLiteral("HKEY_CURRENT_USER\\Software\\VB and VBA Program "
                                      "Settings\\Glyphwright"),
                       QSettings::NativeFormat);
    const QString stored = registry.value(section + QStringLiteral("/Open")).toString();
    registry.remove(section);
    QCOMPARE(stored, QStringLiteral("c:\\Icons, old\\set"));
    QCOMPARE(user.get(section.toStdString(), "Build", "fallback"), std::string("fallback"));
#else
    // The user's own store is an INI file in the configuration folder.
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(dir.path().string()));
    const std::string userFile = (dir.path() / "Glyphwright" / "Glyphwright.ini").string();
    QtSettingsStore().save("Path", "Open", "c:\\Icons, old\\set");
    qputenv("XDG_CONFIG_HOME", saved);
    // Read back by a store of its own, from the file; an absent key gives the fallback.
    const QtSettingsStore again(userFile);
    QCOMPARE(again.get("Path", "Open", "") + again.get("Path", "Build", "|fallback"),
             std::string("c:\\Icons, old\\set|fallback"));
    QVERIFY(gw::test::ReadText(userFile).find("[Path]\nOpen=") != std::string::npos);
#endif
    // A value edited by hand with a comma and no quotes reads as the text it is.
    gw::test::WriteText(dir.file("edited.ini"), "[Path]\nOpen=My Icons, old set\n");
    QCOMPARE(QtSettingsStore(dir.file("edited.ini")).get("Path", "Open", ""),
             std::string("My Icons, old set"));

    // A store that cannot be written says so, naming the file and the key.
    gw::test::WriteText(dir.file("plain"), "a file where a folder should be");
    const std::string error =
        gw::test::ThrownBy([&] {
            QtSettingsStore(dir.file("plain") + "/store.ini").save("Options", "Target", "1");
        }).text;
    QVERIFY2(error.find(
                 QDir::toNativeSeparators(QString::fromStdString(dir.file("plain") + "/store.ini"))
                     .toStdString()) != std::string::npos &&
                 error.find("Options/Target") != std::string::npos,
             error.c_str());
}

void QtServicesTest::messageBoxesShowIconTitleTextAndButtons() {
    // The message, the button pressed (Escape: the Esc key), what the box shows as "icon, title,
    // text, buttons", and the answer.
    const std::tuple<Message, Box::StandardButton, const char*, MessageAnswer> cases[] = {
        {Message{"Built:\r\nB.dll", "", MessageIcon::Critical}, Box::Ok,
         "Critical, Glyphwright Tool, Built:\nB.dll, [Ok]", MessageAnswer::Ok},
        {Message{"Replace?", "Save", MessageIcon::Question, MessageButtons::YesNo, 1}, Box::Yes,
         "Question, Save, Replace?, Yes|[No]", MessageAnswer::Yes},
        {Message{"Go on?", "", MessageIcon::Information, MessageButtons::YesNoCancel}, Box::Escape,
         "Information, Glyphwright Tool, Go on?, [Yes]|No|Cancel", MessageAnswer::Cancel},
    };
    for (const auto& [message, press, shown, answer] : cases) {
        QString seen;
        OnNextModal<Box>([&seen, key = press](Box* box) {
            QStringList seenButtons; // the default one in brackets
            for (const Box::StandardButton b : {Box::Ok, Box::Yes, Box::No, Box::Cancel}) {
                if (box->standardButtons() & b) {
                    const QString name = QMetaEnum::fromType<Box::StandardButtons>().valueToKey(b);
                    seenButtons << (box->button(b) == box->defaultButton() ? "[" + name + "]"
                                                                           : name);
                }
            }
            // Wide enough for its caption and the frame's buttons beside it (some 100 pixels),
            // not only for its text.
            box->adjustSize();
            QVERIFY2(box->width() >= box->fontMetrics().horizontalAdvance(box->windowTitle()) + 100,
                     qPrintable(QString::number(box->width())));
            seen = QStringList({QMetaEnum::fromType<Box::Icon>().valueToKey(box->icon()),
                                box->windowTitle(), box->text(), seenButtons.join('|')})
                       .join(", ");
            key == Box::Escape ? QTest::keyClick(box, Qt::Key_Escape) : box->button(key)->click();
        });
        QVERIFY2(QtMessages().show(message) == answer, message.text.c_str());
        QCOMPARE(seen, QString(shown));
    }
}

void QtServicesTest::fileDialogsTakeTheRequestAndGiveFullPaths() {
    gw::test::TempDir dir;
    const std::string where = dir.path().string();
    const std::string a = gw::test::WriteIcon(dir, "a.ico", {{16, 16, 1}});
    const std::string b = gw::test::WriteIcon(dir, "b.ico", {{16, 16, 1}});
    // Types the answer into the next dialog and accepts it past the dialog's own checks; no
    // answer rejects it. A typed name is taken in the requested folder.
    const auto answerWith = [](const QString& typed) {
        OnNextModal<QFileDialog>([typed](QFileDialog* dialog) {
            dialog->findChild<QLineEdit*>("fileNameEdit")->setText(typed);
            typed.isEmpty() ? dialog->reject() : dialog->QDialog::accept();
        });
    };
    QtFileDialogs dialogs;
    // Several files come back whole, in the order typed.
    answerWith("\"b.ico\" \"a.ico\"");
    QCOMPARE(dialogs.openFiles({"Select", "Icons (*.ico)", "ico", "*.ico", where, true}),
             std::vector<std::string>({b, a}));
    // A name typed without an extension gets the default one; cancel gives nothing.
    const FileDialogRequest save{"Save", "Dll (*.dll)", "dll", "PPC.Icons.dll", where, false, true};
    answerWith("Mine");
    QCOMPARE(dialogs.saveFile(save), std::optional<std::string>(dir.file("Mine.dll")));
    answerWith("");
    QVERIFY(!dialogs.saveFile(save));
}

void QtServicesTest::shellRefusesAFileNoProgramOpens() {
#ifdef Q_OS_WIN
    QSKIP("Windows' shell call itself says whether a program opens the file");
#endif
    // A desktop that names no program for icon files, with a stand-in for xdg-mime.
    gw::test::TempDir dir;
    const std::string asked = dir.file("asked");
    const std::string tool = dir.file("xdg-mime");
    gw::test::WriteText(tool, "#!/bin/sh\necho \"$@\" > '" + asked + "'\n");
    std::filesystem::permissions(tool, std::filesystem::perms::owner_all);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QByteArray::fromStdString(dir.path().string()) + ":" + path);
    const bool opened = QtShell().open(gw::test::WriteIcon(dir, "x.ico", {{16, 16, 1}}));
    qputenv("PATH", path);
    QVERIFY(!opened);
    QCOMPARE(gw::test::ReadText(asked), std::string("query default image/vnd.microsoft.icon\n"));
}

void QtServicesTest::shellHandsWebPagesToTheUsersBrowser() {
#ifdef Q_OS_WIN
    QSKIP("Windows has no $BROWSER: its shell picks the browser");
#endif
    // $BROWSER lists commands; the first that starts gets the address in place of %s.
    gw::test::TempDir dir;
    const std::string asked = dir.file("asked");
    const std::string tool = dir.file("browser");
    gw::test::WriteText(tool, "#!/bin/sh\necho \"$@\" > '" + asked + ".part'; mv '" + asked +
                                  ".part' '" + asked + "'\n");
    std::filesystem::permissions(tool, std::filesystem::perms::owner_all);
    const QByteArray previous = qgetenv("BROWSER");
    qputenv("BROWSER", QByteArray::fromStdString(dir.file("missing") + ":" + tool + " --new %s"));
    const bool opened = QtShell().open("file://" + dir.file("help.htm"));
    qputenv("BROWSER", previous);
    QVERIFY(opened);
    QTRY_VERIFY_WITH_TIMEOUT(std::filesystem::exists(asked), 10000);
    QCOMPARE(gw::test::ReadText(asked), "--new file://" + dir.file("help.htm") + "\n");
}

QTEST_MAIN(QtServicesTest)
#include "qt_services_test.moc"

#include "ui/window_program.h"
#include "ui_test_support.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>

using gw::test::Texts;

// The window program as main() starts it, with the user's settings in a configuration folder
// of the test's.
class WindowProgramTest : public QObject {
    Q_OBJECT

private slots:
    void firstStartShowsTheLicenceThenTheWindow();
    void filesOnTheCommandLineJoinTheList();
};

void WindowProgramTest::firstStartShowsTheLicenceThenTheWindow() {
#ifdef Q_OS_WIN
    QSKIP("On Windows the first start waits for Notepad and keeps the settings in the user's "
          "registry; the main window's tests cover both through its services");
#endif
    gw::test::TempDir config;
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(config.path().string()));
    // The licence beside the program, in a window of its own before the main window; then the
    // main window with the program's icon, and the version in the About box.
    Texts seen;
    gw::test::ModalUser user;
    user.actions["TextFileWindow"] = [&](QWidget& licence) {
        const QString text = licence.findChild<QPlainTextEdit*>()->toPlainText();
        seen.push_back(licence.windowTitle().toStdString() +
                       (text.contains(QStringLiteral("License")) ? " with its text" : ""));
        licence.close();
    };
    user.actions["frmAbout"] = [&](QWidget& about) {
        seen.push_back(gw::test::Child<QLabel>(about, "lblVersion")->text().toStdString());
        about.close();
    };
    const auto program = gw::ui::StartWindowProgram(QStringLiteral("4.5.6"));
    QVERIFY(program->window().isVisible() && !QApplication::windowIcon().isNull());
    gw::test::Click(program->window(), "About_HM2");
    QCOMPARE(seen, Texts({"License with its text", "Version: 4.5.6"}));
    // The choices go to the user's own store, where the next start finds the licence shown.
    program->window().close();
    const std::string stored =
        gw::test::ReadText(config.path() / "Glyphwright" / "Glyphwright.ini");
    QVERIFY2(stored.find("FistExec=False") != std::string::npos &&
                 stored.find("[IconList]\nCount=0") != std::string::npos,
             stored.c_str());
}

void WindowProgramTest::filesOnTheCommandLineJoinTheList() {
#ifdef Q_OS_WIN
    QSKIP("On Windows the settings live in the user's registry");
#endif
    gw::test::TempDir config, work;
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(config.path().string()));
    gw::test::ModalUser user; // closes the licence, should this start count as the first
    const std::string first = gw::test::WriteIcon(work, "first.ico", {{16, 16, 4}});
    const std::string second = gw::test::WriteIcon(work, "second.ico", {{32, 32, 8}});
    // A name relative to the current folder is added as the full path, after an absolute one.
    const QString previous = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(work.path().string()));
    const auto program = gw::ui::StartWindowProgram(
        QStringLiteral("1.0.0"), {QString::fromStdString(first), QStringLiteral("second.ico")});
    QDir::setCurrent(previous);
    const auto* list = gw::test::Child<QListWidget>(program->window(), "IconList");
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->item(0)->text().toStdString() + "|" + list->item(1)->text().toStdString(),
             first + "|" + second);
    QVERIFY(list->hasFocus() || program->window().focusWidget() == list);
    program->window().close();
}

QTEST_MAIN(WindowProgramTest)
#include "window_program_test.moc"

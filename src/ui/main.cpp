#include "common/interrupt_cleanup.h"
#include "platform/qt_services.h"
#include "ui/help.h"
#include "ui/main_window.h"

#include <QApplication>
#include <QDir>

#ifdef _WIN32
#include "setup/run_and_wait.h"
#endif

// The window program: the main window over the Qt-backed desktop services. It takes no
// command line of its own; glyphwright-cli is the tool for scripts.
int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    gw::InstallInterruptCleanup();
    QApplication::setApplicationName(QStringLiteral("Glyphwright"));
    QApplication::setApplicationVersion(QStringLiteral(GLYPHWRIGHT_VERSION));

    gw::platform::QtSettingsStore settings;
    gw::platform::QtMessages messages;
    gw::platform::QtFileDialogs dialogs;
    gw::platform::QtShell shell;
    gw::platform::QtEventPump events;
    const std::string documents = gw::ui::DocumentDirectory(
        QDir::toNativeSeparators(QApplication::applicationDirPath()).toStdString());
    gw::ui::WindowServices services{settings, messages, dialogs, shell, events, documents, {}};
#ifdef _WIN32
    // The licence in Notepad: the user reads at their own pace, so the limit is a day rather
    // than the cab builder's ten minutes, after which the program goes on.
    services.runAndWait = [](const std::string& commandLine) {
        gw::RunOptions options;
        options.timeLimit = std::chrono::hours{24};
        return gw::RunAndWait(commandLine, options).started;
    };
#endif

    gw::ui::MainWindow window(services);
    QApplication::setWindowIcon(window.windowIcon());
    window.start();
    window.show();
    return QApplication::exec();
}

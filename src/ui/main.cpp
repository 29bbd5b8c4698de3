#include "system/interrupt_cleanup.h"
#include "ui/window_program.h"

#include <QApplication>

// The window program: the main window over the Qt-backed desktop services. It takes no
// command line of its own; glyphwright-cli is the tool for scripts.
int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    gw::InstallInterruptCleanup();
    const auto program = gw::ui::StartWindowProgram(QStringLiteral(GLYPHWRIGHT_VERSION));
    return QApplication::exec();
}

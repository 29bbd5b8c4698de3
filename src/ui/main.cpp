#include "system/interrupt_cleanup.h"
#include "ui/window_program.h"

#include <QApplication>

// The window program: the main window over the Qt-backed desktop services. Files named on the
// command line (by a desktop's "Open with", or dropped on the program) are added to the list;
// glyphwright-cli is the tool for scripts.
int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    gw::InstallInterruptCleanup();
    const auto program = gw::ui::StartWindowProgram(QStringLiteral(GLYPHWRIGHT_VERSION),
                                                    QApplication::arguments().mid(1));
    return QApplication::exec();
}

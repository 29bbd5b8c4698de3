#include "ui/window_program.h"

#include "ui/help.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

#ifdef _WIN32
#include "system/run_and_wait.h"
#endif

namespace gw::ui {

std::unique_ptr<WindowProgram> StartWindowProgram(const QString& version,
                                                  const QStringList& givenFiles) {
    QApplication::setApplicationName(QStringLiteral("Glyphwright"));
    QApplication::setApplicationVersion(version);
    std::function<bool(const std::string&)> runAndWait;
#ifdef _WIN32
    // The licence in Notepad: the user reads at their own pace, so the limit is a day rather
    // than the cab builder's ten minutes, after which the program goes on.
    runAndWait = [](const std::string& commandLine) {
        RunOptions options;
        options.TimeLimit = std::chrono::hours{24};
        return RunAndWait(commandLine, options).Started;
    };
#endif
    auto program = std::make_unique<WindowProgram>(
        DocumentDirectory(
            QDir::toNativeSeparators(QApplication::applicationDirPath()).toStdString()),
        std::move(runAndWait), GLYPHWRIGHT_HOME_PAGE);
    QApplication::setWindowIcon(program->window().windowIcon());
    program->window().start();
    program->window().show();
    if (!givenFiles.isEmpty()) {
        std::vector<std::string> paths;
        for (const QString& file : givenFiles) {
            paths.push_back(
                QDir::toNativeSeparators(QFileInfo(file).absoluteFilePath()).toStdString());
        }
        program->window().addGivenFiles(paths);
    }
    return program;
}

} // namespace gw::ui

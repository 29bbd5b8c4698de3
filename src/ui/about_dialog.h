#pragma once

#include "services/services.h"

#include <QDialog>
#include <QString>
#include <string>

namespace gw::ui {

// "Version: " and the major, minor and revision numbers of a version such as "1.0.1", each in
// plain decimal; a missing number counts as 0.
[[nodiscard]] QString VersionText(const QString& version);

// The About box: the program's title, its version (the application's version as the program
// sets it at start-up), what it is for and, when there is one, the project's web address. OK,
// Enter and Esc close it.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    AboutDialog(services::ShellOpen& shell, const std::string& homePage, QWidget* parent = nullptr);
};

} // namespace gw::ui

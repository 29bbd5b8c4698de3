#pragma once

#include "ui/window_services.h"

#include <QDialog>
#include <random>
#include <string>

class QLineEdit;
class QRadioButton;

namespace gw::ui {

// Chooses the extension that replaces ".vb" for the installed application: a random one,
// offered first, or one the user types. The text box shows capitals; newExtension receives the
// lower-case form when Continue accepts it. Continue refuses an extension that cannot replace
// ".vb" and says why; the window then stays open. Closed without Continue, newExtension keeps
// the last random extension drawn.
class ExtensionFrm : public QDialog {
    Q_OBJECT
public:
    ExtensionFrm(const WindowServices& services, std::string& newExtension,
                 QWidget* parent = nullptr);

    void RandomOpt_Click();
    void UserOpt_Click();
    void Command1_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    WindowServices services_;
    std::string& newExtension_;
    std::mt19937 generator_;
    QRadioButton* RandomOpt = nullptr;
    QRadioButton* UserOpt = nullptr;
    QLineEdit* ExtTxt = nullptr;
};

} // namespace gw::ui

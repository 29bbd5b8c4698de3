#pragma once

#include "ui/window_services.h"

#include <QDialog>
#include <random>
#include <string>

class QLineEdit;
class QRadioButton;

namespace gw::ui {

// Chooses the extension that replaces ".vb" for the installed application: a random one,
// offered first, or one the user types. The text box shows capitals; extension() gives the
// lower-case form once Continue has accepted it. Continue refuses an extension that cannot
// replace ".vb" and says why; the window then stays open. Closed without Continue, the extension
// is the last random one drawn.
class ExtensionDialog : public QDialog {
    Q_OBJECT
public:
    explicit ExtensionDialog(const WindowServices& services, QWidget* parent = nullptr);

    // The extension chosen, in lower case.
    [[nodiscard]] const std::string& extension() const { return extension_; }

    // The two choices and Continue.
    void offerRandomExtension();
    void letUserType();
    void acceptTypedExtension();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    WindowServices services_;
    std::string extension_;
    std::mt19937 generator_;
    QRadioButton* randomOption_ = nullptr;
    QRadioButton* typedOption_ = nullptr;
    QLineEdit* extensionBox_ = nullptr;
};

} // namespace gw::ui

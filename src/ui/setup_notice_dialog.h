#pragma once

#include "ui/window_services.h"

#include <QDialog>

class QCheckBox;

namespace gw::ui {

// The notice shown before a build for a setup directory: what the build will do to the
// directory, with a check box that turns the notice off for later builds. Continue stores the
// box under "Options"/"DontShowSMsg" and closes the notice.
//
// Its eight texts form the control array Label1_0 to Label1_7; the numbered points, in the
// order shown, are Label1_1, Label1_3, Label1_4, Label1_5, Label1_2 and Label1_7.
class SetupNoticeDialog : public QDialog {
    Q_OBJECT
public:
    explicit SetupNoticeDialog(const WindowServices& services, QWidget* parent = nullptr);

    // What Continue does.
    void storeChoiceAndClose();

private:
    WindowServices services_;
    QCheckBox* dontShowAgainBox_ = nullptr;
};

} // namespace gw::ui

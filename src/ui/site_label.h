#pragma once

#include "services/services.h"

#include <QLabel>
#include <string>

namespace gw::ui {

// A label that shows the project's web address as a link with the hand pointer; a click hands
// its caption to the desktop's shell. Whether anything opened it is not looked at: the desktop says
// so itself.
class SiteLabel : public QLabel {
    Q_OBJECT
public:
    SiteLabel(services::ShellOpen& shell, const std::string& address, QWidget* parent = nullptr);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    services::ShellOpen& shell_;
};

} // namespace gw::ui

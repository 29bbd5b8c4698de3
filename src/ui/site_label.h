#pragma once

#include "services/services.h"

#include <QLabel>

namespace gw::ui {

// The maker's web address, shown by the About box and the setup notice.
inline constexpr const char* kMakerSite = "https://glyphwright.example.org/";

// A label that shows the maker's web address as a link with the hand pointer; a click hands its
// caption to the desktop's shell. Whether anything opened it is not looked at: the desktop says
// so itself.
class SiteLabel : public QLabel {
    Q_OBJECT
public:
    SiteLabel(services::ShellOpen& shell, QWidget* parent = nullptr);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    services::ShellOpen& shell_;
};

} // namespace gw::ui

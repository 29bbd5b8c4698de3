#include "ui/site_label.h"

#include "ui/object_names.h"

#include <QMouseEvent>

namespace gw::ui {

SiteLabel::SiteLabel(services::ShellOpen& shell, const std::string& address, QWidget* parent)
    : QLabel(QString::fromStdString(address), parent), shell_(shell) {
    setObjectName(QLatin1String(object_names::kSiteLabel));
    setCursor(Qt::PointingHandCursor);
    QFont font = this->font();
    font.setUnderline(true);
    setFont(font);
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, colours.color(QPalette::Link));
    setPalette(colours);
}

void SiteLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        shell_.open(text().toStdString());
    }
    QLabel::mouseReleaseEvent(event);
}

} // namespace gw::ui

#include "ui/named_widgets.h"

#include <QFrame>
#include <QLabel>
#include <QMenuBar>

namespace gw::ui {

QString ArrayName(const char* name, std::size_t index) {
    return QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(index);
}

QFrame* SeparatorLine(const QString& name) {
    auto* line = new QFrame;
    line->setObjectName(name);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

QLabel* PictureBox(const QString& name, const QString& toolTip, int side) {
    auto* box = Named<QLabel>(name);
    box->setToolTip(toolTip);
    box->setFrameShape(QFrame::StyledPanel);
    box->setAlignment(Qt::AlignCenter);
    box->setFixedSize(side, side);
    return box;
}

QMenu* AddNamedMenu(QMenuBar* bar, const char* name, const char* title) {
    QMenu* menu = bar->addMenu(QLatin1String(title));
    menu->setObjectName(QLatin1String(name));
    return menu;
}

} // namespace gw::ui

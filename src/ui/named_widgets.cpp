#include "ui/named_widgets.h"

#include <QFrame>
#include <QLabel>
#include <QMenuBar>

namespace gw::ui {

QString arrayName(const char* name, std::size_t index) {
    return QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(index);
}

QLabel* namedLabel(const QString& name, const QString& text) {
    auto* label = new QLabel(text);
    label->setObjectName(name);
    return label;
}

QFrame* separatorLine(const QString& name) {
    auto* line = new QFrame;
    line->setObjectName(name);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

QLabel* pictureBox(const QString& name, const QString& toolTip, int side) {
    QLabel* box = namedLabel(name);
    box->setToolTip(toolTip);
    box->setFrameShape(QFrame::StyledPanel);
    box->setAlignment(Qt::AlignCenter);
    box->setFixedSize(side, side);
    return box;
}

QMenu* addNamedMenu(QMenuBar* bar, const char* name, const char* title) {
    QMenu* menu = bar->addMenu(QLatin1String(title));
    menu->setObjectName(QLatin1String(name));
    return menu;
}

} // namespace gw::ui

#pragma once

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAction>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QWidget>
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace gw::test {

// What a window shows of itself, as lines: first the window's object name and title, then one
// line per named widget, menu and menu item, sorted: its class, its object name and, where it
// has them, its text or title, its tool tip, its check mark, its font style, whether its text
// wraps or can be selected, whether it is the default button, whether it takes no input or
// takes dropped files, and its frame (QFrame's shape and shadow, as numbers). A text box's
// contents (drawn at random in places) are left out; dir, where a path begins with it, reads
// as "<dir>".
inline std::vector<std::string> Inventory(const QWidget& window, const std::string& dir) {
    const auto text = [&](QString value) {
        // The same lines on every system: a Windows separator after the folder reads as "/".
        value.replace(QString::fromStdString(dir + "\\"), QStringLiteral("<dir>/"));
        value.replace(QString::fromStdString(dir), QStringLiteral("<dir>"));
        return value.toStdString();
    };
    std::vector<std::string> lines;
    for (const QObject* object : window.findChildren<QObject*>()) {
        const QString name = object->objectName();
        if (name.isEmpty() || name.startsWith(QLatin1String("qt_")) || name.startsWith('_')) {
            continue; // unnamed, or Qt's own parts
        }
        std::string line = std::string(object->metaObject()->className()) + " " +
                           object->objectName().toStdString();
        const auto add = [&](const char* what, const std::string& value) {
            if (!value.empty()) {
                line += std::string(" ") + what + "=\"" + value + "\"";
            }
        };
        if (!qobject_cast<const QLineEdit*>(object)) {
            add("text", text(object->property("text").toString()));
        }
        add("title", text(object->property("title").toString()));
        const auto* widget = qobject_cast<const QWidget*>(object);
        const auto* action = qobject_cast<const QAction*>(object);
        if (widget) {
            add("tip", text(widget->toolTip()));
            add("disabled", widget->isEnabled() ? "" : "yes");
            add("drops", widget->acceptDrops() ? "yes" : "");
        }
        const auto* frame = qobject_cast<const QFrame*>(object);
        if (frame && !qobject_cast<const QAbstractScrollArea*>(object) &&
            frame->frameShape() != QFrame::NoFrame) {
            add("frame",
                std::to_string(frame->frameShape()) + "/" + std::to_string(frame->frameShadow()));
        }
        const auto* button = qobject_cast<const QAbstractButton*>(object);
        if ((button && button->isCheckable()) || (action && action->isCheckable())) {
            add("checked", (button ? button->isChecked() : action->isChecked()) ? "yes" : "no");
        }
        if (const auto* label = qobject_cast<const QLabel*>(object)) {
            const QFont font = label->font();
            std::string style;
            for (const auto& [on, name] : {std::pair{font.bold(), "bold"},
                                           {font.italic(), "italic"},
                                           {font.underline(), "underlined"}}) {
                style += on ? (style.empty() ? "" : " ") + std::string(name) : "";
            }
            add("font", style);
            add("wraps", label->wordWrap() ? "yes" : "");
            add("selectable",
                label->textInteractionFlags() & Qt::TextSelectableByMouse ? "yes" : "");
        }
        if (const auto* push = qobject_cast<const QPushButton*>(object)) {
            add("default", push->isDefault() ? "yes" : "");
        }
        lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end());
    lines.insert(lines.begin(), "window " + window.objectName().toStdString() + " title=\"" +
                                    text(window.windowTitle()) + "\"");
    return lines;
}

} // namespace gw::test

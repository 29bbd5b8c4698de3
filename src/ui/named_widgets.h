#pragma once

#include <QAction>
#include <QMenu>
#include <QString>
#include <cstddef>

class QFrame;
class QLabel;
class QMenuBar;

// Building blocks the windows share. Every widget and menu item gets its name from the window's
// table in object_names.h as its objectName, so that tests find it by that name.
namespace gw::ui {

// The name of one member of a control array: the array's name, "_" and the index
// ("MachineOpt_3").
[[nodiscard]] QString ArrayName(const char* name, std::size_t index);

// A new widget of class Widget (a label, a list, a button ...) with its object name, and the
// text it is made with.
template <class Widget> Widget* Named(const QString& name) {
    auto* widget = new Widget;
    widget->setObjectName(name);
    return widget;
}
template <class Widget> Widget* Named(const QString& name, const QString& text) {
    auto* widget = new Widget(text);
    widget->setObjectName(name);
    return widget;
}

// A sunken horizontal line between the parts of a window.
QFrame* SeparatorLine(const QString& name);

// A framed box of side x side pixels that shows a picture centred.
QLabel* PictureBox(const QString& name, const QString& toolTip, int side);

QMenu* AddNamedMenu(QMenuBar* bar, const char* name, const char* title);

// A menu item that runs handler in receiver's thread when chosen.
template <class Handler>
QAction* AddNamedItem(QMenu* menu, const QString& name, const char* text, QObject* receiver,
                      Handler handler) {
    QAction* action = menu->addAction(QLatin1String(text));
    action->setObjectName(name);
    QObject::connect(action, &QAction::triggered, receiver, handler);
    return action;
}

} // namespace gw::ui

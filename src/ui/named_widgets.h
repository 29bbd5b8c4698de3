#pragma once

#include <QAction>
#include <QMenu>
#include <QString>
#include <cstddef>

class QFrame;
class QLabel;
class QMenuBar;

// Building blocks the windows share. Every widget and menu item carries its control name as its
// objectName, so that tests and the windows' own code find it by that name.
namespace gw::ui {

// The name of one member of a control array: the array's name, "_" and the index
// ("MachineOpt_3").
QString arrayName(const char* name, std::size_t index);

QLabel* namedLabel(const QString& name, const QString& text = {});

// A sunken horizontal line between the parts of a window.
QFrame* separatorLine(const QString& name);

// A framed box of side x side pixels that shows a picture centred.
QLabel* pictureBox(const QString& name, const QString& toolTip, int side);

QMenu* addNamedMenu(QMenuBar* bar, const char* name, const char* title);

// A menu item that runs handler in receiver's thread when chosen.
template <class Handler>
QAction* addNamedItem(QMenu* menu, const QString& name, const char* text, QObject* receiver,
                      Handler handler) {
    QAction* action = menu->addAction(QLatin1String(text));
    action->setObjectName(name);
    QObject::connect(action, &QAction::triggered, receiver, handler);
    return action;
}

} // namespace gw::ui

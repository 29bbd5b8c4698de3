#pragma once

#include "setup/setup_rewrite.h"
#include "ui/window_services.h"

#include <QDialog>
#include <chrono>
#include <string>

class QLabel;
class QPushButton;

namespace gw::ui {

// The small modal window shown while the cab builder runs: what is being done, the command, the
// seconds waited, and a Stop button that ends the builder with everything it started.
//
// The builder runs on the one window thread; the window lives through the builder's wait
// callback, which lets the window events run about once a second, so the program keeps painting
// and the Stop button is heard without a busy loop.
class CabProgressFrm : public QDialog {
    Q_OBJECT
public:
    explicit CabProgressFrm(platform::EventPump& events, QWidget* parent = nullptr);
    ~CabProgressFrm() override;

    // The builder's options: onStart shows the window with the command, onWait counts the
    // seconds, lets the events run and says stop once StopCmd was pressed.
    CabBuilderOptions builderOptions();
    // Whether the user asked the builder to stop.
    bool stopRequested() const { return stopRequested_; }

    void StopCmd_Click();

protected:
    // Esc and the close box ask for a stop too; the window closes when the builder has ended.
    void reject() override;
    // Hidden when the builder has ended: the pointer is no longer busy.
    void hideEvent(QHideEvent* event) override;

private:
    void started(const std::string& command);
    bool waited(std::chrono::seconds seconds);
    void restoreCursor();

    platform::EventPump& events_;
    bool stopRequested_ = false;
    bool cursorSet_ = false;
    QLabel* InfoLbl = nullptr;
    QLabel* CommandLbl = nullptr;
    QLabel* WaitLbl = nullptr;
    QPushButton* StopCmd = nullptr;
};

} // namespace gw::ui

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
class CabProgressDialog : public QDialog {
    Q_OBJECT
public:
    explicit CabProgressDialog(services::EventPump& events, QWidget* parent = nullptr);
    ~CabProgressDialog() override;

    // The builder's options: onStart shows the window with the command, onWait counts the
    // seconds, lets the events run and says stop once a stop was asked for.
    [[nodiscard]] CabBuilderOptions builderOptions();
    // Whether the user asked the builder to stop.
    [[nodiscard]] bool stopRequested() const { return stopRequested_; }

    // What Stop does: the builder is told to stop at its next wait; the button is spent.
    void requestStop();

protected:
    // Esc and the close box ask for a stop too; the window closes when the builder has ended.
    void reject() override;
    // Hidden when the builder has ended: the pointer is no longer busy.
    void hideEvent(QHideEvent* event) override;

private:
    void started(const std::string& command);
    [[nodiscard]] bool waited(std::chrono::seconds seconds);
    void restoreCursor();

    services::EventPump& events_;
    bool stopRequested_ = false;
    bool cursorSet_ = false;
    QLabel* stateLabel_ = nullptr;
    QLabel* commandLabel_ = nullptr;
    QLabel* waitedLabel_ = nullptr;
    QPushButton* stopButton_ = nullptr;
};

} // namespace gw::ui

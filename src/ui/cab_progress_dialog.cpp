#include "ui/cab_progress_dialog.h"

#include "platform/qt_text.h"
#include "ui/named_widgets.h"
#include "ui/object_names.h"
#include "ui/screen_fit.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace gw::ui {

namespace {

namespace name = object_names::cab_progress;

QString WaitedText(long long seconds) {
    return QStringLiteral("Waited: %1 s").arg(seconds);
}

} // namespace

CabProgressDialog::CabProgressDialog(services::EventPump& events, QWidget* parent)
    : QDialog(parent), events_(events) {
    setObjectName(name::kWindow);
    setWindowTitle(QLatin1String(services::kAppTitle));
    setWindowModality(Qt::ApplicationModal);
    stateLabel_ = Named<QLabel>(name::kWhatIsDone, QStringLiteral("Building the cabinets…"));
    commandLabel_ = Named<QLabel>(name::kCommand);
    commandLabel_->setWordWrap(true);
    commandLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    waitedLabel_ = Named<QLabel>(name::kWaited, WaitedText(0));
    stopButton_ = Named<QPushButton>(name::kStopButton, QStringLiteral("&Stop"));
    stopButton_->setToolTip(QStringLiteral("End the cab builder and everything it started"));
    connect(stopButton_, &QPushButton::clicked, this, [this] { requestStop(); });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(waitedLabel_, 1);
    buttons->addWidget(stopButton_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(stateLabel_);
    layout->addWidget(commandLabel_);
    layout->addLayout(buttons);
    resize(420, sizeHint().height());
}

CabProgressDialog::~CabProgressDialog() {
    restoreCursor();
}

void CabProgressDialog::restoreCursor() {
    if (cursorSet_) {
        QApplication::restoreOverrideCursor();
        cursorSet_ = false;
    }
}

void CabProgressDialog::hideEvent(QHideEvent* event) {
    restoreCursor();
    QDialog::hideEvent(event);
}

CabBuilderOptions CabProgressDialog::builderOptions() {
    CabBuilderOptions options;
    options.OnStart = [this](const std::string& command) { started(command); };
    options.OnWait = [this](std::chrono::seconds seconds) { return waited(seconds); };
    return options;
}

void CabProgressDialog::started(const std::string& command) {
    commandLabel_->setText(ToQString(command));
    // As tall as the wrapped command needs at the window's width.
    setMinimumWidth(480);
    adjustSize();
    FitToScreen(*this);
    show();
    // The busy pointer that still points: the Stop button stays a thing to click.
    if (!cursorSet_) {
        QApplication::setOverrideCursor(Qt::BusyCursor);
        cursorSet_ = true;
    }
    events_.processEvents(); // painted before the builder starts
}

bool CabProgressDialog::waited(std::chrono::seconds seconds) {
    waitedLabel_->setText(WaitedText(seconds.count()));
    events_.processEvents();
    return !stopRequested_;
}

void CabProgressDialog::requestStop() {
    stopRequested_ = true;
    stopButton_->setEnabled(false);
    stateLabel_->setText(QStringLiteral("Stopping the cab builder…"));
}

void CabProgressDialog::reject() {
    requestStop();
}

} // namespace gw::ui

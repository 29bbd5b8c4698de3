#include "ui/cab_progress_window.h"

#include "platform/qt_text.h"
#include "ui/named_widgets.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace gw::ui {

namespace {

QString waitedText(long long seconds) {
    return QStringLiteral("Waited: %1 s").arg(seconds);
}

} // namespace

CabProgressFrm::CabProgressFrm(platform::EventPump& events, QWidget* parent)
    : QDialog(parent), events_(events) {
    setObjectName(QStringLiteral("CabProgressFrm"));
    setWindowTitle(QLatin1String(platform::kAppTitle));
    setWindowModality(Qt::ApplicationModal);
    InfoLbl = namedLabel(QStringLiteral("InfoLbl"), QStringLiteral("Building the cabinets…"));
    CommandLbl = namedLabel(QStringLiteral("CommandLbl"));
    CommandLbl->setWordWrap(true);
    CommandLbl->setTextInteractionFlags(Qt::TextSelectableByMouse);
    WaitLbl = namedLabel(QStringLiteral("WaitLbl"), waitedText(0));
    StopCmd = new QPushButton(QStringLiteral("&Stop"));
    StopCmd->setObjectName(QStringLiteral("StopCmd"));
    StopCmd->setToolTip(QStringLiteral("End the cab builder and everything it started"));
    connect(StopCmd, &QPushButton::clicked, this, [this] { StopCmd_Click(); });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(WaitLbl, 1);
    buttons->addWidget(StopCmd);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(InfoLbl);
    layout->addWidget(CommandLbl);
    layout->addLayout(buttons);
    resize(420, sizeHint().height());
}

CabProgressFrm::~CabProgressFrm() {
    restoreCursor();
}

void CabProgressFrm::restoreCursor() {
    if (cursorSet_) {
        QApplication::restoreOverrideCursor();
        cursorSet_ = false;
    }
}

void CabProgressFrm::hideEvent(QHideEvent* event) {
    restoreCursor();
    QDialog::hideEvent(event);
}

CabBuilderOptions CabProgressFrm::builderOptions() {
    CabBuilderOptions options;
    options.OnStart = [this](const std::string& command) { started(command); };
    options.OnWait = [this](std::chrono::seconds seconds) { return waited(seconds); };
    return options;
}

void CabProgressFrm::started(const std::string& command) {
    CommandLbl->setText(qs(command));
    // As tall as the wrapped command needs at the window's width.
    setMinimumWidth(480);
    adjustSize();
    show();
    // The busy pointer that still points: the Stop button stays a thing to click.
    if (!cursorSet_) {
        QApplication::setOverrideCursor(Qt::BusyCursor);
        cursorSet_ = true;
    }
    events_.processEvents(); // painted before the builder starts
}

bool CabProgressFrm::waited(std::chrono::seconds seconds) {
    WaitLbl->setText(waitedText(seconds.count()));
    events_.processEvents();
    return !stopRequested_;
}

void CabProgressFrm::StopCmd_Click() {
    stopRequested_ = true;
    StopCmd->setEnabled(false);
    InfoLbl->setText(QStringLiteral("Stopping the cab builder…"));
}

void CabProgressFrm::reject() {
    StopCmd_Click();
}

} // namespace gw::ui

#include "ui/extension_dialog.h"

#include "platform/qt_text.h"
#include "setup/extension.h"
#include "ui/named_widgets.h"
#include "ui/object_names.h"
#include "ui/screen_fit.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QValidator>
#include <chrono>

namespace gw::ui {

namespace {

namespace name = object_names::extension_dialog;

// Turns every character typed into its capital form; none is refused here.
class CapitalsValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& /*pos*/) const override {
        input = input.toUpper();
        return Acceptable;
    }
};

std::mt19937 ClockSeeded() {
    const auto ticks = std::chrono::high_resolution_clock::now().time_since_epoch().count();
    return std::mt19937(static_cast<std::mt19937::result_type>(ticks));
}

} // namespace

ExtensionDialog::ExtensionDialog(const WindowServices& services, QWidget* parent)
    : QDialog(parent), services_(services), generator_(ClockSeeded()) {
    setObjectName(name::kWindow);
    setWindowTitle(QStringLiteral("Extension"));

    auto* label = Named<QLabel>(
        name::kExplanation,
        QStringLiteral("A new extension to replace the default .vb has been randomly generated. "
                       "If you want to supply your own, please select that option and enter "
                       "the new value."));
    label->setWordWrap(true);
    randomOption_ = Named<QRadioButton>(name::kRandomOption, QStringLiteral("&Random"));
    typedOption_ = Named<QRadioButton>(name::kTypedOption, QStringLiteral("&User supplied"));
    extensionBox_ = Named<QLineEdit>(name::kExtensionBox);
    extensionBox_->setValidator(new CapitalsValidator(extensionBox_));
    extensionBox_->installEventFilter(this);
    auto* continueButton = Named<QPushButton>(name::kContinueButton, QStringLiteral("&Continue"));
    continueButton->setDefault(true);

    connect(randomOption_, &QRadioButton::toggled, this, [this](bool on) {
        if (on) {
            offerRandomExtension();
        }
    });
    connect(typedOption_, &QRadioButton::toggled, this, [this](bool on) {
        if (on) {
            letUserType();
        }
    });
    connect(continueButton, &QPushButton::clicked, this, [this] { acceptTypedExtension(); });

    auto* options = new QVBoxLayout;
    options->addWidget(randomOption_);
    options->addWidget(typedOption_);
    auto* choice = new QHBoxLayout;
    choice->addLayout(options);
    choice->addWidget(extensionBox_, 0, Qt::AlignBottom);
    choice->addStretch();
    choice->addWidget(continueButton, 0, Qt::AlignBottom);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addLayout(choice);
    setTabOrder(randomOption_, typedOption_);
    setTabOrder(typedOption_, extensionBox_);
    setTabOrder(extensionBox_, continueButton);
    resize(285, 155);
    FitToScreen(*this);

    randomOption_->setChecked(true); // a random extension is offered at once
}

void ExtensionDialog::offerRandomExtension() {
    extensionBox_->setEnabled(false);
    extension_ = RandomExtension(generator_);
    extensionBox_->setText(ToQString(extension_).toUpper());
}

void ExtensionDialog::letUserType() {
    extensionBox_->setEnabled(true);
    extensionBox_->setFocus(Qt::OtherFocusReason);
}

bool ExtensionDialog::eventFilter(QObject* watched, QEvent* event) {
    // A text box that gets the focus has its whole text selected, so typing replaces it. The
    // selection waits until the box has handled the focus itself.
    if (watched == extensionBox_ && event->type() == QEvent::FocusIn) {
        QTimer::singleShot(0, extensionBox_, [box = extensionBox_] { box->selectAll(); });
    }
    return QDialog::eventFilter(watched, event);
}

void ExtensionDialog::acceptTypedExtension() {
    const std::string typed = extensionBox_->text().toStdString();
    // The extension ends up in file names and INF registry lines; one that cannot is refused
    // here, while the user can still change it.
    if (const auto problem = ExtensionProblem(typed)) {
        services_.messages.show({*problem, "Extension", MessageIcon::Exclamation});
        typedOption_->setChecked(true);
        extensionBox_->setFocus(Qt::OtherFocusReason);
        return;
    }
    extension_ = LowerExtension(typed);
    accept();
}

} // namespace gw::ui

#include "ui/extension_window.h"

#include "platform/qt_text.h"
#include "setup/extension.h"

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

// Turns every character typed into its capital form; none is refused here.
class CapitalsValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& /*pos*/) const override {
        input = input.toUpper();
        return Acceptable;
    }
};

std::mt19937 clockSeeded() {
    const auto ticks = std::chrono::high_resolution_clock::now().time_since_epoch().count();
    return std::mt19937(static_cast<std::mt19937::result_type>(ticks));
}

} // namespace

ExtensionFrm::ExtensionFrm(const WindowServices& services, std::string& newExtension,
                           QWidget* parent)
    : QDialog(parent), services_(services), newExtension_(newExtension), generator_(clockSeeded()) {
    setObjectName(QStringLiteral("ExtensionFrm"));
    setWindowTitle(QStringLiteral("Extension"));

    auto* label = new QLabel(
        QStringLiteral("A new extension to replace the default .vb has been randomly generated. "
                       "If you want to supply your own, please select that option and enter "
                       "the new value."));
    label->setObjectName(QStringLiteral("Label1"));
    label->setWordWrap(true);
    RandomOpt = new QRadioButton(QStringLiteral("&Random"));
    RandomOpt->setObjectName(QStringLiteral("RandomOpt"));
    UserOpt = new QRadioButton(QStringLiteral("&User supplied"));
    UserOpt->setObjectName(QStringLiteral("UserOpt"));
    ExtTxt = new QLineEdit;
    ExtTxt->setObjectName(QStringLiteral("ExtTxt"));
    ExtTxt->setValidator(new CapitalsValidator(ExtTxt));
    ExtTxt->installEventFilter(this);
    auto* Command1 = new QPushButton(QStringLiteral("&Continue"));
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setDefault(true);

    connect(RandomOpt, &QRadioButton::toggled, this, [this](bool on) {
        if (on) {
            RandomOpt_Click();
        }
    });
    connect(UserOpt, &QRadioButton::toggled, this, [this](bool on) {
        if (on) {
            UserOpt_Click();
        }
    });
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });

    auto* options = new QVBoxLayout;
    options->addWidget(RandomOpt);
    options->addWidget(UserOpt);
    auto* choice = new QHBoxLayout;
    choice->addLayout(options);
    choice->addWidget(ExtTxt, 0, Qt::AlignBottom);
    choice->addStretch();
    choice->addWidget(Command1, 0, Qt::AlignBottom);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addLayout(choice);
    setTabOrder(RandomOpt, UserOpt);
    setTabOrder(UserOpt, ExtTxt);
    setTabOrder(ExtTxt, Command1);
    resize(285, 155);

    RandomOpt->setChecked(true); // Form_Load: a random extension is offered at once
}

void ExtensionFrm::RandomOpt_Click() {
    ExtTxt->setEnabled(false);
    newExtension_ = RandomExtension(generator_);
    ExtTxt->setText(qs(newExtension_).toUpper());
}

void ExtensionFrm::UserOpt_Click() {
    ExtTxt->setEnabled(true);
    ExtTxt->setFocus(Qt::OtherFocusReason);
}

bool ExtensionFrm::eventFilter(QObject* watched, QEvent* event) {
    // A text box that gets the focus has its whole text selected, so typing replaces it. The
    // selection waits until the box has handled the focus itself.
    if (watched == ExtTxt && event->type() == QEvent::FocusIn) {
        QTimer::singleShot(0, ExtTxt, [box = ExtTxt] { box->selectAll(); });
    }
    return QDialog::eventFilter(watched, event);
}

void ExtensionFrm::Command1_Click() {
    const std::string typed = ExtTxt->text().toStdString();
    // The extension ends up in file names and INF registry lines; one that cannot is refused
    // here, while the user can still change it.
    if (const auto problem = ExtensionProblem(typed)) {
        services_.messages.show({*problem, "Extension", platform::MessageIcon::Exclamation});
        UserOpt->setChecked(true);
        ExtTxt->setFocus(Qt::OtherFocusReason);
        return;
    }
    newExtension_ = LowerExtension(typed);
    accept();
}

} // namespace gw::ui

#include "ui/setup_notice_dialog.h"

#include "ui/named_widgets.h"
#include "ui/object_names.h"
#include "ui/screen_fit.h"
#include "ui/site_label.h"
#include "ui/ui_settings.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <array>
#include <utility>

namespace gw::ui {

namespace {

namespace name = object_names::setup_notice;

// The texts by their index in the control array, in the order they are shown; the maker's
// address follows the first.
constexpr std::array<std::pair<int, const char*>, 8> kTexts = {{
    {0, "One of the drawbacks of the VB6.0 CE Toolkit is the impossibility of assigning a "
        "different Icon to each application. This Option addresses the problem by assigning a "
        "specific Icon DLL to every application installed. This Icon DLL may also include "
        "several other Icons to be used on other instances of the application. For more "
        "information, please read the Help File or access our site at:"},
    {6, "If you continue, the following actions will take place:"},
    {1, "1 - You will be asked to supply the Setup Directory previously used by the VBCE "
        "\"Application Install Wizard\" and the name of Icon DLL file to create. An emulation "
        "version of the DLL (x86) will be left on this directory. The customized versions of the "
        "DLL for each Target System will be left in separate subdirectories."},
    {3, "2 - The original extension of your executable (.vb) will be replaced by some other. You "
        "might accept a randomly generated extension or provide your own one. On the WinCE "
        "device, registry settings will assign the first Icon of the new Icon DLL to this "
        "extension."},
    {4, "3 - The original (built by the VBCE \"Application Install Wizard\") .INF file will be "
        "backed up and will never change. This permits several Icon DLL's buildings with only "
        "one VBCE \"Application Install Wizard\" execution."},
    {5, "4 - A new .INF file will be built which will include all the new settings."},
    {2, "5 - The VBCE \"Application Install Wizard\" leaves a \"README.TXT\" file on the Setup "
        "Directory, which provides the command to use on following .CAB builds. After building "
        "the new .CAB files, they will be moved to the CD1 subdirectory, replacing all previous "
        "versions of those files."},
    {7, "6 - Everything needed to install the application will be left on the CD1 "
        "subdirectory."},
}};

} // namespace

SetupNoticeDialog::SetupNoticeDialog(const WindowServices& services, QWidget* parent)
    : QDialog(parent), services_(services) {
    setObjectName(name::kWindow);
    setWindowTitle(QStringLiteral("NOTICE:"));

    auto* layout = new QVBoxLayout(this);
    for (const auto& [index, text] : kTexts) {
        QString shown = QString::fromUtf8(text);
        // Without a web address the first text ends at the Help File.
        if (index == 0 && services_.homePage.empty()) {
            shown.replace(QStringLiteral(" or access our site at:"), QStringLiteral("."));
        }
        auto* label = Named<QLabel>(ArrayName(name::kTexts, index), shown);
        label->setWordWrap(true);
        layout->addWidget(label);
        if (index == 0 && !services_.homePage.empty()) {
            layout->addWidget(new SiteLabel(services_.shell, services_.homePage), 0,
                              Qt::AlignHCenter);
        }
        if (index == 0) {
            layout->addSpacing(8);
        }
    }
    layout->addStretch();

    dontShowAgainBox_ = Named<QCheckBox>(name::kDontShowAgainBox,
                                         QStringLiteral("&Do not show this message again"));
    auto* continueButton = Named<QPushButton>(name::kContinueButton, QStringLiteral("&Continue"));
    continueButton->setDefault(true);
    connect(continueButton, &QPushButton::clicked, this, [this] { storeChoiceAndClose(); });
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(dontShowAgainBox_);
    buttons->addStretch();
    buttons->addWidget(continueButton);
    layout->addLayout(buttons);
    // Wide enough for the texts to read well; tall enough for every wrapped line.
    setMinimumWidth(540);
    const int height = layout->totalHeightForWidth(540);
    resize(540, height > 0 ? height : sizeHint().height());
    FitToScreen(*this);

    dontShowAgainBox_->setChecked(SetupNoticeTurnedOff(services_.settings)); // as stored
}

void SetupNoticeDialog::storeChoiceAndClose() {
    // A choice that cannot be stored is told; the notice has done its work all the same.
    services_.runOrShowFailure([this] {
        services_.settings.save(kOptions, key::kDontShowSetupNote,
                                BoolText(dontShowAgainBox_->isChecked()));
    });
    accept();
}

} // namespace gw::ui

#include "ui/about_window.h"

#include "ui/named_widgets.h"
#include "ui/site_label.h"

#include <QApplication>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QVersionNumber>

namespace gw::ui {

QString VersionText(const QString& version) {
    const QVersionNumber number = QVersionNumber::fromString(version);
    return QStringLiteral("Version: %1.%2.%3")
        .arg(number.majorVersion())
        .arg(number.minorVersion())
        .arg(number.microVersion());
}

frmAbout::frmAbout(platform::ShellOpen& shell, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About..."));

    auto* picIcon = namedLabel(QStringLiteral("picIcon"));
    picIcon->setPixmap(QApplication::windowIcon().pixmap(QSize(32, 32)));
    picIcon->setFixedSize(40, 40);
    picIcon->setAlignment(Qt::AlignCenter);

    auto* lblTitle = namedLabel(QStringLiteral("lblTitle"));
    QFont titleFont = lblTitle->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.4);
    lblTitle->setFont(titleFont);
    auto* lblVersion = namedLabel(QStringLiteral("lblVersion"));

    auto* disclaimer0 = namedLabel(QStringLiteral("lblDisclaimer_0"),
                                   QStringLiteral("To Build Icon Resource Only DLL's for the "
                                                  "\"Windows CE Toolkit for Visual Basic 6.0\""));
    disclaimer0->setWordWrap(true);
    auto* disclaimer1 =
        namedLabel(QStringLiteral("lblDisclaimer_1"),
                   QStringLiteral("For more information and new versions, please visit:"));
    auto* site = new SiteLabel(shell);

    // The maker's logo, in two parts.
    QFont logoFont(QStringLiteral("Times New Roman"));
    logoFont.setPointSize(18);
    logoFont.setItalic(true);
    auto* logo0 = namedLabel(QStringLiteral("Clbl_0"), QStringLiteral("Glyph"));
    auto* logo1 = namedLabel(QStringLiteral("Clbl_1"), QStringLiteral("wright"));
    logoFont.setBold(true);
    logo0->setFont(logoFont);
    logoFont.setBold(false);
    logo1->setFont(logoFont);

    auto* cmdOK = new QPushButton(QStringLiteral("&OK"));
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true); // Enter; Esc rejects the dialog, which closes it the same way
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });

    auto* heading = new QVBoxLayout;
    heading->addWidget(lblTitle);
    heading->addWidget(lblVersion);
    auto* top = new QHBoxLayout;
    top->addWidget(picIcon, 0, Qt::AlignTop);
    top->addLayout(heading, 1);

    auto* logo = new QHBoxLayout;
    logo->setSpacing(0);
    logo->addWidget(logo0);
    logo->addWidget(logo1);
    logo->addStretch();
    auto* bottom = new QHBoxLayout;
    bottom->addLayout(logo, 1);
    bottom->addWidget(cmdOK, 0, Qt::AlignBottom);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(separatorLine(QStringLiteral("Line1")));
    layout->addWidget(disclaimer0);
    layout->addWidget(disclaimer1);
    layout->addWidget(site);
    layout->addWidget(separatorLine(QStringLiteral("Cline")));
    layout->addLayout(bottom);
    setFixedWidth(sizeHint().width() + 40);

    Form_Load();
}

void frmAbout::Form_Load() {
    findChild<QLabel*>(QStringLiteral("lblVersion"))
        ->setText(VersionText(QCoreApplication::applicationVersion()));
    findChild<QLabel*>(QStringLiteral("lblTitle"))->setText(QLatin1String(platform::kAppTitle));
}

void frmAbout::cmdOK_Click() {
    accept();
}

} // namespace gw::ui

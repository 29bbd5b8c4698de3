#include "ui/about_dialog.h"

#include "ui/named_widgets.h"
#include "ui/object_names.h"
#include "ui/screen_fit.h"
#include "ui/site_label.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QVersionNumber>

namespace gw::ui {

namespace name = object_names::about_dialog;

QString VersionText(const QString& version) {
    const QVersionNumber number = QVersionNumber::fromString(version);
    return QStringLiteral("Version: %1.%2.%3")
        .arg(number.majorVersion())
        .arg(number.minorVersion())
        .arg(number.microVersion());
}

AboutDialog::AboutDialog(services::ShellOpen& shell, const std::string& homePage, QWidget* parent)
    : QDialog(parent) {
    setObjectName(name::kWindow);
    setWindowTitle(QStringLiteral("About..."));

    auto* picture = Named<QLabel>(name::kPicture);
    picture->setPixmap(QApplication::windowIcon().pixmap(QSize(32, 32)));
    picture->setFixedSize(40, 40);
    picture->setAlignment(Qt::AlignCenter);

    auto* title = Named<QLabel>(name::kTitle);
    QFont titleFont = title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.4);
    title->setFont(titleFont);
    auto* version = Named<QLabel>(name::kVersion);

    auto* purpose = Named<QLabel>(ArrayName(name::kDisclaimers, 0),
                                  QStringLiteral("To Build Icon Resource Only DLL's for the "
                                                 "\"Windows CE Toolkit for Visual Basic 6.0\""));
    purpose->setWordWrap(true);

    // The maker's logo, in two parts.
    QFont logoFont(QStringLiteral("Times New Roman"));
    logoFont.setPointSize(18);
    logoFont.setItalic(true);
    auto* logoStart = Named<QLabel>(ArrayName(name::kLogoParts, 0), QStringLiteral("Glyph"));
    auto* logoEnd = Named<QLabel>(ArrayName(name::kLogoParts, 1), QStringLiteral("wright"));
    logoFont.setBold(true);
    logoStart->setFont(logoFont);
    logoFont.setBold(false);
    logoEnd->setFont(logoFont);

    auto* ok = Named<QPushButton>(name::kOkButton, QStringLiteral("&OK"));
    ok->setDefault(true); // Enter; Esc rejects the dialog, which closes it the same way
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* heading = new QVBoxLayout;
    heading->addWidget(title);
    heading->addWidget(version);
    auto* top = new QHBoxLayout;
    top->addWidget(picture, 0, Qt::AlignTop);
    top->addLayout(heading, 1);

    auto* logo = new QHBoxLayout;
    logo->setSpacing(0);
    logo->addWidget(logoStart);
    logo->addWidget(logoEnd);
    logo->addStretch();
    auto* bottom = new QHBoxLayout;
    bottom->addLayout(logo, 1);
    bottom->addWidget(ok, 0, Qt::AlignBottom);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(SeparatorLine(name::kUpperLine));
    layout->addWidget(purpose);
    if (!homePage.empty()) {
        layout->addWidget(
            Named<QLabel>(ArrayName(name::kDisclaimers, 1),
                          QStringLiteral("For more information and new versions, please visit:")));
        layout->addWidget(new SiteLabel(shell, homePage));
    }
    layout->addWidget(SeparatorLine(name::kLowerLine));
    layout->addLayout(bottom);
    setFixedWidth(sizeHint().width() + 40);
    FitToScreen(*this);

    // Filled in once the width is set by the fixed texts, so that the box keeps its width.
    title->setText(QLatin1String(services::kAppTitle));
    version->setText(VersionText(QCoreApplication::applicationVersion()));
}

} // namespace gw::ui

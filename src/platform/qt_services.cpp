#include "platform/qt_services.h"

#include "common/error.h"
#include "platform/qt_text.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QProcess>
#include <QSettings>
#include <QSpacerItem>
#include <QUrl>

namespace gw::platform {

using services::FileDialogRequest;
using services::Message;
using services::MessageAnswer;
using services::MessageButtons;
using services::MessageIcon;

namespace {

// The window a dialog belongs to: the modal one on top, else the active one.
QWidget* DialogOwner() {
    if (QWidget* modal = QApplication::activeModalWidget()) {
        return modal;
    }
    return QApplication::activeWindow();
}

QMessageBox::Icon BoxIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Critical:
        return QMessageBox::Critical;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::Exclamation:
        return QMessageBox::Warning;
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

struct BoxButton {
    QMessageBox::StandardButton button;
    MessageAnswer answer;
};

std::vector<BoxButton> BoxButtons(MessageButtons buttons) {
    switch (buttons) {
    case MessageButtons::Ok:
        return {{QMessageBox::Ok, MessageAnswer::Ok}};
    case MessageButtons::OkCancel:
        return {{QMessageBox::Ok, MessageAnswer::Ok}, {QMessageBox::Cancel, MessageAnswer::Cancel}};
    case MessageButtons::YesNo:
        return {{QMessageBox::Yes, MessageAnswer::Yes}, {QMessageBox::No, MessageAnswer::No}};
    case MessageButtons::YesNoCancel:
        return {{QMessageBox::Yes, MessageAnswer::Yes},
                {QMessageBox::No, MessageAnswer::No},
                {QMessageBox::Cancel, MessageAnswer::Cancel}};
    }
    return {{QMessageBox::Ok, MessageAnswer::Ok}};
}

bool IsPattern(const std::string& name) {
    return name.find_first_of("*?") != std::string::npos;
}

std::vector<std::string> RunFileDialog(const FileDialogRequest& request, bool save) {
    QFileDialog dialog(DialogOwner(), ToQString(request.title), ToQString(request.initialDirectory),
                       ToQString(request.filter));
    dialog.setDefaultSuffix(ToQString(request.defaultExtension));
    if (save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.overwritePrompt);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(request.allowMultiple ? QFileDialog::ExistingFiles
                                                 : QFileDialog::ExistingFile);
    }
    if (!request.initialName.empty() && !IsPattern(request.initialName)) {
        dialog.selectFile(ToQString(request.initialName));
    }
    std::vector<std::string> chosen;
    if (dialog.exec() != QDialog::Accepted) {
        return chosen;
    }
    for (const QString& file : dialog.selectedFiles()) {
        chosen.push_back(QDir::toNativeSeparators(file).toStdString());
    }
    return chosen;
}

// Whether the desktop names a program that opens files of this one's type. Windows answers that
// in the shell call itself; elsewhere xdg-mime is asked, because the desktop launcher reports
// success as soon as it starts, even when it finds nothing to open the file with. Without
// xdg-mime there is no way to tell, and the file is handed on.
bool HasAssociatedProgram([[maybe_unused]] const QString& file) {
#ifdef Q_OS_WIN
    return true;
#else
    const QString type = QMimeDatabase().mimeTypeForFile(file).name();
    QProcess query;
    query.start(QStringLiteral("xdg-mime"),
                {QStringLiteral("query"), QStringLiteral("default"), type});
    if (!query.waitForStarted(5000)) {
        return true;
    }
    if (!query.waitForFinished(10000) || query.exitStatus() != QProcess::NormalExit) {
        query.kill();
        query.waitForFinished(1000);
        return true;
    }
    return !query.readAllStandardOutput().trimmed().isEmpty();
#endif
}

} // namespace

QtSettingsStore::QtSettingsStore()
#ifdef Q_OS_WIN
    : settings_(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                            QStringLiteral("VB and VBA Program Settings"),
                                            QStringLiteral("Glyphwright")))
#else
    : settings_(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                            QStringLiteral("Glyphwright"),
                                            QStringLiteral("Glyphwright")))
#endif
{
}

QtSettingsStore::QtSettingsStore(const std::string& iniFile)
    : settings_(std::make_unique<QSettings>(ToQString(iniFile), QSettings::IniFormat)) {}

QtSettingsStore::~QtSettingsStore() = default;

std::string QtSettingsStore::get(const std::string& section, const std::string& key,
                                 const std::string& fallback) const {
    const QVariant value = settings_->value(ToQString(section + "/" + key));
    if (!value.isValid()) {
        return fallback;
    }
    // An INI file edited by hand may hold an unquoted list ("a, b"); it is text all the same.
    if (value.typeId() == QMetaType::QStringList) {
        return value.toStringList().join(QStringLiteral(", ")).toStdString();
    }
    return value.toString().toStdString();
}

void QtSettingsStore::save(const std::string& section, const std::string& key,
                           const std::string& value) {
    settings_->setValue(ToQString(section + "/" + key), ToQString(value));
    settings_->sync();
    if (settings_->status() != QSettings::NoError) {
        throw Error(location(), section + "/" + key, "the setting cannot be written");
    }
}

std::string QtSettingsStore::location() const {
    return QDir::toNativeSeparators(settings_->fileName()).toStdString();
}

MessageAnswer QtMessages::show(const Message& message) {
    QString text = ToQString(message.text);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(BoxIcon(message.icon),
                    ToQString(message.title.empty() ? services::kAppTitle : message.title), text,
                    QMessageBox::NoButton, DialogOwner());
    const std::vector<BoxButton> buttons = BoxButtons(message.buttons);
    for (const BoxButton& b : buttons) {
        box.addButton(b.button);
    }
    if (message.defaultButton >= 0 &&
        static_cast<std::size_t>(message.defaultButton) < buttons.size()) {
        box.setDefaultButton(buttons[static_cast<std::size_t>(message.defaultButton)].button);
    }
    // The box is as wide as its text needs, which can cut its caption short ("Glyph… Tool"):
    // it is made wide enough for the caption and the frame's buttons too.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()); grid != nullptr) {
        constexpr int kFrameButtonsWidth = 120;
        const int width =
            box.fontMetrics().horizontalAdvance(box.windowTitle()) + kFrameButtonsWidth;
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
    // Esc answers Cancel where there is one, No for a question without it, else Ok.
    box.setEscapeButton(buttons.size() == 2 ? buttons[1].button : buttons.back().button);
    const auto clicked = static_cast<QMessageBox::StandardButton>(box.exec());
    for (const BoxButton& b : buttons) {
        if (b.button == clicked) {
            return b.answer;
        }
    }
    return buttons.back().answer;
}

std::vector<std::string> QtFileDialogs::openFiles(const FileDialogRequest& request) {
    std::vector<std::string> chosen = RunFileDialog(request, false);
    if (!request.allowMultiple && chosen.size() > 1) {
        chosen.resize(1);
    }
    return chosen;
}

std::optional<std::string> QtFileDialogs::saveFile(const FileDialogRequest& request) {
    std::vector<std::string> chosen = RunFileDialog(request, true);
    if (chosen.empty()) {
        return std::nullopt;
    }
    return chosen.front();
}

bool QtShell::open(const std::string& documentOrAddress) {
    const QString text = ToQString(documentOrAddress);
    QUrl url;
    const QString fileScheme = QStringLiteral("file://");
    if (text.startsWith(fileScheme, Qt::CaseInsensitive)) {
        url = QUrl::fromLocalFile(QDir::fromNativeSeparators(text.mid(fileScheme.size())));
    } else if (const QUrl address(text); address.scheme().size() > 1) {
        url = address; // http:, mailto: ... (a single letter is a Windows drive)
    } else {
        url = QUrl::fromLocalFile(QDir::fromNativeSeparators(text));
    }
#ifndef Q_OS_WIN
    // Web pages go to the user's $BROWSER when one is set: the first of its commands that
    // starts, the address in place of %s or after the command.
    const QString browsers = qEnvironmentVariable("BROWSER");
    const bool page = !url.isLocalFile() ||
                      url.toLocalFile().endsWith(QStringLiteral(".htm"), Qt::CaseInsensitive) ||
                      url.toLocalFile().endsWith(QStringLiteral(".html"), Qt::CaseInsensitive);
    if (page && !browsers.isEmpty()) {
        for (const QString& command : browsers.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
            QStringList words = QProcess::splitCommand(command);
            if (words.isEmpty()) {
                continue;
            }
            bool placed = false;
            for (QString& word : words) {
                placed = placed || word.contains(QStringLiteral("%s"));
                word.replace(QStringLiteral("%s"), url.toString());
            }
            if (!placed) {
                words.append(url.toString());
            }
            const QString program = words.takeFirst();
            if (QProcess::startDetached(program, words)) {
                return true;
            }
        }
    }
#endif
    if (url.isLocalFile() && !HasAssociatedProgram(url.toLocalFile())) {
        return false;
    }
    return QDesktopServices::openUrl(url);
}

void QtEventPump::processEvents() {
    QCoreApplication::processEvents();
}

} // namespace gw::platform

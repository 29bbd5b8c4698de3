#include "ui/image_remover_window.h"

#include "common/error.h"
#include "common/file_io.h"
#include "common/paths.h"
#include "icons/icon_writer.h"
#include "platform/qt_text.h"
#include "ui/about_dialog.h"
#include "ui/help.h"
#include "ui/icon_dialogs.h"
#include "ui/icon_preview.h"
#include "ui/named_widgets.h"
#include "ui/object_names.h"
#include "ui/screen_fit.h"
#include "ui/ui_settings.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPixmap>
#include <QTimer>
#include <QVBoxLayout>

namespace gw::ui {

namespace {

namespace name = object_names::image_remover;

constexpr int kPreviewSize = 64;
// The titles of the messages of the two save commands.
constexpr const char* kSaveTitle = "Save...";
constexpr const char* kSaveAsTitle = "Save As...";

} // namespace

ImageRemoverWindow::ImageRemoverWindow(const WindowServices& services, QWidget* parent)
    : QDialog(parent), services_(services) {
    setObjectName(name::kWindow);
    setWindowTitle(QStringLiteral("Remove Images"));

    filePath_ = Named<QLabel>(name::kFilePath);
    QFont bold = filePath_->font();
    bold.setBold(true);
    filePath_->setFont(bold);
    filePath_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    fileName_ = Named<QLabel>(name::kFileName);
    imageList_ = Named<QListWidget>(name::kImageList);
    imageList_->setToolTip(QStringLiteral("Checked images are kept when the file is saved"));
    connect(imageList_, &QListWidget::currentRowChanged, this, [this] { showCurrentImage(); });
    preview_ = PictureBox(name::kPreview, QStringLiteral("The selected image"), kPreviewSize + 8);

    auto* fileGrid = new QGridLayout;
    fileGrid->addWidget(Named<QLabel>(ArrayName(name::kCaptions, 0), QStringLiteral("Icon File:")),
                        0, 0);
    fileGrid->addWidget(fileName_, 0, 1);
    fileGrid->addWidget(filePath_, 1, 0, 1, 2);
    fileGrid->setColumnStretch(1, 1);

    auto* listRow = new QHBoxLayout;
    listRow->addWidget(imageList_, 1);
    listRow->addWidget(preview_, 0, Qt::AlignTop);

    auto* layout = new QVBoxLayout(this);
    createMenus(layout);
    layout->addLayout(fileGrid);
    layout->addWidget(SeparatorLine(ArrayName(name::kLines, 0)));
    layout->addWidget(Named<QLabel>(ArrayName(name::kCaptions, 1), QStringLiteral("Images:")));
    layout->addLayout(listRow, 1);
    layout->addWidget(SeparatorLine(ArrayName(name::kLines, 1)));
    resize(420, 320);
    FitToScreen(*this);
}

void ImageRemoverWindow::createMenus(QVBoxLayout* layout) {
    auto* bar = new QMenuBar;
    layout->setMenuBar(bar);
    const auto item = [this](QMenu* menu, const char* objectName, const char* text, auto handler) {
        AddNamedItem(menu, objectName, text, this, handler);
    };
    QMenu* file = AddNamedMenu(bar, name::kFileMenu, "&File");
    item(file, name::kOpenItem, "&Load", [this] { openIconFile(); });
    item(file, name::kSaveItem, "&Save", [this] { save(); });
    item(file, name::kSaveAsItem, "Save &As", [this] { saveAs(); });
    file->addSeparator()->setObjectName(name::kFileSeparator);
    item(file, name::kExitItem, "E&xit", [this] { close(); });
    QMenu* help = AddNamedMenu(bar, name::kHelpMenu, "&Help");
    item(help, name::kHelpItem, "&Help", [this] { showHelp(); });
    help->addSeparator()->setObjectName(name::kHelpSeparator);
    item(help, name::kAboutItem, "&About", [this] { showAbout(); });
}

void ImageRemoverWindow::setFile(const std::string& path) {
    file_ = path;
    filePath_->setText(ToQString(path));
}

void ImageRemoverWindow::run() {
    if (!file_.empty()) {
        loadImages(); // the window opens with the file's images in place
    } else {
        // The open dialog waits until the window is on screen, so that it shows over it.
        QTimer::singleShot(0, this, [this] { loadImages(); });
    }
    exec();
}

void ImageRemoverWindow::loadImages() {
    if (file_.empty()) {
        openIconFile();
        return;
    }
    readFile(file_);
}

bool ImageRemoverWindow::readFile(const std::string& path) {
    // The file goes into fresh arrays; the window's own are replaced only when it has been read.
    StoredIconFile contents;
    const bool read = services_.runOrShowFailure(
        [&] { contents = ReadStoredIcon(PathFromUtf8(path), services_.pumpEvents()); });
    if (!read) {
        return false;
    }
    images_ = std::move(contents.Images);
    setFile(path);
    fileName_->setText(ToQString(GetFileName(path)));

    imageList_->blockSignals(true);
    imageList_->clear();
    for (const StoredIconImage& image : images_) {
        auto* row = new QListWidgetItem(ToQString(ImageRowText(image)), imageList_);
        row->setCheckState(Qt::Checked);
    }
    imageList_->blockSignals(false);
    imageList_->setCurrentRow(images_.empty() ? -1 : 0);
    showCurrentImage();
    return true;
}

void ImageRemoverWindow::showCurrentImage() {
    const int row = imageList_->currentRow();
    QImage picture;
    if (row >= 0 && std::size_t(row) < images_.size()) {
        picture = IconPreview(images_[std::size_t(row)].Bytes);
    }
    if (picture.isNull()) {
        preview_->clear(); // nothing that can be drawn
        return;
    }
    if (picture.width() > kPreviewSize || picture.height() > kPreviewSize) {
        picture = picture.scaled(kPreviewSize, kPreviewSize, Qt::KeepAspectRatio,
                                 Qt::SmoothTransformation);
    }
    preview_->setPixmap(QPixmap::fromImage(picture));
}

void ImageRemoverWindow::openIconFile() {
    for (;;) {
        std::vector<std::string> chosen;
        bool opened = false;
        services_.runOrShowFailure([&] {
            chosen = services_.dialogs.openFiles(
                IconOpenRequest(services_, key::kIconOpen, "Select Icon"));
            if (!chosen.empty() && readFile(chosen.front())) {
                // Remembered only once the file has been read.
                RememberFolder(services_, key::kIconOpen, chosen.front());
                opened = true;
            }
        });
        if (opened) {
            return;
        }
        if (!file_.empty()) {
            // Cancelled or not read: the file shown is read again, every row checked again.
            readFile(file_);
            return;
        }
        if (chosen.empty()) {
            // Cancelled with no file to show: the window has nothing to do and closes.
            close();
            return;
        }
        // A file that could not be read, and none shown yet: the user is asked again.
    }
}

bool ImageRemoverWindow::noImageChecked() const {
    for (int row = 0; row < imageList_->count(); ++row) {
        if (imageList_->item(row)->checkState() == Qt::Checked) {
            return false;
        }
    }
    return true;
}

bool ImageRemoverWindow::writeCheckedImages(const std::string& fileName) {
    std::vector<StoredIconImage> kept;
    for (int row = 0; row < imageList_->count(); ++row) {
        if (imageList_->item(row)->checkState() == Qt::Checked) {
            kept.push_back(images_.at(std::size_t(row)));
        }
    }
    saved_ = false;
    try {
        WriteStoredIcon(PathFromUtf8(fileName), kept, services_.pumpEvents());
        saved_ = true;
    } catch (const Error& e) {
        // A target that may not be written is told in the words users know, then the cause.
        services_.showFailure(e.kind() == ErrorKind::TargetNotWritable
                                  ? "This file is currently locked (open). Use another name.\r\n" +
                                        e.cause()
                                  : std::string(e.what()),
                              kSaveTitle);
    } catch (const std::exception& e) {
        services_.showFailure(e.what(), kSaveTitle);
    }
    return saved_;
}

void ImageRemoverWindow::save() {
    if (noImageChecked()) {
        services_.showFailure("No images selected!", kSaveTitle);
        return;
    }
    const MessageAnswer answer = services_.messages.show(
        Message{"Do you want to replace the old Icon file with this one?", kSaveTitle,
                MessageIcon::Question, MessageButtons::YesNo, 1});
    if (answer == MessageAnswer::Yes && writeCheckedImages(file_)) {
        readFile(file_); // the list shows what the file now holds
        services_.messages.show(
            Message{"Icon has been successfully replaced.", "Saved...", MessageIcon::Information});
    }
}

void ImageRemoverWindow::saveAs() {
    if (noImageChecked()) {
        services_.showFailure("No images selected!", kSaveAsTitle);
        return;
    }
    services_.runOrShowFailure(
        [this] {
            services::FileDialogRequest request;
            request.title = "Enter output Icon File Name";
            request.filter = "Icon Files (*.ico)";
            request.defaultExtension = "ico";
            request.initialName = "*.ico";
            const std::optional<std::string> path =
                AskSaveFile(services_, key::kIconSave, FolderKind::Icons, request);
            if (path && writeCheckedImages(*path)) {
                RememberFolder(services_, key::kIconSave, *path);
                services_.messages.show(Message{"Icon has been saved as:\r\n" + *path, "Saved...",
                                                MessageIcon::Information});
            }
        },
        kSaveAsTitle);
}

void ImageRemoverWindow::done(int result) {
    // The close box, Esc and Exit all end here.
    if (!saved_) {
        services_.messages.show(
            Message{"No changes have been made.", services::kAppTitle, MessageIcon::Information});
    }
    QDialog::done(result);
}

void ImageRemoverWindow::showHelp() {
    services_.shell.open(HelpAddress(services_.programDirectory));
}

void ImageRemoverWindow::showAbout() {
    {
        AboutDialog about(services_.shell, services_.homePage, this);
        about.exec();
    }
    loadImages(); // back from another window of the program: the file is read again
}

} // namespace gw::ui

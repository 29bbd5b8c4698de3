#include "ui/image_remover_window.h"

#include "common/error.h"
#include "common/file_io.h"
#include "common/paths.h"
#include "icons/icon_writer.h"
#include "platform/qt_text.h"
#include "ui/about_window.h"
#include "ui/help.h"
#include "ui/icon_dialogs.h"
#include "ui/icon_preview.h"
#include "ui/named_widgets.h"
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

constexpr int kPreviewSize = 64;

} // namespace

RmvImgFrm::RmvImgFrm(const WindowServices& services, QWidget* parent)
    : QDialog(parent), services_(services) {
    setObjectName(QStringLiteral("RmvImgFrm"));
    setWindowTitle(QStringLiteral("Remove Images"));

    FileLbl = namedLabel(QStringLiteral("FileLbl"));
    QFont bold = FileLbl->font();
    bold.setBold(true);
    FileLbl->setFont(bold);
    FileLbl->setTextInteractionFlags(Qt::TextSelectableByMouse);
    FileIdLbl = namedLabel(QStringLiteral("FileIdLbl"));
    ImageList = new QListWidget;
    ImageList->setObjectName(QStringLiteral("ImageList"));
    ImageList->setToolTip(QStringLiteral("Checked images are kept when the file is saved"));
    connect(ImageList, &QListWidget::currentRowChanged, this, [this] { ImageList_Click(); });
    Image1 = pictureBox(QStringLiteral("Image1"), QStringLiteral("The selected image"),
                        kPreviewSize + 8);

    auto* fileGrid = new QGridLayout;
    fileGrid->addWidget(namedLabel(QStringLiteral("Label1_0"), QStringLiteral("Icon File:")), 0, 0);
    fileGrid->addWidget(FileIdLbl, 0, 1);
    fileGrid->addWidget(FileLbl, 1, 0, 1, 2);
    fileGrid->setColumnStretch(1, 1);

    auto* listRow = new QHBoxLayout;
    listRow->addWidget(ImageList, 1);
    listRow->addWidget(Image1, 0, Qt::AlignTop);

    auto* layout = new QVBoxLayout(this);
    createMenus(layout);
    layout->addLayout(fileGrid);
    layout->addWidget(separatorLine(QStringLiteral("Line1_0")));
    layout->addWidget(namedLabel(QStringLiteral("Label1_1"), QStringLiteral("Images:")));
    layout->addLayout(listRow, 1);
    layout->addWidget(separatorLine(QStringLiteral("Line1_1")));
    resize(420, 320);
}

void RmvImgFrm::createMenus(QVBoxLayout* layout) {
    auto* bar = new QMenuBar;
    layout->setMenuBar(bar);
    const auto menu = [bar](const char* name, const char* title) {
        return addNamedMenu(bar, name, title);
    };
    const auto item = [this](QMenu* m, const char* name, const char* text, auto handler) {
        addNamedItem(m, QLatin1String(name), text, this, handler);
    };
    QMenu* file = menu("File_M1", "&File");
    item(file, "File_Load", "&Load", [this] { File_Load_Click(); });
    item(file, "File_Save", "&Save", [this] { File_Save_Click(); });
    item(file, "File_SaveAs", "Save &As", [this] { File_SaveAs_Click(); });
    file->addSeparator()->setObjectName(QStringLiteral("File_Sep1"));
    item(file, "File_Exit", "E&xit", [this] { File_Exit_Click(); });
    QMenu* help = menu("Help", "&Help");
    item(help, "Help_Help", "&Help", [this] { Help_Help_Click(); });
    help->addSeparator()->setObjectName(QStringLiteral("Help_Sep1"));
    item(help, "Help_About", "&About", [this] { Help_About_Click(); });
}

void RmvImgFrm::setFile(const std::string& path) {
    file_ = path;
    FileLbl->setText(qs(path));
}

int RmvImgFrm::Run() {
    if (!file_.empty()) {
        Form_Activate(); // the window opens with the file's images in place
    } else {
        // The open dialog waits until the window is on screen, so that it shows over it.
        QTimer::singleShot(0, this, [this] { Form_Activate(); });
    }
    return exec();
}

void RmvImgFrm::Form_Activate() {
    if (file_.empty()) {
        File_Load_Click();
        return;
    }
    readFile(file_);
}

bool RmvImgFrm::readFile(const std::string& path) {
    // The file goes into fresh arrays; the window's own are replaced only when it has been read.
    StoredIconFile contents;
    try {
        contents = ReadStoredIcon(PathFromUtf8(path), services_.pumpEvents());
    } catch (const std::exception& e) {
        services_.showFailure(e.what());
        return false;
    }
    images_ = std::move(contents.Images);
    setFile(path);
    FileIdLbl->setText(qs(GetFileName(path)));

    ImageList->blockSignals(true);
    ImageList->clear();
    for (const StoredIconImage& image : images_) {
        auto* row = new QListWidgetItem(qs(ImageRowText(image)), ImageList);
        row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        row->setCheckState(Qt::Checked);
    }
    ImageList->blockSignals(false);
    ImageList->setCurrentRow(images_.empty() ? -1 : 0);
    ImageList_Click();
    return true;
}

void RmvImgFrm::ImageList_Click() {
    const int row = ImageList->currentRow();
    QImage picture;
    if (row >= 0 && std::size_t(row) < images_.size()) {
        picture = IconPreview(images_[std::size_t(row)].Bytes);
    }
    if (picture.isNull()) {
        Image1->clear(); // nothing that can be drawn
        return;
    }
    if (picture.width() > kPreviewSize || picture.height() > kPreviewSize) {
        picture = picture.scaled(kPreviewSize, kPreviewSize, Qt::KeepAspectRatio,
                                 Qt::SmoothTransformation);
    }
    Image1->setPixmap(QPixmap::fromImage(picture));
}

void RmvImgFrm::File_Load_Click() {
    for (;;) {
        std::vector<std::string> chosen;
        try {
            chosen = services_.dialogs.openFiles(
                IconOpenRequest(services_, key::kIconOpen, "Select Icon"));
            if (!chosen.empty() && readFile(chosen.front())) {
                // Remembered only once the file has been read.
                RememberFolder(services_, key::kIconOpen, chosen.front());
                return;
            }
        } catch (const std::exception& e) {
            services_.showFailure(e.what());
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

bool RmvImgFrm::NoImagesSelected() const {
    for (int row = 0; row < ImageList->count(); ++row) {
        if (ImageList->item(row)->checkState() == Qt::Checked) {
            return false;
        }
    }
    return true;
}

void RmvImgFrm::SaveKeptImages(const std::string& fileName) {
    std::vector<StoredIconImage> kept;
    for (int row = 0; row < ImageList->count(); ++row) {
        if (ImageList->item(row)->checkState() == Qt::Checked) {
            kept.push_back(images_.at(std::size_t(row)));
        }
    }
    saved_ = false;
    try {
        WriteStoredIcon(PathFromUtf8(fileName), kept, services_.pumpEvents());
        saved_ = true;
    } catch (const Error& e) {
        if (e.kind() == ErrorKind::TargetNotWritable) {
            services_.showFailure("This file is currently locked (open). Use another name.\r\n" +
                                      e.cause(),
                                  "Save...");
        } else {
            services_.showFailure(e.what(), "Save...");
        }
    } catch (const std::exception& e) {
        services_.showFailure(e.what(), "Save...");
    }
}

void RmvImgFrm::File_Save_Click() {
    if (NoImagesSelected()) {
        services_.showFailure("No images selected!", "Save...");
        return;
    }
    const MessageAnswer answer = services_.messages.show(
        Message{"Do you want to replace the old Icon file with this one?", "Save...",
                MessageIcon::Question, MessageButtons::YesNo, 1});
    if (answer != MessageAnswer::Yes) {
        return;
    }
    SaveKeptImages(file_);
    if (saved_) {
        readFile(file_); // the list shows what the file now holds
        services_.messages.show(
            Message{"Icon has been successfuly replaced.", "Saved...", MessageIcon::Information});
    }
}

void RmvImgFrm::File_SaveAs_Click() {
    if (NoImagesSelected()) {
        services_.showFailure("No images selected!", "Save As...");
        return;
    }
    try {
        platform::FileDialogRequest request;
        request.title = "Enter output Icon File Name";
        request.filter = "Icon Files (*.ico)";
        request.defaultExtension = "ico";
        request.initialName = "*.ico";
        const std::optional<std::string> path =
            AskSaveFile(services_, key::kIconSave, FolderKind::Icons, request);
        if (!path) {
            return;
        }
        SaveKeptImages(*path);
        if (saved_) {
            RememberFolder(services_, key::kIconSave, *path);
            services_.messages.show(Message{"Icon has been saved as:\r\n" + *path, "Saved...",
                                            MessageIcon::Information});
        }
    } catch (const std::exception& e) {
        services_.showFailure(e.what(), "Save As...");
    }
}

void RmvImgFrm::File_Exit_Click() {
    close();
}

void RmvImgFrm::done(int result) {
    // Form_QueryUnload: the close box, Esc and Exit all end here.
    if (!saved_) {
        services_.messages.show(
            Message{"No changes have been made.", platform::kAppTitle, MessageIcon::Information});
    }
    QDialog::done(result);
}

void RmvImgFrm::Help_Help_Click() {
    services_.shell.open(HelpAddress(services_.programDirectory));
}

void RmvImgFrm::Help_About_Click() {
    {
        frmAbout about(services_.shell, this);
        about.exec();
    }
    Form_Activate(); // back from another window of the program: the file is read again
}

} // namespace gw::ui

#include "ui/icon_list_panel.h"

#include "common/error.h"
#include "common/file_io.h"
#include "dll/create_dll.h"
#include "icons/icon_files.h"
#include "platform/qt_text.h"
#include "ui/icon_list_widget.h"
#include "ui/named_widgets.h"
#include "ui/object_names.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <filesystem>

namespace gw::ui {

namespace {

namespace name = object_names::main_window;

constexpr int kPathRole = Qt::UserRole;
// Appended to the text of an entry whose file is not there.
constexpr const char* kMissingMark = "  (missing)";
// Appended to the text of an entry whose file is there but is no icon file that can be read.
constexpr const char* kNotIconMark = "  (not an icon)";

// Why a file that is there cannot be packed as an icon file; empty when it can, or when it is
// not there (which the entry shows on its own).
std::string NotAnIconCause(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::exists(PathFromUtf8(path), ec)) {
        return {};
    }
    try {
        static_cast<void>(ReadStoredIcon(PathFromUtf8(path)));
    } catch (const Error& e) {
        return e.cause();
    }
    return {};
}

QLabel* BoldLabel(const char* objectName, const char* toolTip) {
    auto* label = Named<QLabel>(objectName);
    label->setToolTip(QLatin1String(toolTip));
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("-00000")));
    return label;
}

QPushButton* Button(const char* objectName, const char* text, const char* toolTip) {
    auto* button = Named<QPushButton>(objectName, QLatin1String(text));
    button->setToolTip(QLatin1String(toolTip));
    return button;
}

} // namespace

IconListPanel::IconListPanel(QWidget* parent) : QWidget(parent) {
    list_ = Named<IconListWidget>(name::kIconList);
    list_->setToolTip(QStringLiteral("Click To View or DblClick for Images"));
    auto* listLabel = new QLabel(QStringLiteral("Icons &List:"));
    listLabel->setBuddy(list_);
    connect(list_, &QListWidget::currentRowChanged, this, [this] { showCurrentEntry(); });
    connect(list_, &QListWidget::itemDoubleClicked, this, [this] { emit entryDoubleClicked(); });
    connect(list_, &IconListWidget::iconFilesDropped, this, [this](const QStringList& files) {
        std::vector<std::string> paths;
        for (const QString& file : files) {
            paths.push_back(file.toStdString());
        }
        emit iconFilesDropped(paths);
    });

    const int large = style()->pixelMetric(QStyle::PM_LargeIconSize);
    const int small = style()->pixelMetric(QStyle::PM_SmallIconSize);
    largePicture_ = PictureBox(name::kLargePicture, QStringLiteral("Large Icon Image"), large + 6);
    smallPicture_ = PictureBox(name::kSmallPicture,
                               QStringLiteral("Small Icon Image (When available)"), small + 6);
    auto* pictures = new QVBoxLayout;
    pictures->addWidget(largePicture_, 0, Qt::AlignHCenter);
    pictures->addWidget(smallPicture_, 0, Qt::AlignHCenter);
    pictures->addStretch();
    auto* listRow = new QHBoxLayout;
    listRow->addWidget(list_, 1);
    listRow->addLayout(pictures);

    auto* frames = new QHBoxLayout;
    frames->addWidget(createIconFrame());
    frames->addWidget(createFilesFrame(), 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(listLabel);
    layout->addLayout(listRow, 1);
    layout->addLayout(frames);
}

QWidget* IconListPanel::createIconFrame() {
    iconFrame_ = Named<QGroupBox>(name::kIconFrame, QStringLiteral("Icon:"));
    const std::array<std::pair<Qt::ArrowType, const char*>, 2> moves = {
        {{Qt::UpArrow, "Move Icon file UP on the List"},
         {Qt::DownArrow, "Move Icon file DOWN on the List"}}};
    for (std::size_t i = 0; i < moveButtons_.size(); ++i) {
        moveButtons_[i] = Named<QToolButton>(ArrayName(name::kMoveButtons, i));
        moveButtons_[i]->setArrowType(moves[i].first);
        moveButtons_[i]->setToolTip(QLatin1String(moves[i].second));
        connect(moveButtons_[i], &QToolButton::clicked, this,
                [this, i] { moveCurrentEntry(i == 0 ? Move::Up : Move::Down); });
    }
    auto* moveLabel = new QLabel(QStringLiteral("M&ove:"));
    moveLabel->setBuddy(moveButtons_[0]);
    imageCount_ = BoldLabel(name::kImageCount, "Nr. of Images in this Icon file");
    groupId_ =
        BoldLabel(name::kGroupId, "ID of this Icon in the DLL (Press Remove Unchecked first)");
    auto* grid = new QGridLayout(iconFrame_);
    grid->addWidget(moveLabel, 0, 0);
    grid->addWidget(moveButtons_[0], 0, 1);
    grid->addWidget(moveButtons_[1], 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Images:")), 1, 0);
    grid->addWidget(imageCount_, 1, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("ID:")), 2, 0);
    grid->addWidget(groupId_, 2, 1, 1, 2);
    return iconFrame_;
}

QWidget* IconListPanel::createFilesFrame() {
    filesFrame_ = Named<QGroupBox>(name::kFilesFrame, QStringLiteral("Icon Files:"));
    auto* add = Button(name::kAddButton, "&Add", "Add an Icon file to the List");
    auto* remove = Button(name::kRemoveButton, "&Remove", "Remove an Icon file from the List");
    auto* unchecked = Button(name::kRemoveUncheckedButton, "Remove &Unchecked",
                             "Remove all Unchecked Icon files from the List");
    auto* all =
        Button(name::kRemoveAllButton, "Remo&ve All", "Remove all Icon files from the List");
    connect(add, &QPushButton::clicked, this, [this] { emit addClicked(); });
    connect(remove, &QPushButton::clicked, this, [this] { removeCurrentEntry(); });
    connect(unchecked, &QPushButton::clicked, this, [this] { removeUncheckedEntries(); });
    connect(all, &QPushButton::clicked, this, [this] { removeAllEntries(); });
    auto* grid = new QGridLayout(filesFrame_);
    grid->addWidget(add, 0, 0);
    grid->addWidget(remove, 0, 1);
    grid->addWidget(unchecked, 1, 0);
    grid->addWidget(all, 1, 1);
    return filesFrame_;
}

// ---- The entries

std::string IconListPanel::entryPath(int row) const {
    return list_->item(row)->data(kPathRole).toByteArray().toStdString();
}

QListWidgetItem* IconListPanel::newEntry(const std::string& path, bool checked) const {
    auto* entry = new QListWidgetItem(ToQString(path));
    entry->setData(kPathRole, QByteArray::fromStdString(path)); // the path exactly as chosen
    std::error_code ec;
    if (!std::filesystem::exists(PathFromUtf8(path), ec)) {
        // Kept in the list (it may come back, on a drive plugged in again), but said to be gone.
        entry->setText(ToQString(path) + QLatin1String(kMissingMark));
        entry->setToolTip(QStringLiteral("This file is missing"));
        entry->setForeground(QPalette().brush(QPalette::Disabled, QPalette::Text));
    } else if (const std::string cause = NotAnIconCause(path); !cause.empty()) {
        // Kept as well, so that the user sees what a build would refuse, and why.
        entry->setText(ToQString(path) + QLatin1String(kNotIconMark));
        entry->setToolTip(ToQString("This is not an icon file: " + cause));
        entry->setForeground(QPalette().brush(QPalette::Disabled, QPalette::Text));
    }
    entry->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    return entry;
}

void IconListPanel::selectRow(int row) {
    const QSignalBlocker quiet(list_);
    list_->setCurrentRow(row);
    if (row < 0) {
        list_->clearSelection();
    }
}

std::string IconListPanel::appendEntry(const std::string& path) {
    // The list's own signals would report a change of the current entry.
    const int current = list_->currentRow();
    list_->addItem(newEntry(path, true));
    selectRow(current);
    return NotAnIconCause(path);
}

std::vector<IconListEntry> IconListPanel::entries() const {
    std::vector<IconListEntry> entries;
    for (int row = 0; row < list_->count(); ++row) {
        entries.push_back({entryPath(row), list_->item(row)->checkState() == Qt::Checked});
    }
    return entries;
}

void IconListPanel::setEntries(const std::vector<IconListEntry>& entries) {
    {
        const QSignalBlocker quiet(list_);
        list_->clear();
        for (const IconListEntry& entry : entries) {
            list_->addItem(newEntry(entry.Path, entry.Checked));
        }
    }
    selectRow(-1);
}

bool IconListPanel::isEmpty() const {
    return list_->count() == 0;
}

std::vector<std::string> IconListPanel::checkedFiles() const {
    std::vector<std::string> files;
    for (const IconListEntry& entry : entries()) {
        if (entry.Checked) {
            files.push_back(entry.Path);
        }
    }
    return files;
}

std::optional<std::string> IconListPanel::currentFile() const {
    const int row = list_->currentRow();
    return row >= 0 ? std::optional(entryPath(row)) : std::nullopt;
}

// ---- The commands

void IconListPanel::giveFocusToList() {
    list_->setFocus(Qt::OtherFocusReason);
}

void IconListPanel::removeCurrentEntry() {
    const int row = list_->currentRow();
    if (row >= 0) {
        {
            const QSignalBlocker quiet(list_);
            delete list_->takeItem(row);
        }
        selectRow(-1);
        showCurrentEntry();
    }
    giveFocusToList();
}

void IconListPanel::removeUncheckedEntries() {
    const int current = list_->currentRow();
    QListWidgetItem* kept = current >= 0 && list_->item(current)->checkState() == Qt::Checked
                                ? list_->item(current)
                                : nullptr;
    {
        const QSignalBlocker quiet(list_);
        for (int row = 0; row < list_->count();) {
            if (list_->item(row)->checkState() == Qt::Checked) {
                ++row;
            } else {
                delete list_->takeItem(row);
            }
        }
    }
    selectRow(kept ? list_->row(kept) : -1);
    showCurrentEntry();
    giveFocusToList();
}

void IconListPanel::removeAllEntries() {
    setEntries({});
    showCurrentEntry();
    giveFocusToList();
}

void IconListPanel::moveCurrentEntry(Move move) {
    const int row = list_->currentRow();
    const int target = move == Move::Up ? row - 1 : row + 1;
    if (row >= 0 && target >= 0 && target < list_->count()) {
        {
            const QSignalBlocker quiet(list_);
            const bool checked = list_->item(row)->checkState() == Qt::Checked;
            const std::string path = entryPath(row);
            delete list_->takeItem(row);
            list_->insertItem(target, newEntry(path, checked));
        }
        selectRow(target);
        showCurrentEntry();
    }
    giveFocusToList();
}

void IconListPanel::showCurrentEntry() {
    const std::optional<std::string> path = currentFile();
    if (!path) {
        // No current entry: nothing is shown, so a removed entry leaves no picture behind.
        for (QLabel* label : {largePicture_, smallPicture_, imageCount_, groupId_}) {
            label->clear();
        }
        return;
    }
    try {
        imageCount_->setText(QString::number(ReadIconCount(PathFromUtf8(*path))));
    } catch (const std::exception&) {
        imageCount_->clear(); // not a readable icon file: no count; a build names the cause
    }
    const QIcon icon(ToQString(*path));
    const int large = style()->pixelMetric(QStyle::PM_LargeIconSize);
    const int small = style()->pixelMetric(QStyle::PM_SmallIconSize);
    largePicture_->setPixmap(icon.pixmap(QSize(large, large)));
    smallPicture_->setPixmap(icon.pixmap(QSize(small, small)));
    groupId_->setText(QString::number(-(kFirstGroupId + list_->currentRow())));
}

void IconListPanel::setCommandsEnabled(bool enabled) {
    iconFrame_->setEnabled(enabled);
    filesFrame_->setEnabled(enabled);
}

} // namespace gw::ui

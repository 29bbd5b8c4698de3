#pragma once

#include "ui/main_window_settings.h"

#include <QWidget>
#include <array>
#include <optional>
#include <string>
#include <vector>

class QGroupBox;
class QLabel;
class QListWidgetItem;
class QToolButton;

namespace gw::ui {

class IconListWidget;

// The upper part of the main window: the list of icon files with a check box each, the current
// entry's pictures, image count and group ID, the move arrows and the Add and Remove buttons.
//
// The list's current entry is the user's choice alone: entries come and go without making one
// current, and each command ends with the focus on the list. The commands that need more than
// the list (Add, and a double-click, which opens the image remover) are only signalled.
class IconListPanel : public QWidget {
    Q_OBJECT
public:
    enum class Move { Up, Down };

    explicit IconListPanel(QWidget* parent = nullptr);

    // Appends an entry, checked; the current entry stays as it is. A file that is there but
    // cannot be read as an icon file is kept too, marked; the cause is returned (else empty).
    std::string appendEntry(const std::string& path);
    // The entries in list order, and all of them replaced (none current).
    [[nodiscard]] std::vector<IconListEntry> entries() const;
    void setEntries(const std::vector<IconListEntry>& entries);
    [[nodiscard]] bool isEmpty() const;
    // The paths of the checked entries in list order: what a build packs.
    [[nodiscard]] std::vector<std::string> checkedFiles() const;
    // The current entry's path; nothing when no entry is current.
    [[nodiscard]] std::optional<std::string> currentFile() const;

    // The list's commands.
    void removeCurrentEntry();
    void removeUncheckedEntries();
    void removeAllEntries();
    void moveCurrentEntry(Move move);
    // Shows the current entry's pictures, image count and ID; nothing with no entry current.
    void showCurrentEntry();
    void giveFocusToList();

    // The move arrows and the Add and Remove buttons take input (not while a build runs).
    void setCommandsEnabled(bool enabled);

signals:
    void addClicked();
    void iconFilesDropped(const std::vector<std::string>& paths);
    void entryDoubleClicked();

private:
    QWidget* createIconFrame();
    QWidget* createFilesFrame();
    [[nodiscard]] std::string entryPath(int row) const;
    [[nodiscard]] QListWidgetItem* newEntry(const std::string& path, bool checked) const;
    void selectRow(int row); // makes row current without showing it

    IconListWidget* list_ = nullptr;
    QLabel* largePicture_ = nullptr;
    QLabel* smallPicture_ = nullptr;
    QLabel* imageCount_ = nullptr;
    QLabel* groupId_ = nullptr;
    QGroupBox* iconFrame_ = nullptr;
    QGroupBox* filesFrame_ = nullptr;
    std::array<QToolButton*, 2> moveButtons_{}; // by Move
};

} // namespace gw::ui

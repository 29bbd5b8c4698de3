#pragma once

#include "icons/icon_files.h"
#include "ui/window_services.h"

#include <QDialog>
#include <string>
#include <vector>

class QLabel;
class QListWidget;
class QVBoxLayout;

namespace gw::ui {

// The image remover: lists the images of one icon file with a check box each and writes the
// file again with only the checked images, over itself (Save) or under a new name (Save As).
//
// Loading (the first showing, and the return from the About box) reads the file again and
// checks every row. The labels name a file only after it has been read, so the images in the
// list always belong to the file a Save writes. Without a file the window asks for one at once;
// a cancelled dialog then closes the window, a file that cannot be read asks again.
class ImageRemoverWindow : public QDialog {
    Q_OBJECT
public:
    explicit ImageRemoverWindow(const WindowServices& services, QWidget* parent = nullptr);

    // The file to edit, set before the window is shown; empty asks for one.
    void setFile(const std::string& path);
    // Shows the window modally with the file's images; returns when it has closed.
    void run();

    // Reads the file's images into the list, or asks for a file when none is set.
    void loadImages();
    // The commands of the menus.
    void openIconFile();
    void save();
    void saveAs();
    void showHelp();
    void showAbout();

    // Closing, however it comes: says so when nothing has been saved.
    void done(int result) override;

private:
    void createMenus(QVBoxLayout* layout);
    // Reads the file into the list; a failure is told and leaves the list as it was. Whether
    // the file was read.
    bool readFile(const std::string& path);
    void showCurrentImage();
    [[nodiscard]] bool noImageChecked() const;
    // Writes the checked images to fileName; a failure is told. Whether they were written.
    [[nodiscard]] bool writeCheckedImages(const std::string& fileName);

    WindowServices services_;
    std::string file_;                    // the path filePath_ shows, exactly as given
    std::vector<StoredIconImage> images_; // of any kind, kept byte for byte
    bool saved_ = false;                  // by the last save from this window

    QLabel* filePath_ = nullptr;
    QLabel* fileName_ = nullptr;
    QListWidget* imageList_ = nullptr;
    QLabel* preview_ = nullptr;
};

} // namespace gw::ui

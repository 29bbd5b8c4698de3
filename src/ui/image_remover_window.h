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
// Every activation (the first showing, and the return from the About box) reads the file again
// and checks every row. The labels name a file only after it has been read, so the images in
// the list always belong to the file a Save writes. Without a file the window asks for one at
// once; a cancelled dialog then closes the window, a file that cannot be read asks again.
class RmvImgFrm : public QDialog {
    Q_OBJECT
public:
    explicit RmvImgFrm(const WindowServices& services, QWidget* parent = nullptr);

    // The file to edit, set before the window is shown; empty asks for one.
    void setFile(const std::string& path);
    // Shows the window modally and activates it; returns when it has closed.
    int Run();

    void Form_Activate();
    void File_Load_Click();
    void File_Save_Click();
    void File_SaveAs_Click();
    void File_Exit_Click();
    void Help_Help_Click();
    void Help_About_Click();
    void ImageList_Click();

    bool NoImagesSelected() const;
    // Whether the last save from this window succeeded.
    bool saved() const { return saved_; }

    // Closing, however it comes: says so when nothing has been saved.
    void done(int result) override;

private:
    void createMenus(QVBoxLayout* layout);
    bool readFile(const std::string& path);
    void SaveKeptImages(const std::string& fileName);

    WindowServices services_;
    std::string file_;                    // the path FileLbl shows, exactly as given
    std::vector<StoredIconImage> images_; // of any kind, kept byte for byte
    bool saved_ = false;

    QLabel* FileLbl = nullptr;
    QLabel* FileIdLbl = nullptr;
    QListWidget* ImageList = nullptr;
    QLabel* Image1 = nullptr;
};

} // namespace gw::ui

#pragma once

#include "icons/convert_for_handhelds.h"
#include "icons/rgba_image.h"
#include "ui/window_services.h"

#include <QDialog>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QGridLayout;
class QLabel;

namespace gw::ui {

// "Convert for handhelds…": makes an icon of palette images that a Windows CE handheld shows
// from a picture of today (a PNG, a BMP or an icon of 24/32-bit or PNG images). It shows the
// source beside the converted 16 and 32 pixel images at 4 and 8 bits per pixel, at real size
// and enlarged, lets the user choose the sizes, the depths and dithering, and saves the icon
// under a name the user gives, by default beside the source.
class ConvertWindow : public QDialog {
    Q_OBJECT
public:
    ConvertWindow(const WindowServices& services, const std::string& source,
                  QWidget* parent = nullptr);

    // Reads the source and shows the window modally; returns the saved icon file when the user
    // saved one. A source that cannot be read is reported, and the window does not open.
    [[nodiscard]] std::optional<std::string> run();

    // What Save does: asks for the name and writes the checked sizes and depths there.
    void saveIcon();

    // The options as the check boxes stand.
    [[nodiscard]] ConvertOptions options() const;

private:
    QGridLayout* createPreviews();
    void showPreviews(); // every option change makes the previews again

    WindowServices services_;
    std::string source_;
    std::vector<RgbaImage> pictures_;
    std::optional<std::string> saved_;

    QLabel* sourcePicture_ = nullptr;
    std::vector<QCheckBox*> sizeBoxes_;  // 16, 32
    std::vector<QCheckBox*> depthBoxes_; // 4, 8
    QCheckBox* ditherBox_ = nullptr;
    QCheckBox* standardPaletteBox_ = nullptr;
    // One per size and depth, in the order sizes x depths: the real size and enlarged.
    std::vector<QLabel*> previews_;
    std::vector<QLabel*> enlarged_;
};

} // namespace gw::ui

#pragma once

#include "icons/convert_for_handhelds.h"
#include "icons/rgba_image.h"
#include "ui/window_services.h"

#include <QDialog>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QLabel;

namespace gw::ui {

// "Convert for handhelds…": makes an icon of palette images that a Windows CE handheld shows
// from a picture of today (a PNG, a BMP or an icon of 24/32-bit or PNG images). It shows the
// source beside the converted 16 and 32 pixel images at 4 and 8 bits per pixel, at real size
// and enlarged, lets the user choose the sizes, the depths and dithering, and saves the icon
// under a name the user gives, by default beside the source.
class ConvertFrm : public QDialog {
    Q_OBJECT
public:
    ConvertFrm(const WindowServices& services, const std::string& source,
               QWidget* parent = nullptr);

    // Reads the source and shows the window modally; returns the saved icon file when the user
    // saved one. A source that cannot be read is reported, and the window does not open.
    std::optional<std::string> Run();

    void Option_Click(); // any option changed: the previews are made again
    void SaveCmd_Click();

    // The options as the check boxes stand.
    ConvertOptions options() const;

private:
    void showPreviews();

    WindowServices services_;
    std::string source_;
    std::vector<RgbaImage> pictures_;
    std::optional<std::string> saved_;

    QLabel* SourceLbl = nullptr;
    QLabel* SourceImg = nullptr;
    std::vector<QCheckBox*> SizeChk;  // 16, 32
    std::vector<QCheckBox*> DepthChk; // 4, 8
    QCheckBox* DitherChk = nullptr;
    QCheckBox* StandardChk = nullptr;
    // One per size and depth, in the order sizes x depths: the real size and enlarged.
    std::vector<QLabel*> PreviewImg;
    std::vector<QLabel*> ZoomImg;
};

} // namespace gw::ui

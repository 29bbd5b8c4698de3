#include "icons/convert_for_handhelds.h"
#include "icons/icon_files.h"
#include "icons/icon_writer.h"
#include "icons/image_sources.h"
#include "ui_test_support.h"

#include <QCheckBox>
#include <QImage>
#include <QLabel>

using namespace std::string_literals;
using gw::services::MessageAnswer;
using gw::test::Child;
using gw::test::Click;
using gw::test::Texts;
using gw::test::WindowRig;

class ConvertWindowTest : public QObject {
    Q_OBJECT

private slots:
    void picturesAreOfferedTheConverterAsTheyAreAdded();
};

namespace {

// A 48 x 48 picture with alpha: a colour ramp with a transparent left column.
std::string WriteLogo(const gw::test::TempDir& dir) {
    QImage logo(48, 48, QImage::Format_ARGB32);
    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 48; ++x) {
            logo.setPixelColor(x, y, QColor(x * 5, y * 5, 128, x < 8 ? 0 : 255));
        }
    }
    const std::string path = dir.file("logo.png");
    logo.save(QString::fromStdString(path));
    return path;
}

// The file names in the list, without their folders.
Texts Listed(WindowRig& rig) {
    Texts names;
    for (int row = 0; row < rig.list()->count(); ++row) {
        names.push_back(
            std::filesystem::path(rig.list()->item(row)->text().toStdString()).filename().string());
    }
    return names;
}

std::string Joined(const Texts& texts) {
    std::string joined;
    for (const std::string& text : texts) {
        joined += (joined.empty() ? "" : "|") + text;
    }
    return joined;
}

} // namespace

void ConvertWindowTest::picturesAreOfferedTheConverterAsTheyAreAdded() {
    WindowRig rig;
    rig.start();
    const std::string logo = WriteLogo(rig.dir), saved = rig.dir.file("logo-handheld.ico");
    // A palette icon is added without a question; the picture, declined, is added as it is.
    rig.messages.answers = {MessageAnswer::No, MessageAnswer::Yes};
    rig.add({gw::test::Example("multi.ico"), logo});
    QCOMPARE(rig.said(), Texts({"question|Add Icon|" + logo +
                                "\r\n\r\nholds no image that a Windows CE handheld shows (palette "
                                "images of 1, 4 or 8 bits per pixel).\r\n\r\nConvert for "
                                "handhelds…?"}));

    // Accepted: the converter shows every size and depth; the user keeps 4 bits only on the
    // standard palette without dithering, tries to save over the source (refused, the window
    // stays), then saves beside it.
    Texts seen;
    gw::test::ModalUser user;
    user.actions["ConvertFrm"] = [&](QWidget& form) {
        const auto picture = [&](const char* name) {
            return Child<QLabel>(form, name)->pixmap().toImage();
        };
        seen.push_back(std::to_string(picture("PreviewImg_0").width()) + " " +
                       std::to_string(picture("ZoomImg_3").width()) + " " +
                       std::to_string(picture("SourceImg").width()));
        Child<QCheckBox>(form, "DepthChk_1")->setChecked(false);
        seen.push_back(std::string(Child<QLabel>(form, "ZoomImg_3")->isEnabled() ? "on" : "off") +
                       (Child<QLabel>(form, "ZoomImg_2")->isEnabled() ? " on" : " off"));
        for (const char* size : {"SizeChk_0", "SizeChk_1"}) {
            Child<QCheckBox>(form, size)->setChecked(false);
        }
        Click(form, "SaveCmd"); // nothing to save
        Child<QCheckBox>(form, "SizeChk_0")->setChecked(true);
        Child<QCheckBox>(form, "SizeChk_1")->setChecked(true);
        Child<QCheckBox>(form, "DitherChk")->setChecked(false);
        Child<QCheckBox>(form, "StandardChk")->setChecked(true);
        rig.dialogs.saveAnswers = {logo, saved};
        Click(form, "SaveCmd");
        seen.push_back(form.isVisible() ? "open" : "closed");
        Click(form, "SaveCmd");
        seen.push_back(form.isVisible() ? "open" : "closed");
    };
    rig.messages.shown.clear();
    rig.add({logo});
    QCOMPARE(QString::fromStdString(Joined(seen)), QStringLiteral("16 96 48|off on|open|closed"));
    // The picture declined is in the list marked as what a build would refuse.
    QCOMPARE(Listed(rig), Texts({"multi.ico", "logo.png  (not an icon)", "logo-handheld.ico"}));
    const auto& asked = rig.dialogs.requests.back();
    QCOMPARE(asked.initialName + "|" + asked.initialDirectory,
             "logo-handheld.ico|" + rig.dir.path().string());
    QCOMPARE(rig.said().size(), std::size_t(3));
    QCOMPARE(rig.said()[1],
             "critical|Convert for Handhelds|Check at least one size and one number of colours."s);
    QVERIFY2(rig.said()[2].find("this output is the input file") != std::string::npos,
             rig.said()[2].c_str());

    // What was saved: the icon glyphwright-cli convert writes for those choices (--depths 4
    // --no-dither --standard-palette), the two sizes at 4 bits, ready for a DLL.
    gw::ConvertOptions chosen;
    chosen.Depths = {4};
    chosen.Dither = false;
    chosen.StandardPalette = true;
    const std::string expected = rig.dir.file("expected.ico");
    gw::WriteIconFile(expected, gw::ConvertForHandhelds(gw::LoadSourceImages(logo), chosen));
    QVERIFY(gw::test::ReadBytes(saved) == gw::test::ReadBytes(expected));
    QCOMPARE(gw::ReadIconFile(saved).Images.size(), std::size_t(2));

    // Cancelled: the picture is added as it is, marked, and nothing more is said.
    user.actions["ConvertFrm"] = [](QWidget& form) { Click(form, "CancelCmd"); };
    rig.messages.answers = {MessageAnswer::Yes};
    rig.messages.shown.clear();
    rig.add({logo});
    QCOMPARE(Listed(rig).back(), "logo.png  (not an icon)"s);
    QCOMPARE(rig.said().size(), std::size_t(1));
}

QTEST_MAIN(ConvertWindowTest)
#include "convert_window_test.moc"

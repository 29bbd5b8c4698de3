#include "icons/icon_files.h"
#include "setup/paths.h"
#include "ui/help.h"
#include "ui/icon_preview.h"
#include "ui/rmv_img_frm.h"
#include "ui/ui_settings.h"
#include "ui_test_support.h"

#include <QLabel>
#include <QListWidget>

using gw::platform::MessageAnswer;
using gw::test::Child;
using gw::test::WindowRig;
using Texts = std::vector<std::string>;

class RmvImgFrmTest : public QObject {
    Q_OBJECT

private slots:
    void previewDrawsPaletteImagesWithTheirMask();
    void loadAsksUntilAFileIsReadAndKeepsTheShownOne();
    void saveSaveAsAndClosing();
    void openedFromTheMainWindowAndBackFromAbout();
};

namespace {

// The remover over the rig's fakes, shown and activated as the main window opens it.
struct Remover {
    explicit Remover(WindowRig& rig, const std::string& file)
        : form(gw::ui::WindowServices{
              rig.settings, rig.messages, rig.dialogs, rig.shell, rig.events, rig.programDir, {}}) {
        form.setFile(file);
        form.show();
        form.Form_Activate();
    }
    QListWidget* list() { return Child<QListWidget>(form, "ImageList"); }
    std::string label(const char* name) { return Child<QLabel>(form, name)->text().toStdString(); }
    Texts rows() {
        Texts texts;
        for (int row = 0; row < list()->count(); ++row) {
            texts.push_back(list()->item(row)->text().toStdString() +
                            (list()->item(row)->checkState() == Qt::Checked ? " [x]" : " [ ]"));
        }
        return texts;
    }
    void check(const std::string& marks) {
        for (int row = 0; row < list()->count(); ++row) {
            list()->item(row)->setCheckState(marks[std::size_t(row)] == '1' ? Qt::Checked
                                                                            : Qt::Unchecked);
        }
    }
    void trigger(const char* item) { Child<QAction>(form, item)->trigger(); }
    gw::ui::RmvImgFrm form;
};

const Texts kThreeRows = {"32 x 32 - 16 Colors [x]", "16 x 16 - 16 Colors [x]",
                          "32 x 32 - 0 Colors [x]"};

std::string threeImages(WindowRig& rig, const std::string& name = "three.ico") {
    return gw::test::WriteIcon(rig.dir, name, {{32, 32, 4}, {16, 16, 4}, {32, 32, 8}});
}

int imageCount(const std::string& path) {
    gw::IconDir header;
    std::vector<gw::IconDirEntry> entries;
    std::vector<gw::IconImage> images;
    return gw::ReadIconImages(path, header, entries, images);
}

std::string lastText(const WindowRig& rig) {
    return rig.messages.shown.empty() ? "" : rig.messages.shown.back().text;
}

} // namespace

void RmvImgFrmTest::previewDrawsPaletteImagesWithTheirMask() {
    // 2 x 2, rows stored bottom-up and padded to 4 bytes: the top row holds palette entries 1
    // and the highest, the bottom row entry 0 and a pixel the AND mask clears.
    for (const auto& [bits, top, highest] : std::vector<std::tuple<int, std::uint8_t, int>>{
             {1, 0xC0, 1}, {4, 0x1F, 15}, {8, 0x01, 255}}) {
        gw::IconImage image;
        image.Header.biWidth = 2;
        image.Header.biHeight = 4;
        image.Header.biBitCount = std::int16_t(bits);
        for (int i = 0; i < (1 << bits); ++i) {
            image.Palette.push_back(0x400000 | i); // red 0x40, blue the index
        }
        const std::uint8_t second = bits == 8 ? 0xFF : 0;
        image.Bits = {0, 0, 0, 0, top, second, 0, 0, 0x40, 0, 0, 0, 0, 0, 0, 0};
        const QImage picture = gw::ui::IconPreview(image);
        QCOMPARE(picture.size(), QSize(2, 2));
        QCOMPARE(picture.pixel(0, 0), qRgb(0x40, 0, 1));
        QCOMPARE(picture.pixel(1, 0), qRgb(0x40, 0, highest));
        QCOMPARE(picture.pixel(0, 1), qRgb(0x40, 0, 0));
        QCOMPARE(qAlpha(picture.pixel(1, 1)), 0);
        image.Bits.pop_back(); // the AND mask one byte short: nothing to draw
        QVERIFY(gw::ui::IconPreview(image).isNull());
    }
}

void RmvImgFrmTest::loadAsksUntilAFileIsReadAndKeepsTheShownOne() {
    WindowRig rig;
    const std::string icon = threeImages(rig);
    gw::test::TempDir other;
    const std::string broken = other.file("broken.ico");
    gw::test::WriteText(broken, "not an icon");
    // No file yet: cancelled, then a file that is no icon, then the icon.
    rig.dialogs.openAnswers = {{}, {broken}, {icon}};
    Remover remover(rig, "");
    QCOMPARE(rig.dialogs.requests.size(), std::size_t(3));
    QCOMPARE(rig.dialogs.requests[0].initialDirectory, std::string(gw::ui::kDefaultIconDirectory));
    QCOMPARE(rig.messages.shown.size(), std::size_t(1)); // the unreadable file, by name
    QVERIFY(rig.messages.shown[0].text.find(broken) != std::string::npos);
    QCOMPARE(remover.rows(), kThreeRows);
    QCOMPARE(remover.list()->currentRow(), 0);
    QCOMPARE(Child<QLabel>(remover.form, "Image1")->pixmap().size(), QSize(32, 32));
    QCOMPARE(remover.label("FileIdLbl"), std::string("three.ico"));
    QCOMPARE(rig.stored("Path", "IconOpen"), rig.dir.path().string());

    // A failed load leaves the labels on the file the list was read from, read again.
    remover.check("101");
    rig.dialogs.openAnswers = {{broken}};
    remover.trigger("File_Load");
    QCOMPARE(remover.label("FileLbl"), icon);
    QCOMPARE(remover.rows(), kThreeRows);
    QCOMPARE(rig.stored("Path", "IconOpen"), other.path().string());
    remover.check("101");
    rig.messages.answers = {MessageAnswer::Yes};
    remover.trigger("File_Save");
    QCOMPARE(gw::test::ReadText(broken), std::string("not an icon"));
    QCOMPARE(imageCount(icon), 2);
}

void RmvImgFrmTest::saveSaveAsAndClosing() {
    WindowRig rig;
    const std::string icon = threeImages(rig);
    const gw::test::Bytes original = gw::test::ReadBytes(icon);
    gw::test::TempDir out;
    const std::string copy = out.file("copy.ico");
    Remover remover(rig, icon);

    // Nothing checked: refused under the command's title before any dialog or question.
    remover.check("000");
    for (const char* item : {"File_Save", "File_SaveAs"}) {
        remover.trigger(item);
        QCOMPARE(lastText(rig), std::string("No images selected!"));
    }
    QCOMPARE(rig.messages.shown[1].title, std::string("Save As..."));
    QVERIFY(rig.dialogs.requests.empty());

    remover.check("101");
    rig.messages.answers = {MessageAnswer::No};
    remover.trigger("File_Save");
    QCOMPARE(rig.messages.shown.back().defaultButton, 1);
    QVERIFY(gw::test::ReadBytes(icon) == original);

    rig.dialogs.saveAnswers = {copy};
    remover.trigger("File_SaveAs");
    QCOMPARE(rig.dialogs.requests.back().initialDirectory, rig.programDir);
    QCOMPARE(lastText(rig), "Icon has been saved as:\r\n" + copy);
    QCOMPARE(rig.stored("Path", "IconSave"), out.path().string());
    QVERIFY(gw::test::ReadBytes(icon) == original);

    // Save still writes the file the window was opened with.
    rig.messages.answers = {MessageAnswer::Yes};
    remover.trigger("File_Save");
    QCOMPARE(lastText(rig), std::string("Icon has been successfuly replaced."));
    for (const std::string& written : {icon, copy}) {
        const gw::test::Bytes bytes = gw::test::ReadBytes(written);
        QCOMPARE(imageCount(written), 2);
        QVERIFY(gw::test::IconImageBytes(bytes, 0) == gw::test::IconImageBytes(original, 0));
        QVERIFY(gw::test::IconImageBytes(bytes, 1) == gw::test::IconImageBytes(original, 2));
    }
    QCOMPARE(remover.list()->count(), 3); // until the next activation

    // Closing: silent after a good save, told after one that failed.
    for (const bool failFirst : {false, true}) {
        Remover again(rig, copy);
        if (failFirst) {
            rig.dialogs.saveAnswers = {out.file("missing/x.ico")};
            again.trigger("File_SaveAs");
        }
        rig.messages.shown.clear();
        again.trigger("File_Exit");
        QVERIFY(!again.form.isVisible());
        QCOMPARE(lastText(rig), std::string("No changes have been made."));
        QCOMPARE(rig.messages.shown.back().title, std::string("Glyphwright Tool"));
    }
    rig.messages.shown.clear();
    remover.trigger("File_Exit");
    QVERIFY(rig.messages.shown.empty());
}

void RmvImgFrmTest::openedFromTheMainWindowAndBackFromAbout() {
    WindowRig rig;
    const std::string icon = threeImages(rig);
    {
        Remover remover(rig, icon);
        remover.check("010");
        gw::test::ModalUser user;
        remover.trigger("Help_About");
        QCOMPARE(user.seen, Texts({"frmAbout"}));
        QCOMPARE(remover.rows(), kThreeRows); // read again on coming back
        remover.trigger("Help_Help");
        QCOMPARE(rig.shell.opened, Texts({gw::ui::HelpAddress(rig.programDir)}));
    }

    auto window = gw::test::StartRealWindow(rig);
    rig.dialogs.openAnswers = {{icon}};
    QTest::mouseClick(Child<QWidget>(*window, "AddCmd"), Qt::LeftButton);
    Child<QListWidget>(*window, "IconList")->setCurrentRow(0);
    gw::test::ModalUser user;
    std::string shown;
    user.actions["RmvImgFrm"] = [&shown](QWidget& form) {
        shown = Child<QLabel>(form, "FileLbl")->text().toStdString() + " " +
                std::to_string(Child<QListWidget>(form, "ImageList")->count());
        form.close();
    };
    Child<QAction>(*window, "Remove_OM2")->trigger();
    QCOMPARE(user.seen, Texts({"RmvImgFrm"}));
    QCOMPARE(shown, icon + " 3");
}

QTEST_MAIN(RmvImgFrmTest)
#include "rmv_img_frm_test.moc"

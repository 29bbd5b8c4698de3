#include "ui/icon_preview.h"
#include "ui/image_remover_window.h"
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
    void previewDecodesPaletteImagesWithTheirMask();
    void opensWithoutAFileOnTheDialog();
    void savesTheCheckedImagesOfTheShownFile();
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
    // Each row's text with its check mark.
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

const std::vector<std::tuple<int, int, int>> kThree = {{32, 32, 4}, {16, 16, 4}, {32, 32, 8}};
const Texts kThreeRows = {"32 x 32 - 16 Colors [x]", "16 x 16 - 16 Colors [x]",
                          "32 x 32 - 0 Colors [x]"};

} // namespace

void RmvImgFrmTest::previewDecodesPaletteImagesWithTheirMask() {
    // 2 x 2, rows stored bottom-up and padded to 4 bytes: the top row holds palette entries 1
    // and the highest, the bottom row entry 0 and a pixel the AND mask clears.
    for (const auto& [bits, top, highest] : std::vector<std::tuple<int, std::uint8_t, int>>{
             {1, 0xC0, 1}, {4, 0x1F, 15}, {8, 0x01, 255}}) {
        gw::IconImage image;
        image.Header = {.biWidth = 2, .biHeight = 4, .biBitCount = std::int16_t(bits)};
        for (int i = 0; i < (1 << bits); ++i) {
            image.Palette.push_back(0x400000 | i); // red 0x40, blue the index
        }
        image.Bits = {0, 0, 0, 0, top, std::uint8_t(bits == 8 ? 0xFF : 0), 0, 0, 0x40, 0, 0,
                      0, 0, 0, 0, 0};
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

void RmvImgFrmTest::opensWithoutAFileOnTheDialog() {
    WindowRig rig;
    const std::string icon = gw::test::WriteIcon(rig.dir, "three.ico", kThree);
    rig.dialogs.openAnswers = {{}, {icon}}; // cancelled at first: asked again
    Remover remover(rig, "");
    QCOMPARE(rig.dialogs.requests.size(), std::size_t(2));
    QCOMPARE(remover.rows(), kThreeRows);
    QCOMPARE(remover.list()->currentRow(), 0);
    QCOMPARE(Child<QLabel>(remover.form, "Image1")->pixmap().size(), QSize(32, 32));
    QCOMPARE(Child<QLabel>(remover.form, "FileIdLbl")->text(), QStringLiteral("three.ico"));
}

void RmvImgFrmTest::savesTheCheckedImagesOfTheShownFile() {
    WindowRig rig;
    const std::string icon = gw::test::WriteIcon(rig.dir, "three.ico", kThree);
    const gw::test::Bytes original = gw::test::ReadBytes(icon);
    gw::test::TempDir out;
    const std::string copy = out.file("copy.ico");
    const std::string broken = out.file("broken.ico");
    gw::test::WriteText(broken, "not an icon");
    Remover remover(rig, icon);

    // A failed load: the shown file is read again, and it stays the one Save replaces.
    remover.check("000");
    rig.dialogs.openAnswers = {{broken}};
    remover.trigger("File_Load");
    QCOMPARE(remover.rows(), kThreeRows);
    QVERIFY(rig.messages.shown.at(0).text.find(broken) != std::string::npos);

    // Nothing checked: refused under the command's title before any dialog or question.
    remover.check("000");
    remover.trigger("File_Save");
    remover.trigger("File_SaveAs");
    QCOMPARE(rig.messages.shown.size(), std::size_t(3));
    QCOMPARE(rig.messages.shown[1].title, std::string("Save..."));
    QCOMPARE(rig.messages.shown[2].title, std::string("Save As..."));
    QCOMPARE(rig.messages.shown[2].text, std::string("No images selected!"));
    QCOMPARE(rig.dialogs.requests.size(), std::size_t(1)); // the load's

    // Save answered No, then Save As: the file itself is untouched.
    remover.check("101");
    rig.messages.answers = {MessageAnswer::No};
    remover.trigger("File_Save");
    rig.dialogs.saveAnswers = {copy};
    remover.trigger("File_SaveAs");
    QVERIFY(gw::test::ReadBytes(icon) == original);
    // Save As over a read-only file: the usual words, then why.
    const std::string readOnly = out.file("read-only.ico");
    gw::test::WriteText(readOnly, "kept");
    std::filesystem::permissions(readOnly, std::filesystem::perms::owner_read);
    rig.messages.shown.clear();
    rig.dialogs.saveAnswers = {readOnly};
    remover.trigger("File_SaveAs");
    QCOMPARE(rig.messages.shown.size(), std::size_t(1));
    QCOMPARE(rig.messages.shown[0].title, std::string("Save..."));
    QCOMPARE(rig.messages.shown[0].text,
             std::string("This file is currently locked (open). Use another name.\r\n"
                         "the file is read-only"));
    QCOMPARE(gw::test::ReadText(readOnly), std::string("kept"));
    // Save after Save As still replaces the file the window was opened with.
    rig.messages.answers = {MessageAnswer::Yes};
    remover.trigger("File_Save");
    QCOMPARE(gw::test::ReadText(broken), std::string("not an icon"));
    for (const std::string& written : {icon, copy}) {
        const gw::test::Bytes bytes = gw::test::ReadBytes(written);
        QCOMPARE(gw::test::Le16(bytes, 4), std::uint16_t(2)); // the image count
        QVERIFY(gw::test::IconImageBytes(bytes, 0) == gw::test::IconImageBytes(original, 0));
        QVERIFY(gw::test::IconImageBytes(bytes, 1) == gw::test::IconImageBytes(original, 2));
    }

    // Closing: silent after a good save, told when nothing was saved.
    rig.messages.shown.clear();
    remover.trigger("File_Exit");
    QVERIFY(rig.messages.shown.empty() && !remover.form.isVisible());
    Remover again(rig, copy);
    again.trigger("File_Exit");
    QCOMPARE(rig.messages.shown.size(), std::size_t(1));
    QCOMPARE(rig.messages.shown[0].text, std::string("No changes have been made."));
}

QTEST_MAIN(RmvImgFrmTest)
#include "image_remover_window_test.moc"

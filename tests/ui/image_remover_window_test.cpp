#include "ui/image_remover_window.h"
#include "ui_test_support.h"

#include <QLabel>
#include <QListWidget>

using namespace std::string_literals;
using gw::services::MessageAnswer;
using gw::test::Child;
using gw::test::Texts;
using gw::test::WindowRig;

class ImageRemoverWindowTest : public QObject {
    Q_OBJECT

private slots:
    void opensWithoutAFileOnTheDialog();
    void savesTheCheckedImagesOfTheShownFile();
    void cutsAModernIconDownToItsPaletteImages();
    void helpMenuOpensTheHelpPageAndTheAboutBox();
};

namespace {

// The remover over the rig's fakes, shown and activated as the main window opens it.
struct Remover {
    Remover(WindowRig& rig, const std::string& file) : form(rig.services()) {
        form.setFile(file);
        form.show();
        form.loadImages();
    }
    QListWidget* list() { return Child<QListWidget>(form, "ImageList"); }
    // Each row's text, "+" when it is checked.
    std::string rows() {
        std::string text;
        for (int row = 0; row < list()->count(); ++row) {
            text += list()->item(row)->text().toStdString() +
                    (list()->item(row)->checkState() == Qt::Checked ? "+|" : "|");
        }
        return text;
    }
    void check(const std::string& marks) { gw::test::Mark(list(), marks); }
    gw::ui::ImageRemoverWindow form;
};

const std::vector<std::tuple<int, int, int>> kThree = {{32, 32, 4}, {16, 16, 4}, {32, 32, 8}};
const std::string kThreeRows = "32 x 32 - 16 Colors+|16 x 16 - 16 Colors+|32 x 32 - 256 Colors+|";

} // namespace

void ImageRemoverWindowTest::opensWithoutAFileOnTheDialog() {
    // Opened without a file: a file that cannot be read asks again; a cancel closes the window.
    WindowRig rig;
    const std::string icon = gw::test::WriteIcon(rig.dir, "three.ico", kThree);
    rig.dialogs.openAnswers = {{rig.dir.file("missing.ico")}, {icon}};
    Remover remover(rig, "");
    QCOMPARE(remover.rows() + std::to_string(remover.list()->currentRow()), kThreeRows + "0");
    QCOMPARE(Child<QLabel>(remover.form, "Image1")->pixmap().size(), QSize(32, 32));
    QCOMPARE(Child<QLabel>(remover.form, "FileLbl")->text().toStdString() + "|" +
                 Child<QLabel>(remover.form, "FileIdLbl")->text().toStdString(),
             icon + "|three.ico");
    QCOMPARE(rig.stored("Path", "IconOpen"), rig.dir.path().string());

    // Run as the main window runs it: the dialog comes over the window once it is on screen;
    // cancelled, the window closes. (A window left open is closed after a while.)
    WindowRig fresh;
    gw::ui::ImageRemoverWindow cancelled(fresh.services());
    gw::test::ModalUser user;
    user.actions["RmvImgFrm"] = [](QWidget& window) {
        QTimer::singleShot(3000, &window, [&window] { window.close(); });
    };
    bool shownUnder = false;
    fresh.dialogs.whileOpen = [&] { shownUnder = cancelled.isVisible(); };
    cancelled.run();
    QVERIFY(shownUnder && !cancelled.isVisible());
    QCOMPARE(fresh.dialogs.requests.size(), std::size_t(1));
    QCOMPARE(fresh.stored("Path", "IconOpen"), std::string("-"));
}

void ImageRemoverWindowTest::savesTheCheckedImagesOfTheShownFile() {
    WindowRig rig;
    const std::string icon = gw::test::WriteIcon(rig.dir, "three.ico", kThree);
    const gw::test::Bytes original = gw::test::ReadBytes(icon);
    const std::string copy = rig.dir.file("copy.ico");
    const std::string broken = rig.dir.file("broken.ico"); // not written: cannot be loaded
    const std::string readOnly = rig.dir.file("read-only.ico");
    gw::test::WriteText(readOnly, "kept");
    std::filesystem::permissions(readOnly, std::filesystem::perms::owner_read);
    // A folder that is not there fails a save on every system (a read-only folder does not
    // stop one on Windows).
    const auto missingFolder = rig.dir.path() / "gone";
    const std::string inMissingFolder = (missingFolder / "new.ico").string();
    Remover remover(rig, icon);

    // A failed load: the shown file is read again, and it stays the one Save replaces.
    remover.check("000");
    rig.dialogs.openAnswers = {{broken}};
    gw::test::Click(remover.form, "File_Load");
    QCOMPARE(remover.rows(), kThreeRows);
    QVERIFY(rig.messages.shown.at(0).text.find(broken) != std::string::npos);
    // Nothing checked: refused under the command's title before any dialog or question.
    remover.check("000");
    gw::test::Click(remover.form, "File_Save");
    gw::test::Click(remover.form, "File_SaveAs");
    const Texts refused = rig.said();
    QCOMPARE(
        Texts(refused.begin() + 1, refused.end()),
        Texts({"critical|Save...|No images selected!", "critical|Save As...|No images selected!"}));
    QCOMPARE(rig.dialogs.requests.size(), std::size_t(1)); // the load's

    // Save answered No, then Save As: the file itself is untouched. Save As over a read-only
    // file or into a missing folder: the usual words, then why; the folder is not remembered.
    rig.messages.shown.clear();
    remover.check("101");
    rig.messages.answers = {MessageAnswer::No};
    gw::test::Click(remover.form, "File_Save");
    rig.dialogs.saveAnswers = {copy, readOnly, inMissingFolder};
    for (int i = 0; i < 3; ++i) {
        gw::test::Click(remover.form, "File_SaveAs");
    }
    QCOMPARE(rig.stored("Path", "IconSave"), rig.dir.path().string());
    QVERIFY(!std::filesystem::exists(inMissingFolder));
    QVERIFY(gw::test::ReadBytes(icon) == original);
    QCOMPARE(gw::test::ReadText(readOnly), std::string("kept"));
    // Save after Save As still replaces the file the window was opened with.
    rig.messages.answers = {MessageAnswer::Yes};
    gw::test::Click(remover.form, "File_Save");
    QCOMPARE(rig.said(),
             Texts({"question|Save...|Do you want to replace the old Icon file with this one?",
                    "information|Saved...|Icon has been saved as:\r\n" + copy,
                    "critical|Save...|This file is currently locked (open). Use another name.\r\n"
                    "the file is read-only",
                    "critical|Save...|This file is currently locked (open). Use another name.\r\n"
                    "the folder " +
                        missingFolder.string() + " does not exist",
                    "question|Save...|Do you want to replace the old Icon file with this one?",
                    "information|Saved...|Icon has been successfully replaced."}));
    QCOMPARE(remover.rows(), "32 x 32 - 16 Colors+|32 x 32 - 256 Colors+|"s); // what was saved
    for (const std::string& written : {icon, copy}) {
        const gw::test::Bytes bytes = gw::test::ReadBytes(written);
        QCOMPARE(gw::test::Le16(bytes, 4), std::uint16_t(2)); // the image count
        QVERIFY(gw::test::IconImageBytes(bytes, 0) == gw::test::IconImageBytes(original, 0));
        QVERIFY(gw::test::IconImageBytes(bytes, 1) == gw::test::IconImageBytes(original, 2));
    }

    // Closing: silent after a good save, told when nothing was saved.
    rig.messages.shown.clear();
    gw::test::Click(remover.form, "File_Exit");
    QVERIFY(rig.messages.shown.empty() && !remover.form.isVisible());
    Remover again(rig, copy);
    gw::test::Click(again.form, "File_Exit");
    QCOMPARE(rig.said(), Texts({"information|Glyphwright Tool|No changes have been made."}));
}

void ImageRemoverWindowTest::cutsAModernIconDownToItsPaletteImages() {
    WindowRig rig;
    const gw::test::Bytes palette = gw::test::MakeImage(32, 32, 4);
    const std::string icon = rig.dir.file("modern.ico");
    gw::test::WriteBytes(icon, gw::test::MakeIcon({gw::test::MakePng(300, 300),
                                                   gw::test::MakeImage(48, 48, 32), palette}));
    Remover remover(rig, icon);
    QCOMPARE(remover.rows(), "300 x 300 - 0 Colors+|48 x 48 - 0 Colors+|32 x 32 - 16 Colors+|"s);
    // The PNG drawn, scaled to the preview's size.
    QCOMPARE(Child<QLabel>(remover.form, "Image1")->pixmap().size(), QSize(64, 64));
    remover.check("001");
    rig.messages.answers = {MessageAnswer::Yes};
    gw::test::Click(remover.form, "File_Save");
    QVERIFY(gw::test::ReadBytes(icon) ==
            gw::test::MakeIcon({palette}, 1, [](std::size_t, gw::test::DirEntry& e) {
                e.planes = e.bitCount = 0;
            }));
}

void ImageRemoverWindowTest::helpMenuOpensTheHelpPageAndTheAboutBox() {
    // Back from the About box the file is read again: every row is checked again.
    WindowRig rig;
    const std::string icon = gw::test::WriteIcon(rig.dir, "three.ico", kThree);
    Remover remover(rig, icon);
    remover.check("010");
    gw::test::ModalUser user;
    gw::test::Click(remover.form, "Help_About");
    QCOMPARE(user.seen, Texts({"frmAbout"}));
    QCOMPARE(remover.rows(), kThreeRows);
    gw::test::Click(remover.form, "Help_Help");
    QCOMPARE(rig.shell.opened, Texts({"file://" + gw::JoinPath(rig.programDir, "help.htm")}));
}

QTEST_MAIN(ImageRemoverWindowTest)
#include "image_remover_window_test.moc"

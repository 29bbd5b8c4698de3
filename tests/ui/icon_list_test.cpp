#include "ui/ui_settings.h"
#include "ui_test_support.h"

#include <QApplication>
#include <QLabel>
#include <QMimeData>
#include <QUrl>
#include <filesystem>

using namespace std::string_literals;
using gw::test::WindowRig;
using Paths = std::vector<std::string>;

class IconListTest : public QObject {
    Q_OBJECT

private slots:
    void addAppendsCheckedAndCancelChangesNothing();
    void currentEntryShowsPicturesCountAndId();
    void removeCommandsFromButtonsAndMenus();
    void moveKeepsCheckMarkAndStopsAtTheEnds();
    void droppedIconFilesAreAppendedChecked();
};

namespace {

// Icon files named by the letters of names, two images each, in the rig's folder.
Paths iconFiles(WindowRig& rig, const std::string& names) {
    Paths paths;
    for (char name : names) {
        paths.push_back(gw::test::WriteIcon(rig.dir, std::string(1, name) + ".ico",
                                            {{32, 32, 4}, {16, 16, 4}}));
    }
    return paths;
}

// Sets the check marks of the entries from "1" (checked) and "0".
void mark(WindowRig& rig, const std::string& marks) {
    for (std::size_t row = 0; row < marks.size(); ++row) {
        rig.list()->item(int(row))->setCheckState(marks[row] == '1' ? Qt::Checked : Qt::Unchecked);
    }
}

// The list and the display in one line: each entry's file name, "+" when it is checked; then
// the current row, the ID, the image count, and whether the list has the focus.
std::string view(WindowRig& rig) {
    std::string text;
    for (int row = 0; row < rig.list()->count(); ++row) {
        const QListWidgetItem* entry = rig.list()->item(row);
        text += std::filesystem::path(entry->text().toStdString()).stem().string() +
                (entry->checkState() == Qt::Checked ? "+ " : " ");
    }
    return text + "| " + std::to_string(rig.list()->currentRow()) + " | " + rig.text("IdLbl") +
           " | " + rig.text("nrLbl") +
           (QApplication::focusWidget() == rig.list() ? " | focus" : "");
}

// Runs a command the way the user does: a menu item is triggered, a button clicked.
void command(WindowRig& rig, const char* name) {
    if (auto* item = rig.window().findChild<QAction*>(QLatin1String(name))) {
        item->trigger();
    } else {
        QTest::mouseClick(rig.find<QWidget>(name), Qt::LeftButton);
    }
}

} // namespace

void IconListTest::addAppendsCheckedAndCancelChangesNothing() {
    WindowRig rig;
    rig.start();
    const std::string k = rig.dir.file("K.ico");
    rig.add({k});
    QCOMPARE(rig.dialogs.requests[0].initialDirectory, std::string(gw::ui::kDefaultIconDirectory));
    QVERIFY(rig.dialogs.requests[0].allowMultiple);
    QCOMPARE(rig.stored("Path", "Open"), rig.dir.path().string());

    // Several from the File menu, the same file again among them: appended in the dialog's
    // order, each checked and built, the first one's folder remembered, nothing made current.
    const auto sub = rig.dir.path() / "sub";
    const Paths chosen = {(sub / "C.ico").string(), k, (sub / "A.ico").string()};
    rig.dialogs.openAnswers.push_back(chosen);
    command(rig, "AddIcon_FM2");
    QCOMPARE(rig.dialogs.requests[1].initialDirectory, rig.dir.path().string());
    const Paths all = {k, chosen[0], chosen[1], chosen[2]};
    QCOMPARE(rig.paths(), all);
    QCOMPARE(rig.window().CheckedFiles(), all);
    QCOMPARE(view(rig), "K+ C+ K+ A+ | -1 |  |  | focus"s);
    QCOMPARE(rig.stored("Path", "Open"), sub.string());

    rig.find<QWidget>("ExitCmd")->setFocus();
    rig.add({}); // the user cancels
    QCOMPARE(rig.dialogs.requests[2].initialDirectory, sub.string());
    QCOMPARE(view(rig), "K+ C+ K+ A+ | -1 |  |  | focus"s);
    QCOMPARE(rig.stored("Path", "Open"), sub.string());
    QVERIFY(rig.messages.shown.empty());
}

void IconListTest::currentEntryShowsPicturesCountAndId() {
    WindowRig rig;
    rig.start();
    const std::string broken = rig.dir.file("broken.ico");
    gw::test::WriteText(broken, "not an icon");
    rig.add({gw::test::Example("glyph-4bit.ico"), gw::test::Example("tile-8bit.ico"), broken});
    mark(rig, "011");
    auto* large = rig.find<QLabel>("Image1");
    auto* small = rig.find<QLabel>("Image2");
    rig.clickRow(1); // the ID goes by position, though row 0 is unchecked
    QCOMPARE(view(rig), "glyph-4bit tile-8bit+ broken+ | 1 | -102 | 1 | focus"s);
    rig.clickRow(0);
    QCOMPARE(view(rig), "glyph-4bit tile-8bit+ broken+ | 0 | -101 | 2 | focus"s);
    QCOMPARE(large->pixmap().size(), QSize(32, 32));
    QCOMPARE(small->pixmap().size(), QSize(16, 16));
    // The small picture is the file's own 16 x 16 image, not the large one scaled down.
    QVERIFY(
        small->pixmap().toImage() !=
        large->pixmap().toImage().scaled(16, 16, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));

    // A file that is no icon shows no count and no pictures, but still its ID.
    rig.clickRow(2);
    QCOMPARE(view(rig), "glyph-4bit tile-8bit+ broken+ | 2 | -103 |  | focus"s);
    QVERIFY(large->pixmap().isNull());
    QVERIFY(rig.messages.shown.empty());
}

void IconListTest::removeCommandsFromButtonsAndMenus() {
    // On the entries K L M N with these check marks and the entry at row clicked made current
    // (-1: none), the command leaves this view. The count and the pictures keep showing the
    // last entry shown.
    const std::tuple<const char*, const char*, int, const char*> cases[] = {
        {"RemoveCmd", "1111", 1, "K+ M+ N+ | -1 |  | 2 | focus"},
        {"RemoveIcon_FM2", "1111", -1, "K+ L+ M+ N+ | -1 |  |  | focus"}, // nothing current
        {"RemoveIcon_FM2", "1011", 0, "L M+ N+ | -1 |  | 2 | focus"},
        {"CUnchkCmd", "1001", 3, "K+ N+ | 1 | -102 | 2 | focus"}, // a checked one stays current
        {"Clean_EM2", "0001", 0, "N+ | -1 |  | 2 | focus"},
        {"Command1", "1111", 2, "| -1 |  | 2 | focus"},
        {"CleanAll_EM2", "1010", 2, "| -1 |  | 2 | focus"},
    };
    for (const auto& [name, marks, clicked, after] : cases) {
        WindowRig rig;
        rig.start();
        rig.add(iconFiles(rig, "KLMN"));
        mark(rig, marks);
        if (clicked >= 0) {
            rig.clickRow(clicked);
        }
        rig.find<QWidget>("ExitCmd")->setFocus(); // every command hands the focus to the list
        command(rig, name);
        QCOMPARE(view(rig), std::string(after));
        QCOMPARE(rig.find<QLabel>("Image1")->pixmap().isNull(), clicked < 0);
    }
}

void IconListTest::moveKeepsCheckMarkAndStopsAtTheEnds() {
    WindowRig rig;
    rig.start();
    const Paths klm = iconFiles(rig, "KLM");
    rig.add(klm);
    mark(rig, "101");
    // Each command after the one before, and the view it leaves; the ends stop a move.
    const std::pair<const char*, const char*> steps[] = {
        {"MoveCmd_0", "K+ L M+ | -1 |  |  | focus"}, // nothing current: nothing moves
        {"", "K+ L M+ | 1 | -102 | 2 | focus"},      // the user clicks L
        {"MoveCmd_0", "L K+ M+ | 0 | -101 | 2 | focus"},
        {"Move_EM2_0", "L K+ M+ | 0 | -101 | 2 | focus"},
        {"MoveCmd_1", "K+ L M+ | 1 | -102 | 2 | focus"},
        {"Move_EM2_1", "K+ M+ L | 2 | -103 | 2 | focus"},
        {"MoveCmd_1", "K+ M+ L | 2 | -103 | 2 | focus"},
    };
    for (const auto& [name, after] : steps) {
        rig.find<QWidget>("ExitCmd")->setFocus();
        *name ? command(rig, name) : rig.clickRow(1);
        QCOMPARE(view(rig), std::string(after));
    }
    QCOMPARE(rig.paths(), Paths({klm[0], klm[2], klm[1]}));
}

void IconListTest::droppedIconFilesAreAppendedChecked() {
    WindowRig rig;
    rig.start();
    const Paths klm = iconFiles(rig, "KLM");
    const std::string notes = rig.dir.file("notes.txt");
    gw::test::WriteText(notes, "text");
    const std::string upper = rig.dir.file("UPPER.ICO");
    std::filesystem::copy_file(klm[0], upper);
    rig.add({klm[2]});
    mark(rig, "0");

    // Drags the files onto the list and drops them; whether the list took the drag.
    const auto drop = [&](const Paths& files) {
        QMimeData data;
        QList<QUrl> urls;
        for (const std::string& file : files) {
            urls << QUrl::fromLocalFile(QString::fromStdString(file));
        }
        data.setUrls(urls);
        QWidget* viewport = rig.list()->viewport();
        QDragEnterEvent enter({1, 1}, Qt::CopyAction, &data, Qt::LeftButton, {});
        QDropEvent dropped({1, 1}, Qt::CopyAction, &data, Qt::LeftButton, {});
        return QApplication::sendEvent(viewport, &enter) && enter.isAccepted() &&
               QApplication::sendEvent(viewport, &dropped);
    };
    QVERIFY(drop({klm[1], notes, upper, klm[0]}));
    QCOMPARE(rig.paths(), Paths({klm[2], klm[1], upper, klm[0]}));
    QCOMPARE(view(rig), "M L+ UPPER+ K+ | -1 |  |  | focus"s);
    // Nothing but other files: the list refuses the drag and stays as it was.
    QVERIFY(!drop({notes}));
    QCOMPARE(rig.paths().size(), std::size_t(4));
}

QTEST_MAIN(IconListTest)
#include "icon_list_test.moc"

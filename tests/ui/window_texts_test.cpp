#include "support/test_support.h"
#include "ui/about_dialog.h"
#include "ui/cab_progress_dialog.h"
#include "ui/convert_window.h"
#include "ui/extension_dialog.h"
#include "ui/image_remover_window.h"
#include "ui/setup_notice_dialog.h"
#include "ui_test_support.h"
#include "window_inventory.h"

#include <QCoreApplication>

// Every window's names, texts, tool tips, titles and first check marks, as the user and the
// tests see them, against tests/data/ui/windows.txt: what the windows show stays as it is.
class WindowTextsTest : public QObject {
    Q_OBJECT

private slots:
    void windowsShowTheirNamesTextsAndTips();
};

void WindowTextsTest::windowsShowTheirNamesTextsAndTips() {
    QCoreApplication::setApplicationVersion(QStringLiteral("1.2.3"));
    gw::test::WindowRig rig;
    const std::string dir = rig.dir.path().string();
    const std::string icon = gw::test::WriteIcon(rig.dir, "three.ico", {{32, 32, 4}});
    std::string seen;
    const auto take = [&](const QWidget& window) {
        for (const std::string& line : gw::test::Inventory(window, dir)) {
            seen += line + "\n";
        }
        seen += "\n";
    };
    take(rig.start());
    gw::ui::ImageRemoverWindow remover(rig.services());
    remover.setFile(icon);
    remover.loadImages();
    take(remover);
    take(gw::ui::ConvertWindow(rig.services(), icon));
    take(gw::ui::CabProgressDialog(rig.events));
    take(gw::ui::ExtensionDialog(rig.services()));
    // Without a web address and with one.
    take(gw::ui::SetupNoticeDialog(rig.services()));
    take(gw::ui::AboutDialog(rig.shell, ""));
    rig.homePage = "https://glyphwright.test/";
    take(gw::ui::SetupNoticeDialog(rig.services()));
    take(gw::ui::AboutDialog(rig.shell, rig.homePage));

    const std::string expected = gw::test::TestData("ui/windows.txt");
    if (seen != expected) {
        // The whole of what was seen, to compare with the expected text line by line.
        const std::string written =
            (std::filesystem::temp_directory_path() / "glyphwright-windows-seen.txt").string();
        gw::test::WriteText(written, seen);
        std::size_t line = 1, at = 0;
        while (at < seen.size() && at < expected.size() && seen[at] == expected[at]) {
            line += seen[at++] == '\n' ? 1 : 0;
        }
        QFAIL(("the windows differ from ui/windows.txt at line " + std::to_string(line) +
               "; what they show is in " + written)
                  .c_str());
    }
}

QTEST_MAIN(WindowTextsTest)
#include "window_texts_test.moc"

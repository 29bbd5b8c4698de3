#include "support/test_support.h"
#include "ui/help.h"

#include <QTest>
#include <filesystem>

// Where the window program looks for License.txt and help.htm: beside itself (build tree,
// Windows, an unpacked folder) or in share/glyphwright of the prefix it is installed under.
class DocumentDirectoryTest : public QObject {
    Q_OBJECT

private slots:
    void findsTheLicenceBesideTheProgramOrInTheInstalledShareFolder();
};

void DocumentDirectoryTest::findsTheLicenceBesideTheProgramOrInTheInstalledShareFolder() {
    // Which copies of License.txt exist, and the folder the program must use.
    struct Case {
        const char* name;
        bool beside, installed;
        bool expectInstalled;
    };
    const Case cases[] = {
        {"beside only", true, false, false},
        {"beside wins over the installed copy", true, true, false},
        {"installed under the prefix only", false, true, true},
        {"neither: the program's folder, named in the failure", false, false, false},
    };
    for (const Case& c : cases) {
        gw::test::TempDir prefix;
        const std::filesystem::path bin = prefix.path() / "bin";
        const std::filesystem::path share = prefix.path() / "share" / "glyphwright";
        std::filesystem::create_directories(bin);
        std::filesystem::create_directories(share);
        if (c.beside) {
            gw::test::WriteText(bin / "License.txt", "beside\n");
        }
        if (c.installed) {
            gw::test::WriteText(share / "License.txt", "installed\n");
        }
        const std::string found = gw::ui::DocumentDirectory(bin.string());
        const std::filesystem::path expected = c.expectInstalled ? share : bin;
        QVERIFY2(std::filesystem::equivalent(found, expected), c.name);
    }
}

QTEST_MAIN(DocumentDirectoryTest)
#include "document_directory_test.moc"

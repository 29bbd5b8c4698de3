#include "cli/cli.h"
#include "cli/manual_page.h"
#include "common/text.h"

#include <gtest/gtest.h>
#include <set>

namespace gw::cli {
namespace {

TEST(ManualPageTest, RoffTextShowsEveryCharacterLiterally) {
    EXPECT_EQ(RoffText("a-b\\c"), "a\\-b\\ec");
    // A line that would begin with a control character is protected, wherever the line starts.
    EXPECT_EQ(RoffText(".x\n'y\nz.'"), "\\&.x\n\\&'y\nz.'");
}

TEST(ManualPageTest, PagesHoldEveryCommandAndGuaranteeAndOnlyTheirOwnRequests) {
    const std::string cli = CliManualPage("1.2.3", "2026-12-08");
    EXPECT_TRUE(cli.starts_with(".TH GLYPHWRIGHT-CLI 1 \"2026-12-08\" \"Glyphwright 1.2.3\""))
        << cli.substr(0, 80);
    for (const CommandHelp& command : CommandHelps()) {
        SCOPED_TRACE(std::string(command.Name));
        EXPECT_NE(cli.find(".B " + RoffText(command.Name) + "\n"), std::string::npos);
        EXPECT_NE(cli.find("glyphwright-cli\n" + RoffText(command.Usage) + "\n"),
                  std::string::npos);
        // The help's first line, as filled text.
        const std::string first = SplitLines(command.Help).at(0).text;
        EXPECT_NE(cli.find(RoffText(first)), std::string::npos);
    }
    for (const Guarantee& guarantee : Guarantees()) {
        EXPECT_NE(cli.find(".B " + RoffText(guarantee.Heading) + "\n"), std::string::npos);
    }
    // Every line that man reads as a request is one of the page's own: no help text begins a
    // line with a control character.
    const std::set<std::string> requests = {".TH", ".SH", ".TP", ".B",  ".BR", ".I",
                                            ".RS", ".RE", ".PP", ".nf", ".fi", ".br"};
    for (const std::string& page : {cli, WindowProgramManualPage("1.2.3", "2026-12-08")}) {
        for (const TextLine& line : SplitLines(page)) {
            if (line.text.starts_with('.') || line.text.starts_with('\'')) {
                EXPECT_TRUE(requests.contains(line.text.substr(0, line.text.find(' '))))
                    << line.text;
            }
        }
    }
}

} // namespace
} // namespace gw::cli

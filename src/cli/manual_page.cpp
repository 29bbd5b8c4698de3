#include "cli/manual_page.h"

#include "cli/cli.h"
#include "common/text.h"

namespace gw::cli {

std::string RoffText(std::string_view text) {
    std::string out;
    bool lineStart = true;
    for (const char c : text) {
        if (lineStart && (c == '.' || c == '\'')) {
            out += "\\&";
        }
        if (c == '\\') {
            out += "\\e";
        } else if (c == '-') {
            out += "\\-";
        } else {
            out += c;
        }
        lineStart = c == '\n';
    }
    return out;
}

namespace {

std::string header(std::string_view name, std::string_view version, std::string_view date,
                   std::string_view summary) {
    std::string page = ".TH " + UpperCase(name) + " 1 \"" + std::string(date) +
                       "\" \"Glyphwright " + std::string(version) + "\" \"User Commands\"\n";
    page += ".SH NAME\n" + RoffText(name) + " \\- " + RoffText(summary) + "\n";
    return page;
}

// A paragraph of help text as filled roff text: its lines joined, as man fills them anyway.
std::string paragraph(std::string_view text) {
    std::string joined;
    for (const TextLine& line : SplitLines(text)) {
        joined += (joined.empty() ? "" : " ") + line.text;
    }
    return RoffText(joined) + "\n";
}

constexpr std::string_view kSeeAlsoCli = ".SH SEE ALSO\n.BR glyphwright (1)\n";

} // namespace

std::string CliManualPage(std::string_view version, std::string_view date) {
    std::string page =
        header("glyphwright-cli", version, date, "pack .ico files into icon DLLs for Windows CE");
    page += ".SH SYNOPSIS\n";
    for (const CommandHelp& command : CommandHelps()) {
        page += ".B glyphwright-cli\n" + RoffText(command.Usage) + "\n.br\n";
    }
    page += ".B glyphwright-cli\nCOMMAND \\-\\-help\n.br\n"
            ".B glyphwright-cli\n\\-\\-help | \\-\\-version\n";
    page += ".SH DESCRIPTION\n"
            "glyphwright\\-cli gives applications written with the Windows CE Toolkit for Visual "
            "Basic 6.0 their own icons: it packs .ico files into resource\\-only PE32 DLLs for "
            "the six Windows CE processors, rewrites the setup directory of the Application "
            "Install Wizard, edits and converts icon files, and reads icons back out of any PE "
            "file.\n";
    page += ".SH COMMANDS\n";
    for (const CommandHelp& command : CommandHelps()) {
        page += ".TP\n.B " + RoffText(command.Name) + "\n" + paragraph(command.Help);
        page += ".RS\n.PP\nglyphwright\\-cli " + RoffText(command.Usage) + "\n.RE\n";
    }
    page += ".SH GUARANTEES\n";
    for (const Guarantee& guarantee : Guarantees()) {
        page += ".TP\n.B " + RoffText(guarantee.Heading) + "\n" + paragraph(guarantee.Text);
    }
    page += ".SH EXIT STATUS\n"
            "0 on success, 1 on a failure, 2 on a usage error.\n"
            ".SH EXAMPLES\n"
            "An ARM icon DLL from two icon files, then every processor's:\n"
            ".PP\n.nf\n.RS\n"
            "glyphwright\\-cli build \\-t arm \\-o Icons.dll app.ico doc.ico\n"
            "glyphwright\\-cli build \\-\\-all\\-targets \\-o Icons.dll app.ico doc.ico\n"
            ".RE\n.fi\n.PP\n"
            "A PNG logo to a DLL in two commands:\n"
            ".PP\n.nf\n.RS\n"
            "glyphwright\\-cli convert logo.png \\-o logo.ico\n"
            "glyphwright\\-cli build \\-t arm \\-o Logo.dll logo.ico\n"
            ".RE\n.fi\n";
    page += kSeeAlsoCli;
    return page;
}

std::string WindowProgramManualPage(std::string_view version, std::string_view date) {
    std::string page = header("glyphwright", version, date,
                              "give Windows CE applications their own icons (window program)");
    page += ".SH SYNOPSIS\n.B glyphwright\n[\\fIICON.ico\\fR ...]\n";
    page += ".SH DESCRIPTION\n"
            "glyphwright keeps a list of icon files, each with a check mark, and builds a "
            "resource\\-only icon DLL from the checked ones for one Windows CE processor (x86, "
            "MIPS, SH3, SH4, ARM or PPC) or for all six. It can also rewrite the setup "
            "directory of the VBCE Application Install Wizard, so that the installed "
            "application gets a new file extension with the DLL's first icon, and it removes "
            "images from icon files and converts pictures into icons a handheld shows.\n"
            ".PP\n"
            "Icon files named on the command line are added to the list, as Add does.\n"
            "The list, the target and the build mode are kept between starts.\n";
    page += ".SH FILES\n"
            ".TP\n.I ~/.config/Glyphwright/Glyphwright.ini\n"
            "the list and the choices\n"
            ".TP\n.I /usr/share/glyphwright/help.htm\n"
            "the help page that Help opens\n";
    page += ".SH SEE ALSO\n.BR glyphwright\\-cli (1)\n";
    return page;
}

} // namespace gw::cli

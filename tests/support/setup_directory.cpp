#include "support/setup_directory.h"

namespace gw::test {

// Joins lines with CR LF, the INF's line end.
std::string Crlf(std::initializer_list<const char*> lines) {
    std::string text;
    for (const char* line : lines) {
        text += std::string(line) + "\r\n";
    }
    return text;
}

const std::string kWizardInf = Crlf({
    "[Version]",
    "Signature = \"$Windows NT$\"",
    "Provider = \"Acme\"",
    "CESignature = \"$Windows CE$\"",
    "",
    "[CEStrings]",
    "AppName = \"MyApp\"",
    "InstallDir = %CE1%\\%AppName%",
    "",
    "[Strings]",
    "CompanyName = \"Acme\"",
    "",
    "[CEDevice.SH3]",
    "ProcessorType = 10003",
    "",
    "[CEDevice.ARM]",
    "ProcessorType = 2577",
    "",
    "[DefaultInstall]",
    "CEShortcuts = Shortcuts",
    "AddReg = RegData",
    "",
    "[DefaultInstall.SH3]",
    "CopyFiles = Files.Common,Files.SH3",
    "",
    "[DefaultInstall.ARM]",
    "CopyFiles = Files.Common,Files.ARM",
    "",
    "[SourceDisksNames.SH3]",
    "1 = ,\"Common Files\",,App",
    "2 = ,\"SH3 Files\",,SH3",
    "",
    "[SourceDisksNames.ARM]",
    "1 = ,\"Common Files\",,App",
    "2 = ,\"ARM Files\",,ARM",
    "",
    "[SourceDisksFiles.SH3]",
    "MyApp.vb = 1",
    "pvbload.exe = 2",
    "",
    "[SourceDisksFiles.ARM]",
    "MyApp.VB = 1",
    "pvbload.exe = 2",
    "",
    "[DestinationDirs]",
    "Files.Common = 0,%InstallDir%",
    "",
    "[Files.Common]",
    "MyApp.vb,,,0",
    "",
    "[Shortcuts]",
    "MyApp,0,MyApp.vbp",
});

// The same INF after the rewrite with extension "7xy" for the processors "sh3 arm".
SetupReport SetupDirectory::run(const std::string& extension) {
    return RunSetup(setupDir(), "Icons.dll", {icon()}, extension, state, messages);
}

} // namespace gw::test

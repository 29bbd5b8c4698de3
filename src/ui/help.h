#pragma once

#include "common/paths.h"
#include "platform/qt_text.h"

#include <QFileInfo>
#include <string>

namespace gw::ui {

// The names of the licence and the help page beside the program, as they are installed.
inline constexpr const char* kLicenceFile = "License.txt";
inline constexpr const char* kHelpPage = "help.htm";

// The folder of License.txt and help.htm. They stand beside the program in the build tree, on
// Windows and in an unpacked folder; a program installed under a prefix (/usr/bin) finds them
// in that prefix's share/glyphwright. When neither holds License.txt, the program's folder, so
// that a failure names the place the files belong.
[[nodiscard]] inline std::string DocumentDirectory(const std::string& programDirectory) {
    const auto holdsLicence = [](const std::string& folder) {
        return QFileInfo::exists(ToQString(JoinPath(folder, kLicenceFile)));
    };
    if (!holdsLicence(programDirectory)) {
        const std::string prefix = GetDirectory(programDirectory, false);
        const std::string installed = JoinPath(JoinPath(prefix, "share"), "glyphwright");
        if (!prefix.empty() && holdsLicence(installed)) {
            return installed;
        }
    }
    return programDirectory;
}

// The address of the help page in the program's document folder: "file://" and its path.
[[nodiscard]] inline std::string HelpAddress(const std::string& documentDirectory) {
    return "file://" + JoinPath(documentDirectory, kHelpPage);
}

} // namespace gw::ui

#pragma once

#include "common/paths.h"
#include "platform/qt_text.h"

#include <QFileInfo>
#include <string>

namespace gw::ui {

// The folder of License.txt and help.htm. They stand beside the program in the build tree, on
// Windows and in an unpacked folder; a program installed under a prefix (/usr/bin) finds them
// in that prefix's share/glyphwright. When neither holds License.txt, the program's folder, so
// that a failure names the place the files belong.
inline std::string DocumentDirectory(const std::string& programDirectory) {
    const auto holdsLicence = [](const std::string& folder) {
        return QFileInfo::exists(qs(JoinPath(folder, "License.txt")));
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
inline std::string HelpAddress(const std::string& documentDirectory) {
    return "file://" + JoinPath(documentDirectory, "help.htm");
}

} // namespace gw::ui

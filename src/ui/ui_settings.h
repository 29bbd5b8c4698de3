#pragma once

#include "services/services.h"

#include <string>

// The sections and keys under which the windows keep the user's choices in the settings store,
// and how they spell booleans there.
namespace gw::ui {

inline constexpr const char* kOptions = "Options";
inline constexpr const char* kPath = "Path";
inline constexpr const char* kIconList = "IconList"; // the list, kept from one run to the next

namespace key {
inline constexpr const char* kFirstRun = "FistExec"; // spelt so in every existing store
inline constexpr const char* kTarget = "Target";
inline constexpr const char* kOneTarget = "OneTarget";
inline constexpr const char* kAllTargets = "AllTargets";
inline constexpr const char* kChangeSetup = "ChangeSetup";
inline constexpr const char* kDontShowSetupNote = "DontShowSMsg";
inline constexpr const char* kOpen = "Open";
inline constexpr const char* kBuild = "Build";
inline constexpr const char* kSetup = "Setup";
inline constexpr const char* kIconOpen = "IconOpen";
inline constexpr const char* kIconSave = "IconSave";
inline constexpr const char* kCount = "Count";     // "IconList": the number of entries
inline constexpr const char* kFile = "File";       // + index: the entry's path
inline constexpr const char* kChecked = "Checked"; // + index: its check mark
} // namespace key

// Where icon files are first looked for, before the user has chosen a folder.
inline constexpr const char* kDefaultIconDirectory =
    "c:\\Program Files\\Microsoft Visual Studio\\Common\\Graphics\\Icons";

// Booleans are stored as "True" and "False".
[[nodiscard]] inline const char* BoolText(bool value) {
    return value ? "True" : "False";
}

// Whether a stored value means true: "True" in any case, or a number other than 0.
[[nodiscard]] bool ReadsAsTrue(const std::string& value);

// Whether the user has turned off the notice before a build for a setup directory.
[[nodiscard]] bool SetupNoticeTurnedOff(const services::SettingsStore& settings);

} // namespace gw::ui

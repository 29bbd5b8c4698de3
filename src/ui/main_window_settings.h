#pragma once

#include "services/services.h"

#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace gw::ui {

// The build modes of the main window's Options menu, in the menu's order.
enum class BuildMode { SelectedTarget, AllTargets, ForSetup };
inline constexpr std::size_t kBuildModeCount = 3;
// Which build modes carry a check mark, by BuildMode; none at all builds for the selected target.
using BuildModeMarks = std::array<bool, kBuildModeCount>;

// One entry of the icon list: the path exactly as chosen, and its check mark.
struct IconListEntry {
    std::string Path;
    bool Checked = true;
};

// The main window's choices in the settings store, under the sections and keys of
// ui_settings.h: whether the licence has been shown, the target, the build mode and the icon
// list. Reading never fails: a value that is not there, or not understood, reads as on the first
// start. Storing fails with the store's Error.
class MainWindowSettings {
public:
    explicit MainWindowSettings(services::SettingsStore& store) : store_(store) {}

    [[nodiscard]] bool firstRun() const;
    void markFirstRunDone();

    // The index of the stored target in the target table; anything but a number from 0 to 5
    // (blanks around it allowed) gives the first target.
    [[nodiscard]] std::size_t targetIndex() const;
    void saveTargetIndex(std::size_t index);

    // Stored as one True/False value per mode; nothing stored marks the selected target only.
    [[nodiscard]] BuildModeMarks buildModeMarks() const;
    void saveBuildModeMarks(const BuildModeMarks& marks);

    // The list is kept as its number of entries and, per entry, its path and check mark. A
    // count this program did not write gives an empty list; an entry without a path is left out.
    [[nodiscard]] std::vector<IconListEntry> iconList() const;
    void saveIconList(const std::vector<IconListEntry>& entries);

private:
    services::SettingsStore& store_;
};

} // namespace gw::ui

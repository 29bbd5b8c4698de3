#include "ui/main_window_settings.h"

#include "common/text.h"
#include "dll/target_machine.h"
#include "ui/ui_settings.h"

#include <climits>

namespace gw::ui {

namespace {

// The key of each build mode and what it reads as when nothing is stored.
struct ModeKey {
    const char* key;
    const char* fallback;
};
constexpr std::array<ModeKey, kBuildModeCount> kModeKeys = {{
    {key::kOneTarget, "True"},
    {key::kAllTargets, "False"},
    {key::kChangeSetup, "False"},
}};

std::string Numbered(const char* key, std::size_t index) {
    return key + std::to_string(index);
}

} // namespace

bool MainWindowSettings::firstRun() const {
    return ReadsAsTrue(store_.get(kOptions, key::kFirstRun, "True"));
}

void MainWindowSettings::markFirstRunDone() {
    store_.save(kOptions, key::kFirstRun, BoolText(false));
}

std::size_t MainWindowSettings::targetIndex() const {
    const std::string text = store_.get(kOptions, key::kTarget, "0");
    return ParseDecimal(Trim(text, " "), kTargetMachines.size() - 1).value_or(0);
}

void MainWindowSettings::saveTargetIndex(std::size_t index) {
    store_.save(kOptions, key::kTarget, std::to_string(index));
}

BuildModeMarks MainWindowSettings::buildModeMarks() const {
    BuildModeMarks marks{};
    for (std::size_t mode = 0; mode < kBuildModeCount; ++mode) {
        marks[mode] =
            ReadsAsTrue(store_.get(kOptions, kModeKeys[mode].key, kModeKeys[mode].fallback));
    }
    return marks;
}

void MainWindowSettings::saveBuildModeMarks(const BuildModeMarks& marks) {
    for (std::size_t mode = 0; mode < kBuildModeCount; ++mode) {
        store_.save(kOptions, kModeKeys[mode].key, BoolText(marks[mode]));
    }
}

std::vector<IconListEntry> MainWindowSettings::iconList() const {
    std::vector<IconListEntry> entries;
    const auto count = ParseDecimal(store_.get(kIconList, key::kCount, "0"), INT_MAX);
    for (std::size_t row = 0; count && row < *count; ++row) {
        const std::string path = store_.get(kIconList, Numbered(key::kFile, row), "");
        if (!path.empty()) {
            entries.push_back(
                {path, ReadsAsTrue(store_.get(kIconList, Numbered(key::kChecked, row), "True"))});
        }
    }
    return entries;
}

void MainWindowSettings::saveIconList(const std::vector<IconListEntry>& entries) {
    store_.save(kIconList, key::kCount, std::to_string(entries.size()));
    for (std::size_t row = 0; row < entries.size(); ++row) {
        store_.save(kIconList, Numbered(key::kFile, row), entries[row].Path);
        store_.save(kIconList, Numbered(key::kChecked, row), BoolText(entries[row].Checked));
    }
}

} // namespace gw::ui

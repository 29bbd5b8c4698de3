#pragma once

#include "ui/main_window_settings.h"
#include "ui/window_services.h"

#include <QObject>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QGroupBox;
class QMenu;
class QPushButton;
class QRadioButton;

namespace gw::ui {

// The build side of the main window: the target machine (the option buttons of the "Target
// Machine" frame and the "&Target" menu, always in step, the choice stored at once), the build
// mode (the Options menu: at most one of the selected target, all targets or the setup
// directory, shown in the Build button's caption) and the builds themselves over the checked
// icon files, the settings and the DLL generator. The window lays out the frame and the button
// and runs the build; a failure of a build passes up as an exception.
class DllBuildActions : public QObject {
    Q_OBJECT
public:
    // The build for a setup directory, which the window runs (SetupBuild by default).
    using SetupBuild = std::function<void(const std::vector<std::string>& checkedFiles)>;

    DllBuildActions(const WindowServices& services, MainWindowSettings& settings,
                    SetupBuild buildForSetup, QObject* parent);

    [[nodiscard]] QGroupBox* targetFrame() const { return targetFrame_; }
    [[nodiscard]] QPushButton* buildButton() const { return buildButton_; }
    void addTargetItems(QMenu* menu);
    void addModeItems(QMenu* menu);

    // Selects the target by its index in the target table, as the menu item does.
    void selectTarget(std::size_t index);
    [[nodiscard]] std::int32_t selectedMachine() const { return selectedMachine_; }

    // Marks the modes as stored: each marked one is chosen in the menu's order, the last wins.
    void restoreModeMarks(const BuildModeMarks& marks);
    [[nodiscard]] BuildModeMarks modeMarks() const;

    // Builds the checked files for the chosen mode; nothing happens when the user cancels.
    void build(const std::vector<std::string>& checkedFiles);

    // The target frame and the Build button take input (not while a build runs).
    void setEnabled(bool enabled);

private:
    void targetChosen(std::size_t index);
    void modeToggled(QAction* item);
    [[nodiscard]] std::optional<std::string> askOutputDllPath(const std::string& initialName) const;
    void buildSelectedTarget(const std::vector<std::string>& checkedFiles);
    void buildAllTargets(const std::vector<std::string>& checkedFiles);

    WindowServices services_;
    MainWindowSettings& settings_;
    SetupBuild buildForSetup_;
    std::int32_t selectedMachine_; // x86 until start-up selects the stored target

    QGroupBox* targetFrame_ = nullptr;
    std::array<QRadioButton*, 6> targetOptions_{};
    std::array<QAction*, 6> targetItems_{};
    std::array<QAction*, kBuildModeCount> modeItems_{}; // by BuildMode
    QPushButton* buildButton_ = nullptr;
};

} // namespace gw::ui

#pragma once

#include "dll/target_machine.h"
#include "ui/window_services.h"

#include <QMainWindow>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QGroupBox;
class QLabel;
class QListWidgetItem;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace gw::ui {

class IconListWidget;

// The main window: the list of icon files to pack, the target machine, the build mode and the
// build command, with menus that reach every command.
//
// Widgets carry their control names as objectName. The members of a control array share the
// array's name with "_" and the index appended: MachineOpt_0 to MachineOpt_5 and the matching
// "&Target" menu items Machine_M2_0 to Machine_M2_5, MoveCmd_0 (up) and MoveCmd_1 (down) and
// the matching "&Edit" menu items Move_EM2_0 and Move_EM2_1.
class CreateDLL_Frm : public QMainWindow {
    Q_OBJECT
public:
    explicit CreateDLL_Frm(WindowServices services, QWidget* parent = nullptr);
    ~CreateDLL_Frm() override;

    // Start-up, run once before the window is first shown: the licence text on the first run,
    // then the stored target and build mode.
    void Form_Load();

    // The icon list and its commands. Each command ends with the focus on the list.
    void AddCmd_Click();
    void RemoveCmd_Click();
    void CUnchkCmd_Click();
    void Command1_Click();         // remove all
    void MoveCmd_Click(int index); // 0 up, 1 down
    void IconList_Click();         // shows the current entry
    void IconList_DblClick();
    void Remove_OM2_Click();
    // Appends the files at the end of the list, checked, in the order given. For a file without
    // an image a handheld shows, the user is offered the converter first; the icon it saves is
    // appended instead.
    void AppendIconFiles(const std::vector<std::string>& paths);
    // The paths of the checked entries in list order: what a build packs.
    std::vector<std::string> CheckedFiles() const;

    // Target machine, build mode and build.
    void MachineOpt_Click(int index);
    void Machine_M2_Click(int index);
    void OneTarget_OM2_Click();
    void AllTargets_OM2_Click();
    void ChangeSetup_OM2_Click();
    void BuilCmd_Click();
    std::int32_t SelectedMachine() const { return selectedMachine_; }
    bool isRunning() const { return running_; }

    // Exit, the shell commands and the windows reached through the menus.
    void ExitCmd_Click();
    void Edit_OM2_Click();
    void Help_HM2_Click();
    void Setup_HM2_Click();
    void About_HM2_Click();

protected:
    // The build for a setup directory and the modal windows of the menus; tests may stand in
    // for them.
    virtual void BuildForSetup(std::vector<std::string>& checkedFiles);
    virtual void ShowImageRemover(const std::string& iconFile);
    // The converter for a picture without images a handheld shows; the icon file saved, if any.
    virtual std::optional<std::string> ShowConverter(const std::string& source);
    virtual void ShowSetupNote();
    virtual void ShowAbout();

    bool event(QEvent* event) override;           // activation sets the caption
    void closeEvent(QCloseEvent* event) override; // stores the build mode

private:
    class RunningState;

    void createWidgets();
    void createMenus();
    void modeToggled(QAction* item);
    void showLicence();
    void storeIconList();   // the list's paths and check marks into the settings
    void restoreIconList(); // and back, at start-up
    void setBuildControlsEnabled(bool enabled);
    void selectRow(int row); // makes row current without running IconList_Click
    std::string entryPath(int row) const;
    QListWidgetItem* newEntry(const std::string& path, bool checked) const;
    void giveFocusToList();

    WindowServices services_;
    std::int32_t selectedMachine_ = kMachineX86; // x86 until start-up selects the stored target
    bool running_ = false;

    IconListWidget* IconList = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* Image2 = nullptr;
    QLabel* nrLbl = nullptr;
    QLabel* IdLbl = nullptr;
    QGroupBox* iconFrame = nullptr;
    QGroupBox* filesFrame = nullptr;
    QGroupBox* targetFrame = nullptr;
    std::array<QToolButton*, 2> MoveCmd{};
    std::array<QRadioButton*, 6> MachineOpt{};
    QPushButton* BuilCmd = nullptr;
    QPushButton* ExitCmd = nullptr;

    std::array<QAction*, 6> Machine_M2{};
    QAction* OneTarget_OM2 = nullptr;
    QAction* AllTargets_OM2 = nullptr;
    QAction* ChangeSetup_OM2 = nullptr;
};

} // namespace gw::ui

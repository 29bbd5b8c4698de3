#pragma once

#include "ui/main_window_settings.h"
#include "ui/window_services.h"

#include <QMainWindow>
#include <optional>
#include <string>
#include <vector>

class QPushButton;

namespace gw::ui {

class DllBuildActions;
class IconListPanel;

// The main window: the list of icon files to pack (IconListPanel), the target machine, the build
// mode and the builds (DllBuildActions), kept from one run to the next (MainWindowSettings),
// with menus that reach every command. Widgets and menu items carry the names of
// object_names::main_window.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(WindowServices services, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Start-up, run once before the window is first shown: the licence text on the first run,
    // then the stored target, build mode and icon list.
    void start();

    // Add: asks for icon files and appends them. Like every list command, it ends with the focus
    // on the list.
    void addIconFiles();
    // Appends the files at the end of the list, checked, in the order given. For a file without
    // an image a handheld shows, the user is offered the converter first; the icon it saves is
    // appended instead.
    void appendIconFiles(const std::vector<std::string>& paths);
    // Adds files handed to the window from outside (dropped, or named on the command line) as
    // Add does, a failure told, and gives the list the focus.
    void addGivenFiles(const std::vector<std::string>& paths);
    // The paths of the checked entries in list order: what a build packs.
    [[nodiscard]] std::vector<std::string> checkedFiles() const;

    // Build: the checked files for the chosen target and mode, with the window busy meanwhile.
    void buildDll();
    [[nodiscard]] bool isRunning() const { return running_; }

    // The commands of the menus beyond the list and the build.
    void confirmExit();
    void removeImagesOfCurrentEntry();
    void editCurrentIcon();
    void showHelp();

protected:
    // The build for a setup directory and the modal windows of the menus; tests may stand in
    // for them.
    virtual void buildForSetup(const std::vector<std::string>& checkedFiles);
    virtual void showImageRemover(const std::string& iconFile);
    // The converter for a picture without images a handheld shows; the icon file saved, if any.
    virtual std::optional<std::string> showConverter(const std::string& source);
    virtual void showSetupNotice();
    virtual void showAbout();

    bool event(QEvent* event) override;           // activation sets the caption
    void closeEvent(QCloseEvent* event) override; // stores the build mode and the list

private:
    class RunningState;

    void createMenus();
    void showLicence();
    void setBuildControlsEnabled(bool enabled);

    WindowServices services_;
    MainWindowSettings settings_;
    IconListPanel* list_ = nullptr;
    DllBuildActions* build_ = nullptr;
    QPushButton* exitButton_ = nullptr;
    bool running_ = false;
};

} // namespace gw::ui

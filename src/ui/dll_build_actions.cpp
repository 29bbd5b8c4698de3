#include "ui/dll_build_actions.h"

#include "common/file_io.h"
#include "common/paths.h"
#include "dll/create_dll.h"
#include "dll/target_machine.h"
#include "ui/icon_dialogs.h"
#include "ui/named_widgets.h"
#include "ui/object_names.h"
#include "ui/ui_settings.h"

#include <QAction>
#include <QGridLayout>
#include <QGroupBox>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>

namespace gw::ui {

namespace {

namespace name = object_names::main_window;

constexpr const char* kBuildCaption = "&Build DLL";

// The captions of the targets, in the order of the target table.
struct TargetCaptions {
    const char* option;
    const char* menu;
};
constexpr std::array<TargetCaptions, 6> kTargetCaptions = {{
    {"x&86 (Emulation)", "&x86 (Win CE Emulation)"},
    {"M&IPS", "M&IPS Processor"},
    {"SH&3", "SH&3 Processor"},
    {"SH&4", "SH&4 Processor"},
    {"AR&M", "AR&M Processor"},
    {"&PPC", "&PPC Processor"},
}};
static_assert(kTargetCaptions.size() == kTargetMachines.size());

// The build modes' menu items, by BuildMode: the object name, the text and what the Build
// button's caption adds while the mode is chosen.
struct ModeItem {
    const char* objectName;
    const char* text;
    const char* captionSuffix;
};
constexpr std::array<ModeItem, kBuildModeCount> kModeItems = {{
    {name::kSelectedTargetItem, "Build for &selected Target", ""},
    {name::kAllTargetsItem, "Build for &all Targets", " (All Targets)"},
    {name::kForSetupItem, "&Create && Change VB6 Setup Files", " (for Setup)"},
}};

} // namespace

DllBuildActions::DllBuildActions(const WindowServices& services, MainWindowSettings& settings,
                                 SetupBuild buildForSetup, QObject* parent)
    : QObject(parent), services_(services), settings_(settings),
      buildForSetup_(std::move(buildForSetup)), selectedMachine_(kMachineX86) {
    targetFrame_ = Named<QGroupBox>(name::kTargetFrame, QStringLiteral("Target Machine:"));
    auto* grid = new QGridLayout(targetFrame_);
    for (std::size_t i = 0; i < targetOptions_.size(); ++i) {
        targetOptions_[i] = Named<QRadioButton>(ArrayName(name::kTargetOptions, i),
                                                QLatin1String(kTargetCaptions[i].option));
        // Only the checked target takes the focus from Tab, so that Tab into the box lands on
        // it; the arrow keys move between the targets.
        targetOptions_[i]->setFocusPolicy(Qt::ClickFocus);
        connect(targetOptions_[i], &QRadioButton::toggled, this, [this, i](bool on) {
            targetOptions_[i]->setFocusPolicy(on ? Qt::StrongFocus : Qt::ClickFocus);
            if (on) {
                targetChosen(i);
            }
        });
        grid->addWidget(targetOptions_[i], int(i / 3), int(i % 3));
    }
    buildButton_ = Named<QPushButton>(name::kBuildButton, QLatin1String(kBuildCaption));
    buildButton_->setToolTip(QStringLiteral("Create Icon DLL(s)"));
}

void DllBuildActions::addTargetItems(QMenu* menu) {
    for (std::size_t i = 0; i < targetItems_.size(); ++i) {
        targetItems_[i] =
            AddNamedItem(menu, ArrayName(name::kTargetItems, i), kTargetCaptions[i].menu, this,
                         [this, i] { selectTarget(i); });
        targetItems_[i]->setCheckable(true);
    }
}

void DllBuildActions::addModeItems(QMenu* menu) {
    for (std::size_t mode = 0; mode < modeItems_.size(); ++mode) {
        QAction* item = menu->addAction(QLatin1String(kModeItems[mode].text));
        item->setObjectName(kModeItems[mode].objectName);
        item->setCheckable(true);
        connect(item, &QAction::triggered, this, [this, item] { modeToggled(item); });
        modeItems_[mode] = item;
    }
}

// ---- The target

void DllBuildActions::selectTarget(std::size_t index) {
    QRadioButton* option = targetOptions_[index];
    if (option->isChecked()) {
        targetChosen(index); // puts back the check mark the menu has just taken away
    } else {
        option->setChecked(true);
    }
}

void DllBuildActions::targetChosen(std::size_t index) {
    selectedMachine_ = kTargetMachines[index].machine;
    for (std::size_t i = 0; i < targetItems_.size(); ++i) {
        targetItems_[i]->setChecked(i == index);
    }
    services_.runOrShowFailure([&] { settings_.saveTargetIndex(index); });
}

// ---- The build mode

void DllBuildActions::restoreModeMarks(const BuildModeMarks& marks) {
    for (std::size_t mode = 0; mode < modeItems_.size(); ++mode) {
        if (marks[mode]) {
            modeItems_[mode]->trigger();
        }
    }
}

BuildModeMarks DllBuildActions::modeMarks() const {
    BuildModeMarks marks{};
    for (std::size_t mode = 0; mode < modeItems_.size(); ++mode) {
        marks[mode] = modeItems_[mode]->isChecked();
    }
    return marks;
}

void DllBuildActions::modeToggled(QAction* item) {
    // The menu has already inverted the item's check mark.
    QString caption = QLatin1String(kBuildCaption);
    for (std::size_t mode = 0; mode < modeItems_.size() && item->isChecked(); ++mode) {
        if (modeItems_[mode] == item) {
            caption += QLatin1String(kModeItems[mode].captionSuffix);
        } else {
            modeItems_[mode]->setChecked(false);
        }
    }
    buildButton_->setText(caption);
}

void DllBuildActions::setEnabled(bool enabled) {
    targetFrame_->setEnabled(enabled);
    buildButton_->setEnabled(enabled);
}

// ---- The builds

void DllBuildActions::build(const std::vector<std::string>& checkedFiles) {
    const BuildModeMarks marks = modeMarks();
    if (marks[std::size_t(BuildMode::AllTargets)]) {
        buildAllTargets(checkedFiles);
    } else if (marks[std::size_t(BuildMode::ForSetup)]) {
        buildForSetup_(checkedFiles);
    } else {
        buildSelectedTarget(checkedFiles);
    }
}

// Asks for the output DLL in a save dialog that starts in the folder of the last build (else
// the program's folder, else Documents) and offers initialName. Nothing when the user cancels.
// The builds store the chosen folder under "Path"/"Build" once their DLLs are written.
std::optional<std::string> DllBuildActions::askOutputDllPath(const std::string& initialName) const {
    services::FileDialogRequest request;
    request.title = "Enter output DLL file name";
    request.filter = "Dll Files (*.dll)";
    request.defaultExtension = "dll";
    request.initialName = initialName;
    return AskSaveFile(services_, key::kBuild, FolderKind::Dlls, request);
}

// One DLL for the selected machine, offered as "<target>.Icons.dll".
void DllBuildActions::buildSelectedTarget(const std::vector<std::string>& checkedFiles) {
    const auto path = askOutputDllPath(TargetName(selectedMachine_) + ".Icons.dll");
    if (!path) {
        return;
    }
    CreateDll(selectedMachine_, PathsFromUtf8(checkedFiles), PathFromUtf8(*path),
              services_.pumpEvents());
    RememberFolder(services_, key::kBuild, *path);
    services_.messages.show(
        Message{"DLL has been built as:\r\n\r\n" + *path, "Finished", MessageIcon::Information});
}

// The selected machine's DLL under the chosen name, then one per target under that name with
// the target's suffix appended (Icons.dll.X86 ... Icons.dll.PPC).
void DllBuildActions::buildAllTargets(const std::vector<std::string>& checkedFiles) {
    const auto path = askOutputDllPath("*.dll");
    if (!path) {
        return;
    }
    std::vector<DllTarget> dlls = {{selectedMachine_, PathFromUtf8(*path)}};
    for (const TargetMachine& target : kTargetMachines) {
        dlls.push_back({target.machine, PathFromUtf8(*path + target.suffix)});
    }
    CreateDlls(PathsFromUtf8(checkedFiles), dlls, services_.pumpEvents());
    RememberFolder(services_, key::kBuild, *path);
    services_.messages.show(Message{"All Targets have been built with their default extensions."
                                    "\r\n\r\nDLL (for: " +
                                        TargetName(selectedMachine_) + ") has been built as:\r\n" +
                                        *path,
                                    "Done...", MessageIcon::Information});
}

} // namespace gw::ui

#include "ui/main_window.h"

#include "common/error.h"
#include "common/file_io.h"
#include "common/paths.h"
#include "common/text.h"
#include "dll/create_dll.h"
#include "dll/target_machine.h"
#include "icons/icon_files.h"
#include "icons/image_sources.h"
#include "platform/qt_text.h"
#include "setup/setup_rewrite.h"
#include "ui/about_window.h"
#include "ui/cab_progress_window.h"
#include "ui/convert_window.h"
#include "ui/dll_build_actions.h"
#include "ui/extension_window.h"
#include "ui/help.h"
#include "ui/icon_dialogs.h"
#include "ui/icon_list_widget.h"
#include "ui/image_remover_window.h"
#include "ui/named_widgets.h"
#include "ui/setup_notice_window.h"
#include "ui/text_file_window.h"
#include "ui/ui_settings.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMenuBar>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <climits>

// The window's icon is compiled into the library; a static library registers it on request.
static void registerResources() {
    Q_INIT_RESOURCE(glyphwright);
}

namespace gw::ui {

namespace {

constexpr const char* kCaption = "VBCE Icon DLL's";
constexpr const char* kRunningCaption = "Running...    ";
constexpr const char* kBuildCaption = "&Build DLL";
constexpr int kPathRole = Qt::UserRole;
// Appended to the text of an entry whose file is not there.
constexpr const char* kMissingMark = "  (missing)";
// The extension a setup directory is checked with before the user has chosen one.
constexpr const char* kTrialExtension = "ico";

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

QLabel* boldLabel(const char* name, const char* toolTip) {
    QLabel* label = namedLabel(QLatin1String(name));
    label->setToolTip(QLatin1String(toolTip));
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("-00000")));
    return label;
}

QPushButton* button(const char* name, const char* text, const char* toolTip) {
    auto* b = new QPushButton(QLatin1String(text));
    b->setObjectName(QLatin1String(name));
    b->setToolTip(QLatin1String(toolTip));
    return b;
}

// The stored target index; anything but a number from 0 to 5 gives the first target.
int storedTargetIndex(const std::string& text) {
    return static_cast<int>(ParseDecimal(Trim(text, " "), kTargetMachines.size() - 1).value_or(0));
}

} // namespace

// While a build runs the window says so in its caption, shows the busy pointer and takes no
// input in its frames and buttons; it leaves that state however the build ends.
class CreateDLL_Frm::RunningState {
public:
    explicit RunningState(CreateDLL_Frm& window) : window_(window), caption_(window.windowTitle()) {
        window_.running_ = true;
        window_.setWindowTitle(QLatin1String(kRunningCaption));
        QApplication::setOverrideCursor(Qt::WaitCursor);
        window_.setBuildControlsEnabled(false);
    }
    ~RunningState() {
        window_.setBuildControlsEnabled(true);
        QApplication::restoreOverrideCursor();
        window_.setWindowTitle(caption_);
        window_.running_ = false;
    }
    RunningState(const RunningState&) = delete;
    RunningState& operator=(const RunningState&) = delete;

private:
    CreateDLL_Frm& window_;
    QString caption_;
};

CreateDLL_Frm::CreateDLL_Frm(WindowServices services, QWidget* parent)
    : QMainWindow(parent), services_(std::move(services)) {
    registerResources();
    setObjectName(QStringLiteral("CreateDLL_Frm"));
    setWindowTitle(QLatin1String(kCaption));
    setWindowIcon(QIcon(QStringLiteral(":/glyphwright/glyphwright.ico")));
    createWidgets();
    createMenus();
    resize(sizeHint().expandedTo(QSize(520, 560)));
}

CreateDLL_Frm::~CreateDLL_Frm() = default;

void CreateDLL_Frm::createWidgets() {
    auto* central = new QWidget(this);
    setCentralWidget(central);

    IconList = new IconListWidget;
    IconList->setObjectName(QStringLiteral("IconList"));
    IconList->setToolTip(QStringLiteral("Click To View or DblClick for Images"));
    auto* listLabel = new QLabel(QStringLiteral("Icons &List:"));
    listLabel->setBuddy(IconList);
    connect(IconList, &QListWidget::currentRowChanged, this, [this] { IconList_Click(); });
    connect(IconList, &QListWidget::itemDoubleClicked, this, [this] { IconList_DblClick(); });
    connect(IconList, &IconListWidget::iconFilesDropped, this, [this](const QStringList& files) {
        std::vector<std::string> paths;
        for (const QString& file : files) {
            paths.push_back(file.toStdString());
        }
        AppendIconFiles(paths);
        giveFocusToList();
    });

    const int large = style()->pixelMetric(QStyle::PM_LargeIconSize);
    const int small = style()->pixelMetric(QStyle::PM_SmallIconSize);
    Image1 = pictureBox(QStringLiteral("Image1"), QStringLiteral("Large Icon Image"), large + 6);
    Image2 = pictureBox(QStringLiteral("Image2"),
                        QStringLiteral("Small Icon Image (When available)"), small + 6);
    auto* pictures = new QVBoxLayout;
    pictures->addWidget(Image1, 0, Qt::AlignHCenter);
    pictures->addWidget(Image2, 0, Qt::AlignHCenter);
    pictures->addStretch();
    auto* listRow = new QHBoxLayout;
    listRow->addWidget(IconList, 1);
    listRow->addLayout(pictures);

    iconFrame = new QGroupBox(QStringLiteral("Icon:"));
    iconFrame->setObjectName(QStringLiteral("IconFrame"));
    const std::array<std::pair<Qt::ArrowType, const char*>, 2> moves = {
        {{Qt::UpArrow, "Move Icon file UP on the List"},
         {Qt::DownArrow, "Move Icon file DOWN on the List"}}};
    for (std::size_t i = 0; i < MoveCmd.size(); ++i) {
        MoveCmd[i] = new QToolButton;
        MoveCmd[i]->setObjectName(arrayName("MoveCmd", i));
        MoveCmd[i]->setArrowType(moves[i].first);
        MoveCmd[i]->setToolTip(QLatin1String(moves[i].second));
        connect(MoveCmd[i], &QToolButton::clicked, this, [this, i] { MoveCmd_Click(int(i)); });
    }
    auto* moveLabel = new QLabel(QStringLiteral("Mo&ve:"));
    moveLabel->setBuddy(MoveCmd[0]);
    nrLbl = boldLabel("nrLbl", "Nr. of Images in this Icon file");
    IdLbl = boldLabel("IdLbl", "ID of this Icon in the DLL (Press Remove Unchecked first)");
    auto* iconGrid = new QGridLayout(iconFrame);
    iconGrid->addWidget(moveLabel, 0, 0);
    iconGrid->addWidget(MoveCmd[0], 0, 1);
    iconGrid->addWidget(MoveCmd[1], 0, 2);
    iconGrid->addWidget(new QLabel(QStringLiteral("Images:")), 1, 0);
    iconGrid->addWidget(nrLbl, 1, 1, 1, 2);
    iconGrid->addWidget(new QLabel(QStringLiteral("ID:")), 2, 0);
    iconGrid->addWidget(IdLbl, 2, 1, 1, 2);

    filesFrame = new QGroupBox(QStringLiteral("Icon Files:"));
    filesFrame->setObjectName(QStringLiteral("FilesFrame"));
    auto* addCmd = button("AddCmd", "&Add", "Add an Icon file to the List");
    auto* removeCmd = button("RemoveCmd", "&Remove", "Remove an Icon file from the List");
    auto* uncheckedCmd =
        button("CUnchkCmd", "Remove &Unchecked", "Remove all Unchecked Icon files from the List");
    auto* allCmd = button("Command1", "Remo&ve All", "Remove all Icon files from the List");
    connect(addCmd, &QPushButton::clicked, this, [this] { AddCmd_Click(); });
    connect(removeCmd, &QPushButton::clicked, this, [this] { RemoveCmd_Click(); });
    connect(uncheckedCmd, &QPushButton::clicked, this, [this] { CUnchkCmd_Click(); });
    connect(allCmd, &QPushButton::clicked, this, [this] { Command1_Click(); });
    auto* filesGrid = new QGridLayout(filesFrame);
    filesGrid->addWidget(addCmd, 0, 0);
    filesGrid->addWidget(removeCmd, 0, 1);
    filesGrid->addWidget(uncheckedCmd, 1, 0);
    filesGrid->addWidget(allCmd, 1, 1);

    auto* frames = new QHBoxLayout;
    frames->addWidget(iconFrame);
    frames->addWidget(filesFrame, 1);

    targetFrame = new QGroupBox(QStringLiteral("Target Machine:"));
    targetFrame->setObjectName(QStringLiteral("TargetFrame"));
    auto* targetGrid = new QGridLayout(targetFrame);
    for (std::size_t i = 0; i < MachineOpt.size(); ++i) {
        MachineOpt[i] = new QRadioButton(QLatin1String(kTargetCaptions[i].option));
        MachineOpt[i]->setObjectName(arrayName("MachineOpt", i));
        connect(MachineOpt[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on) {
                MachineOpt_Click(int(i));
            }
        });
        targetGrid->addWidget(MachineOpt[i], int(i / 3), int(i % 3));
    }

    BuilCmd = button("BuilCmd", kBuildCaption, "Create Icon DLL(s)");
    ExitCmd = button("ExitCmd", "E&xit", "");
    connect(BuilCmd, &QPushButton::clicked, this, [this] { BuilCmd_Click(); });
    connect(ExitCmd, &QPushButton::clicked, this, [this] { ExitCmd_Click(); });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BuilCmd);
    buttons->addWidget(ExitCmd);

    auto* layout = new QVBoxLayout(central);
    layout->addWidget(listLabel);
    layout->addLayout(listRow, 1);
    layout->addLayout(frames);
    layout->addWidget(targetFrame);
    layout->addLayout(buttons);
}

void CreateDLL_Frm::createMenus() {
    const auto menu = [this](const char* name, const char* title) {
        return addNamedMenu(menuBar(), name, title);
    };
    const auto item = [this](QMenu* m, const QString& name, const char* text, auto handler) {
        return addNamedItem(m, name, text, this, handler);
    };
    const auto named = [](const char* name) { return QLatin1String(name); };

    QMenu* file = menu("File_FM1", "&File");
    item(file, named("AddIcon_FM2"), "&Add Icon Files", [this] { AddCmd_Click(); });
    item(file, named("RemoveIcon_FM2"), "&Remove Icon File", [this] { RemoveCmd_Click(); });
    file->addSeparator();
    item(file, named("Exit_FM2"), "E&xit", [this] { ExitCmd_Click(); });

    QMenu* edit = menu("Edit_EM1", "&Edit");
    item(edit, arrayName("Move_EM2", 0), "Move File &Up", [this] { MoveCmd_Click(0); });
    item(edit, arrayName("Move_EM2", 1), "Move File &Down", [this] { MoveCmd_Click(1); });
    edit->addSeparator();
    item(edit, named("Clean_EM2"), "&Remove Unchecked Files", [this] { CUnchkCmd_Click(); });
    item(edit, named("CleanAll_EM2"), "Remove &All Files", [this] { Command1_Click(); });

    QMenu* target = menu("Machine_M1", "&Target");
    for (std::size_t i = 0; i < Machine_M2.size(); ++i) {
        Machine_M2[i] = item(target, arrayName("Machine_M2", i), kTargetCaptions[i].menu,
                             [this, i] { Machine_M2_Click(int(i)); });
        Machine_M2[i]->setCheckable(true);
    }

    QMenu* tools = menu("Tools_OM1", "T&ools");
    item(tools, named("Remove_OM2"), "&Remove Images from Icon", [this] { Remove_OM2_Click(); });
    item(tools, named("Edit_OM2"), "&Edit Icon", [this] { Edit_OM2_Click(); });

    QMenu* options = menu("Options_OM1", "&Options");
    for (QAction** mode : {&OneTarget_OM2, &AllTargets_OM2, &ChangeSetup_OM2}) {
        *mode = options->addAction(QString());
        (*mode)->setCheckable(true);
        QAction* action = *mode;
        connect(action, &QAction::triggered, this, [this, action] { modeToggled(action); });
    }
    OneTarget_OM2->setObjectName(QStringLiteral("OneTarget_OM2"));
    OneTarget_OM2->setText(QStringLiteral("Build for &selected Target"));
    AllTargets_OM2->setObjectName(QStringLiteral("AllTargets_OM2"));
    AllTargets_OM2->setText(QStringLiteral("Build for &all Targets"));
    ChangeSetup_OM2->setObjectName(QStringLiteral("ChangeSetup_OM2"));
    ChangeSetup_OM2->setText(QStringLiteral("&Create && Change VB6 Setup Files"));

    QMenu* help = menu("Help_HM1", "&Help");
    item(help, named("Help_HM2"), "&Help", [this] { Help_HM2_Click(); });
    item(help, named("Setup_HM2"), "&Setup Message", [this] { Setup_HM2_Click(); });
    help->addSeparator();
    item(help, named("About_HM2"), "&About", [this] { About_HM2_Click(); });
}

// ---- Start-up, caption and closing

void CreateDLL_Frm::Form_Load() {
    try {
        if (ReadsAsTrue(services_.settings.get(kOptions, key::kFirstRun, "True"))) {
            showLicence();
            services_.settings.save(kOptions, key::kFirstRun, BoolText(false));
        }
        const int target = storedTargetIndex(services_.settings.get(kOptions, key::kTarget, "0"));
        if (MachineOpt[std::size_t(target)]->isChecked()) {
            MachineOpt_Click(target);
        } else {
            MachineOpt[std::size_t(target)]->setChecked(true);
        }
        if (ReadsAsTrue(services_.settings.get(kOptions, key::kOneTarget, "True"))) {
            OneTarget_OM2_Click();
        }
        if (ReadsAsTrue(services_.settings.get(kOptions, key::kAllTargets, "False"))) {
            AllTargets_OM2_Click();
        }
        if (ReadsAsTrue(services_.settings.get(kOptions, key::kChangeSetup, "False"))) {
            ChangeSetup_OM2_Click();
        }
        restoreIconList();
    } catch (const std::exception& e) {
        services_.showFailure(e.what());
    }
}

void CreateDLL_Frm::showLicence() {
    const std::string licence = JoinPath(services_.programDirectory, "License.txt");
    if (services_.runAndWait) {
        // Quoted, so that a program folder with blanks in its name reaches Notepad whole.
        if (!services_.runAndWait("Notepad \"" + licence + "\"")) {
            services_.showFailure(
                licence + ": the licence text cannot be shown: Notepad could not be started");
        }
        return;
    }
    try {
        ShowTextFile(licence, "License", this);
    } catch (const std::exception& e) {
        services_.showFailure(std::string(e.what()) + "\r\n\r\nThe licence text cannot be shown.");
    }
}

bool CreateDLL_Frm::event(QEvent* event) {
    // Form_Activate. A build keeps its "Running..." caption until it ends, even when one of its
    // dialogs hands the activation back to the window.
    if (event->type() == QEvent::WindowActivate && !running_) {
        setWindowTitle(QLatin1String(kCaption));
    }
    return QMainWindow::event(event);
}

void CreateDLL_Frm::closeEvent(QCloseEvent* event) {
    // Form_QueryUnload: the build mode is kept for the next start; closing is never refused.
    try {
        services_.settings.save(kOptions, key::kOneTarget, BoolText(OneTarget_OM2->isChecked()));
        services_.settings.save(kOptions, key::kAllTargets, BoolText(AllTargets_OM2->isChecked()));
        services_.settings.save(kOptions, key::kChangeSetup,
                                BoolText(ChangeSetup_OM2->isChecked()));
        storeIconList();
    } catch (const std::exception& e) {
        services_.showFailure(e.what());
    }
    event->accept();
}

// The list is kept as its number of entries and, per entry, its path and check mark.
void CreateDLL_Frm::storeIconList() {
    services_.settings.save(kIconList, key::kCount, std::to_string(IconList->count()));
    for (int row = 0; row < IconList->count(); ++row) {
        const std::string n = std::to_string(row);
        services_.settings.save(kIconList, std::string(key::kFile) + n, entryPath(row));
        services_.settings.save(kIconList, std::string(key::kChecked) + n,
                                BoolText(IconList->item(row)->checkState() == Qt::Checked));
    }
}

void CreateDLL_Frm::restoreIconList() {
    const auto count = ParseDecimal(services_.settings.get(kIconList, key::kCount, "0"), INT_MAX);
    if (!count) {
        return; // not a count this program wrote: the list starts empty
    }
    const QSignalBlocker quiet(IconList);
    for (int row = 0; row < static_cast<int>(*count); ++row) {
        const std::string n = std::to_string(row);
        const std::string path = services_.settings.get(kIconList, std::string(key::kFile) + n, "");
        if (!path.empty()) {
            IconList->addItem(
                newEntry(path, ReadsAsTrue(services_.settings.get(
                                   kIconList, std::string(key::kChecked) + n, "True"))));
        }
    }
    selectRow(-1);
}

void CreateDLL_Frm::ExitCmd_Click() {
    const MessageAnswer answer = services_.messages.show(
        Message{"Exit Program?", "", MessageIcon::Question, MessageButtons::YesNo});
    if (answer == MessageAnswer::Yes) {
        close();
    }
}

// ---- The icon list

std::string CreateDLL_Frm::entryPath(int row) const {
    return IconList->item(row)->data(kPathRole).toByteArray().toStdString();
}

QListWidgetItem* CreateDLL_Frm::newEntry(const std::string& path, bool checked) const {
    auto* entry = new QListWidgetItem(qs(path));
    entry->setData(kPathRole, QByteArray::fromStdString(path)); // the path exactly as chosen
    std::error_code ec;
    if (!std::filesystem::exists(PathFromUtf8(path), ec)) {
        // Kept in the list (it may come back, on a drive plugged in again), but said to be gone.
        entry->setText(qs(path) + QLatin1String(kMissingMark));
        entry->setToolTip(QStringLiteral("This file is missing"));
        entry->setForeground(QPalette().brush(QPalette::Disabled, QPalette::Text));
    }
    entry->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    entry->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    return entry;
}

void CreateDLL_Frm::selectRow(int row) {
    const QSignalBlocker quiet(IconList);
    IconList->setCurrentRow(row);
    if (row < 0) {
        IconList->clearSelection();
    }
}

void CreateDLL_Frm::giveFocusToList() {
    IconList->setFocus(Qt::OtherFocusReason);
}

void CreateDLL_Frm::AppendIconFiles(const std::vector<std::string>& paths) {
    // The current entry stays as it is; the list's own signals would report a change.
    const int current = IconList->currentRow();
    for (const std::string& path : paths) {
        std::optional<std::string> converted;
        if (HoldsNoHandheldImage(PathFromUtf8(path)) &&
            services_.messages.show(Message{
                path + "\r\n\r\nholds no image that a Windows CE handheld shows (palette images "
                       "of 1, 4 or 8 bits per pixel).\r\n\r\nConvert for handhelds…?",
                "Add Icon", MessageIcon::Question, MessageButtons::YesNo}) == MessageAnswer::Yes) {
            converted = ShowConverter(path);
        }
        IconList->addItem(newEntry(converted.value_or(path), true));
    }
    selectRow(current);
}

void CreateDLL_Frm::AddCmd_Click() {
    try {
        platform::FileDialogRequest request =
            IconOpenRequest(services_, key::kOpen, "Select Icons");
        request.allowMultiple = true;
        // Pictures are offered too: they can be converted for handhelds as they are added.
        request.filter = "Icons and pictures (*.ico *.png *.bmp);;Icons (*.ico)";
        const std::vector<std::string> files = services_.dialogs.openFiles(request);
        if (!files.empty()) {
            AppendIconFiles(files);
            RememberFolder(services_, key::kOpen, files.front());
        }
    } catch (const std::exception& e) {
        services_.showFailure(e.what());
    }
    giveFocusToList();
}

void CreateDLL_Frm::RemoveCmd_Click() {
    const int row = IconList->currentRow();
    if (row >= 0) {
        {
            const QSignalBlocker quiet(IconList);
            delete IconList->takeItem(row);
        }
        selectRow(-1);
        IconList_Click();
    }
    giveFocusToList();
}

void CreateDLL_Frm::CUnchkCmd_Click() {
    const int current = IconList->currentRow();
    QListWidgetItem* kept = current >= 0 && IconList->item(current)->checkState() == Qt::Checked
                                ? IconList->item(current)
                                : nullptr;
    {
        const QSignalBlocker quiet(IconList);
        for (int row = 0; row < IconList->count();) {
            if (IconList->item(row)->checkState() == Qt::Checked) {
                ++row;
            } else {
                delete IconList->takeItem(row);
            }
        }
    }
    selectRow(kept ? IconList->row(kept) : -1);
    IconList_Click();
    giveFocusToList();
}

void CreateDLL_Frm::Command1_Click() {
    {
        const QSignalBlocker quiet(IconList);
        IconList->clear();
    }
    selectRow(-1);
    IconList_Click();
    giveFocusToList();
}

void CreateDLL_Frm::MoveCmd_Click(int index) {
    const int row = IconList->currentRow();
    const int target = index == 0 ? row - 1 : row + 1;
    if (row >= 0 && target >= 0 && target < IconList->count()) {
        {
            const QSignalBlocker quiet(IconList);
            const std::string path = entryPath(row);
            const bool checked = IconList->item(row)->checkState() == Qt::Checked;
            delete IconList->takeItem(row);
            IconList->insertItem(target, newEntry(path, checked));
        }
        selectRow(target);
        IconList_Click();
    }
    giveFocusToList();
}

void CreateDLL_Frm::IconList_Click() {
    const int row = IconList->currentRow();
    if (row < 0) {
        // No current entry: nothing is shown, so a removed entry leaves no picture behind.
        Image1->clear();
        Image2->clear();
        nrLbl->clear();
        IdLbl->clear();
        return;
    }
    const std::string path = entryPath(row);
    try {
        nrLbl->setText(QString::number(ReadIconCount(PathFromUtf8(path))));
    } catch (const std::exception&) {
        nrLbl->clear(); // not a readable icon file: no count; a build names the cause
    }
    const QIcon icon(qs(path));
    const int large = style()->pixelMetric(QStyle::PM_LargeIconSize);
    const int small = style()->pixelMetric(QStyle::PM_SmallIconSize);
    Image1->setPixmap(icon.pixmap(QSize(large, large)));
    Image2->setPixmap(icon.pixmap(QSize(small, small)));
    IdLbl->setText(QString::number(-(kFirstGroupId + row)));
}

void CreateDLL_Frm::Remove_OM2_Click() {
    const int row = IconList->currentRow();
    try {
        ShowImageRemover(row >= 0 ? entryPath(row) : std::string());
    } catch (const std::exception& e) {
        services_.showFailure(e.what());
    }
    IconList_Click();
    giveFocusToList();
}

void CreateDLL_Frm::IconList_DblClick() {
    // The list's check box is not touched by a double-click on an entry's text, so the mark
    // stays as it was without any undoing.
    if (IconList->currentRow() >= 0) {
        Remove_OM2_Click();
    }
}

std::vector<std::string> CreateDLL_Frm::CheckedFiles() const {
    std::vector<std::string> files;
    for (int row = 0; row < IconList->count(); ++row) {
        if (IconList->item(row)->checkState() == Qt::Checked) {
            files.push_back(entryPath(row));
        }
    }
    return files;
}

// ---- Target, build mode and build

void CreateDLL_Frm::MachineOpt_Click(int index) {
    selectedMachine_ = kTargetMachines[std::size_t(index)].machine;
    for (std::size_t i = 0; i < Machine_M2.size(); ++i) {
        Machine_M2[i]->setChecked(int(i) == index);
    }
    try {
        services_.settings.save(kOptions, key::kTarget, std::to_string(index));
    } catch (const std::exception& e) {
        services_.showFailure(e.what());
    }
}

void CreateDLL_Frm::Machine_M2_Click(int index) {
    QRadioButton* option = MachineOpt[std::size_t(index)];
    if (option->isChecked()) {
        MachineOpt_Click(index); // puts back the check mark the menu has just taken away
    } else {
        option->setChecked(true);
    }
}

void CreateDLL_Frm::OneTarget_OM2_Click() {
    OneTarget_OM2->trigger();
}
void CreateDLL_Frm::AllTargets_OM2_Click() {
    AllTargets_OM2->trigger();
}
void CreateDLL_Frm::ChangeSetup_OM2_Click() {
    ChangeSetup_OM2->trigger();
}

void CreateDLL_Frm::modeToggled(QAction* item) {
    // The menu has already inverted the item's check mark.
    QString caption = QLatin1String(kBuildCaption);
    if (item->isChecked()) {
        for (QAction* other : {OneTarget_OM2, AllTargets_OM2, ChangeSetup_OM2}) {
            if (other != item) {
                other->setChecked(false);
            }
        }
        if (item == AllTargets_OM2) {
            caption += QStringLiteral(" (All Targets)");
        } else if (item == ChangeSetup_OM2) {
            caption += QStringLiteral(" (for Setup)");
        }
    }
    BuilCmd->setText(caption);
}

void CreateDLL_Frm::setBuildControlsEnabled(bool enabled) {
    for (QWidget* control : {static_cast<QWidget*>(iconFrame), static_cast<QWidget*>(filesFrame),
                             static_cast<QWidget*>(targetFrame), static_cast<QWidget*>(BuilCmd),
                             static_cast<QWidget*>(ExitCmd)}) {
        control->setEnabled(enabled);
    }
}

void CreateDLL_Frm::BuilCmd_Click() {
    if (IconList->count() == 0) {
        services_.messages.show(
            Message{"Please add some Icons to the List...", "Build DLL", MessageIcon::Information});
        return;
    }
    std::vector<std::string> files = CheckedFiles();
    if (files.empty()) {
        // A DLL needs at least one icon; refused here rather than failing inside the build.
        services_.messages.show(Message{"Please check at least one Icon on the List...",
                                        "Build DLL", MessageIcon::Information});
        return;
    }
    const RunningState running(*this);
    try {
        if (AllTargets_OM2->isChecked()) {
            BuildAllTargets(services_, selectedMachine_, files);
        } else if (ChangeSetup_OM2->isChecked()) {
            BuildForSetup(files);
        } else {
            BuildSelectedTarget(services_, selectedMachine_, files);
        }
    } catch (const std::exception& e) {
        services_.showFailure(std::string("The DLL has not been built:\r\n\r\n") + e.what(),
                              "Build DLL");
    }
}

void CreateDLL_Frm::BuildForSetup(std::vector<std::string>& checkedFiles) {
    if (!ReadsAsTrue(services_.settings.get(kOptions, key::kDontShowSetupNote, ""))) {
        ShowSetupNote();
    }
    platform::FileDialogRequest request;
    request.title = "Select the application Setup Directory and enter DLL file name";
    request.filter = "Dll Files (*.dll)";
    request.defaultExtension = "dll";
    request.initialName = "Icons.dll";
    request.initialDirectory =
        StartFolder(services_.settings.get(kPath, key::kSetup, ""), FolderKind::Dlls);
    request.overwritePrompt = true;
    const std::optional<std::string> chosen = services_.dialogs.saveFile(request);
    if (!chosen) {
        return;
    }
    // Kept before the directory is checked, so that a wrong choice is offered again to mend.
    const std::string setupDir = GetDirectory(*chosen, true);
    services_.settings.save(kPath, key::kSetup, setupDir);
    const std::string dllName = GetFileName(*chosen);

    // Everything the rewrite reads is read and checked before anything is written: the README
    // and its cab builder line, the INF, and a trial plan under a stand-in extension that finds
    // an INF which cannot be rewritten. Then the "Icons" folder and the x86 DLL, the extension,
    // and the rewrite with the cab builder under a progress window that can stop it. Failures
    // are told with the application's title, as the rewrite words them.
    SetupReport report;
    CabProgressFrm progress(services_.events, this);
    try {
        const std::filesystem::path setupPath = PathFromUtf8(setupDir);
        const std::vector<std::filesystem::path> icons = PathsFromUtf8(checkedFiles);
        SetupInputs inputs = GatherSetupInputs({setupPath, dllName, icons, kTrialExtension});
        MakeSetupPlan(inputs);
        PrepareSetupDirectory(setupPath, dllName, icons, services_.pumpEvents());
        {
            ExtensionFrm extension(services_, *inputs.Request.Extension, this);
            extension.exec();
        }
        services_.events.processEvents(); // the closed window is painted over at once
        const SetupPlan plan = MakeSetupPlan(inputs);
        report = ExecuteSetupPlan(plan, progress.builderOptions(), services_.pumpEvents());
    } catch (const Error& e) {
        progress.hide();
        if (progress.stopRequested()) {
            services_.messages.show(Message{"The cab builder was stopped, so the cabinets in "
                                            "the \"CD1\" directory were left as they were.",
                                            "Stopped", MessageIcon::Information});
        } else {
            services_.showFailure(e.what());
        }
        return;
    }
    progress.hide();
    for (const std::string& note : report.Notes) {
        services_.messages.show(Message{note, "", MessageIcon::Exclamation});
    }
    services_.messages.show(
        Message{"The Icon DLL's have been built and the Setup Files have been changed "
                "accordingly.\r\n\r\nEverything required to install your application is in the "
                "\"CD1\" directory.",
                "Done...", MessageIcon::Information});
}

// ---- Tools and Help

void CreateDLL_Frm::Edit_OM2_Click() {
    const int row = IconList->currentRow();
    if (row < 0) {
        return;
    }
    if (!services_.shell.open(entryPath(row))) {
        services_.showFailure("No default Icon Editor (.ico files) is configured on your system.",
                              "Edit Icon");
    }
}

void CreateDLL_Frm::Help_HM2_Click() {
    if (!services_.shell.open(HelpAddress(services_.programDirectory))) {
        // Nothing opens web pages here: say so, and where the page is to open by hand.
        services_.messages.show(Message{"No program on this system opens the help page. It is "
                                        "here:\r\n\r\n" +
                                            JoinPath(services_.programDirectory, "help.htm"),
                                        "Help", MessageIcon::Information});
    }
}

void CreateDLL_Frm::Setup_HM2_Click() {
    try {
        ShowSetupNote();
    } catch (const std::exception& e) {
        services_.showFailure(e.what());
    }
}

void CreateDLL_Frm::About_HM2_Click() {
    ShowAbout();
}

void CreateDLL_Frm::ShowImageRemover(const std::string& iconFile) {
    RmvImgFrm remover(services_, this);
    remover.setFile(iconFile);
    remover.Run();
}

std::optional<std::string> CreateDLL_Frm::ShowConverter(const std::string& source) {
    ConvertFrm converter(services_, source, this);
    return converter.Run();
}

void CreateDLL_Frm::ShowSetupNote() {
    SetupNote note(services_, this);
    note.exec();
}

void CreateDLL_Frm::ShowAbout() {
    frmAbout about(services_.shell, this);
    about.exec();
}

} // namespace gw::ui

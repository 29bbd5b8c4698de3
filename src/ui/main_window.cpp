#include "ui/main_window.h"

#include "common/file_io.h"
#include "common/paths.h"
#include "icons/image_sources.h"
#include "ui/about_dialog.h"
#include "ui/convert_window.h"
#include "ui/dll_build_actions.h"
#include "ui/help.h"
#include "ui/icon_dialogs.h"
#include "ui/icon_list_panel.h"
#include "ui/image_remover_window.h"
#include "ui/named_widgets.h"
#include "ui/object_names.h"
#include "ui/screen_fit.h"
#include "ui/setup_build.h"
#include "ui/setup_notice_dialog.h"
#include "ui/text_file_window.h"
#include "ui/ui_settings.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeySequence>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>

// The window's icon is compiled into the library; a static library registers it on request.
static void RegisterResources() {
    Q_INIT_RESOURCE(glyphwright);
}

namespace gw::ui {

namespace {

namespace name = object_names::main_window;

constexpr const char* kCaption = "VBCE Icon DLL's";
constexpr const char* kRunningCaption = "Running...    ";

} // namespace

// While a build runs the window says so in its caption, shows the busy pointer and takes no
// input in its frames and buttons; it leaves that state however the build ends.
class MainWindow::RunningState {
public:
    explicit RunningState(MainWindow& window) : window_(window), caption_(window.windowTitle()) {
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
    MainWindow& window_;
    QString caption_;
};

MainWindow::MainWindow(WindowServices services, QWidget* parent)
    : QMainWindow(parent), services_(std::move(services)), settings_(services_.settings) {
    RegisterResources();
    setObjectName(name::kWindow);
    setWindowTitle(QLatin1String(kCaption));
    setWindowIcon(QIcon(QStringLiteral(":/glyphwright/glyphwright.ico")));

    list_ = new IconListPanel;
    connect(list_, &IconListPanel::addClicked, this, [this] { addIconFiles(); });
    connect(list_, &IconListPanel::iconFilesDropped, this,
            [this](const std::vector<std::string>& paths) { addGivenFiles(paths); });
    connect(list_, &IconListPanel::entryDoubleClicked, this, [this] {
        // The list's check box is not touched by a double-click on an entry's text, so the mark
        // stays as it was without any undoing.
        if (list_->currentFile()) {
            removeImagesOfCurrentEntry();
        }
    });
    build_ = new DllBuildActions(
        services_, settings_,
        [this](const std::vector<std::string>& files) { buildForSetup(files); }, this);
    connect(build_->buildButton(), &QPushButton::clicked, this, [this] { buildDll(); });
    exitButton_ = Named<QPushButton>(name::kExitButton, QStringLiteral("E&xit"));
    connect(exitButton_, &QPushButton::clicked, this, [this] { confirmExit(); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(build_->buildButton());
    buttons->addWidget(exitButton_);
    auto* central = new QWidget(this);
    setCentralWidget(central);
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(list_, 1);
    layout->addWidget(build_->targetFrame());
    layout->addLayout(buttons);

    createMenus();
    resize(sizeHint().expandedTo(QSize(520, 560)));
    FitToScreen(*this);
}

MainWindow::~MainWindow() = default;

void MainWindow::createMenus() {
    const auto menu = [this](const char* objectName, const char* title) {
        return AddNamedMenu(menuBar(), objectName, title);
    };
    const auto item = [this](QMenu* m, const QString& objectName, const char* text, auto handler) {
        return AddNamedItem(m, objectName, text, this, handler);
    };
    using Move = IconListPanel::Move;

    // The keys people expect, shown beside the items.
    const auto key = [](QAction* action, QKeySequence keys) { action->setShortcut(keys); };

    QMenu* file = menu(name::kFileMenu, "&File");
    key(item(file, name::kAddItem, "&Add Icon Files", [this] { addIconFiles(); }),
        QKeySequence(Qt::CTRL | Qt::Key_O));
    key(item(file, name::kRemoveItem, "&Remove Icon File", [this] { list_->removeCurrentEntry(); }),
        QKeySequence(Qt::Key_Delete));
    // As the button: nothing while a build runs (the button is disabled then).
    key(item(file, name::kBuildItem, "&Build DLL", [this] { build_->buildButton()->click(); }),
        QKeySequence(Qt::CTRL | Qt::Key_B));
    file->addSeparator();
    key(item(file, name::kExitItem, "E&xit", [this] { confirmExit(); }),
        QKeySequence(Qt::CTRL | Qt::Key_Q));

    QMenu* edit = menu(name::kEditMenu, "&Edit");
    item(edit, ArrayName(name::kMoveItems, 0), "Move File &Up",
         [this] { list_->moveCurrentEntry(Move::Up); });
    item(edit, ArrayName(name::kMoveItems, 1), "Move File &Down",
         [this] { list_->moveCurrentEntry(Move::Down); });
    edit->addSeparator();
    item(edit, name::kRemoveUncheckedItem, "&Remove Unchecked Files",
         [this] { list_->removeUncheckedEntries(); });
    item(edit, name::kRemoveAllItem, "Remove &All Files", [this] { list_->removeAllEntries(); });

    build_->addTargetItems(menu(name::kTargetMenu, "&Target"));

    QMenu* tools = menu(name::kToolsMenu, "Tool&s");
    item(tools, name::kRemoveImagesItem, "&Remove Images from Icon",
         [this] { removeImagesOfCurrentEntry(); });
    item(tools, name::kEditIconItem, "&Edit Icon", [this] { editCurrentIcon(); });

    build_->addModeItems(menu(name::kOptionsMenu, "Optio&ns"));

    QMenu* help = menu(name::kHelpMenu, "&Help");
    key(item(help, name::kHelpItem, "&Help", [this] { showHelp(); }), QKeySequence(Qt::Key_F1));
    item(help, name::kSetupNoticeItem, "&Setup Message",
         [this] { services_.runOrShowFailure([this] { showSetupNotice(); }); });
    help->addSeparator();
    item(help, name::kAboutItem, "&About", [this] { showAbout(); });
}

// ---- Start-up, caption and closing

void MainWindow::start() {
    services_.runOrShowFailure([this] {
        if (settings_.firstRun()) {
            showLicence();
            settings_.markFirstRunDone();
        }
        build_->selectTarget(settings_.targetIndex());
        build_->restoreModeMarks(settings_.buildModeMarks());
        list_->setEntries(settings_.iconList());
    });
}

void MainWindow::showLicence() {
    const std::string licence = JoinPath(services_.programDirectory, kLicenceFile);
    if (services_.runAndWait) {
        // Quoted, so that a program folder with blanks in its name reaches Notepad whole.
        if (!services_.runAndWait("Notepad \"" + licence + "\"")) {
            services_.showFailure(
                licence + ": the licence text cannot be shown: Notepad could not be started");
        }
        return;
    }
    services_.runOrShowFailure([&] { ShowTextFile(licence, "License", this); }, "", "",
                               "\r\n\r\nThe licence text cannot be shown.");
}

bool MainWindow::event(QEvent* event) {
    // A build keeps its "Running..." caption until it ends, even when one of its dialogs hands
    // the activation back to the window.
    if (event->type() == QEvent::WindowActivate && !running_) {
        setWindowTitle(QLatin1String(kCaption));
    }
    if (event->type() == QEvent::Show) {
        // Once on screen its frame is known, which must fit too.
        FitToScreen(*this);
    }
    return QMainWindow::event(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // The build mode and the list are kept for the next start; closing is never refused.
    services_.runOrShowFailure([this] {
        settings_.saveBuildModeMarks(build_->modeMarks());
        settings_.saveIconList(list_->entries());
    });
    event->accept();
}

void MainWindow::confirmExit() {
    const MessageAnswer answer = services_.messages.show(
        Message{"Exit Program?", "", MessageIcon::Question, MessageButtons::YesNo});
    if (answer == MessageAnswer::Yes) {
        close();
    }
}

// ---- The icon list

void MainWindow::addIconFiles() {
    services_.runOrShowFailure([this] {
        services::FileDialogRequest request =
            IconOpenRequest(services_, key::kOpen, "Select Icons");
        request.allowMultiple = true;
        // Pictures are offered too: they can be converted for handhelds as they are added.
        request.filter = "Icons and pictures (*.ico *.png *.bmp);;Icons (*.ico)";
        const std::vector<std::string> files = services_.dialogs.openFiles(request);
        if (!files.empty()) {
            appendIconFiles(files);
            RememberFolder(services_, key::kOpen, files.front());
        }
    });
    list_->giveFocusToList();
}

void MainWindow::appendIconFiles(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
        std::optional<std::string> converted;
        const bool asked = HoldsNoHandheldImage(PathFromUtf8(path));
        if (asked &&
            services_.messages.show(Message{
                path + "\r\n\r\nholds no image that a Windows CE handheld shows (palette images "
                       "of 1, 4 or 8 bits per pixel).\r\n\r\nConvert for handhelds…?",
                "Add Icon", MessageIcon::Question, MessageButtons::YesNo}) == MessageAnswer::Yes) {
            converted = showConverter(path);
        }
        const std::string added = converted.value_or(path);
        if (const std::string cause = list_->appendEntry(added); !cause.empty() && !asked) {
            // Told now rather than at Build (a picture the user chose not to convert was just
            // talked about).
            services_.messages.show(Message{added + "\r\n\r\nis not an icon file: " + cause +
                                                "\r\n\r\nIt is in the list, marked, but a DLL "
                                                "cannot be built with it checked.",
                                            "Add Icon", MessageIcon::Exclamation});
        }
    }
}

void MainWindow::addGivenFiles(const std::vector<std::string>& paths) {
    services_.runOrShowFailure([&] { appendIconFiles(paths); });
    list_->giveFocusToList();
}

std::vector<std::string> MainWindow::checkedFiles() const {
    return list_->checkedFiles();
}

// ---- The build

void MainWindow::setBuildControlsEnabled(bool enabled) {
    list_->setCommandsEnabled(enabled);
    build_->setEnabled(enabled);
    exitButton_->setEnabled(enabled);
}

void MainWindow::buildDll() {
    if (list_->isEmpty()) {
        services_.messages.show(
            Message{"Please add some Icons to the List...", "Build DLL", MessageIcon::Information});
        return;
    }
    const std::vector<std::string> files = checkedFiles();
    if (files.empty()) {
        // A DLL needs at least one icon; refused here rather than failing inside the build.
        services_.messages.show(Message{"Please check at least one Icon on the List...",
                                        "Build DLL", MessageIcon::Information});
        return;
    }
    const RunningState running(*this);
    services_.runOrShowFailure([&] { build_->build(files); }, "Build DLL",
                               "The DLL has not been built:\r\n\r\n");
}

void MainWindow::buildForSetup(const std::vector<std::string>& checkedFiles) {
    SetupBuild(services_, this).run(checkedFiles);
}

// ---- Tools and Help

void MainWindow::removeImagesOfCurrentEntry() {
    services_.runOrShowFailure([this] { showImageRemover(list_->currentFile().value_or("")); });
    list_->showCurrentEntry();
    list_->giveFocusToList();
}

void MainWindow::editCurrentIcon() {
    const std::optional<std::string> file = list_->currentFile();
    if (file && !services_.shell.open(*file)) {
        services_.showFailure("No default Icon Editor (.ico files) is configured on your system.",
                              "Edit Icon");
    }
}

void MainWindow::showHelp() {
    if (!services_.shell.open(HelpAddress(services_.programDirectory))) {
        // Nothing opens web pages here: say so, and where the page is to open by hand.
        services_.messages.show(Message{"No program on this system opens the help page. It is "
                                        "here:\r\n\r\n" +
                                            JoinPath(services_.programDirectory, kHelpPage),
                                        "Help", MessageIcon::Information});
    }
}

void MainWindow::showImageRemover(const std::string& iconFile) {
    ImageRemoverWindow remover(services_, this);
    remover.setFile(iconFile);
    remover.run();
}

std::optional<std::string> MainWindow::showConverter(const std::string& source) {
    ConvertWindow converter(services_, source, this);
    return converter.run();
}

void MainWindow::showSetupNotice() {
    SetupNoticeDialog notice(services_, this);
    notice.exec();
}

void MainWindow::showAbout() {
    AboutDialog about(services_.shell, services_.homePage, this);
    about.exec();
}

} // namespace gw::ui

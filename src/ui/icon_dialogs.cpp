#include "ui/icon_dialogs.h"

#include "common/file_io.h"
#include "common/paths.h"
#include "platform/qt_text.h"
#include "ui/ui_settings.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <filesystem>

#ifdef Q_OS_WIN
// Qt's switch for access-list checks in QFileInfo (a counter: each user raises and lowers it).
extern Q_CORE_EXPORT int qt_ntfs_permission_lookup;
#endif

namespace gw::ui {

namespace {

bool IsFolder(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_directory(PathFromUtf8(path), ec);
}

#ifdef Q_OS_WIN
// Whether the system lets this user write into a folder. On Windows that is decided by the
// folder's access list (C:\Program Files is closed to users that way), which Qt consults only
// when asked to.
bool SystemLetsUserWrite(const std::string& path) {
    ++qt_ntfs_permission_lookup;
    const bool writable = QFileInfo(ToQString(path)).isWritable();
    --qt_ntfs_permission_lookup;
    return writable;
}

// A folder this user may write into: its owner may write it (the permission bits, which hold
// even for an administrator) and the system lets this user do so.
bool IsWritableFolder(const std::string& path) {
    std::error_code ec;
    const auto status = std::filesystem::status(PathFromUtf8(path), ec);
    return std::filesystem::is_directory(status) &&
           (status.permissions() & std::filesystem::perms::owner_write) !=
               std::filesystem::perms::none &&
           SystemLetsUserWrite(path);
}
#endif

std::string NativeText(const QString& path) {
    return QDir::toNativeSeparators(path).toStdString();
}

} // namespace

std::string StartFolder(const std::string& wanted, FolderKind kind) {
    if (IsFolder(wanted)) {
        return wanted;
    }
    const auto location = kind == FolderKind::Icons ? QStandardPaths::PicturesLocation
                                                    : QStandardPaths::DocumentsLocation;
    for (const QString& folder : QStandardPaths::standardLocations(location)) {
        if (IsFolder(folder.toStdString())) {
            return NativeText(folder);
        }
    }
    return NativeText(QDir::homePath());
}

services::FileDialogRequest IconOpenRequest(const WindowServices& services,
                                            const char* directoryKey, const char* title) {
    std::string directory = services.settings.get(kPath, directoryKey, "");
    if (directory.empty()) {
        directory = kDefaultIconDirectory;
    }
    services::FileDialogRequest request;
    request.title = title;
    request.filter = "Icons (*.ico)";
    request.initialName = "*.ico";
    request.defaultExtension = "ico";
    request.initialDirectory = StartFolder(directory, FolderKind::Icons);
    return request;
}

std::optional<std::string> AskSaveFile(const WindowServices& services, const char* directoryKey,
                                       FolderKind kind, services::FileDialogRequest request) {
    std::string directory = services.settings.get(kPath, directoryKey, "");
#ifdef Q_OS_WIN
    // Programs copied into a folder of their own keep their output beside them.
    if (directory.empty() && IsWritableFolder(services.programDirectory)) {
        directory = services.programDirectory;
    }
#endif
    // Elsewhere the program's folder is a system or build folder even when it can be written
    // (as root, for one): the user's own Documents or Pictures are offered instead.
    request.initialDirectory = StartFolder(directory, kind);
    request.overwritePrompt = true;
    return services.dialogs.saveFile(request);
}

void RememberFolder(const WindowServices& services, const char* directoryKey,
                    const std::string& path) {
    services.settings.save(kPath, directoryKey, GetDirectory(path, false));
}

} // namespace gw::ui

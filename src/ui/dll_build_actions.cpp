#include "ui/dll_build_actions.h"

#include "common/file_io.h"
#include "common/paths.h"
#include "dll/create_dll.h"
#include "dll/target_machine.h"
#include "ui/icon_dialogs.h"
#include "ui/ui_settings.h"

namespace gw::ui {

std::optional<std::string> AskOutputDllPath(const WindowServices& services,
                                            const std::string& initialName) {
    platform::FileDialogRequest request;
    request.title = "Enter output DLL file name";
    request.filter = "Dll Files (*.dll)";
    request.defaultExtension = "dll";
    request.initialName = initialName;
    return AskSaveFile(services, key::kBuild, FolderKind::Dlls, request);
}

void BuildSelectedTarget(const WindowServices& services, std::int32_t selectedMachine,
                         const std::vector<std::string>& checkedFiles) {
    const std::string name = TargetName(selectedMachine);
    const auto path = AskOutputDllPath(services, name + ".Icons.dll");
    if (!path) {
        return;
    }
    CreateDll(selectedMachine, PathsFromUtf8(checkedFiles), PathFromUtf8(*path),
              services.pumpEvents());
    RememberFolder(services, key::kBuild, *path);
    services.messages.show(
        Message{"DLL has been built as:\r\n\r\n" + *path, "Finished", MessageIcon::Information});
}

void BuildAllTargets(const WindowServices& services, std::int32_t selectedMachine,
                     const std::vector<std::string>& checkedFiles) {
    const std::string name = TargetName(selectedMachine);
    const auto path = AskOutputDllPath(services, "*.dll");
    if (!path) {
        return;
    }
    std::vector<DllTarget> dlls = {{selectedMachine, PathFromUtf8(*path)}};
    for (const TargetMachine& target : kTargetMachines) {
        dlls.push_back({target.machine, PathFromUtf8(*path + target.suffix)});
    }
    CreateDlls(PathsFromUtf8(checkedFiles), dlls, services.pumpEvents());
    RememberFolder(services, key::kBuild, *path);
    services.messages.show(Message{"All Targets have been buit with their default extensions."
                                   "\r\n\r\nDLL (for: " +
                                       name + ") has been built as:\r\n" + *path,
                                   "Done...", MessageIcon::Information});
}

} // namespace gw::ui

#pragma once

#include "ui/window_services.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The two plain builds of the main window, over the target table, the checked icon files, the
// settings and the DLL generator. A failure of the generator passes up as an Error.
namespace gw::ui {

// Asks for the output DLL in a save dialog that starts in the folder of the last build (else
// the program's folder, else Documents) and offers initialName. Nothing when the user cancels.
// The builds store the chosen folder under "Path"/"Build" once their DLLs are written.
std::optional<std::string> AskOutputDllPath(const WindowServices& services,
                                            const std::string& initialName);

// One DLL for the selected machine, offered as "<target>.Icons.dll".
void BuildSelectedTarget(const WindowServices& services, std::int32_t selectedMachine,
                         const std::vector<std::string>& checkedFiles);

// The selected machine's DLL under the chosen name, then one per target under that name with
// the target's suffix appended (Icons.dll.X86 ... Icons.dll.PPC).
void BuildAllTargets(const WindowServices& services, std::int32_t selectedMachine,
                     const std::vector<std::string>& checkedFiles);

} // namespace gw::ui

#pragma once

#include "setup/inf_module.h"
#include "setup/run_and_wait.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace gw::platform {
class MessageService;
} // namespace gw::platform

namespace gw {

// The state of the setup rewrite: the cab builder line taken from the README and the extension
// that replaces ".vb". Set anew by every run.
struct SetupModuleState : CabwizInfo {
    std::string NewExtension; // lower case, without a dot
};

// An icon DLL built for one processor of the setup.
struct ProcessorDll {
    std::string cpu;
    std::int32_t machine = 0;
    std::string path;
};

// What a setup run did, for the caller to confirm or report.
struct SetupReport {
    bool succeeded = false;
    std::string failure;            // what failed, as shown to the user
    std::vector<ProcessorDll> dlls; // every DLL built, the setup directory's x86 one first
    std::vector<std::string> notes; // processors that got no DLL, and why
    bool infRewritten = false;
    std::string infPath;
    bool cabwizRan = false;
    std::string cabwizCommand;
    ProcessOutcome cabwiz;
    std::vector<std::string> appCopies; // the application under its new extension
    std::vector<std::string> cabinets;  // gathered in CD1
};

// How the cab builder is run: how long it may take, and what the caller hears meanwhile.
struct CabBuilderOptions {
    // A builder still running after this long is ended with everything it started.
    std::chrono::seconds timeLimit{600};
    // Called with the command just before the builder starts. May be empty.
    std::function<void(const std::string& command)> onStart;
    // Called about once a second while the builder runs; false stops it. May be empty.
    std::function<bool(std::chrono::seconds waited)> onWait;
};

// The machine value of the icon DLL for a Windows CE processor type ("ProcessorType" of the
// processor's CEDevice section); nothing for a type without one.
std::optional<std::int32_t> MachineForProcessorType(std::int64_t processorType);

// Rewrites the setup directory that the VBCE Application Install Wizard left: the INF is rebuilt
// from its backup (made on the first run) with ".vb" replaced by the new extension and the
// entries that install an icon DLL per processor and register the extension; the DLL of every
// processor of the cab builder line is built into Icons\<cpu>; the application is copied under
// its new extension; the cab builder runs in the setup directory (started directly, never
// through a shell, and ended when it outlasts its time limit or onWait says stop), and its
// cabinets replace those in "CD1". An INF that may not be replaced (read-only) is refused before
// anything is written; the INF is replaced, keeping its permission bits, only when all its edits
// and DLLs succeeded, and the old cabinets are deleted only after the cab builder succeeded.
// Every failure is shown through messages and returned in the report; setupDir ends in a
// separator.
SetupReport ChangeSetupFiles(const std::string& setupDir, const std::string& dllName,
                             const std::vector<std::string>& files, SetupModuleState& state,
                             platform::MessageService& messages,
                             const CabBuilderOptions& cabBuilder = {});

// The steps before the extension is chosen: the directory must hold a Readme.txt (any case),
// "Icons" is created, and the x86 DLL is built into the setup directory. False after a message.
bool PrepareSetupDirectory(const std::string& setupDir, const std::string& dllName,
                           const std::vector<std::string>& files,
                           platform::MessageService& messages, SetupReport& report);

// The whole setup run without windows: the extension, and that the README's INF may be
// replaced, are checked before anything is written, then PrepareSetupDirectory and
// ChangeSetupFiles.
SetupReport RunSetup(const std::string& setupDir, const std::string& dllName,
                     const std::vector<std::string>& files, const std::string& extension,
                     SetupModuleState& state, platform::MessageService& messages,
                     const CabBuilderOptions& cabBuilder = {});

} // namespace gw

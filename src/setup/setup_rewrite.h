#pragma once

#include "common/progress.h"
#include "setup/cabwiz_command.h"
#include "setup/run_and_wait.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// The setup rewrite: turns the setup directory that the VBCE Application Install Wizard left
// into one whose cabinets also install an icon DLL per processor and register a new file
// extension for the application, whose icon is the DLL's first icon.
//
// It runs in two halves: a plan, worked out from what the directory holds without writing
// anything (so a directory that cannot be rewritten is refused before it is touched), and the
// plan's execution.
namespace gw {

// The state of the setup rewrite: the cab builder line taken from the README and the extension
// that replaces ".vb". Set anew by every run.
struct SetupModuleState : CabwizInfo {
    std::string NewExtension; // lower case, without a dot
};

// What a run is asked to do.
struct SetupRequest {
    std::filesystem::path setupDir;
    std::string dllName;                          // a file name without a folder, such as Icons.dll
    std::vector<std::filesystem::path> iconFiles; // packed into every DLL, in this order
    std::string extension;                        // replaces ".vb"; letters and digits, at most 8
};

// What the plan needs from the disk, gathered in one place so that planning itself reads
// nothing.
struct SetupInputs {
    SetupRequest request;
    CabwizInfo cabwiz;
    std::string infSource;     // the INF as the wizard wrote it: its backup, else the INF itself
    bool backupExists = false; // the backup (INF + ".old") is there already
    std::vector<std::string> appFiles; // the names of App's *.vb files (any case), sorted
    // The subfolders as spelt on disk, found in any case ("Icons", "App", "CD1" when absent).
    std::string iconsName = "Icons", appName = "App", cabName = "CD1";
};

// One processor of the cab builder line.
struct ProcessorPlan {
    std::string cpu;
    std::optional<std::int32_t> machine; // nothing: its processor type has no DLL (see note)
    std::filesystem::path dllPath;       // Icons/<cpu>/<dll>
    std::string note;                    // why no DLL is built, "" when one is
};

// Everything a run will build, write, copy and run.
struct SetupPlan {
    SetupRequest request;
    SetupModuleState state; // the cab builder line and the new extension
    std::filesystem::path infPath;
    std::filesystem::path backupPath;
    bool makeBackup = false;
    std::string infText; // the whole rewritten INF
    std::vector<ProcessorPlan> processors;
    std::vector<std::pair<std::filesystem::path, std::filesystem::path>> appCopies; // from, to
    std::filesystem::path cabDir;                                                   // CD1
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

// An icon DLL built for one processor of the setup ("" for the setup directory's own x86 DLL).
struct ProcessorDll {
    std::string cpu;
    std::int32_t machine = 0;
    std::filesystem::path path;
};

// What a successful run did.
struct SetupReport {
    std::vector<ProcessorDll> dlls;               // every DLL built
    std::vector<std::string> notes;               // processors that got no DLL, and why
    std::filesystem::path infPath;                // the INF rewritten
    std::string cabwizCommand;                    // the cab builder line run
    ProcessOutcome cabwiz;                        // how it ended
    std::vector<std::filesystem::path> appCopies; // the application under its new extension
    std::vector<std::filesystem::path> cabinets;  // gathered in CD1
};

// Reads what the plan needs: a Readme.txt (any case) in the folder, the README's cab builder line,
// the INF (it must exist and be replaceable) or its backup, and the App folder. Throws gw::Error
// with the message to show.
SetupInputs GatherSetupInputs(const SetupRequest& request);

// Works out the whole run from its inputs; reads and writes nothing. Throws gw::Error when the
// setup cannot be rewritten (an extension that cannot replace ".vb", a processor section
// without a numbered disk).
SetupPlan MakeSetupPlan(const SetupInputs& inputs);

// Carries out a plan: the backup on the first run, the DLLs of every processor (all of them or
// none), the INF (replaced only when all its DLLs are in place, keeping its permission bits),
// the App copies, the cab builder (started directly, never through a shell, in the setup
// directory, ended when it outlasts its time limit or onWait says stop), and, only when it
// succeeded, its cabinets in place of those in CD1. Throws gw::Error naming what failed.
SetupReport ExecuteSetupPlan(const SetupPlan& plan, const CabBuilderOptions& cabBuilder = {},
                             const Progress& progress = {});

// The rewrite as the main window runs it once the extension is chosen: plan, then execution.
// state receives the cab builder line; state.NewExtension is the extension used.
SetupReport ChangeSetupFiles(const std::filesystem::path& setupDir, const std::string& dllName,
                             const std::vector<std::filesystem::path>& files,
                             SetupModuleState& state, const CabBuilderOptions& cabBuilder = {},
                             const Progress& progress = {});

// The steps before the extension is chosen: the folder must hold a Readme.txt (any case),
// "Icons" is created, and the x86 DLL is built into the setup folder. Throws gw::Error.
ProcessorDll PrepareSetupDirectory(const std::filesystem::path& setupDir,
                                   const std::string& dllName,
                                   const std::vector<std::filesystem::path>& files,
                                   const Progress& progress = {});

// The whole run without windows: everything is planned (and so checked) before anything is
// written, then PrepareSetupDirectory and the plan's execution.
SetupReport RunSetup(const SetupRequest& request, const CabBuilderOptions& cabBuilder = {});

} // namespace gw

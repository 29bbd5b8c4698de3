#pragma once

#include "common/progress.h"
#include "setup/cabwiz_command.h"
#include "setup/setup_workflow.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// The steps of the setup workflow (setup_workflow.h), which RunSetup assembles: what the
// directory holds, the rewrite worked out as a plan without writing anything, and the plan's
// execution.
//
// Kept public for the main window's current caller (BuildForSetup), which still assembles the
// steps itself; once the window runs RunSetup, they belong to the workflow alone.
namespace gw {

// What the plan needs from the disk, gathered in one place so that planning itself reads
// nothing.
struct SetupInputs {
    SetupRequest Request; // its Extension is the one the plan is worked out under
    CabwizInfo Cabwiz;
    std::string InfSource;     // the INF as the wizard wrote it: its backup, else the INF itself
    bool BackupExists = false; // the backup (INF + ".old") is there already
    std::vector<std::string> AppFiles; // the names of App's *.vb files (any case), sorted
    // The subfolders as spelt on disk, found in any case ("Icons", "App", "CD1" when absent).
    std::string IconsName = "Icons", AppName = "App", CabName = "CD1";
};

// One processor of the cab builder line.
struct ProcessorPlan {
    std::string Cpu;
    std::optional<std::int32_t> Machine; // nothing: its processor type has no DLL (see Note)
    std::filesystem::path DllPath;       // Icons/<cpu>/<dll>
    std::string Note;                    // why no DLL is built, "" when one is
};

// Everything a run will build, write, copy and run.
struct SetupPlan {
    SetupRequest Request;
    CabwizInfo Cabwiz;     // the cab builder line
    std::string Extension; // replaces ".vb": lower case, without a dot
    std::filesystem::path InfPath;
    std::filesystem::path BackupPath;
    bool MakeBackup = false;
    std::string InfText; // the whole rewritten INF
    std::vector<ProcessorPlan> Processors;
    std::vector<std::pair<std::filesystem::path, std::filesystem::path>> AppCopies; // from, to
    std::filesystem::path CabDir;                                                   // CD1
};

// Reads what the plan needs: a Readme.txt (any case) in the folder, the README's cab builder line,
// the INF (it must exist and be replaceable) or its backup, and the App folder. Throws gw::Error
// with the message to show.
[[nodiscard]] SetupInputs GatherSetupInputs(const SetupRequest& request);

// Works out the whole run from its inputs under inputs.Request.Extension; reads and writes
// nothing. Throws gw::Error when the setup cannot be rewritten (no extension, or one that cannot
// replace ".vb"; a processor section without a numbered disk).
SetupPlan MakeSetupPlan(const SetupInputs& inputs);

// The steps before the extension is chosen: the folder must hold a Readme.txt (any case),
// "Icons" is created, and the x86 DLL is built into the setup folder. Throws gw::Error.
ProcessorDll PrepareSetupDirectory(const std::filesystem::path& setupDir,
                                   const std::string& dllName,
                                   const std::vector<std::filesystem::path>& files,
                                   const Progress& progress = {});

// Carries out a plan: the backup on the first run, the DLLs of every processor (all of them or
// none), the INF (replaced only when all its DLLs are in place, keeping its permission bits),
// the App copies, the cab builder (started directly, never through a shell, in the setup
// directory, ended when it outlasts its time limit or OnWait says stop), and, only when it
// succeeded, its cabinets in place of those in CD1. Throws gw::Error naming what failed.
[[nodiscard]] SetupReport ExecuteSetupPlan(const SetupPlan& plan,
                                           const CabBuilderOptions& cabBuilder = {},
                                           const Progress& progress = {});

} // namespace gw

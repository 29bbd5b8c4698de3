#pragma once

#include "common/progress.h"
#include "system/run_and_wait.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// The setup workflow: turns the setup directory that the VBCE Application Install Wizard left
// into one whose cabinets also install an icon DLL per processor and register a new file
// extension for the application, whose icon is the DLL's first icon.
//
// A run goes: gather what the directory holds; check it by working out the whole rewrite under
// the suggested extension, writing nothing, so that a directory that cannot be rewritten is
// refused before it is touched; prepare the "Icons" folder and the x86 DLL in the setup folder;
// choose the extension; work out the rewrite under it; execute it (the INF's backup, a DLL per
// processor, the INF, the application's copies, the cab builder, the cabinets in CD1).
// The command line and the windows run the same workflow and differ only in their callbacks:
// how the extension is chosen and how the wait for the cab builder is shown.
namespace gw {

// What a run is asked to do.
struct SetupRequest {
    std::filesystem::path SetupDir;
    std::string DllName;                          // a file name without a folder, such as Icons.dll
    std::vector<std::filesystem::path> IconFiles; // packed into every DLL, in this order
    // The extension that replaces ".vb" when the caller knows it beforehand: it is checked with
    // everything else and suggested to the chooser. Nothing: a random one is suggested.
    std::optional<std::string> Extension;
};

// How the cab builder is run, and what its driver hears meanwhile. Each callback may be empty.
struct CabBuilderOptions {
    // A builder still running after this long is ended with everything it started.
    std::chrono::seconds TimeLimit{600};
    // Called with the command just before the builder starts.
    std::function<void(const std::string& command)> OnStart;
    // Called about once a second while the builder runs; false stops it.
    std::function<bool(std::chrono::seconds waited)> OnWait;
    // Called once the builder has ended, whichever way, before the run goes on or fails. Not
    // called when OnWait throws (the builder is ended all the same).
    std::function<void(const ProcessOutcome& outcome)> OnStop;
};

// How a run talks to whoever drives it. Each callback may be empty.
struct SetupCallbacks {
    // Gets the suggested extension and returns the one to use. Called once, after every check
    // has passed and the x86 DLL is in place, before anything the extension decides is
    // written. Empty: the suggestion is used. An extension that cannot replace ".vb" fails the
    // run with nothing more written, and so does anything the chooser throws.
    std::function<std::string(const std::string& suggested)> ChooseExtension;
    CabBuilderOptions CabBuilder;
    // Called before each long file operation (the DLLs), so that a window stays painted.
    Progress OnProgress;
};

// An icon DLL built for one processor of the setup ("" for the setup directory's own x86 DLL).
struct ProcessorDll {
    std::string Cpu;
    std::int32_t Machine = 0;
    std::filesystem::path Path;
};

// What a successful run did.
struct SetupReport {
    std::vector<ProcessorDll> Dlls;               // every DLL built
    std::vector<std::string> Notes;               // processors that got no DLL, and why
    std::filesystem::path InfPath;                // the INF rewritten
    std::string CabwizCommand;                    // the cab builder line run
    ProcessOutcome Cabwiz;                        // how it ended
    std::vector<std::filesystem::path> AppCopies; // the application under its new extension
    std::vector<std::filesystem::path> Cabinets;  // gathered in CD1
};

// Runs the whole workflow. Throws gw::Error with the message to show when the directory cannot
// be rewritten (then nothing is written), when the extension chosen cannot replace ".vb", or
// when a step fails (the cab builder's failure, a stop from OnWait included: the cabinets in
// CD1 are then left as they were).
[[nodiscard]] SetupReport RunSetup(const SetupRequest& request,
                                   const SetupCallbacks& callbacks = {});

} // namespace gw

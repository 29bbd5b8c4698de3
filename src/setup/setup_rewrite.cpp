#include "setup/setup_rewrite.h"

#include "common/error.h"
#include "common/file_io.h"
#include "common/text.h"
#include "dll/create_dll.h"
#include "dll/target_machine.h"
#include "setup/extension.h"
#include "setup/paths.h"
#include "setup/profile_document.h"

#include <algorithm>

namespace gw {

namespace fs = std::filesystem;

namespace {

// The name of a subfolder or file spelt in one case ("App", "CD1"), as spelt on disk.
std::string entryName(const fs::path& setupDir, const std::string& name) {
    return FindEntryNoCase(setupDir, name).value_or(name);
}

// The INF's lines as the wizard's tools read them: a line ends at CR LF or at a lone CR, a lone
// LF stays inside its line, and a final line end makes no extra line. An empty text is one
// empty line.
std::vector<std::string> infLines(std::string_view text) {
    std::vector<std::string> lines(1);
    bool ended = false;
    for (const TextLine& line : SplitLines(text)) {
        if (ended) {
            lines.emplace_back();
        }
        lines.back() += line.text;
        ended = line.ending != "\n";
        if (!ended) {
            lines.back() += '\n';
        }
    }
    return lines;
}

// Every ".vb", in any case, replaced by "." + extension.
std::string replaceVb(std::string_view line, const std::string& extension) {
    std::string out;
    for (std::size_t i = 0; i < line.size();) {
        if (EqualNoCase(line.substr(i, 3), ".vb")) {
            out += "." + extension;
            i += 3;
        } else {
            out += line[i++];
        }
    }
    return out;
}

// A whole decimal number between blanks, or nothing when the text is not one.
std::optional<std::int64_t> wholeNumber(std::string_view text) {
    const auto number = ParseDecimal(Trim(text), 999'999'999'999'999);
    return number ? std::optional<std::int64_t>(static_cast<std::int64_t>(*number)) : std::nullopt;
}

// The cab builder line names each processor once: a name given twice is handled once.
std::vector<std::string> uniqueCpuNames(const std::vector<std::string>& names) {
    std::vector<std::string> unique;
    for (const std::string& name : names) {
        if (std::none_of(unique.begin(), unique.end(),
                         [&](const std::string& seen) { return EqualNoCase(seen, name); })) {
            unique.push_back(name);
        }
    }
    return unique;
}

// The INF as the wizard wrote it, with ".vb" replaced, the icon file lists of the processors
// and the registry settings of the new extension appended.
std::string rewrittenInfText(const std::string& source, const std::vector<std::string>& cpus,
                             const std::string& ext) {
    std::string text;
    for (const std::string& line : infLines(source)) {
        text += replaceVb(line, ext) + "\r\n";
    }
    for (const std::string& cpu : cpus) {
        text += "\r\n[Icons." + cpu + "]\r\n%IconFile%\r\n";
    }
    text += "\r\n[RegSettings]\r\n";
    text += "HKCR,." + ext + ",,0x00000000,VBCE." + ext + "File\r\n";
    text += "HKCR,VBCE." + ext + "File,,0x00000000,Application VBCE\r\n";
    text += "HKCR,VBCE." + ext + "File\\DefaultIcon,,0x00000000,\"%InstallDir%\\%IconFile%,0\"\r\n";
    text += "HKCR,VBCE." + ext +
            "File\\Shell\\Open\\Command,,0x00000000,\"\\Windows\\pvbload.exe %%1\"\r\n";
    return text;
}

// The DLL this processor gets (from its ProcessorType) and its entries in the INF: its icon
// file list, its destination and a disk of its own for the DLL.
ProcessorPlan planProcessor(ProfileDocument& inf, const std::string& cpu, const fs::path& iconsDir,
                            const std::string& dllName, const std::string& infShown) {
    ProcessorPlan plan;
    plan.cpu = cpu;
    plan.dllPath = iconsDir / PathFromUtf8(cpu) / PathFromUtf8(dllName);
    const std::string typeText = inf.read("CEDevice." + cpu, "ProcessorType");
    const auto type = wholeNumber(typeText);
    plan.machine = type ? MachineForProcessorType(*type) : std::nullopt;
    if (!plan.machine) {
        plan.note = type ? "No icon DLL was built for processor " + cpu + ": its ProcessorType " +
                               typeText + " is not a known Windows CE processor."
                         : "No icon DLL was built for processor " + cpu +
                               ": its section [CEDevice." + cpu +
                               "] has no numeric \"ProcessorType\".";
    }

    const std::string copyFiles = inf.read("DefaultInstall." + cpu, "CopyFiles");
    inf.write("DefaultInstall." + cpu, "CopyFiles",
              copyFiles.empty() ? "Icons." + cpu : copyFiles + ", Icons." + cpu);
    inf.write("DestinationDirs", "Icons." + cpu, ",%InstallDir%");

    // The new disk follows the largest disk number, so no existing disk is replaced.
    std::optional<std::int64_t> largest;
    for (const std::string& key : inf.keys("SourceDisksNames." + cpu)) {
        if (const auto number = wholeNumber(key); number && (!largest || *number > *largest)) {
            largest = number;
        }
    }
    if (!largest) {
        throw Error("The section [SourceDisksNames." + cpu + "] of " + infShown +
                    " has no numbered disk, so the icons cannot be given a disk of their own.");
    }
    const std::string disk = std::to_string(*largest + 1);
    inf.write("SourceDisksNames." + cpu, disk, ",\"" + cpu + " Icons\",,Icons\\" + cpu);
    inf.write("SourceDisksFiles." + cpu, "%IconFile%", disk);
    return plan;
}

void requireReadme(const fs::path& setupDir) {
    if (!FindEntryNoCase(setupDir, "Readme.txt")) {
        throw Error("Wrong directory selected. File \"Readme.txt\" not found!");
    }
}

void copyFile(const fs::path& from, const fs::path& to) {
    writeFileAtomically(to, readFileBytes(from));
}

// Creates a folder the run needs; an existing one is fine.
void createFolder(const fs::path& folder) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (!fs::is_directory(folder)) {
        throw Error(displayPath(folder), "",
                    "the folder cannot be created: " +
                        (ec ? ec.message() : std::string("a file of that name is in the way")));
    }
}

// The cabinets the cab builder left in the setup folder replace those in CD1.
std::vector<fs::path> gatherCabinets(const fs::path& setupDir, const fs::path& cabDir) {
    createFolder(cabDir);
    for (const std::string& name : FilesWithExtensionNoCase(cabDir, ".cab")) {
        const fs::path old = cabDir / PathFromUtf8(name);
        std::error_code ec;
        if (!fs::remove(old, ec) || ec) {
            throw Error(displayPath(old), "", "the old cabinet cannot be deleted: " + ec.message());
        }
    }
    std::vector<fs::path> cabinets;
    for (const std::string& cab : FilesWithExtensionNoCase(setupDir, ".cab")) {
        const fs::path name = PathFromUtf8(cab);
        std::error_code ec;
        fs::rename(setupDir / name, cabDir / name, ec);
        if (ec) {
            throw Error("The cabinet " + cab + " could not be moved to " + displayPath(cabDir) +
                        ": " + ec.message());
        }
        cabinets.push_back(cabDir / name);
    }
    return cabinets;
}

} // namespace

SetupInputs GatherSetupInputs(const SetupRequest& request) {
    requireReadme(request.setupDir);
    SetupInputs inputs;
    inputs.request = request;
    const fs::path& setupDir = request.setupDir;
    const fs::path readme = setupDir / PathFromUtf8(entryName(setupDir, "Readme.txt"));
    try {
        inputs.cabwiz = ReadCabwizCommand(readme);
    } catch (const Error& e) {
        throw Error("Could not access \"README.TXT\" file on: \r\n" + displayPath(readme) + "\r\n" +
                    e.what());
    }
    const fs::path inf = PathFromUtf8(inputs.cabwiz.InfPath);
    std::error_code ec;
    if (!fs::is_regular_file(inf, ec)) {
        throw Error("Could not access \".INF\" file on: \r\n" + inputs.cabwiz.InfPath);
    }
    RequireReplaceable(inf);
    fs::path backup = inf;
    backup += ".old";
    inputs.backupExists = fs::exists(backup, ec);
    const std::vector<std::uint8_t> source = readFileBytes(inputs.backupExists ? backup : inf);
    inputs.infSource.assign(source.begin(), source.end());

    inputs.iconsName = entryName(setupDir, "Icons");
    inputs.appName = entryName(setupDir, "App");
    inputs.cabName = entryName(setupDir, "CD1");
    inputs.appFiles = FilesWithExtensionNoCase(setupDir / PathFromUtf8(inputs.appName), ".vb");
    return inputs;
}

SetupPlan MakeSetupPlan(const SetupInputs& inputs) {
    const SetupRequest& request = inputs.request;
    if (const auto problem = ExtensionProblem(request.extension)) {
        throw Error(*problem);
    }
    SetupPlan plan;
    plan.request = request;
    static_cast<CabwizInfo&>(plan.state) = inputs.cabwiz;
    const std::string ext = LowerExtension(request.extension);
    plan.state.NewExtension = ext;
    plan.infPath = PathFromUtf8(inputs.cabwiz.InfPath);
    plan.backupPath = plan.infPath;
    plan.backupPath += ".old";
    plan.makeBackup = !inputs.backupExists;

    const std::vector<std::string> cpus = uniqueCpuNames(inputs.cabwiz.CpuNames);
    const std::string infShown = displayPath(plan.infPath);
    ProfileDocument inf(rewrittenInfText(inputs.infSource, cpus, ext), infShown);
    const fs::path iconsDir = request.setupDir / PathFromUtf8(inputs.iconsName);
    for (const std::string& cpu : cpus) {
        plan.processors.push_back(planProcessor(inf, cpu, iconsDir, request.dllName, infShown));
    }
    inf.write("Strings", "IconFile", request.dllName);
    inf.write("DefaultInstall", "AddReg", "RegSettings");
    plan.infText = inf.text();

    // The application under its new extension: MyApp.vb is copied to MyApp.<ext>.
    const fs::path appDir = request.setupDir / PathFromUtf8(inputs.appName);
    for (const std::string& name : inputs.appFiles) {
        plan.appCopies.emplace_back(appDir / PathFromUtf8(name),
                                    appDir / PathFromUtf8(name.substr(0, name.size() - 2) + ext));
    }
    plan.cabDir = request.setupDir / PathFromUtf8(inputs.cabName);
    return plan;
}

SetupReport ExecuteSetupPlan(const SetupPlan& plan, const CabBuilderOptions& cabBuilder,
                             const Progress& progress) {
    SetupReport report;
    report.infPath = plan.infPath;
    report.cabwizCommand = plan.state.CabwizCommand;
    // The backup keeps the INF as the wizard wrote it; every later run starts from it.
    if (plan.makeBackup) {
        copyFile(plan.infPath, plan.backupPath);
    }

    std::vector<DllTarget> dlls;
    for (const ProcessorPlan& processor : plan.processors) {
        createFolder(processor.dllPath.parent_path());
        if (processor.machine) {
            dlls.push_back({*processor.machine, processor.dllPath});
            report.dlls.push_back({processor.cpu, *processor.machine, processor.dllPath});
        } else {
            report.notes.push_back(processor.note);
        }
    }
    if (!dlls.empty()) {
        try {
            CreateDlls(plan.request.iconFiles, dlls, progress);
        } catch (const Error& e) {
            throw Error("The icon DLLs of the processors could not be built:\r\n" +
                        std::string(e.what()));
        }
    }

    writeFileAtomically(
        plan.infPath,
        std::span(reinterpret_cast<const std::uint8_t*>(plan.infText.data()), plan.infText.size()));
    for (const auto& [from, to] : plan.appCopies) {
        copyFile(from, to);
        report.appCopies.push_back(to);
    }

    // The cab builder resolves the INF's relative source paths against the setup folder.
    RunOptions run;
    run.workingDirectory = plan.request.setupDir;
    run.timeLimit = cabBuilder.timeLimit;
    run.onWait = cabBuilder.onWait;
    if (cabBuilder.onStart) {
        cabBuilder.onStart(plan.state.CabwizCommand);
    }
    report.cabwiz = RunAndWait(plan.state.CabwizCommand, run);
    if (!report.cabwiz.succeeded()) {
        throw Error("The cab builder did not succeed, so the cabinets in \"CD1\" were left as "
                    "they were.\r\nCommand: " +
                    plan.state.CabwizCommand + "\r\nIt " + report.cabwiz.describe() + ".");
    }
    report.cabinets = gatherCabinets(plan.request.setupDir, plan.cabDir);
    return report;
}

SetupReport ChangeSetupFiles(const fs::path& setupDir, const std::string& dllName,
                             const std::vector<std::filesystem::path>& files,
                             SetupModuleState& state, const CabBuilderOptions& cabBuilder,
                             const Progress& progress) {
    const SetupPlan plan =
        MakeSetupPlan(GatherSetupInputs({setupDir, dllName, files, state.NewExtension}));
    state = plan.state;
    return ExecuteSetupPlan(plan, cabBuilder, progress);
}

ProcessorDll PrepareSetupDirectory(const fs::path& setupDir, const std::string& dllName,
                                   const std::vector<std::filesystem::path>& files,
                                   const Progress& progress) {
    requireReadme(setupDir);
    createFolder(setupDir / PathFromUtf8(entryName(setupDir, "Icons")));
    const fs::path dllPath = setupDir / PathFromUtf8(dllName);
    CreateDll(kMachineX86, files, dllPath, progress);
    return {"", kMachineX86, dllPath};
}

SetupReport RunSetup(const SetupRequest& request, const CabBuilderOptions& cabBuilder) {
    requireReadme(request.setupDir);
    const SetupPlan plan = MakeSetupPlan(GatherSetupInputs(request));
    const ProcessorDll x86 =
        PrepareSetupDirectory(request.setupDir, request.dllName, request.iconFiles);
    SetupReport report = ExecuteSetupPlan(plan, cabBuilder);
    report.dlls.insert(report.dlls.begin(), x86);
    return report;
}

} // namespace gw

#include "setup/setup_rewrite.h"

#include "common/error.h"
#include "common/file_io.h"
#include "common/paths.h"
#include "common/text.h"
#include "dll/create_dll.h"
#include "dll/target_machine.h"
#include "setup/extension.h"
#include "setup/profile_document.h"
#include "setup/text_file.h"
#include "setup/windows_setup_paths.h"

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
    plan.Cpu = cpu;
    plan.DllPath = iconsDir / PathFromUtf8(cpu) / PathFromUtf8(dllName);
    const std::string typeText = inf.read("CEDevice." + cpu, "ProcessorType");
    const auto type = wholeNumber(typeText);
    plan.Machine = type ? MachineForProcessorType(*type) : std::nullopt;
    if (!plan.Machine) {
        plan.Note = type ? "No icon DLL was built for processor " + cpu + ": its ProcessorType " +
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
    WriteFileAtomically(to, ReadFileBytes(from));
}

// Creates a folder the run needs; an existing one is fine.
void createFolder(const fs::path& folder) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (!fs::is_directory(folder)) {
        throw Error(DisplayPath(folder), "",
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
            throw Error(DisplayPath(old), "", "the old cabinet cannot be deleted: " + ec.message());
        }
    }
    std::vector<fs::path> cabinets;
    for (const std::string& cab : FilesWithExtensionNoCase(setupDir, ".cab")) {
        const fs::path name = PathFromUtf8(cab);
        std::error_code ec;
        fs::rename(setupDir / name, cabDir / name, ec);
        if (ec) {
            throw Error("The cabinet " + cab + " could not be moved to " + DisplayPath(cabDir) +
                        ": " + ec.message());
        }
        cabinets.push_back(cabDir / name);
    }
    return cabinets;
}

} // namespace

SetupInputs GatherSetupInputs(const SetupRequest& request) {
    requireReadme(request.SetupDir);
    SetupInputs inputs;
    inputs.Request = request;
    const fs::path& setupDir = request.SetupDir;
    const fs::path readme = setupDir / PathFromUtf8(entryName(setupDir, "Readme.txt"));
    TextFile readmeText;
    try {
        readmeText.Load(PathToUtf8(readme));
    } catch (const Error& e) {
        // The cause alone: the text store's own failure texts are not English.
        throw Error("Could not access \"README.TXT\" file on: \n" + DisplayPath(readme) + "\n" +
                    e.cause());
    }
    try {
        inputs.Cabwiz = CabwizCommandIn(readmeText);
    } catch (const Error& e) {
        // Read, but without a usable cab builder line: said as such, not as an access failure.
        throw Error("The \"README.TXT\" file on: \n" + DisplayPath(readme) + "\n" + e.what());
    }
    AdaptCabwizToThisSystem(inputs.Cabwiz, setupDir);
    const fs::path inf = PathFromUtf8(inputs.Cabwiz.InfPath);
    std::error_code ec;
    if (!fs::is_regular_file(inf, ec)) {
        throw Error("Could not access \".INF\" file on: \n" + inputs.Cabwiz.InfPath);
    }
    RequireReplaceable(inf);
    fs::path backup = inf;
    backup += ".old";
    inputs.BackupExists = fs::exists(backup, ec);
    const std::vector<std::uint8_t> source = ReadFileBytes(inputs.BackupExists ? backup : inf);
    inputs.InfSource.assign(source.begin(), source.end());

    inputs.IconsName = entryName(setupDir, "Icons");
    inputs.AppName = entryName(setupDir, "App");
    inputs.CabName = entryName(setupDir, "CD1");
    inputs.AppFiles = FilesWithExtensionNoCase(setupDir / PathFromUtf8(inputs.AppName), ".vb");
    return inputs;
}

SetupPlan MakeSetupPlan(const SetupInputs& inputs) {
    const SetupRequest& request = inputs.Request;
    const std::string& chosen = request.Extension.value_or("");
    if (const auto problem = ExtensionProblem(chosen)) {
        throw Error(*problem);
    }
    SetupPlan plan;
    plan.Request = request;
    plan.Cabwiz = inputs.Cabwiz;
    const std::string ext = LowerExtension(chosen);
    plan.Extension = ext;
    plan.InfPath = PathFromUtf8(inputs.Cabwiz.InfPath);
    plan.BackupPath = plan.InfPath;
    plan.BackupPath += ".old";
    plan.MakeBackup = !inputs.BackupExists;

    const std::vector<std::string> cpus = uniqueCpuNames(inputs.Cabwiz.CpuNames);
    const std::string infShown = DisplayPath(plan.InfPath);
    ProfileDocument inf(rewrittenInfText(inputs.InfSource, cpus, ext), infShown);
    const fs::path iconsDir = request.SetupDir / PathFromUtf8(inputs.IconsName);
    for (const std::string& cpu : cpus) {
        plan.Processors.push_back(planProcessor(inf, cpu, iconsDir, request.DllName, infShown));
    }
    inf.write("Strings", "IconFile", request.DllName);
    inf.write("DefaultInstall", "AddReg", "RegSettings");
    plan.InfText = inf.text();

    // The application under its new extension: MyApp.vb is copied to MyApp.<ext>.
    const fs::path appDir = request.SetupDir / PathFromUtf8(inputs.AppName);
    for (const std::string& name : inputs.AppFiles) {
        plan.AppCopies.emplace_back(appDir / PathFromUtf8(name),
                                    appDir / PathFromUtf8(name.substr(0, name.size() - 2) + ext));
    }
    plan.CabDir = request.SetupDir / PathFromUtf8(inputs.CabName);
    return plan;
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

SetupReport ExecuteSetupPlan(const SetupPlan& plan, const CabBuilderOptions& cabBuilder,
                             const Progress& progress) {
    SetupReport report;
    report.InfPath = plan.InfPath;
    report.CabwizCommand = plan.Cabwiz.CabwizCommand;
    // The backup keeps the INF as the wizard wrote it; every later run starts from it.
    if (plan.MakeBackup) {
        copyFile(plan.InfPath, plan.BackupPath);
    }

    std::vector<DllTarget> dlls;
    for (const ProcessorPlan& processor : plan.Processors) {
        createFolder(processor.DllPath.parent_path());
        if (processor.Machine) {
            dlls.push_back({*processor.Machine, processor.DllPath});
            report.Dlls.push_back({processor.Cpu, *processor.Machine, processor.DllPath});
        } else {
            report.Notes.push_back(processor.Note);
        }
    }
    if (!dlls.empty()) {
        try {
            CreateDlls(plan.Request.IconFiles, dlls, progress);
        } catch (const Error& e) {
            throw Error("The icon DLLs of the processors could not be built:\n" +
                        std::string(e.what()));
        }
    }

    WriteFileAtomically(
        plan.InfPath,
        std::span(reinterpret_cast<const std::uint8_t*>(plan.InfText.data()), plan.InfText.size()));
    for (const auto& [from, to] : plan.AppCopies) {
        copyFile(from, to);
        report.AppCopies.push_back(to);
    }

    // The cab builder resolves the INF's relative source paths against the setup folder.
    RunOptions run;
    run.WorkingDirectory = plan.Request.SetupDir;
    run.TimeLimit = cabBuilder.TimeLimit;
    run.OnWait = cabBuilder.OnWait;
    if (cabBuilder.OnStart) {
        cabBuilder.OnStart(report.CabwizCommand);
    }
    report.Cabwiz = RunAndWait(report.CabwizCommand, run);
    if (cabBuilder.OnStop) {
        cabBuilder.OnStop(report.Cabwiz);
    }
    if (!report.Cabwiz.succeeded()) {
        throw Error("The cab builder did not succeed, so the cabinets in \"CD1\" were left as "
                    "they were.\nCommand: " +
                    report.CabwizCommand + "\nIt " + report.Cabwiz.describe() + ".");
    }
    report.Cabinets = gatherCabinets(plan.Request.SetupDir, plan.CabDir);
    return report;
}

} // namespace gw

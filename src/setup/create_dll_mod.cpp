#include "setup/create_dll_mod.h"

#include "common/error.h"
#include "common/file_io.h"
#include "common/interrupt_cleanup.h"
#include "dll/create_dll.h"
#include "dll/target_machine.h"
#include "platform/services.h"
#include "setup/extension.h"
#include "setup/paths.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace gw {

namespace fs = std::filesystem;

namespace {

constexpr std::int32_t kX86Machine = 0x014C;

// Shows a critical message under the application's title and records it as the run's failure.
SetupReport& fail(SetupReport& report, platform::MessageService& messages,
                  const std::string& text) {
    messages.show({text, "", platform::MessageIcon::Critical, platform::MessageButtons::Ok, 0});
    report.succeeded = false;
    report.failure = text;
    return report;
}

// The path of a subdirectory spelt in one case ("App", "Icons", "CD1"), found in any case.
std::string subdirectory(const std::string& setupDir, const std::string& name) {
    return JoinPath(setupDir, FindEntryNoCase(setupDir, name).value_or(name));
}

// The INF's lines: a line ends at CR LF or at a lone CR, a lone LF stays inside its line, and a
// final line end makes no extra line. An empty file is one empty line.
std::vector<std::string> splitInfLines(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::string> lines(1);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char c = static_cast<char>(bytes[i]);
        if (c != '\r') {
            lines.back() += c;
            continue;
        }
        if (i + 1 < bytes.size() && bytes[i + 1] == '\n') {
            ++i;
        }
        if (i + 1 < bytes.size()) {
            lines.emplace_back();
        }
    }
    return lines;
}

// Every ".vb", in any case, replaced by "." + extension.
std::string replaceVb(const std::string& line, const std::string& extension) {
    std::string out;
    for (std::size_t i = 0; i < line.size();) {
        if (i + 3 <= line.size() && SameNameNoCase(line.substr(i, 3), ".vb")) {
            out += "." + extension;
            i += 3;
        } else {
            out += line[i++];
        }
    }
    return out;
}

std::string trimBlanks(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return "";
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// A whole decimal number, or nothing when the text is not one.
std::optional<std::int64_t> wholeNumber(const std::string& text) {
    const std::string trimmed = trimBlanks(text);
    if (trimmed.empty() || trimmed.size() > 15 ||
        !std::all_of(trimmed.begin(), trimmed.end(),
                     [](unsigned char c) { return std::isdigit(c) != 0; })) {
        return std::nullopt;
    }
    return std::stoll(trimmed);
}

void copyFile(const std::string& from, const std::string& to) {
    writeFileAtomically(to, readFileBytes(from));
}

// The INF being rebuilt in a pending file beside it. Only when every edit has succeeded are the
// pending bytes written over the INF, which keeps its permission bits; the pending file is
// removed in any case, also when the program is interrupted. It is an internal file: errors
// met while editing it name the INF.
class PendingInf {
public:
    explicit PendingInf(std::string infPath)
        : infPath_(std::move(infPath)), path_(infPath_ + ".~gwnew"), guard_(path_) {}
    ~PendingInf() {
        std::error_code ec;
        fs::remove(path_, ec);
    }
    PendingInf(const PendingInf&) = delete;
    PendingInf& operator=(const PendingInf&) = delete;

    const std::string& path() const { return path_; }
    void commit() { writeFileAtomically(infPath_, readFileBytes(path_)); }

    // The error with every mention of the pending file turned into one of the INF.
    Error namingTheInf(const Error& e) const {
        std::string text = e.what();
        for (std::size_t at = text.find(path_); at != std::string::npos;
             at = text.find(path_, at + infPath_.size())) {
            text.replace(at, path_.size(), infPath_);
        }
        return Error(text, e.kind());
    }

private:
    std::string infPath_;
    std::string path_;
    TemporaryFileGuard guard_;
};

// Messages shown nowhere: for looking at the README before the run proper.
class UnshownMessages : public platform::MessageService {
public:
    platform::MessageAnswer show(const platform::Message&) override {
        return platform::MessageAnswer::Ok;
    }
};

// Fails (TargetNotWritable) when the README's cab builder line names an INF that may not be
// replaced. A README or INF that cannot be used at all is left for ChangeSetupFiles to report.
void requireReplaceableInf(const std::string& setupDir) {
    UnshownMessages unshown;
    CabwizInfo info;
    std::error_code ec;
    if (ReadCabwizCommand(subdirectory(setupDir, "Readme.txt"), info, unshown) &&
        fs::is_regular_file(info.InfPath, ec)) {
        RequireReplaceable(info.InfPath);
    }
}

// The cab builder line names each processor once: a name given twice is handled once.
std::vector<std::string> uniqueCpuNames(const std::vector<std::string>& names) {
    std::vector<std::string> unique;
    for (const std::string& name : names) {
        if (std::none_of(unique.begin(), unique.end(),
                         [&](const std::string& seen) { return SameNameNoCase(seen, name); })) {
            unique.push_back(name);
        }
    }
    return unique;
}

// Builds this processor's DLL and adds its INF entries to inf, the pending file of the INF
// named infShown. Returns a failure text, or "".
std::string addProcessor(const std::string& cpu, const std::string& inf,
                         const std::string& infShown, const std::string& iconsDir,
                         const std::string& dllName, const std::vector<std::string>& files,
                         SetupReport& report, platform::MessageService& messages) {
    const std::string cpuDir = JoinPath(iconsDir, cpu);
    std::error_code ec;
    fs::create_directories(cpuDir, ec); // a failure shows when the DLL is written

    const std::string typeText = ReadProfileString(inf, "CEDevice." + cpu, "ProcessorType");
    const auto type = wholeNumber(typeText);
    const auto machine = type ? MachineForProcessorType(*type) : std::nullopt;
    if (machine) {
        const std::string dllPath = JoinPath(cpuDir, dllName);
        try {
            CreateDll(*machine, files, dllPath);
        } catch (const Error& e) {
            return "The icon DLL for processor " + cpu + " could not be built:\r\n" + e.what();
        }
        report.dlls.push_back({cpu, *machine, dllPath});
    } else {
        const std::string note =
            type ? "No icon DLL was built for processor " + cpu + ": its ProcessorType " +
                       typeText + " is not a known Windows CE processor."
                 : "No icon DLL was built for processor " + cpu + ": its section [CEDevice." + cpu +
                       "] has no numeric \"ProcessorType\".";
        report.notes.push_back(note);
        messages.show(
            {note, "", platform::MessageIcon::Exclamation, platform::MessageButtons::Ok, 0});
    }

    const std::string copyFiles = ReadProfileString(inf, "DefaultInstall." + cpu, "CopyFiles");
    WriteProfileString(inf, "DefaultInstall." + cpu, "CopyFiles",
                       copyFiles.empty() ? "Icons." + cpu : copyFiles + ", Icons." + cpu);
    WriteProfileString(inf, "DestinationDirs", "Icons." + cpu, ",%InstallDir%");

    // The new disk follows the largest disk number, so no existing disk is replaced.
    std::optional<std::int64_t> largest;
    for (const std::string& key : ReadProfileKeys(inf, "SourceDisksNames." + cpu)) {
        if (const auto number = wholeNumber(key); number && (!largest || *number > *largest)) {
            largest = number;
        }
    }
    if (!largest) {
        return "The section [SourceDisksNames." + cpu + "] of " + displayPath(infShown) +
               " has no numbered disk, so the icons cannot be given a disk of their own.";
    }
    const std::string disk = std::to_string(*largest + 1);
    WriteProfileString(inf, "SourceDisksNames." + cpu, disk,
                       ",\"" + cpu + " Icons\",,Icons\\" + cpu);
    WriteProfileString(inf, "SourceDisksFiles." + cpu, "%IconFile%", disk);
    return "";
}

} // namespace

std::optional<std::int32_t> MachineForProcessorType(std::int64_t processorType) {
    switch (processorType) {
    case 486:
        return 0x014C;
    case 821:
        return 0x01F0;
    case 1824:
    case 2577:
        return 0x01C0;
    case 4000:
        return 0x0166;
    case 10003:
        return 0x01A2;
    case 10005:
        return 0x01A6;
    default:
        return std::nullopt;
    }
}

SetupReport ChangeSetupFiles(const std::string& setupDir, const std::string& dllName,
                             const std::vector<std::string>& files, SetupModuleState& state,
                             platform::MessageService& messages,
                             const CabBuilderOptions& cabBuilder) {
    SetupReport report;
    if (const auto problem = ExtensionProblem(state.NewExtension)) {
        return fail(report, messages, *problem);
    }
    const std::string readme = subdirectory(setupDir, "Readme.txt");
    if (!ReadCabwizCommand(readme, state, messages)) {
        return fail(report, messages, "Could not access \"README.TXT\" file on: \r\n" + readme);
    }
    const std::string& inf = state.InfPath;
    std::error_code ec;
    if (!fs::is_regular_file(inf, ec)) {
        return fail(report, messages, "Could not access \".INF\" file on: \r\n" + inf);
    }
    report.infPath = inf;
    report.cabwizCommand = state.CabwizCommand;

    try {
        RequireReplaceable(inf); // a read-only INF is refused before anything is written
        // The backup keeps the INF as the wizard wrote it; every run starts from it.
        const std::string backup = inf + ".old";
        if (!fs::exists(backup, ec)) {
            copyFile(inf, backup);
        }
        std::string text;
        for (const std::string& line : splitInfLines(readFileBytes(backup))) {
            text += replaceVb(line, state.NewExtension) + "\r\n";
        }
        const std::vector<std::string> cpus = uniqueCpuNames(state.CpuNames);
        for (const std::string& cpu : cpus) {
            text += "\r\n[Icons." + cpu + "]\r\n%IconFile%\r\n";
        }
        const std::string& ext = state.NewExtension;
        text += "\r\n[RegSettings]\r\n";
        text += "HKCR,." + ext + ",,0x00000000,VBCE." + ext + "File\r\n";
        text += "HKCR,VBCE." + ext + "File,,0x00000000,Application VBCE\r\n";
        text +=
            "HKCR,VBCE." + ext + "File\\DefaultIcon,,0x00000000,\"%InstallDir%\\%IconFile%,0\"\r\n";
        text += "HKCR,VBCE." + ext +
                "File\\Shell\\Open\\Command,,0x00000000,\"\\Windows\\pvbload.exe %%1\"\r\n";

        PendingInf pending(inf);
        try {
            writeFileAtomically(pending.path(),
                                std::vector<std::uint8_t>(text.begin(), text.end()));
            const std::string iconsDir = subdirectory(setupDir, "Icons");
            for (const std::string& cpu : cpus) {
                const std::string problem = addProcessor(cpu, pending.path(), inf, iconsDir,
                                                         dllName, files, report, messages);
                if (!problem.empty()) {
                    return fail(report, messages, problem);
                }
            }
            WriteProfileString(pending.path(), "Strings", "IconFile", dllName);
            WriteProfileString(pending.path(), "DefaultInstall", "AddReg", "RegSettings");
        } catch (const Error& e) {
            throw pending.namingTheInf(e);
        }
        pending.commit();
        report.infRewritten = true;

        // The application under its new extension: MyApp.vb is copied to MyApp.<ext>.
        const std::string appDir = subdirectory(setupDir, "App");
        for (const std::string& name : FilesWithExtensionNoCase(appDir, ".vb")) {
            const std::string copy =
                JoinPath(appDir, name.substr(0, name.size() - 2) + state.NewExtension);
            copyFile(JoinPath(appDir, name), copy);
            report.appCopies.push_back(copy);
        }
    } catch (const Error& e) {
        return fail(report, messages, e.what());
    }

    // The cab builder resolves the INF's relative source paths against the setup directory.
    RunOptions run;
    run.workingDirectory = setupDir;
    run.timeLimit = cabBuilder.timeLimit;
    run.onWait = cabBuilder.onWait;
    if (cabBuilder.onStart) {
        cabBuilder.onStart(state.CabwizCommand);
    }
    report.cabwiz = RunAndWait(state.CabwizCommand, run);
    report.cabwizRan = true;
    if (!report.cabwiz.succeeded()) {
        return fail(report, messages,
                    "The cab builder did not succeed, so the cabinets in \"CD1\" were left as "
                    "they were.\r\nCommand: " +
                        state.CabwizCommand + "\r\nIt " + report.cabwiz.describe() + ".");
    }

    const std::string cabDir = subdirectory(setupDir, "CD1");
    fs::create_directories(cabDir, ec);
    for (const std::string& old : FilesWithExtensionNoCase(cabDir, ".cab")) {
        fs::remove(JoinPath(cabDir, old), ec);
    }
    for (const std::string& cab : FilesWithExtensionNoCase(setupDir, ".cab")) {
        const std::string target = JoinPath(cabDir, cab);
        fs::rename(JoinPath(setupDir, cab), target, ec);
        if (ec) {
            return fail(report, messages,
                        "The cabinet " + cab + " could not be moved to " + displayPath(cabDir) +
                            ": " + ec.message());
        }
        report.cabinets.push_back(target);
    }
    report.succeeded = true;
    return report;
}

bool PrepareSetupDirectory(const std::string& setupDir, const std::string& dllName,
                           const std::vector<std::string>& files,
                           platform::MessageService& messages, SetupReport& report) {
    if (!FindEntryNoCase(setupDir, "Readme.txt")) {
        fail(report, messages, "Wrong directory selected. File \"Readme.txt\" not found!");
        return false;
    }
    std::error_code ec;
    fs::create_directory(subdirectory(setupDir, "Icons"), ec);
    const std::string dllPath = JoinPath(setupDir, dllName);
    try {
        CreateDll(kX86Machine, files, dllPath);
    } catch (const Error& e) {
        fail(report, messages, e.what());
        return false;
    }
    report.dlls.push_back({"", kX86Machine, dllPath});
    return true;
}

SetupReport RunSetup(const std::string& setupDir, const std::string& dllName,
                     const std::vector<std::string>& files, const std::string& extension,
                     SetupModuleState& state, platform::MessageService& messages,
                     const CabBuilderOptions& cabBuilder) {
    SetupReport report;
    if (const auto problem = ExtensionProblem(extension)) {
        return fail(report, messages, *problem);
    }
    try {
        requireReplaceableInf(setupDir);
    } catch (const Error& e) {
        return fail(report, messages, e.what());
    }
    if (!PrepareSetupDirectory(setupDir, dllName, files, messages, report)) {
        return report;
    }
    state.NewExtension = LowerExtension(extension);
    SetupReport rest = ChangeSetupFiles(setupDir, dllName, files, state, messages, cabBuilder);
    rest.dlls.insert(rest.dlls.begin(), report.dlls.begin(), report.dlls.end());
    return rest;
}

} // namespace gw

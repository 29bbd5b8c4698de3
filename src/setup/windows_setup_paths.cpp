#include "setup/windows_setup_paths.h"

#include "common/error.h"
#include "common/file_io.h"
#include "common/paths.h"
#include "common/text.h"
#include "system/run_and_wait.h"

#include <cstdlib>
#include <vector>

namespace gw {

namespace fs = std::filesystem;

namespace {

bool hasDriveLetter(std::string_view path) {
    return path.size() >= 2 && path[1] == ':' &&
           ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

// The parts of a Windows path after its drive, without empty ones.
std::vector<std::string> windowsParts(std::string_view path) {
    std::vector<std::string> parts;
    std::string part;
    for (const char c : path.substr(hasDriveLetter(path) ? 2 : 0)) {
        if (c == '\\' || c == '/') {
            if (!part.empty()) {
                parts.push_back(part);
            }
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty()) {
        parts.push_back(part);
    }
    return parts;
}

#ifndef _WIN32
bool isFile(const fs::path& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

fs::path winePrefix() {
    if (const char* prefix = std::getenv("WINEPREFIX"); prefix != nullptr && *prefix != '\0') {
        return PathFromUtf8(prefix);
    }
    const char* home = std::getenv("HOME");
    return PathFromUtf8(home != nullptr ? home : "") / ".wine";
}
#endif

} // namespace

bool IsWindowsPath(std::string_view path) {
    return hasDriveLetter(path) || path.find('\\') != std::string_view::npos;
}

std::optional<fs::path> HostFileForWine(std::string_view windowsPath, const fs::path& winePrefix) {
    if (!hasDriveLetter(windowsPath)) {
        return std::nullopt;
    }
    const std::string drive = LowerCase(windowsPath.substr(0, 2));
    std::error_code ec;
    fs::path file = fs::canonical(winePrefix / "dosdevices" / drive, ec);
    if (ec) {
        return std::nullopt;
    }
    for (const std::string& part : windowsParts(windowsPath)) {
        const std::optional<std::string> found = FindEntryNoCase(file, part);
        if (!found) {
            return std::nullopt;
        }
        file /= PathFromUtf8(*found);
    }
    return file;
}

std::string WinePathOfHostFile(const fs::path& file, const fs::path& winePrefix) {
    std::string drive = "Z:";
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(winePrefix / "dosdevices", ec)) {
        const std::string name = PathToUtf8(entry.path().filename());
        std::error_code linkError;
        if (name.size() == 2 && name[1] == ':' &&
            fs::read_symlink(entry.path(), linkError) == fs::path("/")) {
            drive = UpperCase(name);
            break;
        }
    }
    std::string path = PathToUtf8(fs::absolute(file, ec));
    for (char& c : path) {
        c = c == '/' ? '\\' : c;
    }
    return drive + path;
}

void AdaptCabwizToThisSystem([[maybe_unused]] CabwizInfo& info,
                             [[maybe_unused]] const fs::path& setupDir) {
#ifndef _WIN32
    if (isFile(PathFromUtf8(info.InfPath)) || !IsWindowsPath(info.InfPath)) {
        return; // a line written for this system: run as it stands
    }
    const std::string infName =
        windowsParts(info.InfPath).empty() ? std::string() : windowsParts(info.InfPath).back();
    const std::optional<std::string> local = FindEntryNoCase(setupDir, infName);
    if (!local || !isFile(setupDir / PathFromUtf8(*local))) {
        throw Error("Could not access \".INF\" file on: \n" + info.InfPath +
                    "\nThat is a Windows path, and the setup directory holds no file named " +
                    infName + " either.");
    }
    const fs::path inf = setupDir / PathFromUtf8(*local);
    std::vector<std::string> words = SplitCommandLine(info.CabwizCommand);
    if (words.size() < 2) {
        throw Error("the cab builder line names no INF file after the program: " +
                    info.CabwizCommand);
    }
    const std::string& program = info.CabwizProgram;
    const bool windowsProgram =
        IsWindowsPath(program) ||
        (program.size() > 4 && EqualNoCase(program.substr(program.size() - 4), ".exe"));
    if (!windowsProgram || FindProgram(program)) {
        // A builder of this system: given the local INF in place of the Windows path.
        words.at(1) = DisplayPath(inf);
    } else {
        const std::optional<fs::path> wine = FindProgram("wine");
        if (!wine) {
            throw Error("The cab builder \"" + program +
                        "\" is a Windows program, and Wine, which runs Windows programs here, is "
                        "not installed (Debian package wine), so the setup directory was left "
                        "as it was.");
        }
        const fs::path prefix = winePrefix();
        if (!HostFileForWine(program, prefix)) {
            throw Error("The cab builder \"" + program +
                        "\" is a Windows program that Wine does not find: there is no such file "
                        "in the Wine prefix " +
                        DisplayPath(prefix) +
                        " (set WINEPREFIX to the prefix where the Windows CE tools are "
                        "installed), so the setup directory was left as it was.");
        }
        words.at(1) = WinePathOfHostFile(inf, prefix);
        words.insert(words.begin(), DisplayPath(*wine));
    }
    info.CabwizCommand = JoinCommandLine(words);
    info.InfPath = PathToUtf8(inf);
#endif
}

} // namespace gw

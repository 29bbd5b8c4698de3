#pragma once

#include "setup/cabwiz_command.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// A setup directory that the wizard made on Windows, used on a system that is not: its README
// names the cab builder and the INF by Windows paths. The INF is then the file of the same name
// in the setup directory, and the cab builder, a Windows program, runs under Wine, which finds
// it through its own drive letters and is given the INF by the drive letter Wine maps the host's
// root to.
namespace gw {

// Whether a path is written the Windows way: a drive letter and a colon, or a backslash.
[[nodiscard]] bool IsWindowsPath(std::string_view path);

// The host file a Windows path names for Wine: its drive letter through the prefix's dosdevices
// link ("c:" for C:), every later part found in any case, as Windows finds it. Nothing when
// the drive or a part is missing.
[[nodiscard]] std::optional<std::filesystem::path>
HostFileForWine(std::string_view windowsPath, const std::filesystem::path& winePrefix);

// The Windows path under which Wine sees a host file: the drive whose dosdevices link leads to
// the host's root ("Z:" in every prefix Wine makes), the rest with backslashes.
[[nodiscard]] std::string WinePathOfHostFile(const std::filesystem::path& file,
                                             const std::filesystem::path& winePrefix);

// Makes a README's cab builder line usable on this system. On Windows, and for a line whose INF
// exists as written, nothing changes. Otherwise an INF given by a Windows path is the file of
// the same name in setupDir (any case), and a cab builder given by a Windows path or as an .exe
// that does not exist here is run by "wine" from the PATH in the prefix of $WINEPREFIX (else
// ~/.wine), its INF argument the local INF as Wine sees it. Throws gw::Error, before anything is
// written, when the INF is nowhere or the cab builder cannot be run: which program, and why.
void AdaptCabwizToThisSystem(CabwizInfo& info, const std::filesystem::path& setupDir);

} // namespace gw

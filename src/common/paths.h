#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// Paths as text, split at the platform's separator, and entries of a folder found without
// regard to case.
namespace gw {

// The separator that splits paths on this platform: the backslash on Windows, where a slash
// is an ordinary file-name character, and the slash elsewhere.
#ifdef _WIN32
inline constexpr char kNativeSeparator = '\\';
#else
inline constexpr char kNativeSeparator = '/';
#endif

// The text after the last separator; the whole path when it holds none.
[[nodiscard]] std::string GetFileName(const std::string& path, char separator = kNativeSeparator);

// The text before the last separator, ending in it when withSeparator is set. A path whose only
// separator is its first character gives the separator alone; a path without one gives "".
[[nodiscard]] std::string GetDirectory(const std::string& path, bool withSeparator,
                                       char separator = kNativeSeparator);

// path + separator + name, without doubling a separator that path already ends in.
[[nodiscard]] std::string JoinPath(const std::string& directory, const std::string& name,
                                   char separator = kNativeSeparator);

// The name, as spelt on disk, of the entry of directory whose name equals name without regard to
// case; nothing when there is none. Lets a setup directory copied from Windows ("README.TXT",
// "app", "Cd1") be found on a case-sensitive file system.
[[nodiscard]] std::optional<std::string> FindEntryNoCase(const std::filesystem::path& directory,
                                                         const std::string& name);

// The names of the regular files in directory whose extension (".vb", ".cab") matches without
// regard to case, sorted by name. An unreadable or missing directory gives none.
[[nodiscard]] std::vector<std::string>
FilesWithExtensionNoCase(const std::filesystem::path& directory, const std::string& extension);

} // namespace gw

#include "common/paths.h"

#include "common/file_io.h"
#include "common/text.h"

#include <algorithm>
#include <filesystem>

namespace gw {

std::string GetFileName(const std::string& path, char separator) {
    const std::size_t at = path.rfind(separator);
    return at == std::string::npos ? path : path.substr(at + 1);
}

std::string GetDirectory(const std::string& path, bool withSeparator, char separator) {
    const std::size_t at = path.rfind(separator);
    if (at == std::string::npos) {
        return "";
    }
    if (at == 0) {
        return std::string(1, separator);
    }
    return path.substr(0, withSeparator ? at + 1 : at);
}

std::string JoinPath(const std::string& directory, const std::string& name, char separator) {
    if (directory.empty()) {
        return name;
    }
    if (directory.back() == separator) {
        return directory + name;
    }
    return directory + separator + name;
}

std::optional<std::string> FindEntryNoCase(const std::filesystem::path& directory,
                                           const std::string& name) {
    namespace fs = std::filesystem;
    std::error_code ec;
    // The exact spelling wins; else the first in order of the names that differ only in case.
    // The folder is listed even where the file system ignores case, so that the name is the
    // one on disk.
    std::optional<std::string> found;
    for (auto it = fs::directory_iterator(directory, ec); !ec && it != fs::directory_iterator();
         it.increment(ec)) {
        const std::string candidate = PathToUtf8(it->path().filename());
        if (candidate == name) {
            return name;
        }
        if (EqualNoCase(candidate, name) && (!found || candidate < *found)) {
            found = candidate;
        }
    }
    return found;
}

std::vector<std::string> FilesWithExtensionNoCase(const std::filesystem::path& directory,
                                                  const std::string& extension) {
    namespace fs = std::filesystem;
    std::vector<std::string> names;
    std::error_code ec;
    for (auto it = fs::directory_iterator(directory, ec); !ec && it != fs::directory_iterator();
         it.increment(ec)) {
        const std::string name = PathToUtf8(it->path().filename());
        if (name.size() > extension.size() && it->is_regular_file(ec) &&
            EqualNoCase(name.substr(name.size() - extension.size()), extension)) {
            names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace gw

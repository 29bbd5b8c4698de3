#include "setup/paths.h"

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

} // namespace gw

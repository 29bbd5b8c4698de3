#pragma once

#include <QString>
#include <string>

namespace gw {

// Text from the core (UTF-8 in std::string) as Qt text, for the windows and the Qt services.
inline QString ToQString(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace gw

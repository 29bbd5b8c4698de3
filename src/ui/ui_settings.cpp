#include "ui/ui_settings.h"

#include "common/text.h"

namespace gw::ui {

bool ReadsAsTrue(const std::string& value) {
    const std::string_view text = Trim(value, " \t\r\n\f\v");
    if (EqualNoCase(text, "true")) {
        return true;
    }
    // A number other than 0, of either sign, as other programs of its kind store True (-1).
    const std::string_view digits = text.starts_with('-') ? text.substr(1) : text;
    const auto number = ParseDecimal(digits, INT64_MAX);
    return number && *number != 0;
}

bool SetupNoticeTurnedOff(const services::SettingsStore& settings) {
    return ReadsAsTrue(settings.get(kOptions, key::kDontShowSetupNote, ""));
}

} // namespace gw::ui

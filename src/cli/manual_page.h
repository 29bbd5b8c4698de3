#pragma once

#include <string>
#include <string_view>

namespace gw::cli {

// The manual pages, in roff (man(7) macros), made from the same texts as "--help", so that the
// two never disagree. date is the page's date as the footer shows it ("2026-12-08").
[[nodiscard]] std::string CliManualPage(std::string_view version, std::string_view date);
[[nodiscard]] std::string WindowProgramManualPage(std::string_view version, std::string_view date);

// Text as roff shows it literally: backslashes and hyphens escaped, and a line that would
// begin with a control character ("." or "'") protected.
[[nodiscard]] std::string RoffText(std::string_view text);

} // namespace gw::cli

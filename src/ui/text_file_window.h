#pragma once

#include <string>

class QWidget;

namespace gw::ui {

// Shows a text file in a modal, read-only window titled title and returns when the user has
// closed it. A file that cannot be read fails with an Error before anything is shown.
void ShowTextFile(const std::string& path, const std::string& title, QWidget* parent = nullptr);

} // namespace gw::ui

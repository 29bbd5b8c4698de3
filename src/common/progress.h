#pragma once

#include <functional>

namespace gw {

// Called by the core before each long file operation, so that a window can let its pending
// events run (repaint, a Stop button); empty when nobody is waiting on the work.
using Progress = std::function<void()>;

inline void ReportProgress(const Progress& progress) {
    if (progress) {
        progress();
    }
}

} // namespace gw

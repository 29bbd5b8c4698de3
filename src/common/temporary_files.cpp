#include "common/temporary_files.h"

#include "common/signal_safe_slots.h"

#ifdef _WIN32
#include <stdio.h>
#else
#include <unistd.h>
#endif

namespace gw {

namespace {

// A run holds at most a few temporary files at once (seven for a build of every target).
using NativeChar = std::filesystem::path::value_type;
SignalSafeSlots<const NativeChar*, 64> temporaryFiles;

} // namespace

TemporaryFileGuard::TemporaryFileGuard(const std::filesystem::path& path)
    : path_(path.native()), slot_(temporaryFiles.claim(path_.c_str())) {}

TemporaryFileGuard::~TemporaryFileGuard() {
    release();
}

void TemporaryFileGuard::release() noexcept {
    temporaryFiles.release(slot_);
    slot_ = -1;
}

void RemoveRegisteredTemporaryFiles() noexcept {
    temporaryFiles.forEach([](const NativeChar* path) {
#ifdef _WIN32
        _wremove(path);
#else
        ::unlink(path);
#endif
    });
}

} // namespace gw

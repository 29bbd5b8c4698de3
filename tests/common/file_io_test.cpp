#include "common/error.h"
#include "common/file_io.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

namespace gw {
namespace {

// Reading, checking, replacing and abandoning a replacement each close every file they opened
// (a file left open is held locked on Windows and runs the process out of descriptors).
TEST(FileIoTest, EveryPathClosesTheFilesItOpened) {
#ifndef __linux__
    GTEST_SKIP() << "counts the open descriptors in /proc/self/fd";
#else
    test::TempDir dir;
    const std::filesystem::path path = dir.path() / "a.bin";
    const test::Bytes bytes = {1, 2, 3};
    const std::size_t before = test::FilesIn("/proc/self/fd");
    writeFileAtomically(path, bytes);
    EXPECT_EQ(readFileBytes(path), bytes);
    RequireReplaceable(path);
    EXPECT_THROW(readFileBytes(dir.path() / "missing"), Error);
    {
        AtomicFile abandoned(path);
        abandoned.write(bytes);
    }
    EXPECT_EQ(test::FilesIn("/proc/self/fd"), before);
    EXPECT_EQ(test::FilesIn(dir.path()), 1u);
#endif
}

} // namespace
} // namespace gw

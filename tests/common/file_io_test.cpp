#include "common/error.h"
#include "common/file_io.h"
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <utility>
#include <vector>

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
    WriteFileAtomically(path, bytes);
    EXPECT_EQ(ReadFileBytes(path), bytes);
    RequireReplaceable(path);
    EXPECT_THROW(static_cast<void>(ReadFileBytes(dir.path() / "missing")), Error);
    {
        AtomicFile abandoned(path);
        abandoned.write(bytes);
    }
    EXPECT_EQ(test::FilesIn("/proc/self/fd"), before);
    EXPECT_EQ(test::FilesIn(dir.path()), 1u);
#endif
}

// Each reason a target cannot be replaced, refused before anything is written, with the kind
// callers tell apart and the cause in words; a writable file in a writable folder passes.
TEST(FileIoTest, RequireReplaceableNamesWhyATargetCannotBeWritten) {
    test::TempDir dir;
    const std::filesystem::path folder = dir.path() / "folder", locked = dir.path() / "locked";
    std::filesystem::create_directory(folder);
    const std::filesystem::path lockedFolder = dir.path() / "locked folder";
    std::filesystem::create_directory(lockedFolder);
    test::WriteText(locked, "old");
    test::WriteText(dir.path() / "fine", "old");
    const auto noWrite = [](const std::filesystem::path& path) {
        std::filesystem::permissions(path,
                                     std::filesystem::perms::owner_write |
                                         std::filesystem::perms::group_write |
                                         std::filesystem::perms::others_write,
                                     std::filesystem::perm_options::remove);
    };
    noWrite(locked);
    noWrite(lockedFolder);
    std::vector<std::pair<std::filesystem::path, std::string>> cases = {
        {folder, "it is a folder, not a file"},
        {locked, "the file is read-only"},
        {dir.path() / "missing" / "new.dll",
         "the folder " + DisplayPath(dir.path() / "missing") + " does not exist"},
    };
#ifndef _WIN32
    // Windows keeps a folder's read-only flag only as a hint for its shell.
    cases.push_back(
        {lockedFolder / "new.dll", "the folder " + DisplayPath(lockedFolder) + " is read-only"});
#endif
    for (const auto& [target, cause] : cases) {
        const test::Thrown thrown =
            test::ThrownBy([&target = target] { RequireReplaceable(target); });
        EXPECT_EQ(thrown.text, DisplayPath(target) + ": " + cause);
        EXPECT_EQ(thrown.kind, ErrorKind::TargetNotWritable) << cause;
    }
    EXPECT_NO_THROW(RequireReplaceable(dir.path() / "fine"));
    EXPECT_NO_THROW(RequireReplaceable(folder / "new.dll"));
}

} // namespace
} // namespace gw

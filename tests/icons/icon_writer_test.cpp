#include "common/error.h"
#include "icons/icon_writer.h"
#include "support/setup_directory.h"
#include "support/test_support.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#endif

namespace gw {
namespace {

using test::Bytes;
using test::Le16;
using test::Le32;
using test::MakeImage;
using test::TempDir;

IconImage Decoded(const Bytes& image) {
    return DecodeIconImage(image, "made.ico", "image");
}

// Width, height, colour count, reserved, planes, bit count, size and offset of a directory entry.
using Entry = std::array<std::uint32_t, 8>;
Entry EntryAt(const Bytes& file, std::size_t i) {
    const std::size_t at = 6 + 16 * i;
    return {file.at(at),        file.at(at + 1),    file.at(at + 2),    file.at(at + 3),
            Le16(file, at + 4), Le16(file, at + 6), Le32(file, at + 8), Le32(file, at + 12)};
}

// The icon file as another program lists it, when that program is installed.
void ExpectIcotoolListing(const std::string& path, const std::string& listing) {
    if (test::HaveProgram("icotool")) {
        const auto run = test::RunProcess({"icotool", "-l", path});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, listing);
    }
}

TEST(IconWriterTest, BuildsTheDirectoryFromTheBitmapHeaders) {
    TempDir dir;
    Bytes odd = MakeImage(16, 16, 1);
    odd[8] = 63; // biHeight: an odd value rounds down to a height of 31
    // Planes and BitCount stay 0; the colour count comes from the bitmap's bit depth.
    const std::pair<std::vector<Bytes>, std::vector<Entry>> cases[] = {
        {{MakeImage(32, 32, 4, 1), MakeImage(16, 16, 4, 2)},
         {{32, 32, 16, 0, 0, 0, 744, 38}, {16, 16, 16, 0, 0, 0, 296, 782}}},
        {{MakeImage(32, 32, 8)}, {{32, 32, 0, 0, 0, 0, 2216, 22}}},
        {{odd}, {{16, 31, 2, 0, 0, 0, 176, 22}}},
        // 256 pixels wide and high: stored as 0 in the directory's bytes.
        {{MakeImage(256, 256, 1)}, {{0, 0, 2, 0, 0, 0, 40 + 8 + 2 * 32 * 256, 22}}},
    };
    const std::string out = dir.file("out.ico");
    for (const auto& [images, entries] : cases) {
        std::vector<IconImage> decoded;
        std::transform(images.begin(), images.end(), std::back_inserter(decoded), Decoded);
        WriteIconFile(out, decoded);
        const Bytes file = test::ReadBytes(out);
        const auto count = static_cast<std::uint8_t>(images.size());
        EXPECT_EQ(Bytes(file.begin(), file.begin() + 6), (Bytes{0, 0, 1, 0, count, 0}));
        for (std::size_t i = 0; i < images.size(); ++i) {
            EXPECT_EQ(EntryAt(file, i), entries[i]) << i;
            EXPECT_EQ(test::IconImageBytes(file, i), images[i]) << i;
        }
        EXPECT_EQ(file.size(), entries.back()[6] + entries.back()[7]);
    }
    ExpectIcotoolListing(out, "--icon --index=1 --width=256 --height=256 --bit-depth=1 "
                              "--palette-size=2\n");
}

// Images that do not fit and targets that cannot be written: refused with the target, the image
// and the cause, and nothing in the folder written, added or removed.
TEST(IconWriterTest, RefusalsNameTheirCauseAndLeaveEverythingAsItWas) {
    TempDir dir;
    const IconImage good = Decoded(MakeImage(1, 1, 1));
    const std::string out = dir.file("out.ico"),
                      locked = test::WriteIcon(dir, "l.ico", {{8, 8, 4}});
    ASSERT_EQ(::chmod(locked.c_str(), 0444), 0);
    using Edit = std::function<void(std::vector<IconImage>&)>;
    const auto fails = ErrorKind::Failure, notWritable = ErrorKind::TargetNotWritable;
    const std::tuple<std::string, Edit, std::string, ErrorKind> cases[] = {
        {out, [](auto& v) { v[1].Header.biWidth = 257; },
         "image 1: its width of 257 pixels is outside 1 to 256", fails},
        {out, [](auto& v) { v[1].Palette.pop_back(); },
         "image 1: the colour table has 1 entries, but its header gives it 2", fails},
        {out, [](auto& v) { v[1].Bits.clear(); },
         "image 1: truncated: its 48 bytes are too few for the header, colour table and colour "
         "pixels of 1 x 1 pixels at 1 bits per pixel",
         fails},
        {out, [](auto& v) { v.clear(); },
         "no images to write; an icon file holds at least one image", fails},
        // 2047 images put the first one at offset 32758; one more does not fit 16 bits.
        {out, [&](auto& v) { v.resize(2048, good); },
         "image 2047: an icon file holds at most 2047 images; 2048 would put the first image "
         "beyond the 16-bit offset",
         fails},
        {locked, [](auto&) {}, "the file is read-only", notWritable},
        {dir.file("missing/new.ico"), [](auto&) {},
         "the folder " + dir.file("missing") + " does not exist", notWritable},
    };
    const auto before = test::Snapshot(dir.path());
    for (const auto& [target, edit, cause, kind] : cases) {
        std::vector<IconImage> images(2, good);
        edit(images);
        const test::Thrown thrown =
            test::ThrownBy([&, &target = target] { WriteIconFile(target, images); });
        EXPECT_EQ(thrown.text, target + ": " + cause);
        EXPECT_EQ(thrown.kind, kind) << cause;
    }
    // The writers of stored images count the same way.
    EXPECT_THROW(WriteStoredIcon(out, {}), Error);
    EXPECT_THROW(WriteStoredIconWithEntries(out, {}), Error);
    EXPECT_EQ(test::Snapshot(dir.path()), before);
    WriteIconFile(out, std::vector<IconImage>(2047, good));
    EXPECT_EQ(EntryAt(test::ReadBytes(out), 0)[7], 32758u);
}

// A file in use elsewhere is refused although its permission bits allow writing, and stays as
// it was: on Windows one held open without sharing, on Linux a program that is running (which
// no one may open for writing).
TEST(IconWriterTest, AFileInUseIsRefusedAndKept) {
    TempDir dir;
    const std::string busy = dir.file("busy.ico");
#ifdef _WIN32
    test::WriteText(busy, "held");
    const Bytes before = test::ReadBytes(busy);
    const HANDLE held = CreateFileA(busy.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const std::string cause = "Permission denied";
#else
    std::filesystem::copy_file("/bin/sleep", busy);
    ::chmod(busy.c_str(), 0755);
    char* const argv[] = {const_cast<char*>(busy.c_str()), const_cast<char*>("30"), nullptr};
    pid_t pid = 0;
    ASSERT_EQ(::posix_spawn(&pid, busy.c_str(), nullptr, nullptr, argv, nullptr), 0);
    const std::string cause = "Text file busy";
    const Bytes before = test::ReadBytes(busy);
#endif
    std::FILE* probe = std::fopen(busy.c_str(), "r+b");
    if (probe == nullptr) {
        const test::Thrown thrown =
            test::ThrownBy([&] { WriteIconFile(busy, {Decoded(MakeImage(1, 1, 1))}); });
        EXPECT_EQ(thrown.text, busy + ": the file cannot be opened for writing: " + cause);
        EXPECT_EQ(thrown.kind, ErrorKind::TargetNotWritable);
    } else {
        std::fclose(probe);
    }
#ifdef _WIN32
    CloseHandle(held);
#else
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
#endif
    EXPECT_EQ(test::ReadBytes(busy), before);
    if (probe != nullptr) {
        GTEST_SKIP() << "this system lets a file in use be opened for writing";
    }
}

} // namespace
} // namespace gw

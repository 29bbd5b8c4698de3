// Windows' own loader and icon functions read the DLLs Glyphwright writes: every DLL maps as an
// image resource, every icon group is found under its ID, and every image Windows takes from
// the DLL draws exactly like the same image taken from the icon file it came from.

#include "dll/create_dll.h"
#include "dll/target_machine.h"
#include "icons/convert_for_handhelds.h"
#include "icons/icon_writer.h"
#include "support/test_support.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <gtest/gtest.h>
#include <iostream>
#include <memory>
#include <span>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>
#include <windows.h>

namespace gw {
namespace {

namespace fs = std::filesystem;

using Pixels = std::vector<std::uint32_t>;

// The colour every drawing starts from; the icons' transparent pixels show it.
constexpr std::uint32_t kBackground = 0x0033CC99;

// Several images per file, at 1, 4 and 8 bits per pixel and 16, 32 and 48 pixels square;
// multi.ico holds two 32 x 32 and two 16 x 16 images of different depths.
const std::vector<std::string> kIconFiles = {"multi.ico", "glyph-4bit.ico", "mono-1bit.ico",
                                             "tile-8bit.ico"};

struct ModuleFree {
    void operator()(HMODULE module) const { FreeLibrary(module); }
};
using Module = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleFree>;

struct IconDestroy {
    void operator()(HICON icon) const { DestroyIcon(icon); }
};
using Icon = std::unique_ptr<std::remove_pointer_t<HICON>, IconDestroy>;

// RT_ICON and RT_GROUP_ICON as numbers, for the wide-character resource functions (the
// headers' own names follow the build's character set).
constexpr int kRtIcon = 3;
constexpr int kRtGroupIcon = 14;

// A resource's bytes inside the mapped module; empty when it cannot be found or loaded.
std::span<const std::uint8_t> ResourceBytes(HMODULE module, int id, int type) {
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(type));
    HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
    const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (data == nullptr) {
        return {};
    }
    return {static_cast<const std::uint8_t*>(data), SizeofResource(module, found)};
}

// One GRPICONDIRENTRY of a group resource: its size, depth and RT_ICON ID.
struct GroupEntry {
    int width = 0, height = 0, bitCount = 0, id = 0;
};

std::vector<GroupEntry> GroupEntries(std::span<const std::uint8_t> dir) {
    auto u16 = [&](std::size_t at) { return dir[at] | dir[at + 1] << 8; };
    std::vector<GroupEntry> entries;
    const std::size_t count = dir.size() >= 6 ? u16(4) : 0;
    for (std::size_t k = 0; k < count && 6 + 14 * (k + 1) <= dir.size(); ++k) {
        const std::size_t at = 6 + 14 * k;
        entries.push_back({dir[at] == 0 ? 256 : dir[at], dir[at + 1] == 0 ? 256 : dir[at + 1],
                           u16(at + 6), u16(at + 12)});
    }
    return entries;
}

// The icon drawn at its own size into a 32-bit top-down DIB section filled with the
// background first: one 0x00RRGGBB value per pixel, top row first. Empty when there is no
// icon (whatever failed to make it has said why) or it cannot be drawn.
Pixels Draw(HICON icon, int width, int height) {
    if (icon == nullptr) {
        return {};
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC dc = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    Pixels pixels;
    if (dc != nullptr && bitmap != nullptr && bits != nullptr) {
        auto* first = static_cast<std::uint32_t*>(bits);
        const std::size_t count = static_cast<std::size_t>(width) * height;
        std::fill_n(first, count, kBackground);
        HGDIOBJ previous = SelectObject(dc, bitmap);
        if (DrawIconEx(dc, 0, 0, icon, width, height, 0, nullptr, DI_NORMAL)) {
            GdiFlush();
            pixels.assign(first, first + count);
        } else {
            ADD_FAILURE() << "DrawIconEx failed (error " << GetLastError() << ")";
        }
        SelectObject(dc, previous);
    } else {
        ADD_FAILURE() << "no 32-bit DIB section of " << width << " x " << height;
    }
    if (bitmap != nullptr) {
        DeleteObject(bitmap);
    }
    if (dc != nullptr) {
        DeleteDC(dc);
    }
    return pixels;
}

// Empty when both drawings are the same, else the first pixel where they differ.
std::string FirstDifference(const Pixels& fromFile, const Pixels& fromDll, int width) {
    if (fromFile.size() != fromDll.size()) {
        return "drawings of " + std::to_string(fromFile.size()) + " and " +
               std::to_string(fromDll.size()) + " pixels";
    }
    const auto [file, dll] = std::mismatch(fromFile.begin(), fromFile.end(), fromDll.begin());
    if (file == fromFile.end()) {
        return "";
    }
    const auto at = file - fromFile.begin();
    std::ostringstream text;
    text << std::hex << "pixel (" << std::dec << at % width << ", " << at / width << std::hex
         << ") is 0x" << *file << " from the file but 0x" << *dll << " from the DLL";
    return text.str();
}

// The icon Windows makes of one image's bytes; what refuses it is reported as a failure.
Icon IconFromBytes(std::span<const std::uint8_t> bytes, int width, int height,
                   const std::string& source) {
    // CreateIconFromResourceEx only reads the bytes, though its parameter is not const.
    Icon icon(CreateIconFromResourceEx(const_cast<PBYTE>(bytes.data()),
                                       static_cast<DWORD>(bytes.size()), TRUE, 0x00030000, width,
                                       height, LR_DEFAULTCOLOR));
    if (icon == nullptr) {
        ADD_FAILURE() << "CreateIconFromResourceEx refuses " << source << " (error "
                      << GetLastError() << ")";
    }
    return icon;
}

// The icon LoadImageW picks from an icon file for this size.
Icon IconFromFile(const std::string& path, int width, int height) {
    Icon icon(static_cast<HICON>(LoadImageW(nullptr, fs::path(path).wstring().c_str(), IMAGE_ICON,
                                            width, height, LR_LOADFROMFILE)));
    if (icon == nullptr) {
        ADD_FAILURE() << "LoadImageW refuses the file (error " << GetLastError() << ")";
    }
    return icon;
}

// Wine's ntdll exports wine_get_version; Windows' does not.
bool RunningUnderWine() {
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

// An icon the converter made from a picture with alpha (a colour ramp, its left columns
// transparent): what users build from their own art.
fs::path ConvertedIcon(const fs::path& folder) {
    const RgbaImage picture = test::MakePicture(48, 48, [](int x, int y) {
        return std::array<std::uint8_t, 4>{std::uint8_t(x * 5), std::uint8_t(y * 5), 128,
                                           std::uint8_t(x < 8 ? 0 : 255)};
    });
    const fs::path path = folder / "converted.ico";
    WriteIconFile(path, ConvertForHandhelds({picture}, ConvertOptions{}));
    return path;
}

class LoaderCheck : public testing::TestWithParam<TargetMachine> {};

TEST_P(LoaderCheck, EveryImageDrawsLikeItsIconFile) {
    const TargetMachine& target = GetParam();
    test::TempDir folder;
    std::vector<fs::path> files;
    for (const std::string& name : kIconFiles) {
        files.push_back(test::Example(name));
    }
    files.push_back(ConvertedIcon(folder.path()));
    const fs::path dllPath = folder.path() / (std::string("icons") + target.suffix);
    CreateDll(target.machine, files, dllPath);

    Module module(LoadLibraryExW(dllPath.wstring().c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    DWORD error = module == nullptr ? GetLastError() : 0;
    if (error == ERROR_BAD_EXE_FORMAT && target.machine != kMachineX86 && RunningUnderWine()) {
        // Wine's server makes an image section of a 32-bit PE file only for the machine
        // values 0x14C (x86) and 0x1C4 (ARM Thumb-2), and of those only for one its host
        // runs; every other value is refused with STATUS_INVALID_IMAGE_FORMAT, which is
        // ERROR_BAD_EXE_FORMAT here. The DLL is then mapped as a plain data file, whose
        // resources are found through the same headers and section table.
        std::cout << "[   NOTE   ] Wine maps no image of machine 0x" << std::hex << target.machine
                  << std::dec << "; " << target.name << " DLL read as a data file\n";
        RecordProperty("mapped_as", "data file");
        module.reset(LoadLibraryExW(dllPath.wstring().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
        error = module == nullptr ? GetLastError() : 0;
    }
    ASSERT_NE(module, nullptr) << target.name << ": Windows does not map " << dllPath.string()
                               << " (error " << error << ")";

    for (std::size_t i = 0; i < files.size(); ++i) {
        const int groupId = kFirstGroupId + static_cast<int>(i);
        SCOPED_TRACE(std::string(target.name) + ", " + files[i].filename().string() +
                     " (icon group " + std::to_string(groupId) + ")");
        const StoredIconFile contents = ReadStoredIcon(files[i]);
        const test::Bytes fileBytes = test::ReadBytes(files[i]);
        const std::span<const std::uint8_t> dir =
            ResourceBytes(module.get(), groupId, kRtGroupIcon);
        ASSERT_FALSE(dir.empty()) << "the group is missing (error " << GetLastError() << ")";
        const std::vector<GroupEntry> group = GroupEntries(dir);
        ASSERT_EQ(group.size(), contents.Images.size()) << "images in the group";

        for (std::size_t j = 0; j < group.size(); ++j) {
            const IconDirEntry& stored = contents.Images[j].Entry;
            const int width = stored.Width == 0 ? 256 : stored.Width;
            const int height = stored.Height == 0 ? 256 : stored.Height;
            SCOPED_TRACE("image " + std::to_string(j + 1) + ", " + std::to_string(width) + " x " +
                         std::to_string(height) + " at " + std::to_string(stored.BitCount) +
                         " bits per pixel");

            // Windows picks, of the images of one size, the one whose depth is nearest the
            // display's; on a display of 16 bits or more that is the deepest one: the 8-bit
            // 32 x 32 and the 4-bit 16 x 16 image of multi.ico. LoadImageW picks from the file
            // by the same rule, so the two drawings show the same image.
            const GroupEntry* deepest = nullptr;
            for (const GroupEntry& entry : group) {
                if (entry.width == width && entry.height == height &&
                    (deepest == nullptr || entry.bitCount > deepest->bitCount)) {
                    deepest = &entry;
                }
            }
            ASSERT_NE(deepest, nullptr) << "no image of this size in the group";
            const int picked = LookupIconIdFromDirectoryEx(const_cast<PBYTE>(dir.data()), TRUE,
                                                           width, height, LR_DEFAULTCOLOR);
            EXPECT_EQ(picked, deepest->id) << "the image Windows picks from the group";
            const std::span<const std::uint8_t> pickedBits =
                ResourceBytes(module.get(), picked, kRtIcon);
            ASSERT_FALSE(pickedBits.empty()) << "RT_ICON " << picked << " is missing";
            const Icon fromDll =
                IconFromBytes(pickedBits, width, height, "RT_ICON " + std::to_string(picked));
            const Icon fromFile = IconFromFile(files[i].string(), width, height);
            const Pixels expected = Draw(fromFile.get(), width, height);
            EXPECT_NE(std::count(expected.begin(), expected.end(), kBackground),
                      static_cast<std::ptrdiff_t>(expected.size()))
                << "the file's icon draws nothing but the background";
            EXPECT_EQ(FirstDifference(expected, Draw(fromDll.get(), width, height), width), "")
                << "LoadImageW from the file against RT_ICON " << picked;

            // Every image, also one Windows never picks at its size, is drawn from its own
            // RT_ICON and from its own bytes in the file.
            const std::span<const std::uint8_t> ownBits =
                ResourceBytes(module.get(), group[j].id, kRtIcon);
            ASSERT_FALSE(ownBits.empty()) << "RT_ICON " << group[j].id << " is missing";
            const test::Bytes ownFileBits = test::IconImageBytes(fileBytes, j);
            const Icon ownFromFile = IconFromBytes(ownFileBits, width, height, "the file's image");
            const Icon ownFromDll =
                IconFromBytes(ownBits, width, height, "RT_ICON " + std::to_string(group[j].id));
            EXPECT_EQ(FirstDifference(Draw(ownFromFile.get(), width, height),
                                      Draw(ownFromDll.get(), width, height), width),
                      "")
                << "the file's image bytes against RT_ICON " << group[j].id;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, LoaderCheck, testing::ValuesIn(kTargetMachines),
                         [](const testing::TestParamInfo<TargetMachine>& info) {
                             return std::string(info.param.name);
                         });

} // namespace

// The target's name in the test's output instead of the bytes of its table row.
void PrintTo(const TargetMachine& target, std::ostream* out) {
    *out << target.name;
}

} // namespace gw

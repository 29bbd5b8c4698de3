#pragma once

#include "common/error.h"
#include "icons/rgba_image.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace gw::test {

using Bytes = std::vector<std::uint8_t>;

// A fresh directory under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // A path in it, with the platform's separator throughout, as the program prints paths.
    std::string file(const std::string& name) const {
        return (path_ / name).make_preferred().string();
    }

private:
    std::filesystem::path path_;
};

Bytes ReadBytes(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, const Bytes& bytes);
std::string ReadText(const std::filesystem::path& path);
void WriteText(const std::filesystem::path& path, const std::string& text);

// What run throws: the gw::Error's message and kind; "(no error)" and no kind when it throws
// none.
struct Thrown {
    std::string text = "(no error)";
    std::optional<ErrorKind> kind;
};
Thrown ThrownBy(const std::function<void()>& run);

// Little-endian field access for checking binary output independently of the product code.
std::uint16_t Le16(const Bytes& bytes, std::size_t at);
std::uint32_t Le32(const Bytes& bytes, std::size_t at);
// Writes a little-endian 32-bit value at the offset.
void PutLe32(Bytes& bytes, std::size_t at, std::uint32_t value);

// Appends the n low bytes of each value, least significant first.
void Put(Bytes& bytes, int n, std::initializer_list<std::uint32_t> values);

// A BITMAPINFOHEADER of size bytes (0xAA beyond its 40) with these fields, 1 plane and the rest
// 0. An icon image's biHeight counts its colour rows and its AND mask rows.
Bytes BitmapHeader(std::uint32_t size, std::int32_t width, std::int32_t biHeight, int bits,
                   std::uint32_t compression = 0, std::uint32_t clrUsed = 0,
                   std::uint32_t sizeImage = 0);

// One icon image as stored in a file: a 40-byte BITMAPINFOHEADER (biHeight twice the height),
// a colour table of 2^bits entries and size-dependent masks filled with a pattern from seed.
Bytes MakeImage(int width, int height, int bits, std::uint8_t seed = 1);

// A valid PNG file of the given size, colour type (0 grey, 2 RGB, 3 palette, 4 grey and alpha,
// 6 RGBA) and bit depth: its IHDR, a palette when colour type 3 asks for one, pixels from seed
// in one uncompressed zlib stream, and IEND, every chunk with its CRC.
Bytes MakePng(int width, int height, int colourType = 6, int depth = 8, std::uint8_t seed = 1);

// A PNG of the given size, colour type and depth whose image data is `raw` (each row a filter
// byte and its pixels; more or fewer bytes than the rows need when a test asks for that), in
// one stored zlib stream, every chunk with its CRC.
Bytes EncodePngRows(int width, int height, int colourType, int depth, const Bytes& raw,
                    std::uint8_t seed = 0);

// The picture as a PNG file of 8-bit RGBA, by the same encoder: written independently of the
// decoder under test.
Bytes EncodePng(const RgbaImage& image);

// A picture of width x height pixels, each from pixel(x, y) as {r, g, b, a}.
template <class Pixel> RgbaImage MakePicture(int width, int height, Pixel&& pixel) {
    RgbaImage image{width, height, {}};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const auto rgba = pixel(x, y);
            image.Pixels.insert(image.Pixels.end(), rgba.begin(), rgba.end());
        }
    }
    return image;
}

// The directory entry the usual icon editors write for an image made by MakeImage.
struct DirEntry {
    std::uint8_t width = 0, height = 0, colorCount = 0, reserved = 0;
    std::int16_t planes = 1, bitCount = 0;
    std::int32_t bytesInRes = 0, imageOffset = 0;
};

// An icon file: header (reserved 0, the given type), one directory entry per image (a PNG's
// from its IHDR, as 32 bits per pixel) with the
// images right behind the directory. customize may change each entry before it is written.
Bytes MakeIcon(const std::vector<Bytes>& images, std::int16_t type = 1,
               const std::function<void(std::size_t, DirEntry&)>& customize = {});

// Writes MakeIcon(...) of images of the given (width, height, bits) to path.
std::string WriteIcon(const TempDir& dir, const std::string& name,
                      const std::vector<std::tuple<int, int, int>>& images);

// The bytes of image j of an icon file, found through the directory's offset and size.
Bytes IconImageBytes(const Bytes& icon, std::size_t j);

// The machine field of a DLL that glyphwright wrote (its PE header sits at 0xA8).
std::uint16_t MachineOf(const std::filesystem::path& dll);

// A program run to its end, with what it printed.
struct ProcessResult {
    int exitCode = -1; // -1 when it ended by a signal
    int signal = 0;    // the signal that ended it, or 0
    std::string out;
    std::string err;
};

#ifndef _WIN32
// A program started directly, without a shell, from an argument vector (the program first,
// looked up on the PATH when it has no folder), reading nothing and writing its two output
// streams to files; for tests that signal it while it runs (POSIX only). Destroying it kills
// the program if it still runs.
class Process {
public:
    explicit Process(const std::vector<std::string>& argv);
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    long pid() const { return pid_; }
    // Waits for the end, at most the limit (then kills the program and fails the test).
    ProcessResult wait(std::chrono::seconds limit = std::chrono::seconds{120});

private:
    TempDir capture_;
    long pid_ = -1;
    bool ended_ = false;
};
#endif

// Runs a program from an argument vector (the program first, looked up on the PATH when it has
// no folder) to its end, at most two minutes, through the product's own runner, with its two
// output streams captured.
ProcessResult RunProcess(const std::vector<std::string>& argv);

// Runs the real glyphwright-cli with the arguments.
ProcessResult RunCli(const std::vector<std::string>& arguments);

// Whether a program is on the PATH (on Windows also with ".exe").
bool HaveProgram(const std::string& name);

// Puts the cab builder's stand-in into dir under name (a link where the system allows), so
// that its control files are dir's own; returns its path.
std::filesystem::path InstallFakeCabwiz(const std::filesystem::path& dir,
                                        const std::string& name = "fake-cabwiz");

// The folder with the example icons of the repository, and the path of one of them.
std::filesystem::path ExamplesDir();
std::string Example(const std::string& name);

// The number of entries in a folder, not counting those of its subfolders.
std::size_t FilesIn(const std::filesystem::path& dir);

// The text with every `from` replaced by `to`.
std::string Replaced(std::string text, const std::string& from, const std::string& to);

// The text of a file under tests/data, such as "cli/inspect.txt".
std::string TestData(const std::string& name);

} // namespace gw::test

#include "support/test_support.h"

#include "system/run_and_wait.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <sstream>
#include <stdexcept>
#include <thread>

#ifndef _WIN32
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;
#endif

namespace gw::test {

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate =
            fs::temp_directory_path() / ("glyphwright-test-" + std::to_string(random()));
        if (fs::create_directory(candidate)) {
            path_ = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary directory");
}

TempDir::~TempDir() {
    std::error_code ec;
    // Tests make files read-only; make everything writable again so it can be removed.
    for (auto it = fs::recursive_directory_iterator(path_, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(path_, ec);
}

Bytes ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path.string());
    }
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const fs::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

std::string ReadText(const fs::path& path) {
    const Bytes bytes = ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

void WriteText(const fs::path& path, const std::string& text) {
    WriteBytes(path, Bytes(text.begin(), text.end()));
}

Thrown ThrownBy(const std::function<void()>& run) {
    try {
        run();
    } catch (const Error& e) {
        return {e.what(), e.kind()};
    }
    return {};
}

std::uint16_t Le16(const Bytes& b, std::size_t at) {
    return static_cast<std::uint16_t>(b.at(at) | (b.at(at + 1) << 8));
}

void PutLe32(Bytes& bytes, std::size_t at, std::uint32_t value) {
    for (std::size_t b = 0; b < 4; ++b) {
        bytes.at(at + b) = static_cast<std::uint8_t>(value >> 8 * b);
    }
}

std::uint32_t Le32(const Bytes& b, std::size_t at) {
    return Le16(b, at) | (std::uint32_t{Le16(b, at + 2)} << 16);
}

void Put(Bytes& b, int n, std::initializer_list<std::uint32_t> values) {
    for (const std::uint32_t v : values) {
        for (int i = 0; i < n; ++i) {
            b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
        }
    }
}

namespace {

std::uint32_t U32(std::int64_t v) {
    return static_cast<std::uint32_t>(v);
}

} // namespace

Bytes BitmapHeader(std::uint32_t size, std::int32_t width, std::int32_t biHeight, int bits,
                   std::uint32_t compression, std::uint32_t clrUsed, std::uint32_t sizeImage) {
    Bytes b;
    Put(b, 4, {size, U32(width), U32(biHeight)});
    Put(b, 2, {1, U32(bits)});
    Put(b, 4, {compression, sizeImage, 0, 0, clrUsed, 0});
    b.resize(size, 0xAA);
    return b;
}

Bytes MakeImage(int width, int height, int bits, std::uint8_t seed) {
    const int xorStride = ((width * bits + 31) / 32) * 4, andStride = ((width + 31) / 32) * 4;
    const int maskBytes = (xorStride + andStride) * height;
    Bytes b = BitmapHeader(40, width, 2 * height, bits, 0, 0, U32(maskBytes));
    for (int i = 0; i < (bits <= 8 ? 1 << bits : 0); ++i) {
        Put(b, 4, {U32(i * 0x010203 + seed)});
    }
    for (int i = 0; i < maskBytes; ++i) {
        b.push_back(static_cast<std::uint8_t>(i * 7 + seed));
    }
    return b;
}

namespace {

void PutBigEndian(Bytes& b, std::uint32_t v) {
    b.insert(b.end(),
             {std::uint8_t(v >> 24), std::uint8_t(v >> 16), std::uint8_t(v >> 8), std::uint8_t(v)});
}

void PutChunk(Bytes& png, const char* type, const Bytes& data) {
    PutBigEndian(png, std::uint32_t(data.size()));
    Bytes typed(type, type + 4);
    typed.insert(typed.end(), data.begin(), data.end());
    std::uint32_t crc = 0xFFFFFFFF;
    for (std::uint8_t byte : typed) {
        crc ^= byte;
        for (int k = 0; k < 8; ++k) {
            crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
        }
    }
    png.insert(png.end(), typed.begin(), typed.end());
    PutBigEndian(png, ~crc);
}

} // namespace

Bytes EncodePngRows(int width, int height, int colourType, int depth, const Bytes& raw,
                    std::uint8_t seed) {
    // zlib with stored deflate blocks of at most 65535 bytes, then the Adler-32 of the data.
    Bytes zlib = {0x78, 0x01};
    for (std::size_t at = 0; at == 0 || at < raw.size(); at += 65535) {
        const std::size_t n = std::min<std::size_t>(65535, raw.size() - at);
        zlib.push_back(at + n == raw.size() ? 1 : 0);
        zlib.insert(zlib.end(), {std::uint8_t(n), std::uint8_t(n >> 8), std::uint8_t(~n),
                                 std::uint8_t(~n >> 8)});
        zlib.insert(zlib.end(), raw.begin() + std::ptrdiff_t(at),
                    raw.begin() + std::ptrdiff_t(at + n));
    }
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    PutBigEndian(zlib, b << 16 | a);

    Bytes png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    Bytes header;
    PutBigEndian(header, std::uint32_t(width));
    PutBigEndian(header, std::uint32_t(height));
    header.insert(header.end(), {std::uint8_t(depth), std::uint8_t(colourType), 0, 0, 0});
    PutChunk(png, "IHDR", header);
    if (colourType == 3) {
        Bytes palette;
        for (int i = 0; i < (1 << depth); ++i) {
            palette.insert(palette.end(), {std::uint8_t(i), std::uint8_t(i * 2), seed});
        }
        PutChunk(png, "PLTE", palette);
    }
    PutChunk(png, "IDAT", zlib);
    PutChunk(png, "IEND", {});
    return png;
}

Bytes MakePng(int width, int height, int colourType, int depth, std::uint8_t seed) {
    const int channels[] = {1, 0, 3, 1, 2, 0, 4};
    const std::size_t rowBytes = (std::size_t(width) * channels[colourType] * depth + 7) / 8;
    Bytes raw;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0); // no filter
        for (std::size_t x = 0; x < rowBytes; ++x) {
            raw.push_back(std::uint8_t(x * 3 + y * 5 + seed));
        }
    }
    return EncodePngRows(width, height, colourType, depth, raw, seed);
}

Bytes EncodePng(const RgbaImage& image) {
    Bytes raw;
    for (int y = 0; y < image.Height; ++y) {
        raw.push_back(0); // no filter
        const auto row = image.Pixels.begin() + std::ptrdiff_t(4) * y * image.Width;
        raw.insert(raw.end(), row, row + std::ptrdiff_t(4) * image.Width);
    }
    return EncodePngRows(image.Width, image.Height, 6, 8, raw, 0);
}

Bytes MakeIcon(const std::vector<Bytes>& images, std::int16_t type,
               const std::function<void(std::size_t, DirEntry&)>& customize) {
    Bytes b;
    Put(b, 2, {0, U32(type), U32(std::ssize(images))});
    std::int32_t offset = static_cast<std::int32_t>(6 + 16 * images.size());
    for (std::size_t j = 0; j < images.size(); ++j) {
        DirEntry e;
        e.width = static_cast<std::uint8_t>(Le32(images[j], 4));
        e.height = static_cast<std::uint8_t>(Le32(images[j], 8) / 2);
        e.bitCount = static_cast<std::int16_t>(Le16(images[j], 14));
        e.colorCount = e.bitCount < 8 ? static_cast<std::uint8_t>(1 << e.bitCount) : 0;
        if (images[j].at(1) == 'P') { // a PNG: the size from its IHDR, RGBA assumed
            const auto side = [&](std::size_t at) {
                return std::uint8_t(
                    images[j].at(at - 1) != 0 || images[j].at(at - 2) != 0 ? 0 : images[j].at(at));
            };
            e.width = side(19);
            e.height = side(23);
            e.bitCount = 32;
            e.colorCount = 0;
        }
        e.bytesInRes = static_cast<std::int32_t>(images[j].size());
        e.imageOffset = offset;
        offset += e.bytesInRes;
        if (customize) {
            customize(j, e);
        }
        b.insert(b.end(), {e.width, e.height, e.colorCount, e.reserved});
        Put(b, 2, {U32(e.planes), U32(e.bitCount)});
        Put(b, 4, {U32(e.bytesInRes), U32(e.imageOffset)});
    }
    for (const Bytes& image : images) {
        b.insert(b.end(), image.begin(), image.end());
    }
    return b;
}

std::string WriteIcon(const TempDir& dir, const std::string& name,
                      const std::vector<std::tuple<int, int, int>>& images) {
    std::vector<Bytes> made;
    std::uint8_t seed = 1;
    for (const auto& [w, h, bits] : images) {
        made.push_back(MakeImage(w, h, bits, seed++));
    }
    const std::string path = dir.file(name);
    WriteBytes(path, MakeIcon(made));
    return path;
}

Bytes IconImageBytes(const Bytes& icon, std::size_t j) {
    const std::size_t entry = 6 + 16 * j;
    const std::uint32_t size = Le32(icon, entry + 8);
    const std::uint32_t offset = Le32(icon, entry + 12);
    return Bytes(icon.begin() + offset, icon.begin() + offset + size);
}

std::uint16_t MachineOf(const fs::path& dll) {
    return Le16(ReadBytes(dll), 0xAC);
}

#ifndef _WIN32
Process::Process(const std::vector<std::string>& argv) {
    std::vector<char*> pointers;
    for (const std::string& word : argv) {
        pointers.push_back(const_cast<char*>(word.c_str())); // posix_spawn does not change them
    }
    pointers.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    const std::string out = capture_.file("out"), err = capture_.file("err");
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT, 0600);
    // A process group of its own: signals the program sends to its group (its interruption
    // clean-up) never reach the test runner.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    pid_t pid = -1;
    const int failed =
        posix_spawnp(&pid, pointers[0], &actions, &attributes, pointers.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) {
        throw std::runtime_error("cannot start " + argv.at(0) + ": " + std::strerror(failed));
    }
    pid_ = pid;
}

Process::~Process() {
    if (!ended_) {
        ::kill(static_cast<pid_t>(pid_), SIGKILL);
        ::waitpid(static_cast<pid_t>(pid_), nullptr, 0);
    }
}

ProcessResult Process::wait(std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (::waitpid(static_cast<pid_t>(pid_), &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "process " << pid_ << " still runs after " << limit.count() << " s";
            ::kill(static_cast<pid_t>(pid_), SIGKILL);
            ::waitpid(static_cast<pid_t>(pid_), &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ended_ = true;
    ProcessResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    result.out = ReadText(capture_.file("out"));
    result.err = ReadText(capture_.file("err"));
    return result;
}
#endif

ProcessResult RunProcess(const std::vector<std::string>& argv) {
    TempDir capture;
    RunOptions options;
    options.TimeLimit = std::chrono::seconds{120};
    options.StandardOutput = capture.path() / "out";
    options.StandardError = capture.path() / "err";
    const ProcessOutcome outcome = RunAndWait(JoinCommandLine(argv), options);
    if (!outcome.Started) {
        throw std::runtime_error(argv.at(0) + " " + outcome.describe());
    }
    EXPECT_FALSE(outcome.TimedOut) << argv.at(0) << " still ran after two minutes";
    ProcessResult result;
    result.exitCode = outcome.Signal == 0 && !outcome.TimedOut ? outcome.ExitCode : -1;
    result.signal = outcome.Signal;
    result.out = ReadText(options.StandardOutput);
    result.err = ReadText(options.StandardError);
    return result;
}

ProcessResult RunCli(const std::vector<std::string>& arguments) {
    std::vector<std::string> argv = {GLYPHWRIGHT_CLI};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return RunProcess(argv);
}

bool HaveProgram(const std::string& name) {
#ifdef _WIN32
    const char separator = ';';
    const std::vector<std::string> names = {name, name + ".exe"};
#else
    const char separator = ':';
    const std::vector<std::string> names = {name};
#endif
    const char* path = std::getenv("PATH");
    std::stringstream entries(path != nullptr ? path : "");
    std::string entry;
    while (std::getline(entries, entry, separator)) {
        for (const std::string& each : names) {
            std::error_code ec;
            if (!entry.empty() && fs::is_regular_file(fs::path(entry) / each, ec)) {
                return true;
            }
        }
    }
    return false;
}

fs::path InstallFakeCabwiz(const fs::path& dir, const std::string& name) {
    const fs::path built = GLYPHWRIGHT_FAKE_CABWIZ;
    fs::path installed = dir / name;
    installed += built.extension();
    std::error_code ec;
    fs::create_hard_link(built, installed, ec);
    if (ec) {
        fs::copy_file(built, installed, fs::copy_options::overwrite_existing);
    }
    return installed;
}

fs::path ExamplesDir() {
    return GLYPHWRIGHT_EXAMPLES_DIR;
}

std::string Example(const std::string& name) {
    return (ExamplesDir() / name).string();
}

std::size_t FilesIn(const fs::path& dir) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), {}));
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

std::string TestData(const std::string& name) {
    return ReadText(fs::path(GLYPHWRIGHT_TEST_DATA_DIR) / name);
}

} // namespace gw::test

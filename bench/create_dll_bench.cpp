// Speed of the whole DLL build (reading the icon files, laying out, writing) for growing
// numbers of two-image icon files, up to near the format's limit of 32,767 resources.
#include "common/file_io.h"
#include "dll/create_dll.h"
#include "dll/target_machine.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// A folder of copies of the example icon with two images (744 and 296 bytes), made once per
// count and removed at exit.
class IconSet {
public:
    static const IconSet& of(int count) {
        static std::map<int, IconSet> sets;
        auto it = sets.find(count);
        if (it == sets.end()) {
            it = sets.emplace(count, IconSet(count)).first;
        }
        return it->second;
    }
    ~IconSet() {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    IconSet(IconSet&&) = default;

    const std::vector<std::string>& files() const { return files_; }
    std::int64_t bytes() const { return bytes_; }
    std::string output() const { return (dir_ / "out.dll").string(); }

private:
    explicit IconSet(int count)
        : dir_(fs::temp_directory_path() / ("glyphwright-bench-" + std::to_string(count))) {
        fs::create_directories(dir_);
        const fs::path source = fs::path(GLYPHWRIGHT_EXAMPLES_DIR) / "glyph-4bit.ico";
        for (int i = 0; i < count; ++i) {
            const fs::path file = dir_ / ("icon" + std::to_string(i) + ".ico");
            fs::copy_file(source, file, fs::copy_options::overwrite_existing);
            files_.push_back(file.string());
            bytes_ += static_cast<std::int64_t>(fs::file_size(file));
        }
    }

    fs::path dir_;
    std::vector<std::string> files_;
    std::int64_t bytes_ = 0;
};

void BM_CreateDll(benchmark::State& state) {
    const IconSet& set = IconSet::of(static_cast<int>(state.range(0)));
    std::int64_t written = 0;
    for (auto _ : state) {
        written =
            gw::CreateDll(gw::kMachineX86, gw::PathsFromUtf8(set.files()), set.output()).Bytes;
    }
    state.SetBytesProcessed(state.iterations() * set.bytes());
    state.counters["dll_bytes"] = static_cast<double>(written);
}

BENCHMARK(BM_CreateDll)
    ->Arg(1)
    ->Arg(10)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

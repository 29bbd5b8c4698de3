#pragma once

#include "common/progress.h"

#include <cstdint>
#include <filesystem>
#include <vector>

namespace gw {

// The resource ID of the first file's icon group in the DLLs built here; the next files' groups
// follow it (102, 103...), and the images are numbered 1 to N over all files.
inline constexpr std::int16_t kFirstGroupId = 101;

// What a build wrote into one DLL.
struct DllSummary {
    int Groups = 0;
    int Images = 0;
    std::int64_t Bytes = 0;
};

// One DLL of a build: the machine it is for and where it goes.
struct DllTarget {
    std::int32_t Machine = 0;
    std::filesystem::path Path;
};

// Builds the icon DLL of every target from the same icon files, in their order, and puts them
// in place only when all of them are complete: any failure, in reading the icons or in
// writing any one DLL, leaves every existing file as it was and no temporary file. An output
// that is one of the icon files is refused before anything is written.
std::vector<DllSummary> CreateDlls(const std::vector<std::filesystem::path>& files,
                                   const std::vector<DllTarget>& targets,
                                   const Progress& progress = {});

// CreateDlls for one target.
DllSummary CreateDll(std::int32_t machine, const std::vector<std::filesystem::path>& files,
                     const std::filesystem::path& dllPath, const Progress& progress = {});

} // namespace gw

#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The bodies of the fuzz targets. libFuzzer drives each through its own small program; the
// test suite replays the regression inputs through the same functions. Each must neither crash
// nor leak on any input: failures of the code under test are gw::Error exceptions, which the
// bodies catch.
namespace gw::fuzz {

using Target = void (*)(const std::uint8_t* data, std::size_t size);

void IconReader(const std::uint8_t* data, std::size_t size);
void DllBuild(const std::uint8_t* data, std::size_t size);
void TextFileLoad(const std::uint8_t* data, std::size_t size);
void CabwizCommand(const std::uint8_t* data, std::size_t size);
void ProfileEdit(const std::uint8_t* data, std::size_t size);
void PeReader(const std::uint8_t* data, std::size_t size);
void Convert(const std::uint8_t* data, std::size_t size);
void PictureDecoder(const std::uint8_t* data, std::size_t size);
void ExtractRegroup(const std::uint8_t* data, std::size_t size);

struct NamedTarget {
    const char* Name;
    Target Run;
};

// Every target by the name of its folder in fuzz/corpus and fuzz/regressions.
[[nodiscard]] std::vector<NamedTarget> AllTargets();

} // namespace gw::fuzz

#pragma once

#include "common/byte_io.h"
#include "dll/create_dll.h"

#include <cstdint>
#include <string>
#include <vector>

namespace gw {

// Writes a resource directory header and its entries; gives the number of bytes written.
std::int32_t PutResourceDirectory(ByteWriter& out, const ResourceDirectory& dir);

// Writes zero bytes while position is not a multiple of alignment, advancing position.
void PadToAlignment(ByteWriter& out, std::int32_t& position, std::int32_t alignment);

// Writes the whole DLL front to back, without seeking, checking every structure's size and
// every part's offset against the layout: a disagreement is an internal error.
void WriteDllImage(const DllImage& image, ByteWriter& out);

// The DLL's bytes in memory.
std::vector<std::uint8_t> DllBytes(const DllImage& image);

// Writes the DLL to dllPath through a temporary file that replaces it when complete.
void WriteDllFile(const DllImage& image, const std::filesystem::path& dllPath);

} // namespace gw

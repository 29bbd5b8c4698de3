#pragma once

#include "common/byte_io.h"
#include "dll/create_dll.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace gw {

// Writes a resource directory header and its entries; gives the number of bytes written.
std::int32_t PutResourceDirectory(ByteWriter& out, const ResourceDirectory& dir);

// Writes zero bytes while position is not a multiple of alignment, advancing position.
void PadToAlignment(ByteWriter& out, std::int32_t& position, std::int32_t alignment);

// Gives the images of the layout's icon file at an index when the writer comes to them, for a
// caller that makes them one file at a time rather than holding all of them in the layout.
using IconImageSource = std::function<std::vector<IconImage>(std::size_t icon)>;

// Writes the whole DLL front to back, without seeking, checking every structure's size and
// every part's offset against the layout: a disagreement is an internal error. The images are
// the layout's own, or those the source gives when there is one.
void WriteDllImage(const DllImage& image, ByteWriter& out, const IconImageSource& images = {});

// The DLL's bytes in memory.
std::vector<std::uint8_t> DllBytes(const DllImage& image);

// Writes the DLL to dllPath through a temporary file that replaces it when complete.
void WriteDllFile(const DllImage& image, const std::filesystem::path& dllPath);

} // namespace gw

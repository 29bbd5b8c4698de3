#pragma once

#include "common/byte_io.h"
#include "common/file_io.h"
#include "dll/dll_layout.h"

#include <cstddef>
#include <functional>
#include <span>
#include <vector>

namespace gw {

// Gives the images of the layout's icon file at an index when the writer comes to them, for a
// caller that holds them elsewhere or makes them one file at a time rather than holding all of
// them in the layout. What it gives must stay valid until it is asked again.
using IconImageSource = std::function<std::span<const IconImageView>(std::size_t icon)>;

// Writes the whole DLL front to back, without seeking, checking every structure's size and
// every part's offset against the layout: a disagreement is an internal error. The images are
// the layout's own, or those the source gives when there is one.
void WriteDllImage(const DllImage& image, ByteWriter& out, const IconImageSource& images = {});

// The DLL's bytes in memory.
[[nodiscard]] std::vector<std::uint8_t> DllBytes(const DllImage& image);

// Writes the DLL into the file, which the caller commits; the images as WriteDllImage takes them.
void WriteDll(const DllImage& image, AtomicFile& file, const IconImageSource& images = {});

} // namespace gw

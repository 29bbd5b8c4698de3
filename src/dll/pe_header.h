#pragma once

#include <cstdint>
#include <span>

namespace gw {

// The 172-byte template that begins every icon DLL: the MS-DOS header, the DOS stub, the
// linker signature block and the PE signature, copied unchanged.
[[nodiscard]] std::span<const std::uint8_t> PeHeaderTemplate();

} // namespace gw

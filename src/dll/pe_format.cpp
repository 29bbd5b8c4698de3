#include "dll/pe_format.h"

#include <algorithm>

namespace gw {

void PutResourceDirectory(ByteWriter& out, const ResourceDirectory& dir) {
    PutRecord(out, dir);
    for (const ResourceDirectoryEntry& e : dir.Entries) {
        PutRecord(out, e);
    }
}

std::string SectionName(const ImageSectionHeader& section) {
    return std::string(section.Name.begin(),
                       std::find(section.Name.begin(), section.Name.end(), 0));
}

std::array<std::uint8_t, pe::kSectionNameSize> SectionNameBytes(std::string_view name) {
    std::array<std::uint8_t, pe::kSectionNameSize> bytes{};
    const std::size_t n = std::min(bytes.size(), name.size());
    std::copy_n(name.begin(), n, bytes.begin());
    return bytes;
}

} // namespace gw

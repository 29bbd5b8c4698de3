#include "support/picture_files.h"

#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>
#include <stdexcept>

namespace gw::test {

Bytes EncodePng(const RgbaImage& image) {
    Bytes bytes;
    const auto append = [](void* context, void* data, int size) {
        auto* out = static_cast<Bytes*>(context);
        const auto* begin = static_cast<const std::uint8_t*>(data);
        out->insert(out->end(), begin, begin + size);
    };
    if (stbi_write_png_to_func(append, &bytes, image.Width, image.Height, 4, image.Pixels.data(),
                               image.Width * 4) == 0) {
        throw std::runtime_error("cannot encode the test picture as PNG");
    }
    return bytes;
}

void WritePng(const std::filesystem::path& path, const RgbaImage& image) {
    WriteBytes(path, EncodePng(image));
}

} // namespace gw::test

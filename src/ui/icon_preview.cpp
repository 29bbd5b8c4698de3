#include "ui/icon_preview.h"

#include "common/byte_io.h"
#include "common/error.h"
#include "icons/image_sources.h"

namespace gw::ui {

QImage PictureImage(const RgbaImage& picture) {
    const QImage view(picture.Pixels.data(), picture.Width, picture.Height, picture.Width * 4,
                      QImage::Format_RGBA8888);
    return view.copy(); // owns its pixels
}

QImage IconPreview(std::span<const std::uint8_t> imageBytes) {
    try {
        return PictureImage(DecodeIconImageBytes(imageBytes, "", ""));
    } catch (const Error&) {
        return {}; // nothing that can be drawn
    }
}

QImage IconPreview(const IconImage& image) {
    ByteWriter bytes;
    PutIconImage(bytes, image);
    return IconPreview(bytes.buffer());
}

} // namespace gw::ui

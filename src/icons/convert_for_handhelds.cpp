#include "icons/convert_for_handhelds.h"

#include "common/error.h"
#include "icons/quantize.h"
#include "icons/resample.h"

#include <algorithm>
#include <array>
#include <set>

namespace gw {

namespace {

// The 16 colours of the Windows palette in their usual order.
constexpr std::array<Rgb, 16> kWindowsPalette = {{{0, 0, 0},
                                                  {128, 0, 0},
                                                  {0, 128, 0},
                                                  {128, 128, 0},
                                                  {0, 0, 128},
                                                  {128, 0, 128},
                                                  {0, 128, 128},
                                                  {192, 192, 192},
                                                  {128, 128, 128},
                                                  {255, 0, 0},
                                                  {0, 255, 0},
                                                  {255, 255, 0},
                                                  {0, 0, 255},
                                                  {255, 0, 255},
                                                  {0, 255, 255},
                                                  {255, 255, 255}}};

constexpr Rgb kBlack{0, 0, 0};

// The number of colours of the image, counted up to 257: enough to tell which of two pictures
// fills a palette better, without a set as large as the picture.
std::size_t distinctColours(const RgbaImage& image) {
    constexpr std::size_t kEnough = 257;
    std::set<std::uint32_t> colours;
    for (std::size_t i = 0; i + 3 < image.Pixels.size() && colours.size() < kEnough; i += 4) {
        colours.insert(std::uint32_t{image.Pixels[i]} << 24 |
                       std::uint32_t{image.Pixels[i + 1]} << 16 |
                       std::uint32_t{image.Pixels[i + 2]} << 8 | image.Pixels[i + 3]);
    }
    return colours.size();
}

// The source that suits size best (CompareSourceFit); among those that suit alike the one with
// the most colours (an icon file often holds a 16-colour and a true-colour image of one size).
const RgbaImage& chooseSource(const std::vector<RgbaImage>& sources, int size) {
    const RgbaImage* best = &sources.front();
    for (const RgbaImage& source : sources) {
        const int fit =
            CompareSourceFit(source.Width, source.Height, best->Width, best->Height, size);
        if (fit < 0 || (fit == 0 && distinctColours(source) > distinctColours(*best))) {
            best = &source;
        }
    }
    return *best;
}

bool hasTransparency(const RgbaImage& image) {
    for (std::size_t i = 0; i + 3 < image.Pixels.size(); i += 4) {
        if (!IsOpaque(&image.Pixels[i])) {
            return true;
        }
    }
    return false;
}

// The colours an image of this depth gets. Transparent pixels are stored black (the screen
// shows through black where the AND mask is set), so a picture with transparency keeps a
// black entry: unused entries are black, and a full palette without black gives up one colour.
std::vector<Rgb> paletteFor(const RgbaImage& image, int bits, bool standardPalette) {
    if (bits == 1) {
        return {kBlack, {255, 255, 255}};
    }
    if (standardPalette && bits == 4) {
        return {kWindowsPalette.begin(), kWindowsPalette.end()};
    }
    const int capacity = 1 << bits;
    std::vector<Rgb> palette = ChoosePalette(image, capacity);
    if (hasTransparency(image) && palette.size() == static_cast<std::size_t>(capacity) &&
        std::find(palette.begin(), palette.end(), kBlack) == palette.end()) {
        palette = ChoosePalette(image, capacity - 1);
    }
    palette.resize(static_cast<std::size_t>(capacity), kBlack);
    return palette;
}

// The stored image: header, colour table, XOR rows of palette indexes and AND rows, bottom-up,
// where the bitmap's layout puts them.
IconImage makeIconImage(const RgbaImage& image, int bits, const std::vector<Rgb>& palette,
                        const std::vector<std::size_t>& indexes) {
    const int size = image.Width;
    IconImage icon;
    BitmapInfoHeader& h = icon.Header;
    h.biSize = kBitmapInfoHeaderSize;
    h.biWidth = size;
    h.biHeight = 2 * size;
    h.biPlanes = 1;
    h.biBitCount = static_cast<std::uint16_t>(bits);
    const DibLayout layout = LayOutIconBitmap(h, "", "");
    const auto xorStride = static_cast<std::size_t>(layout.Stride);
    const auto andStride = static_cast<std::size_t>(layout.AndStride);
    const auto andStart = static_cast<std::size_t>(layout.ColourEnd - layout.ColourAt);
    icon.Bits.assign(static_cast<std::size_t>(layout.AndEnd - layout.ColourAt), 0);
    h.biSizeImage = static_cast<std::uint32_t>(icon.Bits.size());
    for (int y = 0; y < size; ++y) {
        std::uint8_t* xorRow = &icon.Bits[static_cast<std::size_t>(size - 1 - y) * xorStride];
        std::uint8_t* andRow =
            &icon.Bits[andStart + static_cast<std::size_t>(size - 1 - y) * andStride];
        for (int x = 0; x < size; ++x) {
            const std::size_t pixel = static_cast<std::size_t>(y) * size + x;
            const std::size_t bit = static_cast<std::size_t>(x) * bits;
            xorRow[bit / 8] |= static_cast<std::uint8_t>(indexes[pixel] << (8 - bits - bit % 8));
            if (!IsOpaque(&image.Pixels[pixel * 4])) {
                andRow[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
            }
        }
    }
    for (const Rgb& c : palette) {
        icon.Palette.push_back(std::int32_t{c.R} << 16 | std::int32_t{c.G} << 8 | c.B);
    }
    return icon;
}

} // namespace

int CompareSourceFit(std::int64_t width, std::int64_t height, std::int64_t otherWidth,
                     std::int64_t otherHeight, int size) {
    const std::int64_t longer = std::max(width, height),
                       otherLonger = std::max(otherWidth, otherHeight);
    const bool reaches = longer >= size, otherReaches = otherLonger >= size;
    if (reaches != otherReaches) {
        return reaches ? -1 : 1;
    }
    // Reaching size, the smaller is closer; short of it, the larger is.
    const int smaller = longer != otherLonger ? (longer < otherLonger ? -1 : 1)
                        : width * height != otherWidth * otherHeight
                            ? (width * height < otherWidth * otherHeight ? -1 : 1)
                            : 0;
    return reaches ? smaller : -smaller;
}

std::string CheckConvertOptions(const ConvertOptions& options) {
    if (options.Sizes.empty()) {
        return "no sizes given";
    }
    if (options.Depths.empty()) {
        return "no depths given";
    }
    for (std::size_t i = 0; i < options.Sizes.size(); ++i) {
        const int size = options.Sizes[i];
        if (size < 1 || size > kMaxIconSide) {
            return "size " + std::to_string(size) + " is not 1 to 256 pixels";
        }
        if (std::count(options.Sizes.begin(), options.Sizes.begin() + i, size) != 0) {
            return "size " + std::to_string(size) + " is given twice";
        }
    }
    for (std::size_t i = 0; i < options.Depths.size(); ++i) {
        const int depth = options.Depths[i];
        if (depth != 1 && depth != 4 && depth != 8) {
            return "depth " + std::to_string(depth) + " is not 1, 4 or 8 bits per pixel";
        }
        if (std::count(options.Depths.begin(), options.Depths.begin() + i, depth) != 0) {
            return "depth " + std::to_string(depth) + " is given twice";
        }
    }
    if (options.StandardPalette &&
        std::find(options.Depths.begin(), options.Depths.end(), 4) == options.Depths.end()) {
        return "the standard palette applies to 4-bit images only, and no depth is 4";
    }
    return {};
}

std::vector<IconImage> ConvertForHandhelds(const std::vector<RgbaImage>& sources,
                                           const ConvertOptions& options) {
    if (const std::string problem = CheckConvertOptions(options); !problem.empty()) {
        throw Error(problem);
    }
    if (sources.empty()) {
        throw Error("no pictures to convert");
    }
    for (const RgbaImage& source : sources) {
        if (source.Width < 1 || source.Height < 1 ||
            source.Pixels.size() != std::size_t{4} * source.Width * source.Height) {
            throw Error("a picture of " + std::to_string(source.Width) + " x " +
                        std::to_string(source.Height) + " pixels holds " +
                        std::to_string(source.Pixels.size()) + " bytes of pixels");
        }
    }
    std::vector<IconImage> images;
    for (const int size : options.Sizes) {
        const RgbaImage scaled = FitToSquare(chooseSource(sources, size), size);
        for (const int bits : options.Depths) {
            const std::vector<Rgb> palette = paletteFor(scaled, bits, options.StandardPalette);
            // A palette chosen for the picture is dithered only where that helps; a fixed one
            // (black and white, the Windows colours) always, as it rarely holds the colours.
            const bool fixedPalette = bits == 1 || (bits == 4 && options.StandardPalette);
            const Dithering dithering = !options.Dither ? Dithering::None
                                        : fixedPalette  ? Dithering::Always
                                                        : Dithering::WhereItHelps;
            images.push_back(
                makeIconImage(scaled, bits, palette, MapToPalette(scaled, palette, dithering)));
        }
    }
    return images;
}

} // namespace gw

// Measures how close a converted 32 x 32 icon stays to its source: the root mean square
// colour error over the opaque pixels against the source area-averaged to 32 x 32 in
// premultiplied alpha (the picture before any palette). bench/convert_quality.sh runs it for
// glyphwright-cli's result and ImageMagick's.
//
// Usage: convert_quality SOURCE.png RESULT...   (RESULT an .ico or a PNG/BMP of 32 x 32)
// Prints one RMSE per result, or "-" for a result that is not 32 x 32.
#include "icons/image_sources.h"
#include "icons/resample.h"

#include <cmath>
#include <cstdio>
#include <exception>
#include <iostream>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: convert_quality SOURCE.png RESULT...\n";
        return 2;
    }
    try {
        const gw::RgbaImage reference = gw::FitToSquare(gw::LoadSourceImages(argv[1]).at(0), 32);
        for (int i = 2; i < argc; ++i) {
            const gw::RgbaImage result = gw::LoadSourceImages(argv[i]).at(0);
            if (result.Width != 32 || result.Height != 32) {
                std::cout << (i > 2 ? " " : "") << "-";
                continue;
            }
            double sum = 0;
            std::size_t count = 0;
            for (std::size_t p = 0; p < reference.Pixels.size(); p += 4) {
                if (reference.Pixels[p + 3] < 128) {
                    continue;
                }
                for (int c = 0; c < 3; ++c) {
                    const double d = double(reference.Pixels[p + c]) - result.Pixels[p + c];
                    sum += d * d;
                }
                count += 3;
            }
            char text[32];
            std::snprintf(text, sizeof text, "%.3f", count ? std::sqrt(sum / count) : 0.0);
            std::cout << (i > 2 ? " " : "") << text;
        }
        std::cout << '\n';
    } catch (const std::exception& e) {
        std::cerr << "convert_quality: " << e.what() << '\n';
        return 1;
    }
    return 0;
}

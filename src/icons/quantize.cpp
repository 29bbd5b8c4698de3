// The palette quantizer and the dithering are written here, not taken from the well-known
// quantization library, because that library is GPL-3, which does not fit the project's MIT
// licence.
#include "icons/quantize.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <utility>

namespace gw {

namespace {

// One colour of the picture and the summed weight of its opaque pixels.
struct Entry {
    std::array<double, 3> c;
    double weight;
};

// A range of entries that becomes one palette colour.
struct Box {
    std::size_t begin, end;
    double error; // summed squared distance of its entries to their mean
};

struct Sums {
    double w = 0;
    std::array<double, 3> c{};
    double squares = 0;

    void add(const Entry& e) {
        w += e.weight;
        for (int k = 0; k < 3; ++k) {
            c[k] += e.weight * e.c[k];
            squares += e.weight * e.c[k] * e.c[k];
        }
    }
    double error() const {
        if (w <= 0) {
            return 0;
        }
        double mean = 0;
        for (int k = 0; k < 3; ++k) {
            mean += c[k] * c[k];
        }
        return squares - mean / w;
    }
};

double boxError(const std::vector<Entry>& entries, std::size_t begin, std::size_t end) {
    Sums sums;
    for (std::size_t i = begin; i < end; ++i) {
        sums.add(entries[i]);
    }
    return sums.error();
}

// Splits the box where the error of its two halves is least, along the best of the three
// axes; returns false when the box holds a single colour.
bool splitBox(std::vector<Entry>& entries, const Box& box, Box& first, Box& second) {
    if (box.end - box.begin < 2) {
        return false;
    }
    int bestAxis = -1;
    std::size_t bestAt = 0;
    double bestError = std::numeric_limits<double>::infinity();
    const auto byAxis = [](int axis) {
        return [axis](const Entry& a, const Entry& b) { return a.c[axis] < b.c[axis]; };
    };
    for (int axis = 0; axis < 3; ++axis) {
        std::sort(entries.begin() + box.begin, entries.begin() + box.end, byAxis(axis));
        Sums total;
        for (std::size_t i = box.begin; i < box.end; ++i) {
            total.add(entries[i]);
        }
        Sums left;
        for (std::size_t i = box.begin; i + 1 < box.end; ++i) {
            left.add(entries[i]);
            if (entries[i].c[axis] == entries[i + 1].c[axis]) {
                continue; // a split between equal values would not separate them on this axis
            }
            Sums right;
            right.w = total.w - left.w;
            for (int k = 0; k < 3; ++k) {
                right.c[k] = total.c[k] - left.c[k];
            }
            right.squares = total.squares - left.squares;
            const double error = left.error() + right.error();
            if (error < bestError) {
                bestError = error;
                bestAxis = axis;
                bestAt = i + 1;
            }
        }
    }
    if (bestAxis < 0) {
        return false;
    }
    std::sort(entries.begin() + box.begin, entries.begin() + box.end, byAxis(bestAxis));
    first = {box.begin, bestAt, boxError(entries, box.begin, bestAt)};
    second = {bestAt, box.end, boxError(entries, bestAt, box.end)};
    return true;
}

double distance(const std::array<double, 3>& a, const std::array<double, 3>& b) {
    double d = 0;
    for (int k = 0; k < 3; ++k) {
        d += (a[k] - b[k]) * (a[k] - b[k]);
    }
    return d;
}

// Local variance (mean of R, G and B) at which a pixel counts half: four times the variance that
// structural similarity treats as the floor of visible contrast, (0.03 * 255)^2.
constexpr double kMaskingVariance = 4 * (0.03 * 255) * (0.03 * 255);

// How much an error in each pixel would show: 1 / (1 + v / kMaskingVariance), with v the
// variance of the 5 x 5 pixels around it. Transparent pixels count as mid grey there, since
// what shows through them is unknown.
std::vector<double> visibility(const RgbaImage& image) {
    const int w = image.Width, h = image.Height;
    std::vector<double> weights(static_cast<std::size_t>(w) * h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            std::array<double, 3> sum{}, squares{};
            int n = 0;
            for (int ny = std::max(y - 2, 0); ny <= std::min(y + 2, h - 1); ++ny) {
                for (int nx = std::max(x - 2, 0); nx <= std::min(x + 2, w - 1); ++nx) {
                    const std::uint8_t* p =
                        &image.Pixels[(static_cast<std::size_t>(ny) * w + nx) * 4];
                    for (int c = 0; c < 3; ++c) {
                        const double v = IsOpaque(p) ? p[c] : 128.0;
                        sum[c] += v;
                        squares[c] += v * v;
                    }
                    ++n;
                }
            }
            double variance = 0;
            for (int c = 0; c < 3; ++c) {
                variance += (squares[c] - sum[c] * sum[c] / n) / n / 3;
            }
            weights[static_cast<std::size_t>(y) * w + x] = 1 / (1 + variance / kMaskingVariance);
        }
    }
    return weights;
}

} // namespace

std::size_t NearestColour(std::span<const Rgb> palette, double r, double g, double b) {
    std::size_t best = 0;
    double bestDistance = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < palette.size(); ++i) {
        const double dr = r - palette[i].R, dg = g - palette[i].G, db = b - palette[i].B;
        const double d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

namespace {

// The distinct colours of the opaque pixels, each weighted by the visibility of its pixels.
std::vector<Entry> weightedColours(const RgbaImage& image) {
    const std::vector<double> weights = visibility(image);
    std::vector<std::pair<std::uint32_t, double>> keys;
    for (std::size_t i = 0; i + 3 < image.Pixels.size(); i += 4) {
        const std::uint8_t* p = &image.Pixels[i];
        if (IsOpaque(p)) {
            keys.emplace_back(std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 | p[2],
                              weights[i / 4]);
        }
    }
    std::sort(keys.begin(), keys.end());
    std::vector<Entry> entries;
    for (std::size_t i = 0; i < keys.size();) {
        const std::uint32_t key = keys[i].first;
        double weight = 0;
        for (; i < keys.size() && keys[i].first == key; ++i) {
            weight += keys[i].second;
        }
        entries.push_back({{static_cast<double>(key >> 16), static_cast<double>(key >> 8 & 255),
                            static_cast<double>(key & 255)},
                           weight});
    }
    return entries;
}

// Median cut by variance: splits the box with the largest error until there are count boxes
// (or none can be split); returns each box's weighted mean.
std::vector<std::array<double, 3>> medianCut(std::vector<Entry>& entries, std::size_t count) {
    std::vector<Box> boxes = {{0, entries.size(), boxError(entries, 0, entries.size())}};
    while (boxes.size() < count) {
        const auto worst =
            std::max_element(boxes.begin(), boxes.end(),
                             [](const Box& a, const Box& b) { return a.error < b.error; });
        Box first{}, second{};
        if (worst->error <= 0 || !splitBox(entries, *worst, first, second)) {
            break;
        }
        *worst = first;
        boxes.push_back(second);
    }
    std::vector<std::array<double, 3>> centres;
    for (const Box& box : boxes) {
        Sums sums;
        for (std::size_t i = box.begin; i < box.end; ++i) {
            sums.add(entries[i]);
        }
        centres.push_back({sums.c[0] / sums.w, sums.c[1] / sums.w, sums.c[2] / sums.w});
    }
    return centres;
}

// k-means: moves each centre to the mean of the colours nearest to it, until none moves.
void refineCentres(const std::vector<Entry>& entries, std::vector<std::array<double, 3>>& centres) {
    for (int round = 0; round < 8; ++round) {
        std::vector<Sums> clusters(centres.size());
        for (const Entry& e : entries) {
            std::size_t best = 0;
            double bestDistance = std::numeric_limits<double>::infinity();
            for (std::size_t k = 0; k < centres.size(); ++k) {
                const double d = distance(e.c, centres[k]);
                if (d < bestDistance) {
                    bestDistance = d;
                    best = k;
                }
            }
            clusters[best].add(e);
        }
        bool moved = false;
        for (std::size_t k = 0; k < centres.size(); ++k) {
            if (clusters[k].w <= 0) {
                continue;
            }
            const std::array<double, 3> mean = {clusters[k].c[0] / clusters[k].w,
                                                clusters[k].c[1] / clusters[k].w,
                                                clusters[k].c[2] / clusters[k].w};
            moved = moved || distance(mean, centres[k]) > 0.01;
            centres[k] = mean;
        }
        if (!moved) {
            return;
        }
    }
}

} // namespace

std::vector<Rgb> ChoosePalette(const RgbaImage& image, int maxColours) {
    std::vector<Entry> entries = weightedColours(image);
    const auto count = static_cast<std::size_t>(std::max(maxColours, 1));
    std::vector<Rgb> palette;
    if (entries.size() <= count) {
        for (const Entry& e : entries) {
            palette.push_back({static_cast<std::uint8_t>(e.c[0]), static_cast<std::uint8_t>(e.c[1]),
                               static_cast<std::uint8_t>(e.c[2])});
        }
        return palette;
    }
    std::vector<std::array<double, 3>> centres = medianCut(entries, count);
    refineCentres(entries, centres);
    for (const auto& c : centres) {
        const auto byte = [](double v) {
            return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L));
        };
        palette.push_back({byte(c[0]), byte(c[1]), byte(c[2])});
    }
    return palette;
}

namespace {

// Every pixel on the palette, with Floyd-Steinberg error diffusion among the opaque pixels when
// dither is set (serpentine: rows alternate direction, so the error does not drift one way).
std::vector<std::size_t> diffuse(const RgbaImage& image, std::span<const Rgb> palette,
                                 bool dither) {
    const int w = image.Width, h = image.Height;
    const std::size_t black = NearestColour(palette, 0, 0, 0);
    std::vector<std::size_t> indexes(static_cast<std::size_t>(w) * h, black);
    std::vector<std::array<double, 3>> error(static_cast<std::size_t>(w) * h, {0, 0, 0});
    const auto at = [w](int x, int y) { return static_cast<std::size_t>(y) * w + x; };
    const auto opaque = [&](int x, int y) {
        return x >= 0 && x < w && y < h && IsOpaque(&image.Pixels[at(x, y) * 4]);
    };
    for (int y = 0; y < h; ++y) {
        const bool leftward = dither && y % 2 == 1;
        const int step = leftward ? -1 : 1;
        for (int i = 0; i < w; ++i) {
            const int x = leftward ? w - 1 - i : i;
            if (!opaque(x, y)) {
                continue;
            }
            const std::uint8_t* p = &image.Pixels[at(x, y) * 4];
            std::array<double, 3> wanted{};
            for (int c = 0; c < 3; ++c) {
                wanted[c] = std::clamp(p[c] + error[at(x, y)][c], 0.0, 255.0);
            }
            const std::size_t index = NearestColour(palette, wanted[0], wanted[1], wanted[2]);
            indexes[at(x, y)] = index;
            if (!dither) {
                continue;
            }
            const std::array<double, 3> got = {double(palette[index].R), double(palette[index].G),
                                               double(palette[index].B)};
            const std::pair<std::array<int, 2>, double> shares[] = {{{step, 0}, 7 / 16.0},
                                                                    {{-step, 1}, 3 / 16.0},
                                                                    {{0, 1}, 5 / 16.0},
                                                                    {{step, 1}, 1 / 16.0}};
            for (const auto& [offset, share] : shares) {
                const int nx = x + offset[0], ny = y + offset[1];
                if (opaque(nx, ny)) {
                    for (int c = 0; c < 3; ++c) {
                        error[at(nx, ny)][c] += share * (wanted[c] - got[c]);
                    }
                }
            }
        }
    }
    return indexes;
}

// The mean structural similarity of R, G and B between the picture and its palette image,
// transparent pixels mid grey in both: means, variances and covariance over a 7 x 7 Gaussian
// window (sigma 1.5) cut at the picture's edges, summed one axis at a time.
double structuralSimilarity(const RgbaImage& image, std::span<const Rgb> palette,
                            const std::vector<std::size_t>& indexes) {
    constexpr int kRadius = 3;
    constexpr double c1 = (0.01 * 255) * (0.01 * 255), c2 = (0.03 * 255) * (0.03 * 255);
    std::array<double, 2 * kRadius + 1> kernel{};
    for (int i = -kRadius; i <= kRadius; ++i) {
        kernel[static_cast<std::size_t>(i + kRadius)] = std::exp(-(i * i) / (2 * 1.5 * 1.5));
    }
    const int w = image.Width, h = image.Height;
    const std::size_t n = static_cast<std::size_t>(w) * h;
    // Per pixel: weight, a, b, a * a, b * b, a * b; blurred across, then down.
    constexpr int kTerms = 6;
    const auto blur = [&](const std::vector<double>& in, bool across) {
        std::vector<double> out(in.size(), 0.0);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                double* o = &out[(static_cast<std::size_t>(y) * w + x) * kTerms];
                for (int d = -kRadius; d <= kRadius; ++d) {
                    const int sx = across ? x + d : x, sy = across ? y : y + d;
                    if (sx < 0 || sy < 0 || sx >= w || sy >= h) {
                        continue;
                    }
                    const double k = kernel[static_cast<std::size_t>(d + kRadius)];
                    const double* p = &in[(static_cast<std::size_t>(sy) * w + sx) * kTerms];
                    for (int t = 0; t < kTerms; ++t) {
                        o[t] += k * p[t];
                    }
                }
            }
        }
        return out;
    };
    double total = 0;
    for (int c = 0; c < 3; ++c) {
        std::vector<double> terms(n * kTerms);
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint8_t* p = &image.Pixels[i * 4];
            const Rgb& q = palette[indexes[i]];
            const bool opaque = IsOpaque(p);
            const double a = opaque ? p[c] : 128.0;
            const double b = opaque ? (c == 0 ? q.R : c == 1 ? q.G : q.B) : 128.0;
            double* t = &terms[i * kTerms];
            t[0] = 1, t[1] = a, t[2] = b, t[3] = a * a, t[4] = b * b, t[5] = a * b;
        }
        const std::vector<double> sums = blur(blur(terms, true), false);
        for (std::size_t i = 0; i < n; ++i) {
            const double* s = &sums[i * kTerms];
            const double ma = s[1] / s[0], mb = s[2] / s[0];
            const double va = s[3] / s[0] - ma * ma, vb = s[4] / s[0] - mb * mb;
            const double covariance = s[5] / s[0] - ma * mb;
            total += (2 * ma * mb + c1) * (2 * covariance + c2) /
                     ((ma * ma + mb * mb + c1) * (va + vb + c2));
        }
    }
    return total / (3.0 * static_cast<double>(n));
}

} // namespace

std::vector<std::size_t> MapToPalette(const RgbaImage& image, std::span<const Rgb> palette,
                                      Dithering dithering) {
    if (dithering != Dithering::WhereItHelps) {
        return diffuse(image, palette, dithering == Dithering::Always);
    }
    std::vector<std::size_t> nearest = diffuse(image, palette, false);
    std::vector<std::size_t> dithered = diffuse(image, palette, true);
    return structuralSimilarity(image, palette, dithered) >
                   structuralSimilarity(image, palette, nearest)
               ? std::move(dithered)
               : std::move(nearest);
}

} // namespace gw

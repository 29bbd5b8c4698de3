// The palette quantizer is written here, not taken from the well-known quantization library,
// because that library is GPL-3, which does not fit the project's MIT licence.
#include "icons/quantize.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace gw {

namespace {

// One colour of the picture and the number of its opaque pixels.
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

std::vector<Rgb> ChoosePalette(const RgbaImage& image, int maxColours) {
    // The distinct colours of the opaque pixels with their counts.
    std::vector<std::uint32_t> keys;
    for (std::size_t i = 0; i + 3 < image.Pixels.size(); i += 4) {
        const std::uint8_t* p = &image.Pixels[i];
        if (IsOpaque(p)) {
            keys.push_back(std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 | p[2]);
        }
    }
    std::sort(keys.begin(), keys.end());
    std::vector<Entry> entries;
    for (std::size_t i = 0; i < keys.size();) {
        std::size_t j = i;
        while (j < keys.size() && keys[j] == keys[i]) {
            ++j;
        }
        entries.push_back(
            {{static_cast<double>(keys[i] >> 16), static_cast<double>(keys[i] >> 8 & 255),
              static_cast<double>(keys[i] & 255)},
             static_cast<double>(j - i)});
        i = j;
    }
    const auto count = static_cast<std::size_t>(std::max(maxColours, 1));
    std::vector<Rgb> palette;
    if (entries.size() <= count) {
        for (const Entry& e : entries) {
            palette.push_back({static_cast<std::uint8_t>(e.c[0]), static_cast<std::uint8_t>(e.c[1]),
                               static_cast<std::uint8_t>(e.c[2])});
        }
        return palette;
    }

    // Median cut by variance: split the box with the largest error until there are enough.
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

    // k-means: move each colour to the mean of the picture colours nearest to it.
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
            break;
        }
    }
    for (const auto& c : centres) {
        const auto byte = [](double v) {
            return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L));
        };
        palette.push_back({byte(c[0]), byte(c[1]), byte(c[2])});
    }
    return palette;
}

} // namespace gw

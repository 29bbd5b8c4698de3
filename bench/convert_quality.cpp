// Scores converted icons against the images a designer drew at the same size, and sums the
// scores up per route, size and depth (bench/convert_quality.sh writes the plan and runs it).
//
// Usage: convert_quality PLAN [SCORES]
//   PLAN: one line per result, tab-separated:
//     route size bits group tool reference result
//   where reference is the designer's image (PNG) and result the converted one (.ico or PNG) of
//   the same size. SCORES, when given, receives every line's scores.
//
// Both pictures are laid over mid grey (128, 128, 128) before they are compared: the reference
// with its own alpha, the result with the icon mask's rule (alpha 128 and above opaque, the rest
// transparent), so every converter pays alike for cutting alpha. Two scores:
//   1 - SSIM: the structural similarity of each of R, G and B (7 x 7 Gaussian window, sigma 1.5,
//             clipped at the picture's edges; constants (0.01 * 255)^2 and (0.03 * 255)^2),
//             averaged over the pixels and the three channels; 0 is identical.
//   RMSE:     the root mean square difference of R, G and B, on a scale of 0 to 1.
// The summary prints, per route, size and depth, the median of each score for each converter
// and the share of icons where glyphwright scores better (1 - SSIM strictly lower) than each
// other converter, and where they tie.
#include "icons/image_sources.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <exception>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

constexpr double kGrey = 128;
constexpr const char* kOurs = "glyphwright";

// One picture's R, G and B over grey, as doubles, row by row.
struct Flat {
    int width = 0, height = 0;
    std::array<std::vector<double>, 3> channels;
};

Flat overGrey(const gw::RgbaImage& image, bool cutAlpha) {
    Flat flat{image.Width, image.Height, {}};
    const std::size_t count = static_cast<std::size_t>(image.Width) * image.Height;
    for (auto& channel : flat.channels) {
        channel.resize(count);
    }
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* p = &image.Pixels[i * 4];
        double alpha = p[3] / 255.0;
        if (cutAlpha) {
            alpha = p[3] >= 128 ? 1.0 : 0.0;
        }
        for (int c = 0; c < 3; ++c) {
            flat.channels[c][i] = alpha * p[c] + (1 - alpha) * kGrey;
        }
    }
    return flat;
}

// Mean SSIM of one channel: at every pixel, the weighted means, variances and covariance over
// the Gaussian window (weights renormalized where the window leaves the picture).
double channelSsim(const std::vector<double>& a, const std::vector<double>& b, int w, int h) {
    constexpr int kRadius = 3;
    constexpr double kSigma = 1.5;
    constexpr double c1 = (0.01 * 255) * (0.01 * 255), c2 = (0.03 * 255) * (0.03 * 255);
    std::array<double, 2 * kRadius + 1> kernel{};
    for (int i = -kRadius; i <= kRadius; ++i) {
        kernel[i + kRadius] = std::exp(-(i * i) / (2 * kSigma * kSigma));
    }
    double total = 0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            double sw = 0, ma = 0, mb = 0, aa = 0, bb = 0, ab = 0;
            for (int dy = -kRadius; dy <= kRadius; ++dy) {
                for (int dx = -kRadius; dx <= kRadius; ++dx) {
                    const int sx = x + dx, sy = y + dy;
                    if (sx < 0 || sy < 0 || sx >= w || sy >= h) {
                        continue;
                    }
                    const double k = kernel[dx + kRadius] * kernel[dy + kRadius];
                    const std::size_t i = static_cast<std::size_t>(sy) * w + sx;
                    sw += k;
                    ma += k * a[i];
                    mb += k * b[i];
                    aa += k * a[i] * a[i];
                    bb += k * b[i] * b[i];
                    ab += k * a[i] * b[i];
                }
            }
            ma /= sw, mb /= sw;
            const double va = aa / sw - ma * ma, vb = bb / sw - mb * mb, cov = ab / sw - ma * mb;
            total +=
                (2 * ma * mb + c1) * (2 * cov + c2) / ((ma * ma + mb * mb + c1) * (va + vb + c2));
        }
    }
    return total / (static_cast<double>(w) * h);
}

struct Score {
    double dissimilarity; // 1 - SSIM
    double rmse;
};

Score score(const gw::RgbaImage& reference, const gw::RgbaImage& result) {
    const Flat a = overGrey(reference, false), b = overGrey(result, true);
    double ssim = 0, squares = 0;
    for (int c = 0; c < 3; ++c) {
        ssim += channelSsim(a.channels[c], b.channels[c], a.width, a.height) / 3;
        for (std::size_t i = 0; i < a.channels[c].size(); ++i) {
            const double d = (a.channels[c][i] - b.channels[c][i]) / 255;
            squares += d * d;
        }
    }
    return {1 - ssim, std::sqrt(squares / (3.0 * a.channels[0].size()))};
}

// The result's image of the reference's size (an .ico may hold several sizes).
gw::RgbaImage resultOfSize(const std::string& file, int width, int height) {
    for (gw::RgbaImage& image : gw::LoadSourceImages(file)) {
        if (image.Width == width && image.Height == height) {
            return std::move(image);
        }
    }
    throw std::runtime_error(file + ": no image of " + std::to_string(width) + " x " +
                             std::to_string(height) + " pixels");
}

double median(std::vector<double> values) {
    if (values.empty()) {
        return NAN;
    }
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The routes in the order the summary lists them.
int routeRank(const std::string& route) {
    return route == "quantize" ? 0 : route == "scale" ? 1 : 2;
}

} // namespace

// (route rank, route, size, bits) -> group -> tool -> score
using Row = std::tuple<int, std::string, int, int>;
using Table = std::map<Row, std::map<std::string, std::map<std::string, Score>>>;

// Scores every line of the plan (route, size, bits, group, tool, reference, result) into the
// table and, when scoresFile is open, one line each there; returns the lines that failed.
int scorePlan(std::istream& plan, std::ofstream& scoresFile, Table& table,
              std::vector<std::string>& tools) {
    std::map<std::string, gw::RgbaImage> references;
    std::string line;
    int failures = 0;
    while (std::getline(plan, line)) {
        std::istringstream fields(line);
        std::string route, size, bits, group, tool, reference, result;
        if (!std::getline(fields, route, '\t') || !std::getline(fields, size, '\t') ||
            !std::getline(fields, bits, '\t') || !std::getline(fields, group, '\t') ||
            !std::getline(fields, tool, '\t') || !std::getline(fields, reference, '\t') ||
            !std::getline(fields, result)) {
            continue;
        }
        try {
            auto found = references.find(reference);
            if (found == references.end()) {
                found = references.emplace(reference, gw::LoadSourceImages(reference).at(0)).first;
            }
            const gw::RgbaImage& ref = found->second;
            const Score s = score(ref, resultOfSize(result, ref.Width, ref.Height));
            table[{routeRank(route), route, std::stoi(size), std::stoi(bits)}][group][tool] = s;
            if (std::find(tools.begin(), tools.end(), tool) == tools.end()) {
                tools.push_back(tool);
            }
            if (scoresFile.is_open()) {
                scoresFile << route << '\t' << size << '\t' << bits << '\t' << group << '\t' << tool
                           << '\t' << s.dissimilarity << '\t' << s.rmse << '\n';
            }
        } catch (const std::exception& e) {
            std::cerr << "convert_quality: " << group << ", " << tool << ": " << e.what() << '\n';
            ++failures;
        }
    }
    return failures;
}

// One table row: the medians of every converter and the shares glyphwright won and tied, over
// the groups every converter finished.
void printRow(const Row& row, const std::map<std::string, std::map<std::string, Score>>& groups,
              const std::vector<std::string>& tools) {
    std::map<std::string, std::vector<double>> dissimilarity, rmse;
    std::map<std::string, int> won, tied;
    int complete = 0;
    for (const auto& [group, byTool] : groups) {
        if (byTool.size() != tools.size() || !byTool.contains(kOurs)) {
            continue;
        }
        ++complete;
        const double ours = byTool.at(kOurs).dissimilarity;
        for (const auto& [tool, s] : byTool) {
            dissimilarity[tool].push_back(s.dissimilarity);
            rmse[tool].push_back(s.rmse);
            if (tool != kOurs) {
                won[tool] += ours < s.dissimilarity - 1e-12;
                tied[tool] += std::abs(ours - s.dissimilarity) <= 1e-12;
            }
        }
    }
    const auto& [rank, route, size, bits] = row;
    std::cout << "| " << route << " | " << size << " | " << bits << " | " << complete << " |";
    char text[64];
    for (const auto& tool : tools) {
        std::snprintf(text, sizeof text, " %.4f (%.4f) |", median(dissimilarity[tool]),
                      median(rmse[tool]));
        std::cout << text;
    }
    for (const auto& tool : tools) {
        if (tool != kOurs) {
            const double n = complete > 0 ? complete : 1;
            std::snprintf(text, sizeof text, " %.0f%% (%.0f%%) |", 100 * won[tool] / n,
                          100 * tied[tool] / n);
            std::cout << text;
        }
    }
    std::cout << '\n';
}

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::cerr << "usage: convert_quality PLAN [SCORES]\n";
        return 2;
    }
    std::ifstream plan(argv[1]);
    if (!plan) {
        std::cerr << "convert_quality: cannot read " << argv[1] << '\n';
        return 1;
    }
    std::ofstream scoresFile;
    if (argc == 3) {
        scoresFile.open(argv[2]);
    }
    Table table;
    std::vector<std::string> tools;
    const int failures = scorePlan(plan, scoresFile, table, tools);
    // glyphwright first, the others in the order they came.
    std::stable_partition(tools.begin(), tools.end(), [](const auto& t) { return t == kOurs; });

    std::cout << "| route | size | bits | icons |";
    for (const auto& tool : tools) {
        std::cout << ' ' << tool << " 1-SSIM (RMSE) |";
    }
    for (const auto& tool : tools) {
        if (tool != kOurs) {
            std::cout << " won (tied) vs " << tool << " |";
        }
    }
    std::cout << "\n|---|---|---|---|";
    for (std::size_t i = 0; i < 2 * tools.size() - 1; ++i) {
        std::cout << "---|";
    }
    std::cout << '\n';
    for (const auto& [row, groups] : table) {
        printRow(row, groups, tools);
    }
    if (failures > 0) {
        std::cerr << "convert_quality: " << failures << " results could not be scored\n";
    }
    return 0;
}

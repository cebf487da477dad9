#include "ShaperTables.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

std::optional<TShaperTables>
TShaperTables::Of(const std::function<TTriple(const TTriple&)>& linearSrgbOf) {
    TShaperTables tables;
    std::array<std::array<std::array<double, 3>, 256>, 3> shares{};
    const TTriple black = linearSrgbOf({0, 0, 0});
    for (std::size_t place = 0; place < 3; ++place) {
        const std::size_t channel = 2 - place; // the stored order is blue, green, red
        for (std::size_t value = 0; value < 256; ++value) {
            TTriple stored{0, 0, 0};
            stored[channel] = value / 255.0;
            const TTriple linear = linearSrgbOf(stored);
            for (std::size_t out = 0; out < 3; ++out) {
                const std::size_t c = 2 - out;
                shares[place][value][out] = place == 0 ? linear[c] : linear[c] - black[c];
            }
        }
    }
    // Far beyond sRGB a table would grow too long (and fixed point
    // overflow).
    for (const auto& place : shares) {
        for (const auto& share : place) {
            for (const double part : share) {
                if (!std::isfinite(part) || std::abs(part) > MostReach) {
                    return std::nullopt;
                }
            }
        }
    }
    // The span of sums the rounded shares can make, over every channel of
    // the output: the curve covers each of them.
    int start = 0, end = One;
    for (std::size_t out = 0; out < 3; ++out) {
        int low = 0, high = 0;
        for (std::size_t place = 0; place < 3; ++place) {
            int least = INT32_MAX, most = INT32_MIN;
            for (std::size_t value = 0; value < 256; ++value) {
                const auto fixed = std::int32_t(std::nearbyint(shares[place][value][out] * One));
                tables.FShares[place][value][out] = fixed;
                least = std::min(least, fixed);
                most = std::max(most, fixed);
            }
            low += least;
            high += most;
        }
        start = std::min(start, low);
        end = std::max(end, high);
    }
    if (end - start > MostReach * One) {
        return std::nullopt;
    }
    for (auto& share : tables.FShares[0]) {
        share -= start;
    }
    // Each 8-bit level from the linear value where it becomes the nearest.
    tables.FCurve.resize(std::size_t(end - start) + 1);
    int level = 0;
    double next = SrgbToLinear(0.5 / 255);
    for (int sum = start; sum <= end; ++sum) {
        while (level < 255 && double(sum) / One >= next) {
            ++level;
            next = SrgbToLinear((level + 0.5) / 255);
        }
        tables.FCurve[std::size_t(sum - start)] = std::uint8_t(level);
    }
    return tables;
}

void TShaperTables::ToSrgb8(const std::uint8_t* stored, std::uint8_t* shown, std::size_t count,
                            int bytesPerPixel) const {
    if (bytesPerPixel == 4) {
        Convert<4>(stored, shown, count);
    } else {
        Convert<3>(stored, shown, count);
    }
}

template <int Step>
void TShaperTables::Convert(const std::uint8_t* stored, std::uint8_t* shown,
                            std::size_t count) const {
    const std::uint8_t* curve = FCurve.data();
    for (std::size_t i = 0; i < count; ++i, stored += Step, shown += Step) {
        const TShare sum = FShares[0][stored[0]] + FShares[1][stored[1]] + FShares[2][stored[2]];
        if constexpr (Step == 4) {
            shown[3] = stored[3];
        }
        shown[0] = curve[sum[0]];
        shown[1] = curve[sum[1]];
        shown[2] = curve[sum[2]];
    }
}

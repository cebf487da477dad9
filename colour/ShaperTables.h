#pragma once

#include "ColorSpace.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

// The 8-bit road from a colour space of three curves and a matrix (nearly
// every camera's, phone's and screen's) to sRGB, as tables: each stored
// channel's share of linear sRGB, looked up and summed in fixed point, then
// sRGB's curve looked up over every sum the shares can make, clipped to
// sRGB. About a nanosecond and a half a pixel, several times faster than a
// general colour engine, and the same result to within a level.
class TShaperTables {
public:
    // `linearSrgbOf` gives the linear sRGB of stored numbers (each channel
    // from 0 to 1); it is asked only for one channel at a time and for
    // black, so the space must add its channels' shares, as such a space
    // does. None when the shares reach too far outside sRGB for a table.
    static std::optional<TShaperTables>
    Of(const std::function<TTriple(const TTriple&)>& linearSrgbOf);

    // `count` pixels of 3 bytes (blue, green, red) or 4 (the fourth kept),
    // from `stored` to `shown`, which may be the same memory.
    void ToSrgb8(const std::uint8_t* stored, std::uint8_t* shown, std::size_t count,
                 int bytesPerPixel) const;

private:
    // Linear 1.0 in the fixed point of the shares.
    static constexpr int One = 1 << 14;
    // The longest curve, in units of One: a space whose colours reach
    // several times beyond sRGB's is left to the general engine.
    static constexpr int MostReach = 8;
    // One stored value's share of linear sRGB, in the order of the bytes
    // (blue, green, red), the fourth lane unused.
    using TShare = std::int32_t __attribute__((vector_size(16)));

    TShaperTables() = default;
    template <int Step>
    void Convert(const std::uint8_t* stored, std::uint8_t* shown, std::size_t count) const;

    // By the byte's place in the pixel (blue, green, red), then its value.
    // Black, less the curve's start, is in the blue share.
    std::array<std::array<TShare, 256>, 3> FShares{};
    // sRGB's curve from the least sum the shares can make to the most,
    // clipped to 0 and 255 beyond sRGB.
    std::vector<std::uint8_t> FCurve;
};

#pragma once

#include "BitmapImage.h"

#include <algorithm>
#include <cstdint>

// The mean colour of the side × side square centred on (x, y) of a
// width × height picture whose pixels pixelAt(column, row) gives, over the
// pixels of the square inside the picture, each channel the nearest integer
// to the mean of the pixels' 8-bit values (halves up). A square wholly
// outside gives CLR_INVALID. side is odd and above 1.
template <typename PixelAt>
TColor MeanOfSquare(const PixelAt& pixelAt, int width, int height, int x, int y, int side) {
    const int half = side / 2;
    const int left = std::max(x - half, 0);
    const int right = std::min(x + half, width - 1);
    const int top = std::max(y - half, 0);
    const int bottom = std::min(y + half, height - 1);
    if (left > right || top > bottom) {
        return CLR_INVALID;
    }
    std::uint64_t red = 0, green = 0, blue = 0;
    for (int row = top; row <= bottom; ++row) {
        for (int column = left; column <= right; ++column) {
            const TColor c = pixelAt(column, row);
            red += std::uint64_t(GetRValue(c));
            green += std::uint64_t(GetGValue(c));
            blue += std::uint64_t(GetBValue(c));
        }
    }
    const auto count = std::uint64_t(right - left + 1) * std::uint64_t(bottom - top + 1);
    auto mean = [count](std::uint64_t sum) { return int((2 * sum + count) / (2 * count)); };
    return RGB(mean(red), mean(green), mean(blue));
}

// The colour of a sampled pick: the mean of the side × side square centred
// on pixel (x, y) (MeanOfSquare). A side of 1 is the pixel's own colour,
// CLR_INVALID outside included. side is odd.
TColor SampledPixel(const TBitmapImage& image, int x, int y, int side);

#include "Sample.h"

#include <algorithm>
#include <cstdint>

TColor SampledPixel(const TBitmapImage& image, int x, int y, int side) {
    if (side <= 1) {
        return image.Pixel(x, y);
    }
    const int half = side / 2;
    const int left = std::max(x - half, 0);
    const int right = std::min(x + half, image.Width() - 1);
    const int top = std::max(y - half, 0);
    const int bottom = std::min(y + half, image.Height() - 1);
    if (left > right || top > bottom) {
        return CLR_INVALID;
    }
    std::uint64_t red = 0, green = 0, blue = 0;
    for (int row = top; row <= bottom; ++row) {
        for (int column = left; column <= right; ++column) {
            const TColor c = image.Pixel(column, row);
            red += std::uint64_t(GetRValue(c));
            green += std::uint64_t(GetGValue(c));
            blue += std::uint64_t(GetBValue(c));
        }
    }
    const auto count = std::uint64_t(right - left + 1) * std::uint64_t(bottom - top + 1);
    auto mean = [count](std::uint64_t sum) { return int((2 * sum + count) / (2 * count)); };
    return RGB(mean(red), mean(green), mean(blue));
}

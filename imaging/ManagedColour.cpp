#include "ManagedColour.h"

#include <algorithm>
#include <cmath>

TPictureColour PictureColourAt(const TBitmapImage& stored, const TColourProfile& profile, int x,
                               int y, int side) {
    const int half = std::max(side, 1) / 2;
    const int left = std::max(x - half, 0);
    const int right = std::min(x + half, stored.Width() - 1);
    const int top = std::max(y - half, 0);
    const int bottom = std::min(y + half, stored.Height() - 1);
    TPictureColour colour;
    if (left > right || top > bottom) {
        return colour;
    }
    double sum[3] = {};
    for (int row = top; row <= bottom; ++row) {
        for (int column = left; column <= right; ++column) {
            const TColor c = stored.Pixel(column, row);
            sum[0] += GetRValue(c);
            sum[1] += GetGValue(c);
            sum[2] += GetBValue(c);
        }
    }
    const double count = double(right - left + 1) * double(bottom - top + 1);
    colour.Stored = {sum[0] / count, sum[1] / count, sum[2] / count};
    colour.XyzD65 =
        profile.XyzD65Of({colour.Stored[0] / 255, colour.Stored[1] / 255, colour.Stored[2] / 255});
    colour.Valid = true;
    return colour;
}

TColor ShownColour(const TPictureColour& colour) {
    if (!colour.Valid) {
        return CLR_INVALID;
    }
    const TRgb8 shown = DisplayedOfXyzD65(colour.XyzD65);
    return RGB(shown.R, shown.G, shown.B);
}

TColor StoredRgb(const TPictureColour& colour) {
    auto channel = [](double v) { return int(std::floor(v + 0.5)); };
    return RGB(channel(colour.Stored[0]), channel(colour.Stored[1]), channel(colour.Stored[2]));
}

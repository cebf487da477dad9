#pragma once

#include "BitmapImage.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class TColourProfile;

// The picture's column (or row) under view column v when a picture `picture`
// pixels wide is shown `view` pixels wide: picture × v div view, the product
// formed first in 64 bits and divided with truncation toward zero, so a point
// just left of the view still gives 0. Painting and picking both use it, so
// the pixel shown under the cursor is the pixel picked. view must not be 0.
constexpr int PictureCoordinate(int v, int picture, int view) {
    return static_cast<int>(static_cast<std::int64_t>(picture) * v / view);
}

// A rectangle of the view, in view coordinates.
struct TViewRect {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
};

// The device pixels a logical span [start, start + length) of a window covers
// at a device pixel ratio: from round(start × ratio) up to, not including,
// round((start + length) × ratio), halves rounded away from zero. This is how
// the window's backing store clips a control to device pixels, so a view
// painted on exactly these pixels fills its control, and a pick at one of them
// names the pixel shown there. At a ratio of 1 it is the span itself.
struct TDeviceSpan {
    int Start = 0;
    int Length = 0;
};
TDeviceSpan DeviceSpan(int start, int length, double ratio);

// A view's rectangle in device pixels, from its logical place in the window.
TViewRect DeviceRect(int left, int top, int width, int height, double ratio);

// Scratch memory StretchDraw reuses between calls, so that painting at any
// zoom allocates nothing once it has seen a view as wide as this one.
struct TStretchScratch {
    std::vector<int> Columns;
    std::vector<std::uint32_t> Colors16; // every 16-bit value's colour
    TColorMasks Masks16;                 // the masks Colors16 was made for
};

// Paints the part `area` of a viewWidth × viewHeight view that shows the image
// stretched to fill it, nearest neighbour, as 0xFFRRGGBB pixels: out points
// at the pixel for (area.Left, area.Top), and rows are `stride` pixels apart.
// Pixels of the area outside the view are left as they are.
// Every painted pixel is exactly the colour TBitmapImage::Pixel gives for the
// picture pixel PictureCoordinate maps it to, or, given the picture's colour
// profile, that colour converted for the screen by the profile's 8-bit road:
// only what is painted is converted, so a picture of any size shows at once.
// Only a picture with an alpha channel shows its transparent parts over a
// checkerboard of CheckerSize view pixels (its colours converted first), so
// that the user sees them. The cost follows the area, not the picture; rows
// that map to the same picture row are copied.
constexpr int CheckerSize = 8;
constexpr std::uint8_t CheckerLight = 0xFF;
constexpr std::uint8_t CheckerDark = 0xCC;

void StretchDraw(const TBitmapImage& image, int viewWidth, int viewHeight, TViewRect area,
                 std::uint32_t* out, std::size_t stride, TStretchScratch& scratch,
                 const TColourProfile* shownThrough = nullptr);

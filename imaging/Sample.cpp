#include "Sample.h"

TColor SampledPixel(const TBitmapImage& image, int x, int y, int side) {
    if (side <= 1) {
        return image.Pixel(x, y);
    }
    return MeanOfSquare([&image](int column, int row) { return image.Pixel(column, row); },
                        image.Width(), image.Height(), x, y, side);
}

#pragma once

#include "BitmapImage.h"

// The colour of a sampled pick: the average of the side × side square centred
// on pixel (x, y), over the pixels of the square inside the picture, each
// channel the nearest integer to the mean of the pixels' 8-bit values (halves
// up). A side of 1 is the pixel's own colour, CLR_INVALID outside included; a
// square wholly outside gives CLR_INVALID. side is odd.
TColor SampledPixel(const TBitmapImage& image, int x, int y, int side);

#pragma once

#include "BitmapImage.h"
#include "ColorSpace.h"

// A picture with a colour profile, picked in its own colours (the view
// paints it through the profile as it goes).

// What a pick off a picture gives: the stored numbers of the sample square
// averaged (exactly, from 0 to 255), and their colour in CIE XYZ relative
// to D65 through the picture's profile, unclipped.
struct TPictureColour {
    TTriple Stored{};
    TTriple XyzD65{};
    bool Valid = false;
};
TPictureColour PictureColourAt(const TBitmapImage& stored, const TColourProfile& profile, int x,
                               int y, int side);
// The colour shown for it: in sRGB, gamut-mapped, rounded.
TColor ShownColour(const TPictureColour& colour);
// Its stored numbers, each rounded to the nearest (halves up), as a value.
TColor StoredRgb(const TPictureColour& colour);

#pragma once

#include "ColorSpace.h"

#include <cstdint>
#include <vector>

class TBitmapImage;

// ICC profiles made by Little CMS for the tests: matrix and curve profiles
// of the colour spaces pictures come in, one whose colours are held in a
// lookup table (lutAtoBType), and ones of other colour models.
std::vector<std::uint8_t> SrgbIcc();
std::vector<std::uint8_t> DisplayP3Icc();
std::vector<std::uint8_t> AdobeRgbIcc(); // "Adobe RGB (1998) compatible"
std::vector<std::uint8_t> DisplayP3LutIcc();
std::vector<std::uint8_t> GreyIcc();
std::vector<std::uint8_t> CmykIcc();
// Display P3's primaries with another curve: a plain gamma, or sRGB's (0).
std::vector<std::uint8_t> DisplayP3IccWithGamma(double gamma);

// Little CMS alone: an ICC profile's double-precision conversion of stored
// numbers (0 to 1) to XYZ, then CSS's adaptation to D65, gamut mapping and
// rounding, as a pick shows them.
class TLcmsPick {
public:
    explicit TLcmsPick(const std::vector<std::uint8_t>& icc);
    ~TLcmsPick();
    TLcmsPick(const TLcmsPick&) = delete;
    TLcmsPick& operator=(const TLcmsPick&) = delete;
    TRgb8 operator()(const TTriple& stored) const;

private:
    void* FRoad;
};

// Little CMS's own 8-bit conversion for the screen: pixels of 3 bytes
// (blue, green, red) through `icc` to sRGB, relative colorimetric.
std::vector<std::uint8_t> LcmsShown8(const std::vector<std::uint8_t>& icc,
                                     const std::vector<std::uint8_t>& pixels);

// How many pixels of a picture (every one of a small picture, a grid of a
// large one) pick otherwise through the picture's own profile than Little
// CMS converts their stored numbers by `icc` (by more than `levels` in a
// channel); -1 when the picture kept no profile.
int PicksUnlikeLcms(const TBitmapImage& image, const std::vector<std::uint8_t>& icc,
                    int levels = 0);
// A profile of primaries (white, red, green, blue as xy) and a gamma.
std::vector<std::uint8_t> IccOfPrimaries(const double (&xy)[8], double gamma);

// A 4 x 2 24-bit V5 bitmap naming a colour space: its kind, calibrated end
// points (Adobe RGB's) and gammas (2.2), and `profile` at the end of the
// file (a linked profile's name, or an embedded profile, whose declared size
// may be given otherwise). Its bottom left pixel is (105, 203, 202).
constexpr std::uint32_t EmbeddedProfile = 0x4D424544;
std::vector<std::uint8_t> V5Bitmap(std::uint32_t kind, const std::vector<std::uint8_t>& profile,
                                   std::uint32_t declaredSize = 0);

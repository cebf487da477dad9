#pragma once

#include "ColorSpace.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

// What a picture's stored RGB numbers mean: the colour space its file names,
// read and converted by Little CMS. A picture without one is sRGB, and so is
// a picture whose profile gives sRGB's colours: both are shown and picked by
// their numbers as they are.
class TColourProfile {
public:
    // The most bytes of an embedded profile that are read.
    static constexpr std::size_t MaxIccBytes = std::size_t{4} << 20;

    // A chromaticity, CIE 1931 xy.
    struct TXy {
        double X = 0, Y = 0;
    };
    struct TPrimaries {
        TXy White, Red, Green, Blue;
    };

    // An ICC profile's bytes for an RGB picture. None, with why in `why`,
    // when the bytes are too many, malformed, of another colour model than
    // RGB, or refused by Little CMS.
    static std::shared_ptr<const TColourProfile> FromIcc(std::span<const std::uint8_t> bytes,
                                                         std::string* why = nullptr);
    // Primaries with a plain power curve of `gamma` per channel (a PNG's cHRM
    // and gAMA, a BMP's calibrated end points); a gamma of 0 takes sRGB's
    // curve. None for primaries or gammas no colour space has.
    static std::shared_ptr<const TColourProfile>
    FromPrimaries(const TPrimaries& primaries, const double (&gamma)[3], std::string name);
    // A PNG's cICP chunk: the primaries and transfer code points of ITU-T
    // H.273 that a still picture uses (BT.709, BT.2020, Display P3; sRGB's,
    // BT.709's and the linear curve). None for a matrix, a narrow range or a
    // code this does not know.
    static std::shared_ptr<const TColourProfile> FromCicp(int primaries, int transfer, int matrix,
                                                          bool fullRange);

    // sRGB itself, as an sRGB chunk or tag names it.
    static std::shared_ptr<const TColourProfile> Srgb();

    ~TColourProfile();
    TColourProfile(const TColourProfile&) = delete;
    TColourProfile& operator=(const TColourProfile&) = delete;

    // What the picture's menu calls it: "Display P3", the profile's own
    // description, ….
    const std::string& Name() const { return FName; }
    // Whether its numbers give sRGB's colours, each 8-bit value to within
    // half a step: shown and picked as they are.
    bool IsSrgb() const { return FSrgb; }
    // Whether it gives Display P3's colours (its exact colour is told as
    // display-p3).
    bool IsDisplayP3() const { return FDisplayP3; }

    // The colour of stored numbers, each channel from 0 to 1 (an average
    // may lie between 8-bit values), in CIE XYZ relative to D65 (white Y 1):
    // exact, unclipped.
    TTriple XyzD65Of(const TTriple& stored) const;

    // Writes 8-bit pixels as sRGB for the screen (relative colorimetric):
    // `count` pixels of 3 bytes (blue, green, red) or 4 (the fourth kept),
    // from `stored` to `shown`, which may be the same memory. Safe to call
    // from several threads at once.
    void ToSrgb8(const std::uint8_t* stored, std::uint8_t* shown, std::size_t count,
                 int bytesPerPixel) const;

private:
    struct TLcms;
    TColourProfile(std::unique_ptr<TLcms> lcms, std::string name);
    static std::shared_ptr<const TColourProfile> Made(std::unique_ptr<TLcms> lcms, std::string name,
                                                      std::string* why);
    bool GivesSrgb() const;
    bool GivesDisplayP3() const;

    std::unique_ptr<TLcms> FLcms;
    std::string FName;
    bool FSrgb = false;
    bool FDisplayP3 = false;
};

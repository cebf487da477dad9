// A picture's colour profile against Little CMS's own conversion, CSS
// Color 4's published values and profiles made broken on purpose.
#include "ColourProfile.h"
#include "ColourProfileSupport.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

namespace {

bool Near(TRgb8 a, TRgb8 b) {
    return std::abs(a.R - b.R) <= 1 && std::abs(a.G - b.G) <= 1 && std::abs(a.B - b.B) <= 1;
}

TRgb8 Pick(const TColourProfile& profile, TRgb8 stored) {
    return DisplayedOfXyzD65(
        profile.XyzD65Of({stored.R / 255.0, stored.G / 255.0, stored.B / 255.0}));
}

} // namespace

// Display P3's red is CSS's published extended sRGB value; the patch a new
// user tried reads as the colour a colour-managed viewer shows; every stored
// value of a coarse grid picks as Little CMS converts it, for the matrix
// profiles and for a LUT-based one, which only Little CMS reads.
TEST(ColourProfile, WideGamutPicturesPickTheirOwnColours) {
    const auto p3 = TColourProfile::FromIcc(DisplayP3Icc());
    ASSERT_TRUE(p3);
    EXPECT_FALSE(p3->IsSrgb());
    const TTriple red = LinearSrgbOfXyzD65(p3->XyzD65Of({1, 0, 0}));
    const TTriple expected{1.0930, -0.2267, -0.1501};
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(LinearToSrgb(red[std::size_t(i)]), expected[std::size_t(i)], 2e-4) << i;
    }
    EXPECT_EQ(Pick(*p3, {105, 203, 202}), (TRgb8{55, 206, 203}));

    const auto cicp = TColourProfile::FromCicp(12, 13, 0, true);
    ASSERT_TRUE(cicp);
    EXPECT_TRUE(cicp->IsDisplayP3());
    EXPECT_EQ(cicp->Name(), "Display P3");
    for (const auto& [name, icc] : std::vector<std::pair<std::string, std::vector<std::uint8_t>>>{
             {"Display P3", DisplayP3Icc()},
             {"Adobe RGB", AdobeRgbIcc()},
             {"Display P3 in a LUT", DisplayP3LutIcc()}}) {
        const auto profile = TColourProfile::FromIcc(icc);
        ASSERT_TRUE(profile) << name;
        const TLcmsPick lcms(icc), lcmsP3(DisplayP3Icc());
        int wrong = 0, farFromP3 = 0;
        for (int r = 0; r < 256; r += 15) {
            for (int g = 0; g < 256; g += 30) {
                for (int b = 0; b < 256; b += 30) {
                    const TRgb8 stored{r, g, b};
                    const TTriple unit{r / 255.0, g / 255.0, b / 255.0};
                    wrong += Pick(*profile, stored) != lcms(unit);
                    // The same colour space another way (the chunk's exact
                    // code points, a table): a level at most from the
                    // profile's numbers rounded to 16 bits.
                    if (name != "Adobe RGB") {
                        farFromP3 += !Near(Pick(*cicp, stored), lcmsP3(unit)) ||
                                     !Near(Pick(*profile, stored), Pick(*cicp, stored));
                    }
                }
            }
        }
        EXPECT_EQ(wrong, 0) << name;
        EXPECT_EQ(farFromP3, 0) << name;
    }
}

// Profiles that give sRGB's colours leave the numbers as they are; others
// do not, however close.
TEST(ColourProfile, SrgbProfilesAreKnownAsSrgb) {
    EXPECT_TRUE(TColourProfile::FromIcc(SrgbIcc())->IsSrgb());
    EXPECT_TRUE(TColourProfile::FromCicp(1, 13, 0, true)->IsSrgb());
    EXPECT_FALSE(TColourProfile::FromCicp(1, 8, 0, true)->IsSrgb());
    const double gamma22[3] = {2.2, 2.2, 2.2};
    const TColourProfile::TPrimaries srgb{
        {0.3127, 0.3290}, {0.64, 0.33}, {0.30, 0.60}, {0.15, 0.06}};
    EXPECT_FALSE(TColourProfile::FromPrimaries(srgb, gamma22, "gAMA")->IsSrgb());
    const double srgbCurve[3] = {0, 0, 0};
    EXPECT_TRUE(TColourProfile::FromPrimaries(srgb, srgbCurve, "cHRM")->IsSrgb());
    EXPECT_FALSE(TColourProfile::FromIcc(AdobeRgbIcc())->IsSrgb());
    EXPECT_EQ(TColourProfile::FromIcc(AdobeRgbIcc())->Name(), "Adobe RGB (1998) compatible");
}

// The screen's 8-bit conversion of every in-gamut value lies within one
// level of the exact pick, with alpha kept; and of every value, in or out of
// sRGB, within one of Little CMS's own 8-bit conversion, whichever road a
// profile takes (tables for curves and a matrix, the engine for a LUT), in
// place or not.
TEST(ColourProfile, TheScreenConversionFollowsThePick) {
    const auto p3 = TColourProfile::FromIcc(DisplayP3Icc());
    std::vector<std::uint8_t> pixels;
    for (int v = 0; v < 256; v += 5) {
        for (const TRgb8 stored : {TRgb8{v, v, v}, TRgb8{v, 128, 64}, TRgb8{60, v, 200}}) {
            pixels.insert(pixels.end(), {std::uint8_t(stored.B), std::uint8_t(stored.G),
                                         std::uint8_t(stored.R), std::uint8_t(v)});
        }
    }
    std::vector<std::uint8_t> shown(pixels.size());
    p3->ToSrgb8(pixels.data(), shown.data(), shown.size() / 4, 4);
    int far = 0, inGamut = 0;
    for (std::size_t i = 0; i < pixels.size(); i += 4) {
        const TRgb8 stored{pixels[i + 2], pixels[i + 1], pixels[i]};
        const TTriple linear = LinearSrgbOfXyzD65(
            p3->XyzD65Of({stored.R / 255.0, stored.G / 255.0, stored.B / 255.0}));
        far += shown[i + 3] != pixels[i + 3];
        if (std::all_of(linear.begin(), linear.end(), [](double c) { return c >= 0 && c <= 1; })) {
            ++inGamut;
            far += !Near(Pick(*p3, stored), {shown[i + 2], shown[i + 1], shown[i]});
        }
    }
    EXPECT_GT(inGamut, 50);
    EXPECT_EQ(far, 0);

    // Every value of each channel against pseudo-random others.
    std::vector<std::uint8_t> sweep;
    std::uint32_t seed = 12345;
    for (int i = 0; i < 3 * 256 * 40; ++i) {
        seed = seed * 1664525 + 1013904223;
        std::uint8_t bgr[3] = {std::uint8_t(seed >> 8), std::uint8_t(seed >> 16),
                               std::uint8_t(seed >> 24)};
        bgr[i % 3] = std::uint8_t(i / 3 % 256);
        sweep.insert(sweep.end(), bgr, bgr + 3);
    }
    for (const auto& [name, icc] : std::vector<std::pair<std::string, std::vector<std::uint8_t>>>{
             {"Display P3", DisplayP3Icc()},
             {"Adobe RGB", AdobeRgbIcc()},
             {"P3 gamma 1.0", DisplayP3IccWithGamma(1.0)},
             {"P3 gamma 2.6", DisplayP3IccWithGamma(2.6)},
             {"P3 in a LUT", DisplayP3LutIcc()}}) {
        const auto profile = TColourProfile::FromIcc(icc);
        ASSERT_TRUE(profile) << name;
        const std::vector<std::uint8_t> expected = LcmsShown8(icc, sweep);
        std::vector<std::uint8_t> inPlace = sweep;
        profile->ToSrgb8(inPlace.data(), inPlace.data(), sweep.size() / 3, 3);
        std::vector<std::uint8_t> wide, wideShown(sweep.size() / 3 * 4);
        for (std::size_t i = 0; i < sweep.size(); i += 3) {
            wide.insert(wide.end(), {sweep[i], sweep[i + 1], sweep[i + 2], std::uint8_t(i)});
        }
        profile->ToSrgb8(wide.data(), wideShown.data(), wide.size() / 4, 4);
        int off = 0;
        for (std::size_t p = 0; p < sweep.size() / 3; ++p) {
            for (std::size_t c = 0; c < 3; ++c) {
                off += std::abs(inPlace[p * 3 + c] - expected[p * 3 + c]) > 1;
                off += std::abs(wideShown[p * 4 + c] - expected[p * 3 + c]) > 1;
            }
            off += wideShown[p * 4 + 3] != wide[p * 4 + 3];
        }
        EXPECT_EQ(off, 0) << name;
    }
}

// Whatever a file carries, a profile that is not an RGB colour space comes
// back as none, with why, and nothing crashes.
TEST(ColourProfile, BrokenOrForeignProfilesAreRefused) {
    const std::vector<std::uint8_t> good = DisplayP3Icc();
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> cases{
        {"empty", {}},
        {"header only", {good.begin(), good.begin() + 128}},
        {"truncated", {good.begin(), good.begin() + std::ptrdiff_t(good.size() / 2)}},
        {"grey", GreyIcc()},
        {"CMYK", CmykIcc()},
        {"too large", std::vector<std::uint8_t>(TColourProfile::MaxIccBytes + 1, 0)},
    };
    std::vector<std::uint8_t> pastEnd = good;
    // The first tag's offset far past the end.
    pastEnd[132 + 4] = 0x7F;
    cases.emplace_back("a tag past the end", pastEnd);
    std::vector<std::uint8_t> huge = good;
    huge[0] = 0x7F; // a declared size of about two gigabytes
    cases.emplace_back("a huge declared size", huge);
    for (const auto& [name, bytes] : cases) {
        std::string why;
        const auto profile = TColourProfile::FromIcc(bytes, &why);
        if (profile) {
            // What Little CMS could still read must give numbers.
            const TTriple xyz = profile->XyzD65Of({0.5, 0.5, 0.5});
            EXPECT_TRUE(std::isfinite(xyz[0]) && std::isfinite(xyz[1])) << name;
        } else {
            EXPECT_FALSE(why.empty()) << name;
        }
        if (name != "a tag past the end" && name != "a huge declared size") {
            EXPECT_FALSE(profile) << name;
        }
    }
    EXPECT_FALSE(TColourProfile::FromCicp(12, 16, 0, true)); // PQ
    EXPECT_FALSE(TColourProfile::FromCicp(12, 13, 1, true)); // a matrix
    EXPECT_FALSE(TColourProfile::FromCicp(12, 13, 0, false));
    const double gamma[3] = {2.2, 2.2, 2.2};
    EXPECT_FALSE(TColourProfile::FromPrimaries({{0, 0}, {0.64, 0.33}, {0.3, 0.6}, {0.15, 0.06}},
                                               gamma, "no white"));
}

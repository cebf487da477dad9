#include "ColourProfileSupport.h"

#include "BitmapImage.h"
#include "BmpBuilder.h"
#include "ManagedColour.h"

#include <algorithm>
#include <cstdlib>
#include <lcms2.h>
#include <string>

namespace {

constexpr cmsCIExyY D65{0.3127, 0.3290, 1};
constexpr cmsFloat64Number SrgbCurve[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
constexpr cmsCIExyYTRIPLE P3Primaries{{0.680, 0.320, 1}, {0.265, 0.690, 1}, {0.150, 0.060, 1}};

void Describe(cmsHPROFILE profile, const std::string& text) {
    cmsMLU* description = cmsMLUalloc(nullptr, 1);
    cmsMLUsetASCII(description, "en", "US", text.c_str());
    cmsWriteTag(profile, cmsSigProfileDescriptionTag, description);
    cmsMLUfree(description);
}

std::vector<std::uint8_t> Saved(cmsHPROFILE profile) {
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    std::vector<std::uint8_t> bytes(size);
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    return bytes;
}

cmsHPROFILE MatrixProfile(const cmsCIExyYTRIPLE& primaries, cmsToneCurve* curve,
                          const std::string& name) {
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE profile = cmsCreateRGBProfile(&D65, &primaries, curves);
    cmsFreeToneCurve(curve);
    Describe(profile, name);
    return profile;
}

cmsHPROFILE DisplayP3() {
    return MatrixProfile(P3Primaries, cmsBuildParametricToneCurve(nullptr, 4, SrgbCurve),
                         "Display P3");
}

} // namespace

std::vector<std::uint8_t> SrgbIcc() {
    return Saved(cmsCreate_sRGBProfile());
}

std::vector<std::uint8_t> DisplayP3Icc() {
    return Saved(DisplayP3());
}

std::vector<std::uint8_t> AdobeRgbIcc() {
    const cmsCIExyYTRIPLE primaries{{0.64, 0.33, 1}, {0.21, 0.71, 1}, {0.15, 0.06, 1}};
    return Saved(MatrixProfile(primaries, cmsBuildGamma(nullptr, 563.0 / 256),
                               "Adobe RGB (1998) compatible"));
}

// Display P3 again, its curves and matrix held as the stages of an A-to-B
// table instead of the matrix and curve tags.
std::vector<std::uint8_t> DisplayP3LutIcc() {
    cmsHPROFILE matrix = DisplayP3();
    cmsHPROFILE xyz = cmsCreateXYZProfile();
    cmsHTRANSFORM toXyz = cmsCreateTransform(matrix, TYPE_RGB_DBL, xyz, TYPE_XYZ_DBL,
                                             INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_NOOPTIMIZE);
    cmsFloat64Number columns[9];
    for (int c = 0; c < 3; ++c) {
        const double unit[3] = {double(c == 0), double(c == 1), double(c == 2)};
        cmsCIEXYZ out;
        cmsDoTransform(toXyz, unit, &out, 1);
        // A pipeline's XYZ runs from 0 to 1 for 0 to 1 + 32767/32768.
        const double scale = 32768.0 / 65535.0;
        columns[0 + c] = out.X * scale;
        columns[3 + c] = out.Y * scale;
        columns[6 + c] = out.Z * scale;
    }
    cmsDeleteTransform(toXyz);
    cmsCloseProfile(xyz);
    cmsCloseProfile(matrix);

    cmsHPROFILE profile = cmsCreateProfilePlaceholder(nullptr);
    cmsSetProfileVersion(profile, 4.3);
    cmsSetDeviceClass(profile, cmsSigDisplayClass);
    cmsSetColorSpace(profile, cmsSigRgbData);
    cmsSetPCS(profile, cmsSigXYZData);
    cmsWriteTag(profile, cmsSigMediaWhitePointTag, cmsD50_XYZ());
    cmsToneCurve* curve = cmsBuildParametricToneCurve(nullptr, 4, SrgbCurve);
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsPipeline* lut = cmsPipelineAlloc(nullptr, 3, 3);
    cmsPipelineInsertStage(lut, cmsAT_END, cmsStageAllocToneCurves(nullptr, 3, curves));
    cmsPipelineInsertStage(lut, cmsAT_END, cmsStageAllocMatrix(nullptr, 3, 3, columns, nullptr));
    // The table's last curves (B), which the file's layout asks for.
    cmsPipelineInsertStage(lut, cmsAT_END, cmsStageAllocToneCurves(nullptr, 3, nullptr));
    cmsWriteTag(profile, cmsSigAToB0Tag, lut);
    cmsPipelineFree(lut);
    cmsFreeToneCurve(curve);
    Describe(profile, "Display P3 (LUT)");
    return Saved(profile);
}

std::vector<std::uint8_t> GreyIcc() {
    cmsToneCurve* curve = cmsBuildGamma(nullptr, 2.2);
    cmsHPROFILE profile = cmsCreateGrayProfile(cmsD50_xyY(), curve);
    cmsFreeToneCurve(curve);
    return Saved(profile);
}

std::vector<std::uint8_t> CmykIcc() {
    cmsHPROFILE profile = cmsCreateProfilePlaceholder(nullptr);
    cmsSetDeviceClass(profile, cmsSigOutputClass);
    cmsSetColorSpace(profile, cmsSigCmykData);
    cmsSetPCS(profile, cmsSigLabData);
    Describe(profile, "CMYK");
    return Saved(profile);
}

std::vector<std::uint8_t> DisplayP3IccWithGamma(double gamma) {
    return Saved(MatrixProfile(P3Primaries,
                               gamma == 0 ? cmsBuildParametricToneCurve(nullptr, 4, SrgbCurve)
                                          : cmsBuildGamma(nullptr, gamma),
                               "Display P3"));
}

TLcmsPick::TLcmsPick(const std::vector<std::uint8_t>& icc) {
    cmsHPROFILE profile = cmsOpenProfileFromMem(icc.data(), cmsUInt32Number(icc.size()));
    cmsHPROFILE xyz = cmsCreateXYZProfile();
    FRoad =
        cmsCreateTransform(profile, TYPE_RGB_DBL, xyz, TYPE_XYZ_DBL, INTENT_RELATIVE_COLORIMETRIC,
                           cmsFLAGS_NOOPTIMIZE | cmsFLAGS_NOCACHE);
    cmsCloseProfile(xyz);
    cmsCloseProfile(profile);
}

TLcmsPick::~TLcmsPick() {
    if (FRoad) {
        cmsDeleteTransform(FRoad);
    }
}

TRgb8 TLcmsPick::operator()(const TTriple& stored) const {
    cmsCIEXYZ out{};
    cmsDoTransform(FRoad, stored.data(), &out, 1);
    return DisplayedOfXyzD65(XyzD65OfXyzD50({out.X, out.Y, out.Z}));
}

std::vector<std::uint8_t> LcmsShown8(const std::vector<std::uint8_t>& icc,
                                     const std::vector<std::uint8_t>& pixels) {
    cmsHPROFILE profile = cmsOpenProfileFromMem(icc.data(), cmsUInt32Number(icc.size()));
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsHTRANSFORM road =
        cmsCreateTransform(profile, TYPE_BGR_8, srgb, TYPE_BGR_8, INTENT_RELATIVE_COLORIMETRIC, 0);
    std::vector<std::uint8_t> shown(pixels.size());
    cmsDoTransform(road, pixels.data(), shown.data(), cmsUInt32Number(pixels.size() / 3));
    cmsDeleteTransform(road);
    cmsCloseProfile(srgb);
    cmsCloseProfile(profile);
    return shown;
}

std::vector<std::uint8_t> IccOfPrimaries(const double (&xy)[8], double gamma) {
    const cmsCIExyY white{xy[0], xy[1], 1};
    const cmsCIExyYTRIPLE primaries{{xy[2], xy[3], 1}, {xy[4], xy[5], 1}, {xy[6], xy[7], 1}};
    cmsToneCurve* curve = cmsBuildGamma(nullptr, gamma);
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsFreeToneCurve(curve);
    return Saved(profile);
}

int PicksUnlikeLcms(const TBitmapImage& image, const std::vector<std::uint8_t>& icc, int levels) {
    if (!image.Profile) {
        return -1;
    }
    const TLcmsPick reference(icc);
    const int stepX = std::max(1, image.Width() / 64);
    const int stepY = std::max(1, image.Height() / 64);
    int unlike = 0;
    for (int y = 0; y < image.Height(); y += stepY) {
        for (int x = 0; x < image.Width(); x += stepX) {
            const TColor stored = image.Pixel(x, y);
            const TRgb8 expected = reference(
                {GetRValue(stored) / 255.0, GetGValue(stored) / 255.0, GetBValue(stored) / 255.0});
            const TColor picked = ShownColour(PictureColourAt(image, *image.Profile, x, y, 1));
            unlike += std::abs(GetRValue(picked) - expected.R) > levels ||
                      std::abs(GetGValue(picked) - expected.G) > levels ||
                      std::abs(GetBValue(picked) - expected.B) > levels;
        }
    }
    return unlike;
}

std::vector<std::uint8_t> V5Bitmap(std::uint32_t kind, const std::vector<std::uint8_t>& profile,
                                   std::uint32_t declaredSize) {
    BmpLayout b;
    b.HeaderSize = 124;
    b.Width = 4;
    b.Height = 2;
    // Display P3's (105, 203, 202) first, in the bottom row's blue, green, red.
    b.Pixels = {202, 203, 105};
    for (int i = 3; i < 24; ++i) {
        b.Pixels.push_back(std::uint8_t(i * 41 + 7));
    }
    std::vector<std::uint8_t> bytes = BuildBmp(b);
    auto put = [&bytes](std::size_t at, std::uint32_t value) {
        for (int i = 0; i < 4; ++i) {
            bytes[at + std::size_t(i)] = std::uint8_t(value >> (8 * i));
        }
    };
    constexpr std::size_t header = 14;
    put(header + 56, kind);
    // Adobe RGB's primaries as XYZ end points (2.30), gamma 2.2 (16.16).
    const double ends[9] = {0.5767, 0.2974, 0.0270, 0.1856, 0.6273, 0.0707, 0.1882, 0.0753, 0.9911};
    for (int i = 0; i < 9; ++i) {
        put(header + 60 + 4 * std::size_t(i), std::uint32_t(ends[i] * (1u << 30)));
    }
    for (int i = 0; i < 3; ++i) {
        put(header + 96 + 4 * std::size_t(i), std::uint32_t(2.2 * 65536));
    }
    put(header + 112, std::uint32_t(bytes.size() - header));
    put(header + 116, declaredSize ? declaredSize : std::uint32_t(profile.size()));
    bytes.insert(bytes.end(), profile.begin(), profile.end());
    return bytes;
}

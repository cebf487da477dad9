// Writes ICC profiles made by Little CMS as seeds for the profile target:
// sRGB, Display P3, Adobe-RGB-compatible, a grey and a Lab one.
#include <cstdio>
#include <lcms2.h>
#include <string>

namespace {

void Save(cmsHPROFILE profile, const std::string& path) {
    cmsSaveProfileToFile(profile, path.c_str());
    cmsCloseProfile(profile);
}

cmsHPROFILE Rgb(const cmsCIExyYTRIPLE& primaries, cmsToneCurve* curve) {
    const cmsCIExyY white{0.3127, 0.3290, 1};
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsFreeToneCurve(curve);
    return profile;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_icc_seeds FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    const cmsFloat64Number srgb[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
    Save(cmsCreate_sRGBProfile(), folder + "/srgb.icc");
    Save(Rgb({{0.680, 0.320, 1}, {0.265, 0.690, 1}, {0.150, 0.060, 1}},
             cmsBuildParametricToneCurve(nullptr, 4, srgb)),
         folder + "/p3.icc");
    Save(Rgb({{0.64, 0.33, 1}, {0.21, 0.71, 1}, {0.15, 0.06, 1}}, cmsBuildGamma(nullptr, 2.2)),
         folder + "/adobe.icc");
    cmsToneCurve* grey = cmsBuildGamma(nullptr, 2.2);
    Save(cmsCreateGrayProfile(cmsD50_xyY(), grey), folder + "/grey.icc");
    cmsFreeToneCurve(grey);
    Save(cmsCreateLab4Profile(nullptr), folder + "/lab.icc");
    return 0;
}

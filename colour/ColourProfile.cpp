#include "ColourProfile.h"

#include "ShaperTables.h"

#include <algorithm>
#include <cmath>
#include <lcms2.h>
#include <mutex>
#include <optional>
#include <vector>

namespace {

// Little CMS's own errors are the profile's, and are told by what the calls
// return; it is never let to print them.
void Quiet(cmsContext, cmsUInt32Number, const char*) {}

constexpr TColourProfile::TPrimaries SrgbPrimaries{
    {0.3127, 0.3290}, {0.64, 0.33}, {0.30, 0.60}, {0.15, 0.06}};
constexpr TColourProfile::TPrimaries DisplayP3Primaries{
    {0.3127, 0.3290}, {0.680, 0.320}, {0.265, 0.690}, {0.150, 0.060}};
constexpr TColourProfile::TPrimaries Bt2020Primaries{
    {0.3127, 0.3290}, {0.708, 0.292}, {0.170, 0.797}, {0.131, 0.046}};

// IEC 61966-2-1's curve and BT.709's, as ICC parametric curves of type 4:
// Y = (aX + b)^g for X >= d, else cX.
constexpr cmsFloat64Number SrgbCurve[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
constexpr cmsFloat64Number Bt709Curve[5] = {1 / 0.45, 1 / 1.099, 0.099 / 1.099, 1 / 4.5, 0.081};

// An RGB profile of these primaries and curves, made in `context`.
cmsHPROFILE RgbProfile(cmsContext context, const TColourProfile::TPrimaries& primaries,
                       cmsToneCurve* const (&curves)[3]) {
    const cmsCIExyY white{primaries.White.X, primaries.White.Y, 1};
    const cmsCIExyYTRIPLE rgb{{primaries.Red.X, primaries.Red.Y, 1},
                              {primaries.Green.X, primaries.Green.Y, 1},
                              {primaries.Blue.X, primaries.Blue.Y, 1}};
    cmsToneCurve* shared[3] = {curves[0], curves[1], curves[2]};
    return cmsCreateRGBProfileTHR(context, &white, &rgb, shared);
}

bool Plausible(const TColourProfile::TXy& xy) {
    return std::isfinite(xy.X) && std::isfinite(xy.Y) && xy.X > 0 && xy.Y > 0 && xy.X + xy.Y <= 1;
}

} // namespace

struct TColourProfile::TLcms {
    cmsContext Context = nullptr;
    cmsHPROFILE Profile = nullptr;
    cmsHTRANSFORM ToXyz = nullptr;     // the exact road: doubles to doubles
    mutable std::once_flag ScreenMade; // the 8-bit roads, made on first use
    mutable cmsHTRANSFORM ToSrgb3 = nullptr;
    mutable cmsHTRANSFORM ToSrgb4 = nullptr;
    mutable std::optional<TShaperTables> Tables; // the fast road, where it is as good

    TLcms() : Context(cmsCreateContext(nullptr, nullptr)) {
        if (Context) {
            cmsSetLogErrorHandlerTHR(Context, Quiet);
        }
    }
    ~TLcms() {
        for (cmsHTRANSFORM transform : {ToXyz, ToSrgb3, ToSrgb4}) {
            if (transform) {
                cmsDeleteTransform(transform);
            }
        }
        if (Profile) {
            cmsCloseProfile(Profile);
        }
        if (Context) {
            cmsDeleteContext(Context);
        }
    }
    TLcms(const TLcms&) = delete;
    TLcms& operator=(const TLcms&) = delete;

    void MakeScreenRoads() const {
        cmsHPROFILE srgb = cmsCreate_sRGBProfileTHR(Context);
        if (!srgb) {
            return;
        }
        ToSrgb3 = cmsCreateTransformTHR(Context, Profile, TYPE_BGR_8, srgb, TYPE_BGR_8,
                                        INTENT_RELATIVE_COLORIMETRIC, 0);
        ToSrgb4 = cmsCreateTransformTHR(Context, Profile, TYPE_BGRA_8, srgb, TYPE_BGRA_8,
                                        INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_COPY_ALPHA);
        cmsCloseProfile(srgb);
    }

    // Tables for a profile of curves and a matrix, kept only when they give
    // Little CMS's own 8-bit result to within a level over a grid of every
    // 17th value of each channel.
    void MakeTables(const TColourProfile& profile) const {
        if (!ToSrgb3 || !cmsIsMatrixShaper(Profile) ||
            cmsIsCLUT(Profile, INTENT_RELATIVE_COLORIMETRIC, LCMS_USED_AS_INPUT)) {
            return;
        }
        Tables = TShaperTables::Of([&profile](const TTriple& stored) {
            return LinearSrgbOfXyzD65(profile.XyzD65Of(stored));
        });
        if (!Tables) {
            return;
        }
        std::vector<std::uint8_t> grid;
        for (int i = 0; i < 16 * 16 * 16; ++i) {
            grid.insert(grid.end(), {std::uint8_t(i % 16 * 17), std::uint8_t(i / 16 % 16 * 17),
                                     std::uint8_t(i / 256 * 17)});
        }
        std::vector<std::uint8_t> byLcms(grid.size()), byTables(grid.size());
        cmsDoTransform(ToSrgb3, grid.data(), byLcms.data(), cmsUInt32Number(grid.size() / 3));
        Tables->ToSrgb8(grid.data(), byTables.data(), grid.size() / 3, 3);
        for (std::size_t i = 0; i < grid.size(); ++i) {
            if (std::abs(byLcms[i] - byTables[i]) > 1) {
                Tables.reset();
                return;
            }
        }
    }
};

TColourProfile::TColourProfile(std::unique_ptr<TLcms> lcms, std::string name)
    : FLcms(std::move(lcms)), FName(std::move(name)) {}

TColourProfile::~TColourProfile() = default;

std::shared_ptr<const TColourProfile> TColourProfile::Made(std::unique_ptr<TLcms> lcms,
                                                           std::string name, std::string* why) {
    auto refuse = [why](const char* reason) {
        if (why) {
            *why = reason;
        }
        return nullptr;
    };
    if (!lcms->Profile) {
        return refuse("プロファイルが壊れています");
    }
    if (cmsGetColorSpace(lcms->Profile) != cmsSigRgbData) {
        return refuse("RGB のプロファイルではありません");
    }
    const cmsProfileClassSignature kind = cmsGetDeviceClass(lcms->Profile);
    if (kind != cmsSigDisplayClass && kind != cmsSigInputClass && kind != cmsSigOutputClass &&
        kind != cmsSigColorSpaceClass) {
        return refuse("画像のためのプロファイルではありません");
    }
    cmsHPROFILE xyz = cmsCreateXYZProfileTHR(lcms->Context);
    if (!xyz) {
        return refuse("Little CMS がプロファイルを読めません");
    }
    lcms->ToXyz =
        cmsCreateTransformTHR(lcms->Context, lcms->Profile, TYPE_RGB_DBL, xyz, TYPE_XYZ_DBL,
                              INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_NOOPTIMIZE | cmsFLAGS_NOCACHE);
    cmsCloseProfile(xyz);
    if (!lcms->ToXyz) {
        return refuse("Little CMS がプロファイルを読めません");
    }
    std::shared_ptr<TColourProfile> made(new TColourProfile(std::move(lcms), std::move(name)));
    // A profile whose curves or tables give no number for some input is no
    // colour space: tried over a grid of inputs.
    for (int i = 0; i < 125; ++i) {
        const TTriple xyzOf = made->XyzD65Of({i % 5 / 4.0, i / 5 % 5 / 4.0, i / 25 / 4.0});
        if (!std::all_of(xyzOf.begin(), xyzOf.end(), [](double c) { return std::isfinite(c); })) {
            return refuse("プロファイルの値が数になりません");
        }
    }
    made->FSrgb = made->GivesSrgb();
    made->FDisplayP3 = made->GivesDisplayP3();
    // A profile made without a description of its own (Little CMS names
    // those "RGB built-in") is called by the colours it gives.
    if (made->FDisplayP3 && made->FName == "RGB built-in") {
        made->FName = "Display P3";
    }
    return made;
}

std::shared_ptr<const TColourProfile> TColourProfile::FromIcc(std::span<const std::uint8_t> bytes,
                                                              std::string* why) {
    if (bytes.size() > MaxIccBytes) {
        if (why) {
            *why = "プロファイルが大きすぎます";
        }
        return nullptr;
    }
    auto lcms = std::make_unique<TLcms>();
    if (!lcms->Context) {
        return nullptr;
    }
    lcms->Profile =
        cmsOpenProfileFromMemTHR(lcms->Context, bytes.data(), cmsUInt32Number(bytes.size()));
    std::string name;
    if (lcms->Profile) {
        char text[256] = {};
        if (cmsGetProfileInfoASCII(lcms->Profile, cmsInfoDescription, "en", "US", text,
                                   sizeof text) > 1) {
            name = text;
        }
    }
    auto made = Made(std::move(lcms), name.empty() ? "ICC プロファイル" : name, why);
    return made;
}

std::shared_ptr<const TColourProfile> TColourProfile::FromPrimaries(const TPrimaries& primaries,
                                                                    const double (&gamma)[3],
                                                                    std::string name) {
    for (const TXy& xy : {primaries.White, primaries.Red, primaries.Green, primaries.Blue}) {
        if (!Plausible(xy)) {
            return nullptr;
        }
    }
    auto lcms = std::make_unique<TLcms>();
    if (!lcms->Context) {
        return nullptr;
    }
    cmsToneCurve* curves[3] = {};
    for (int i = 0; i < 3; ++i) {
        if (gamma[i] == 0) {
            curves[i] = cmsBuildParametricToneCurve(lcms->Context, 4, SrgbCurve);
        } else if (std::isfinite(gamma[i]) && gamma[i] > 0.05 && gamma[i] < 20) {
            curves[i] = cmsBuildGamma(lcms->Context, gamma[i]);
        }
    }
    if (curves[0] && curves[1] && curves[2]) {
        lcms->Profile = RgbProfile(lcms->Context, primaries, curves);
    }
    for (cmsToneCurve* curve : curves) {
        if (curve) {
            cmsFreeToneCurve(curve);
        }
    }
    return Made(std::move(lcms), std::move(name), nullptr);
}

std::shared_ptr<const TColourProfile> TColourProfile::FromCicp(int primaries, int transfer,
                                                               int matrix, bool fullRange) {
    if (matrix != 0 || !fullRange) {
        return nullptr;
    }
    TPrimaries chosen;
    std::string name;
    switch (primaries) {
    case 1:
        chosen = SrgbPrimaries;
        name = "sRGB";
        break;
    case 9:
        chosen = Bt2020Primaries;
        name = "BT.2020";
        break;
    case 12:
        chosen = DisplayP3Primaries;
        name = "Display P3";
        break;
    default:
        return nullptr;
    }
    const cmsFloat64Number* curve = nullptr;
    double gamma = 0;
    switch (transfer) {
    case 13:
        curve = SrgbCurve;
        break;
    case 1:
    case 6:
    case 14:
    case 15:
        curve = Bt709Curve;
        name += " (BT.709 のトーンカーブ)";
        break;
    case 8:
        gamma = 1;
        name += " (リニア)";
        break;
    default:
        return nullptr;
    }
    auto lcms = std::make_unique<TLcms>();
    if (!lcms->Context) {
        return nullptr;
    }
    cmsToneCurve* tone = curve ? cmsBuildParametricToneCurve(lcms->Context, 4, curve)
                               : cmsBuildGamma(lcms->Context, gamma);
    if (tone) {
        lcms->Profile = RgbProfile(lcms->Context, chosen, {tone, tone, tone});
        cmsFreeToneCurve(tone);
    }
    return Made(std::move(lcms), name, nullptr);
}

std::shared_ptr<const TColourProfile> TColourProfile::Srgb() {
    // Made and measured once: every sRGB-tagged picture shares it.
    static const std::shared_ptr<const TColourProfile> srgb = FromCicp(1, 13, 0, true);
    return srgb;
}

TTriple TColourProfile::XyzD65Of(const TTriple& stored) const {
    cmsCIEXYZ xyz{};
    const double input[3] = {stored[0], stored[1], stored[2]};
    cmsDoTransform(FLcms->ToXyz, input, &xyz, 1);
    return XyzD65OfXyzD50({xyz.X, xyz.Y, xyz.Z});
}

// Every 8-bit value of each channel alone and of the greys, and the
// secondaries, shown as they are stored: then nothing a pick or the screen
// shows differs from reading the numbers as sRGB.
bool TColourProfile::GivesSrgb() const {
    auto same = [this](int r, int g, int b) {
        const TRgb8 shown = DisplayedOfXyzD65(XyzD65Of({r / 255.0, g / 255.0, b / 255.0}));
        return shown == TRgb8{r, g, b};
    };
    for (int v = 0; v < 256; ++v) {
        if (!same(v, 0, 0) || !same(0, v, 0) || !same(0, 0, v) || !same(v, v, v)) {
            return false;
        }
    }
    return same(255, 255, 0) && same(0, 255, 255) && same(255, 0, 255);
}

// Display P3's colours for the channels alone and the greys, to a
// thousandth: a profile under any name, or a cICP chunk, that is it.
bool TColourProfile::GivesDisplayP3() const {
    for (int step = 0; step <= 8; ++step) {
        const double v = step / 8.0;
        for (const TTriple& stored :
             {TTriple{v, 0, 0}, TTriple{0, v, 0}, TTriple{0, 0, v}, TTriple{v, v, v}}) {
            const TTriple expected = XyzD65OfLinearP3(
                {SrgbToLinear(stored[0]), SrgbToLinear(stored[1]), SrgbToLinear(stored[2])});
            const TTriple actual = XyzD65Of(stored);
            for (std::size_t i = 0; i < 3; ++i) {
                if (std::abs(actual[i] - expected[i]) > 1e-3) {
                    return false;
                }
            }
        }
    }
    return true;
}

void TColourProfile::ToSrgb8(const std::uint8_t* stored, std::uint8_t* shown, std::size_t count,
                             int bytesPerPixel) const {
    std::call_once(FLcms->ScreenMade, [this] {
        FLcms->MakeScreenRoads();
        FLcms->MakeTables(*this);
    });
    if (FLcms->Tables) {
        FLcms->Tables->ToSrgb8(stored, shown, count, bytesPerPixel);
        return;
    }
    cmsHTRANSFORM road = bytesPerPixel == 4 ? FLcms->ToSrgb4 : FLcms->ToSrgb3;
    if (!road) {
        return;
    }
    // In pieces, as the count a call takes is 32-bit.
    constexpr std::size_t Piece = std::size_t{1} << 24;
    for (std::size_t done = 0; done < count; done += Piece) {
        const auto n = cmsUInt32Number(std::min(Piece, count - done));
        const std::size_t at = done * std::size_t(bytesPerPixel);
        cmsDoTransform(road, stored + at, shown + at, n);
    }
}

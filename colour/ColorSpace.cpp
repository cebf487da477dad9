#include "ColorSpace.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

using TMatrix = std::array<TTriple, 3>;

TTriple operator*(const TMatrix& m, const TTriple& v) {
    return {m[0][0] * v[0] + m[0][1] * v[1] + m[0][2] * v[2],
            m[1][0] * v[0] + m[1][1] * v[1] + m[1][2] * v[2],
            m[2][0] * v[0] + m[2][1] * v[1] + m[2][2] * v[2]};
}

// CSS Color 4's matrices, the rational ones as it gives them.
const TMatrix LinearSrgbToXyz = {{
    {506752.0 / 1228815, 87881.0 / 245763, 12673.0 / 70218},
    {87098.0 / 409605, 175762.0 / 245763, 12673.0 / 175545},
    {7918.0 / 409605, 87881.0 / 737289, 1001167.0 / 1053270},
}};
const TMatrix XyzToLinearSrgb = {{
    {12831.0 / 3959, -329.0 / 214, -1974.0 / 3959},
    {-851781.0 / 878810, 1648619.0 / 878810, 36519.0 / 878810},
    {705.0 / 12673, -2585.0 / 12673, 705.0 / 667},
}};
const TMatrix LinearP3ToXyz = {{
    {608311.0 / 1250200, 189793.0 / 714400, 198249.0 / 1000160},
    {35783.0 / 156275, 247089.0 / 357200, 198249.0 / 2500400},
    {0.0, 32229.0 / 714400, 5220557.0 / 5000800},
}};
const TMatrix XyzToLinearP3 = {{
    {446124.0 / 178915, -333277.0 / 357830, -72051.0 / 178915},
    {-14852.0 / 17905, 63121.0 / 35810, 423.0 / 17905},
    {11844.0 / 330415, -50337.0 / 660830, 316169.0 / 330415},
}};
const TMatrix D65ToD50 = {{
    {1.0479297925449969, 0.022946870601609652, -0.05019226628920524},
    {0.02962780877005599, 0.9904344267538799, -0.017073799063418826},
    {-0.009243040646204504, 0.015055191490298152, 0.7518742814281371},
}};
const TMatrix D50ToD65 = {{
    {0.955473421488075, -0.02309845494876471, 0.06325924320057072},
    {-0.0283697093338637, 1.0099953980813041, 0.021041441191917323},
    {0.012314014864481998, -0.020507649298898964, 1.330365926242124},
}};
const TMatrix XyzToLms = {{
    {0.8190224379967030, 0.3619062600528904, -0.1288737815209879},
    {0.0329836539323885, 0.9292868615863434, 0.0361446663506424},
    {0.0481771893596242, 0.2642395317527308, 0.6335478284694309},
}};
const TMatrix LmsToXyz = {{
    {1.2268798758459243, -0.5578149944602171, 0.2813910456659647},
    {-0.0405757452148008, 1.1122868032803170, -0.0717110580655164},
    {-0.0763729366746601, -0.4214933324022432, 1.5869240198367816},
}};
const TMatrix LmsToOklab = {{
    {0.2104542683093140, 0.7936177747023054, -0.0040720430116193},
    {1.9779985324311684, -2.4285922420485799, 0.4505937096174110},
    {0.0259040424655478, 0.7827717124575296, -0.8086757549230774},
}};
const TMatrix OklabToLms = {{
    {1.0, 0.3963377773761749, 0.2158037573099136},
    {1.0, -0.1055613458156586, -0.0638541728258133},
    {1.0, -0.0894841775298119, -1.2914855480194092},
}};

const TTriple D50White = {0.3457 / 0.3585, 1.0, (1.0 - 0.3457 - 0.3585) / 0.3585};
constexpr double LabEpsilon = 216.0 / 24389;
constexpr double LabKappa = 24389.0 / 27;

// The linear value of each 8-bit channel, worked out once.
const std::array<double, 256>& LinearChannels() {
    static const std::array<double, 256> table = [] {
        std::array<double, 256> values{};
        for (int i = 0; i < 256; ++i) {
            values[std::size_t(i)] = SrgbToLinear(i / 255.0);
        }
        return values;
    }();
    return table;
}

// The linear value at which each 8-bit channel begins to be the nearest:
// rounding a linear value is a search here instead of a power function.
const std::array<double, 256>& LinearThresholds() {
    static const std::array<double, 256> table = [] {
        std::array<double, 256> values{};
        values[0] = -INFINITY;
        for (int i = 1; i < 256; ++i) {
            values[std::size_t(i)] = SrgbToLinear((i - 0.5) / 255.0);
        }
        return values;
    }();
    return table;
}

int NearestChannelOfLinear(double linear) {
    const auto& thresholds = LinearThresholds();
    return int(std::upper_bound(thresholds.begin(), thresholds.end(), linear) -
               thresholds.begin()) -
           1;
}

bool InUnitRange(const TTriple& v) {
    return std::all_of(v.begin(), v.end(), [](double c) { return c >= 0.0 && c <= 1.0; });
}

// Clipping each encoded channel to [0, 1] is clipping its linear value, the
// transfer function keeping 0 and 1 and its order: the search below stays
// in linear light and never needs a power function.
TTriple Clipped(const TTriple& linear) {
    return {std::clamp(linear[0], 0.0, 1.0), std::clamp(linear[1], 0.0, 1.0),
            std::clamp(linear[2], 0.0, 1.0)};
}

TTriple OklabOfLinearSrgb(const TTriple& linear) {
    return OklabOfXyzD65(XyzD65OfLinearSrgb(linear));
}

double DeltaEOK(const TTriple& one, const TTriple& two) {
    return std::hypot(one[0] - two[0], one[1] - two[1], one[2] - two[2]);
}

TTriple LinearSrgbOfOklch(const TTriple& lch) {
    return LinearSrgbOfXyzD65(XyzD65OfOklab(CartesianOf(lch)));
}

// CSS Color 4's gamut mapping into sRGB: the chroma of OKLCh is halved in a
// binary search for the most that, clipped, stays within a just noticeable
// difference of the unclipped colour. Returns linear light within [0, 1].
TTriple GamutMapped(const TTriple& linear) {
    constexpr double Jnd = 0.02;
    constexpr double Epsilon = 0.0001;
    TTriple current = PolarOf(OklabOfLinearSrgb(linear));
    if (current[0] >= 1.0) {
        return {1.0, 1.0, 1.0};
    }
    if (current[0] <= 0.0) {
        return {0.0, 0.0, 0.0};
    }
    TTriple clipped = Clipped(linear);
    if (DeltaEOK(OklabOfLinearSrgb(clipped), CartesianOf(current)) < Jnd) {
        return clipped;
    }
    double min = 0.0;
    double max = current[1];
    bool minInGamut = true;
    while (max - min > Epsilon) {
        const double chroma = (min + max) / 2;
        current[1] = chroma;
        const TTriple candidate = LinearSrgbOfOklch(current);
        if (minInGamut && InUnitRange(candidate)) {
            min = chroma;
            continue;
        }
        clipped = Clipped(candidate);
        const double e = DeltaEOK(OklabOfLinearSrgb(clipped), CartesianOf(current));
        if (e < Jnd) {
            if (Jnd - e < Epsilon) {
                return clipped;
            }
            minInGamut = false;
            min = chroma;
        } else {
            max = chroma;
        }
    }
    return clipped;
}

} // namespace

double SrgbToLinear(double encoded) {
    const double magnitude = std::abs(encoded);
    const double linear =
        magnitude <= 0.04045 ? magnitude / 12.92 : std::pow((magnitude + 0.055) / 1.055, 2.4);
    return std::copysign(linear, encoded);
}

double LinearToSrgb(double linear) {
    const double magnitude = std::abs(linear);
    const double encoded =
        magnitude > 0.0031308 ? 1.055 * std::pow(magnitude, 1.0 / 2.4) - 0.055 : 12.92 * magnitude;
    return std::copysign(encoded, linear);
}

TTriple LinearSrgbOf(TRgb8 colour) {
    const auto& linear = LinearChannels();
    return {linear[std::size_t(colour.R)], linear[std::size_t(colour.G)],
            linear[std::size_t(colour.B)]};
}

TTriple OklabOf(TRgb8 colour) {
    return OklabOfLinearSrgb(LinearSrgbOf(colour));
}

TTriple XyzD65OfLinearSrgb(const TTriple& linear) {
    return LinearSrgbToXyz * linear;
}
TTriple LinearSrgbOfXyzD65(const TTriple& xyz) {
    return XyzToLinearSrgb * xyz;
}
TTriple XyzD50OfXyzD65(const TTriple& xyz) {
    return D65ToD50 * xyz;
}
TTriple XyzD65OfXyzD50(const TTriple& xyz) {
    return D50ToD65 * xyz;
}
TTriple LinearP3OfXyzD65(const TTriple& xyz) {
    return XyzToLinearP3 * xyz;
}
TTriple XyzD65OfLinearP3(const TTriple& linear) {
    return LinearP3ToXyz * linear;
}

TTriple LabOfXyzD50(const TTriple& xyz) {
    TTriple f{};
    for (std::size_t i = 0; i < 3; ++i) {
        const double v = xyz[i] / D50White[i];
        f[i] = v > LabEpsilon ? std::cbrt(v) : (LabKappa * v + 16) / 116;
    }
    return {116 * f[1] - 16, 500 * (f[0] - f[1]), 200 * (f[1] - f[2])};
}

TTriple XyzD50OfLab(const TTriple& lab) {
    const double f1 = (lab[0] + 16) / 116;
    const double f0 = lab[1] / 500 + f1;
    const double f2 = f1 - lab[2] / 200;
    const double x = f0 * f0 * f0 > LabEpsilon ? f0 * f0 * f0 : (116 * f0 - 16) / LabKappa;
    const double y = lab[0] > LabKappa * LabEpsilon ? f1 * f1 * f1 : lab[0] / LabKappa;
    const double z = f2 * f2 * f2 > LabEpsilon ? f2 * f2 * f2 : (116 * f2 - 16) / LabKappa;
    return {x * D50White[0], y * D50White[1], z * D50White[2]};
}

TTriple OklabOfXyzD65(const TTriple& xyz) {
    TTriple lms = XyzToLms * xyz;
    for (double& c : lms) {
        c = std::cbrt(c);
    }
    return LmsToOklab * lms;
}

TTriple XyzD65OfOklab(const TTriple& oklab) {
    TTriple lms = OklabToLms * oklab;
    for (double& c : lms) {
        c = c * c * c;
    }
    return LmsToXyz * lms;
}

TTriple PolarOf(const TTriple& lab) {
    double hue = std::atan2(lab[2], lab[1]) * 180 / std::numbers::pi;
    if (hue < 0) {
        hue += 360;
    }
    return {lab[0], std::hypot(lab[1], lab[2]), hue >= 360 ? 0.0 : hue};
}

TTriple CartesianOf(const TTriple& lch) {
    const double radians = lch[2] * std::numbers::pi / 180;
    return {lch[0], lch[1] * std::cos(radians), lch[1] * std::sin(radians)};
}

int Channel8(double encoded) {
    if (std::isnan(encoded)) {
        return 0;
    }
    return int(std::floor(std::clamp(encoded, 0.0, 1.0) * 255 + 0.5));
}

TRgb8 DisplayedOfLinearSrgb(const TTriple& linear) {
    if (!std::all_of(linear.begin(), linear.end(), [](double c) { return std::isfinite(c); })) {
        return {}; // numbers too large for any colour
    }
    const TTriple shown = InUnitRange(linear) ? linear : GamutMapped(linear);
    return {NearestChannelOfLinear(shown[0]), NearestChannelOfLinear(shown[1]),
            NearestChannelOfLinear(shown[2])};
}

TRgb8 DisplayedOfXyzD65(const TTriple& xyz) {
    return DisplayedOfLinearSrgb(LinearSrgbOfXyzD65(xyz));
}

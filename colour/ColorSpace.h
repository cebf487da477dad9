#pragma once

#include <array>

// The colour spaces of CSS Color 4 and the conversions between them, in
// double precision: the sRGB and display-p3 transfer function, their
// matrices to CIE XYZ relative to D65, the Bradford adaptation to D50 for
// CIELAB, and Ottosson's OKLab. Coordinates are as CSS writes them: Lab's L
// from 0 to 100, OKLab's L from 0 to 1, hues in degrees.

using TTriple = std::array<double, 3>;

// Eight-bit sRGB channels, 0 to 255.
struct TRgb8 {
    int R = 0, G = 0, B = 0;
    friend bool operator==(const TRgb8&, const TRgb8&) = default;
};

// The transfer function and its inverse, extended to negative values by
// symmetry as CSS extends them.
double SrgbToLinear(double encoded);
double LinearToSrgb(double linear);

TTriple LinearSrgbOf(TRgb8 colour);
TTriple OklabOf(TRgb8 colour);
TTriple XyzD65OfLinearSrgb(const TTriple& linear);
TTriple LinearSrgbOfXyzD65(const TTriple& xyz);
TTriple XyzD50OfXyzD65(const TTriple& xyz);
TTriple XyzD65OfXyzD50(const TTriple& xyz);
TTriple LabOfXyzD50(const TTriple& xyz);
TTriple XyzD50OfLab(const TTriple& lab);
TTriple OklabOfXyzD65(const TTriple& xyz);
TTriple XyzD65OfOklab(const TTriple& oklab);
TTriple LinearP3OfXyzD65(const TTriple& xyz);
TTriple XyzD65OfLinearP3(const TTriple& linear);

// Lightness, chroma and hue in [0, 360) of a Lab-like colour; and back.
TTriple PolarOf(const TTriple& lab);
TTriple CartesianOf(const TTriple& lch);

// An encoded channel from 0 to 1 as 0 to 255: clamped, times 255, rounded to
// the nearest, halves up.
int Channel8(double encoded);

// The sRGB colour a display shows for a colour given in linear-light sRGB,
// which may lie outside sRGB: inside it each channel is rounded to the
// nearest 8-bit value; outside it CSS Color 4's gamut mapping (chroma reduced
// in OKLCh until clipping differs by less than a just noticeable difference)
// brings it in first.
TRgb8 DisplayedOfLinearSrgb(const TTriple& linear);
TRgb8 DisplayedOfXyzD65(const TTriple& xyz);

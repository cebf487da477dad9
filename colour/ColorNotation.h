#pragma once

#include "Color.h"
#include "ColorSpace.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

// The current colour in the notations people paste into style sheets, design
// tools, shaders and code, and the reading of any of them back. Every
// notation but the approximate name reads back as the very colour written:
// its numbers carry the fewest decimals that keep that true.

enum class TNotation {
    Hex,         // #3A5B40
    CssRgb,      // rgb(58 91 64)
    Hsl,         // hsl(129.2 22.1% 29.2%)
    Hwb,         // hwb(129.2 25.1% 64.3%)
    Lab,         // lab(34.98 -16.37 9.9), CIELAB relative to D50
    Lch,         // lch(34.98 19.13 148.84)
    Oklab,       // oklab(0.4294 -0.0496 0.0286)
    Oklch,       // oklch(0.4294 0.0572 150)
    DisplayP3,   // color(display-p3 0.238 0.354 0.256)
    Hsv,         // hsv(129.2 36.3% 35.7%), as colour dialogs show it
    Cmyk,        // device-cmyk(36.3% 0% 29.7% 64.3%), the plain device formula
    HexNumber,   // 0x3A5B40
    FloatTriple, // 0.227, 0.357, 0.251
    IntegerText, // 4217658, as the integer label shows it
    RgbText,     // RGB(58, 91, 64), as the RGB label shows it
    Name,        // teal, or "≈ teal" for the nearest one
};

constexpr std::size_t NotationCount = 16;

struct TNotationText {
    TNotation Kind;
    std::string Text;
    // False only for a name that is the nearest one, not the colour itself.
    bool Exact = true;
};

// Every notation of a colour value, in the order above. The channels are the
// value's own (its top byte shows only in the integer text).
std::array<TNotationText, NotationCount> ColourNotations(TColor value);

// One notation of a colour value.
TNotationText WriteNotation(TNotation kind, TColor value);

// The colour a text names: any notation written above, and what CSS Color 4
// reads as a colour (hex of 3, 4, 6 or 8 digits, rgb(), rgba(), hsl(),
// hsla(), hwb(), lab(), lch(), oklab(), oklch(), color() in the sRGB,
// display-p3 and XYZ spaces, named colours), in its modern and legacy
// syntax. Alpha is read and set aside. A colour outside sRGB is brought in
// by CSS's gamut mapping; each channel is then rounded to the nearest of 0
// to 255. A text of an integer alone is the integer label's text, kept with
// all its 32 bits. Surrounding white space is ignored; anything else gives
// no colour.
std::optional<TColor> ReadColour(std::string_view text);

// "#3A5B40": the hex notation, which recent colours are listed by.
std::string HexText(TColor value);

// "RGB(58, 91, 64)": the RGB label's text of a value.
std::string RgbText(TColor value);

// A colour that need not lie in sRGB (a picture's own, through its profile),
// given in CIE XYZ relative to D65, unclipped, in one of the notations that
// reach beyond sRGB: DisplayP3 (four decimals), Lab (two) or Oklch (four,
// the hue two). Other kinds give an empty text.
std::string ExactColourText(TNotation kind, const TTriple& xyzD65);

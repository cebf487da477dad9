#include "ColorNotation.h"

#include "ColorNames.h"
#include "ColorSpace.h"
#include "Conversions.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <vector>

namespace {

using TValues = std::array<double, 4>;

// How one argument of a colour function is read: a plain number times
// NumberScale, a percentage of what 100 % stands for (0: none allowed), or,
// for a hue, degrees or an angle.
struct TArgument {
    double NumberScale = 1;
    double Hundred = 100;
    bool Hue = false;

    double OfPercentage(double percent) const {
        return Hundred == 100 ? percent : percent * Hundred / 100;
    }
};

constexpr TArgument Hue{1, 0, true};
constexpr TArgument Percent{1, 100};

// A colour function as a reader takes it: its arguments, whether the legacy
// comma syntax is allowed, and the colour its values give, on the scale a
// writer writes them in.
struct TFunction {
    const char* Name;
    int Count;
    std::array<TArgument, 4> Arguments;
    bool Legacy;
    TRgb8 (*Colour)(const TValues&);
};

double Clamped(double v, double low, double high) {
    return std::clamp(v, low, high);
}

double NormalHue(double degrees) {
    const double hue = std::fmod(degrees, 360.0);
    return hue < 0 ? hue + 360 : hue;
}

TRgb8 EncodedColour(double r, double g, double b) {
    return {Channel8(r), Channel8(g), Channel8(b)};
}

TRgb8 RgbColour(const TValues& v) {
    return EncodedColour(v[0] / 255, v[1] / 255, v[2] / 255);
}

// The sRGB channels of a hue (degrees), saturation and lightness (0 to 1).
TTriple HslChannels(double hue, double saturation, double lightness) {
    const double h = NormalHue(hue);
    auto f = [&](double n) {
        const double k = std::fmod(n + h / 30, 12);
        const double a = saturation * std::min(lightness, 1 - lightness);
        return lightness - a * std::max(-1.0, std::min({k - 3, 9 - k, 1.0}));
    };
    return {f(0), f(8), f(4)};
}

TRgb8 HslColour(const TValues& v) {
    const TTriple c = HslChannels(v[0], Clamped(v[1], 0, 100) / 100, Clamped(v[2], 0, 100) / 100);
    return EncodedColour(c[0], c[1], c[2]);
}

TRgb8 HwbColour(const TValues& v) {
    const double white = Clamped(v[1], 0, 100) / 100;
    const double black = Clamped(v[2], 0, 100) / 100;
    if (white + black >= 1) {
        const double grey = white / (white + black);
        return EncodedColour(grey, grey, grey);
    }
    TTriple c = HslChannels(v[0], 1, 0.5);
    for (double& channel : c) {
        channel = channel * (1 - white - black) + white;
    }
    return EncodedColour(c[0], c[1], c[2]);
}

TRgb8 HsvColour(const TValues& v) {
    const double h = NormalHue(v[0]);
    const double s = Clamped(v[1], 0, 100) / 100;
    const double value = Clamped(v[2], 0, 100) / 100;
    auto f = [&](double n) {
        const double k = std::fmod(n + h / 60, 6);
        return value - value * s * std::max(0.0, std::min({k, 4 - k, 1.0}));
    };
    return EncodedColour(f(5), f(3), f(1));
}

TRgb8 CmykColour(const TValues& v) {
    const double k = Clamped(v[3], 0, 100) / 100;
    auto channel = [&](double c) {
        return 1 - std::min(1.0, Clamped(c, 0, 100) / 100 * (1 - k) + k);
    };
    return EncodedColour(channel(v[0]), channel(v[1]), channel(v[2]));
}

TRgb8 LabColour(const TValues& v) {
    const TTriple lab{Clamped(v[0], 0, 100), v[1], v[2]};
    return DisplayedOfXyzD65(XyzD65OfXyzD50(XyzD50OfLab(lab)));
}

TRgb8 LchColour(const TValues& v) {
    const TTriple lab = CartesianOf({v[0], std::max(v[1], 0.0), v[2]});
    return LabColour({lab[0], lab[1], lab[2], 0});
}

TRgb8 OklabColour(const TValues& v) {
    return DisplayedOfXyzD65(XyzD65OfOklab({Clamped(v[0], 0, 1), v[1], v[2]}));
}

TRgb8 OklchColour(const TValues& v) {
    const TTriple lab = CartesianOf({v[0], std::max(v[1], 0.0), v[2]});
    return OklabColour({lab[0], lab[1], lab[2], 0});
}

TTriple Linearised(const TValues& v) {
    return {SrgbToLinear(v[0]), SrgbToLinear(v[1]), SrgbToLinear(v[2])};
}

TRgb8 SrgbColour(const TValues& v) {
    return DisplayedOfLinearSrgb(Linearised(v));
}

TRgb8 SrgbLinearColour(const TValues& v) {
    return DisplayedOfLinearSrgb({v[0], v[1], v[2]});
}

TRgb8 DisplayP3Colour(const TValues& v) {
    return DisplayedOfXyzD65(XyzD65OfLinearP3(Linearised(v)));
}

TRgb8 XyzD65Colour(const TValues& v) {
    return DisplayedOfXyzD65({v[0], v[1], v[2]});
}

TRgb8 XyzD50Colour(const TValues& v) {
    return DisplayedOfXyzD65(XyzD65OfXyzD50({v[0], v[1], v[2]}));
}

TRgb8 FloatColour(const TValues& v) {
    return EncodedColour(v[0], v[1], v[2]);
}

constexpr TArgument RgbChannel{1, 255};
constexpr TArgument Unit{1, 1};
constexpr TArgument CmykPart{100, 100};

const TFunction Functions[] = {
    {"rgb", 3, {RgbChannel, RgbChannel, RgbChannel}, true, RgbColour},
    {"rgba", 3, {RgbChannel, RgbChannel, RgbChannel}, true, RgbColour},
    {"hsl", 3, {Hue, Percent, Percent}, true, HslColour},
    {"hsla", 3, {Hue, Percent, Percent}, true, HslColour},
    {"hwb", 3, {Hue, Percent, Percent}, false, HwbColour},
    {"lab", 3, {Percent, TArgument{1, 125}, TArgument{1, 125}}, false, LabColour},
    {"lch", 3, {Percent, TArgument{1, 150}, Hue}, false, LchColour},
    {"oklab", 3, {Unit, TArgument{1, 0.4}, TArgument{1, 0.4}}, false, OklabColour},
    {"oklch", 3, {Unit, TArgument{1, 0.4}, Hue}, false, OklchColour},
    {"hsv", 3, {Hue, Percent, Percent}, true, HsvColour},
    {"device-cmyk", 4, {CmykPart, CmykPart, CmykPart, CmykPart}, true, CmykColour},
};

// The spaces of color(), each read as its three coordinates.
const TFunction Spaces[] = {
    {"srgb", 3, {Unit, Unit, Unit}, false, SrgbColour},
    {"srgb-linear", 3, {Unit, Unit, Unit}, false, SrgbLinearColour},
    {"display-p3", 3, {Unit, Unit, Unit}, false, DisplayP3Colour},
    {"xyz", 3, {Unit, Unit, Unit}, false, XyzD65Colour},
    {"xyz-d65", 3, {Unit, Unit, Unit}, false, XyzD65Colour},
    {"xyz-d50", 3, {Unit, Unit, Unit}, false, XyzD50Colour},
};

const TFunction FloatTriple{"", 3, {}, true, FloatColour};

const TFunction* Find(const auto& table, const std::string& name) {
    const auto found = std::find_if(std::begin(table), std::end(table),
                                    [&](const TFunction& f) { return name == f.Name; });
    return found == std::end(table) ? nullptr : &*found;
}

// ---- Writing ----

TRgb8 Rgb8Of(TColor value) {
    return {GetRValue(value), GetGValue(value), GetBValue(value)};
}

struct THueParts {
    double Hue, Max, Min;
};

// The hue of the sRGB channels (0 where there is none) and their extremes.
THueParts HueOf(TRgb8 colour) {
    const double r = colour.R / 255.0, g = colour.G / 255.0, b = colour.B / 255.0;
    const double max = std::max({r, g, b});
    const double min = std::min({r, g, b});
    const double d = max - min;
    double hue = 0;
    if (d > 0) {
        if (max == r) {
            hue = (g - b) / d + (g < b ? 6 : 0);
        } else if (max == g) {
            hue = (b - r) / d + 2;
        } else {
            hue = (r - g) / d + 4;
        }
    }
    return {hue * 60, max, min};
}

TValues HslOf(TRgb8 colour) {
    const auto [hue, max, min] = HueOf(colour);
    const double light = (max + min) / 2;
    const double sat =
        max == min || light == 0 || light == 1 ? 0 : (max - light) / std::min(light, 1 - light);
    return {hue, sat * 100, light * 100, 0};
}

TValues HwbOf(TRgb8 colour) {
    const auto [hue, max, min] = HueOf(colour);
    return {hue, min * 100, (1 - max) * 100, 0};
}

TValues HsvOf(TRgb8 colour) {
    const auto [hue, max, min] = HueOf(colour);
    return {hue, max == 0 ? 0 : (max - min) / max * 100, max * 100, 0};
}

TValues CmykOf(TRgb8 colour) {
    const double r = colour.R / 255.0, g = colour.G / 255.0, b = colour.B / 255.0;
    const double k = 1 - std::max({r, g, b});
    if (k >= 1) {
        return {0, 0, 0, 100};
    }
    return {(1 - r - k) / (1 - k) * 100, (1 - g - k) / (1 - k) * 100, (1 - b - k) / (1 - k) * 100,
            k * 100};
}

TTriple XyzOf(TRgb8 colour) {
    return XyzD65OfLinearSrgb(LinearSrgbOf(colour));
}

bool Grey(TRgb8 c) {
    return c.R == c.G && c.G == c.B;
}

TValues Values(const TTriple& t) {
    return {t[0], t[1], t[2], 0};
}

TValues LabOf(TRgb8 colour) {
    return Values(LabOfXyzD50(XyzD50OfXyzD65(XyzOf(colour))));
}

// Lightness, chroma, hue; a grey has no hue and is written with 0.
TValues PolarValues(TRgb8 colour, TValues lab) {
    TValues lch = Values(PolarOf({lab[0], lab[1], lab[2]}));
    if (Grey(colour)) {
        lch[2] = 0;
    }
    return lch;
}

TValues LchOf(TRgb8 colour) {
    return PolarValues(colour, LabOf(colour));
}

TValues OklabValues(TRgb8 colour) {
    return Values(OklabOf(colour));
}

TValues OklchOf(TRgb8 colour) {
    return PolarValues(colour, OklabValues(colour));
}

TValues DisplayP3Of(TRgb8 colour) {
    const TTriple linear = LinearP3OfXyzD65(XyzOf(colour));
    return {LinearToSrgb(linear[0]), LinearToSrgb(linear[1]), LinearToSrgb(linear[2]), 0};
}

TValues FloatsOf(TRgb8 colour) {
    return {colour.R / 255.0, colour.G / 255.0, colour.B / 255.0, 0};
}

// A notation written as numbers: its frame, the unit of each number, which
// number is a hue, the numbers of a colour and the function reading them.
struct TForm {
    TNotation Kind;
    const char* Open;
    const char* Separator;
    const char* Close;
    std::array<const char*, 4> Units;
    int HueIndex;
    TValues (*Numbers)(TRgb8);
    const TFunction* Reader;
};

const TForm Forms[] = {
    {TNotation::Hsl, "hsl(", " ", ")", {"", "%", "%"}, 0, HslOf, Find(Functions, "hsl")},
    {TNotation::Hwb, "hwb(", " ", ")", {"", "%", "%"}, 0, HwbOf, Find(Functions, "hwb")},
    {TNotation::Lab, "lab(", " ", ")", {"", "", ""}, -1, LabOf, Find(Functions, "lab")},
    {TNotation::Lch, "lch(", " ", ")", {"", "", ""}, 2, LchOf, Find(Functions, "lch")},
    {TNotation::Oklab, "oklab(", " ", ")", {"", "", ""}, -1, OklabValues, Find(Functions, "oklab")},
    {TNotation::Oklch, "oklch(", " ", ")", {"", "", ""}, 2, OklchOf, Find(Functions, "oklch")},
    {TNotation::DisplayP3,
     "color(display-p3 ",
     " ",
     ")",
     {"", "", ""},
     -1,
     DisplayP3Of,
     Find(Spaces, "display-p3")},
    {TNotation::Hsv, "hsv(", " ", ")", {"", "%", "%"}, 0, HsvOf, Find(Functions, "hsv")},
    {TNotation::Cmyk,
     "device-cmyk(",
     " ",
     ")",
     {"%", "%", "%", "%"},
     -1,
     CmykOf,
     Find(Functions, "device-cmyk")},
    {TNotation::FloatTriple, "", ", ", "", {"", "", ""}, -1, FloatsOf, &FloatTriple},
};

constexpr int MostDecimals = 10;

constexpr double PowerOfTen(int n) {
    double p = 1;
    for (int i = 0; i < n; ++i) {
        p *= 10;
    }
    return p;
}

// A number rounded to some decimals, as its digits scaled by a power of ten;
// a hue that rounds to 360 is 0.
long long Scaled(double v, int decimals, bool hue) {
    const long long scaled = std::llround(v * PowerOfTen(decimals));
    return hue && scaled >= std::llround(360 * PowerOfTen(decimals)) ? 0 : scaled;
}

// The digits with their decimal point, no trailing zeros, no "-0".
std::string DecimalText(long long scaled, int decimals) {
    if (scaled == 0) {
        return "0";
    }
    std::string digits = std::to_string(scaled < 0 ? -scaled : scaled);
    if (decimals > 0) {
        if (digits.size() <= std::size_t(decimals)) {
            digits.insert(0, std::size_t(decimals) + 1 - digits.size(), '0');
        }
        digits.insert(digits.end() - decimals, '.');
        digits.erase(digits.find_last_not_of('0') + 1);
        if (digits.back() == '.') {
            digits.pop_back();
        }
    }
    return scaled < 0 ? "-" + digits : digits;
}

using TDecimals = std::array<int, 4>;

// Whether the numbers, rounded to these decimals, read back as the colour,
// and do so with a margin: a text on the edge between two colours would read
// as either, as another reader's rounding errors fall, so the colour must
// stay when every number moves by a billionth either way.
bool ReadsBack(const TForm& form, const TValues& numbers, const TDecimals& decimals, TRgb8 colour) {
    TValues rounded{};
    for (int i = 0; i < form.Reader->Count; ++i) {
        const std::size_t k = std::size_t(i);
        rounded[k] =
            double(Scaled(numbers[k], decimals[k], i == form.HueIndex)) / PowerOfTen(decimals[k]);
    }
    if (form.Reader->Colour(rounded) != colour) {
        return false;
    }
    for (const double nudge : {1e-9, -1e-9}) {
        TValues moved = rounded;
        for (double& v : moved) {
            v = v == 0 ? nudge : v * (1 + nudge);
        }
        if (form.Reader->Colour(moved) != colour) {
            return false;
        }
    }
    return true;
}

// The fewest decimals for each number: first the fewest that serve all of
// them alike, then each number in turn gives up decimals while the colour
// still reads back, round after round, until no number can lose one more.
TDecimals FewestDecimals(const TForm& form, const TValues& numbers, TRgb8 colour) {
    int common = 0;
    while (common < MostDecimals &&
           !ReadsBack(form, numbers, {common, common, common, common}, colour)) {
        ++common;
    }
    TDecimals decimals{common, common, common, common};
    for (bool fewer = true; fewer;) {
        fewer = false;
        for (std::size_t i = 0; i < std::size_t(form.Reader->Count); ++i) {
            TDecimals trial = decimals;
            while (trial[i] > 0 && (--trial[i], ReadsBack(form, numbers, trial, colour))) {
                decimals = trial;
                fewer = true;
            }
        }
    }
    return decimals;
}

std::string WriteForm(const TForm& form, TRgb8 colour) {
    const TValues numbers = form.Numbers(colour);
    const TDecimals decimals = FewestDecimals(form, numbers, colour);
    std::string text = form.Open;
    for (int i = 0; i < form.Reader->Count; ++i) {
        const std::size_t k = std::size_t(i);
        if (i > 0) {
            text += form.Separator;
        }
        text += DecimalText(Scaled(numbers[k], decimals[k], i == form.HueIndex), decimals[k]);
        text += form.Units[k];
    }
    return text + form.Close;
}

std::string HexDigits(TRgb8 c) {
    char text[8];
    std::snprintf(text, sizeof text, "%02X%02X%02X", c.R, c.G, c.B);
    return text;
}

std::string NameText(TRgb8 colour, bool& exact) {
    if (const char* name = NameOfColour(colour)) {
        exact = true;
        return name;
    }
    exact = false;
    return std::string("≈ ") + NearestName(colour);
}

// ---- Reading ----

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsSpace(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

int HexValue(char c) {
    if (IsDigit(c)) {
        return c - '0';
    }
    const char lower = LowerAscii(c);
    return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

struct TToken {
    enum TKind { Number, Percentage, Dimension, Ident, Comma, Slash } Kind;
    double Value = 0;
    std::string Word; // a dimension's unit or an identifier, lower-cased
};

// The length of a CSS number at the start of the text (0 when none), its
// value in value.
std::size_t NumberAt(std::string_view text, double& value) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    const std::size_t digitsStart = i;
    while (i < text.size() && IsDigit(text[i])) {
        ++i;
    }
    bool digits = i > digitsStart;
    if (i + 1 < text.size() && text[i] == '.' && IsDigit(text[i + 1])) {
        ++i;
        while (i < text.size() && IsDigit(text[i])) {
            ++i;
        }
        digits = true;
    }
    if (!digits) {
        return 0;
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
            ++j;
        }
        if (j < text.size() && IsDigit(text[j])) {
            while (j < text.size() && IsDigit(text[j])) {
                ++j;
            }
            i = j;
        }
    }
    const std::size_t skip = text[0] == '+' ? 1 : 0;
    const auto result = std::from_chars(text.data() + skip, text.data() + i, value);
    if (result.ec != std::errc() || !std::isfinite(value)) {
        return 0;
    }
    return i;
}

std::size_t WordAt(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (IsLetter(text[i]) || IsDigit(text[i]) || text[i] == '-')) {
        ++i;
    }
    return i;
}

std::optional<std::vector<TToken>> Tokens(std::string_view text) {
    std::vector<TToken> tokens;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::string_view rest = text.substr(i);
        if (IsSpace(rest[0])) {
            ++i;
        } else if (rest[0] == ',' || rest[0] == '/') {
            tokens.push_back({rest[0] == ',' ? TToken::Comma : TToken::Slash, 0, {}});
            ++i;
        } else if (double value = 0; const std::size_t length = NumberAt(rest, value)) {
            i += length;
            TToken token{TToken::Number, value, {}};
            if (i < text.size() && text[i] == '%') {
                token.Kind = TToken::Percentage;
                ++i;
            } else if (i < text.size() && IsLetter(text[i])) {
                const std::size_t unit = WordAt(text.substr(i));
                token.Kind = TToken::Dimension;
                token.Word = LowerCase(std::string(text.substr(i, unit)));
                i += unit;
            }
            tokens.push_back(token);
        } else if (IsLetter(rest[0]) || (rest[0] == '-' && rest.size() > 1 && IsLetter(rest[1]))) {
            const std::size_t length = WordAt(rest);
            tokens.push_back({TToken::Ident, 0, LowerCase(std::string(rest.substr(0, length)))});
            i += length;
        } else {
            return std::nullopt;
        }
    }
    return tokens;
}

std::optional<double> Degrees(const TToken& token) {
    if (token.Kind == TToken::Number) {
        return token.Value;
    }
    if (token.Kind != TToken::Dimension) {
        return std::nullopt;
    }
    if (token.Word == "deg") {
        return token.Value;
    }
    if (token.Word == "grad") {
        return token.Value * 0.9;
    }
    if (token.Word == "rad") {
        return token.Value * 180 / std::numbers::pi;
    }
    if (token.Word == "turn") {
        return token.Value * 360;
    }
    return std::nullopt;
}

std::optional<double> ArgumentValue(const TToken& token, const TArgument& argument, bool modern) {
    if (token.Kind == TToken::Ident) {
        return modern && token.Word == "none" ? std::optional<double>(0) : std::nullopt;
    }
    if (argument.Hue) {
        return Degrees(token);
    }
    if (token.Kind == TToken::Number && argument.NumberScale != 0) {
        return token.Value * argument.NumberScale;
    }
    if (token.Kind == TToken::Percentage && argument.Hundred != 0) {
        return argument.OfPercentage(token.Value);
    }
    return std::nullopt;
}

bool IsAlpha(const TToken& token, bool modern) {
    return token.Kind == TToken::Number || token.Kind == TToken::Percentage ||
           (modern && token.Kind == TToken::Ident && token.Word == "none");
}

// The values of a function's arguments: "a b c [/ alpha]", or in the legacy
// syntax "a, b, c[, alpha]".
std::optional<TValues> Arguments(const TFunction& function, const std::vector<TToken>& tokens) {
    const bool legacy = std::any_of(tokens.begin(), tokens.end(),
                                    [](const TToken& t) { return t.Kind == TToken::Comma; });
    if (legacy && !function.Legacy) {
        return std::nullopt;
    }
    const std::size_t count = std::size_t(function.Count);
    const std::size_t step = legacy ? 2 : 1;
    const std::size_t valuesEnd = count * step - (legacy ? 1 : 0);
    if (tokens.size() < valuesEnd) {
        return std::nullopt;
    }
    TValues values{};
    for (std::size_t i = 0; i < count; ++i) {
        if (legacy && i > 0 && tokens[i * 2 - 1].Kind != TToken::Comma) {
            return std::nullopt;
        }
        const auto value = ArgumentValue(tokens[i * step], function.Arguments[i], !legacy);
        if (!value) {
            return std::nullopt;
        }
        values[i] = *value;
    }
    // Legacy rgb() takes numbers alone or percentages alone.
    if (legacy && function.Colour == RgbColour &&
        !(tokens[0].Kind == tokens[2].Kind && tokens[2].Kind == tokens[4].Kind)) {
        return std::nullopt;
    }
    if (tokens.size() == valuesEnd) {
        return values;
    }
    const TToken::TKind separator = legacy ? TToken::Comma : TToken::Slash;
    if (tokens.size() == valuesEnd + 2 && tokens[valuesEnd].Kind == separator &&
        IsAlpha(tokens[valuesEnd + 1], !legacy)) {
        return values;
    }
    return std::nullopt;
}

std::optional<TRgb8> ReadFunction(std::string_view text) {
    const std::size_t open = text.find('(');
    if (open == std::string_view::npos || text.back() != ')') {
        return std::nullopt;
    }
    const std::string name = LowerCase(std::string(text.substr(0, open)));
    auto tokens = Tokens(text.substr(open + 1, text.size() - open - 2));
    if (!tokens) {
        return std::nullopt;
    }
    const TFunction* function = nullptr;
    if (name == "color") {
        if (tokens->empty() || tokens->front().Kind != TToken::Ident) {
            return std::nullopt;
        }
        function = Find(Spaces, tokens->front().Word);
        tokens->erase(tokens->begin());
    } else {
        function = Find(Functions, name);
    }
    if (!function) {
        return std::nullopt;
    }
    const auto values = Arguments(*function, *tokens);
    return values ? std::optional<TRgb8>(function->Colour(*values)) : std::nullopt;
}

std::optional<TRgb8> ReadHex(std::string_view digits) {
    if (digits.size() != 3 && digits.size() != 4 && digits.size() != 6 && digits.size() != 8) {
        return std::nullopt;
    }
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return HexValue(c) >= 0; })) {
        return std::nullopt;
    }
    const bool shortForm = digits.size() <= 4;
    auto channel = [&](int i) {
        return shortForm ? HexValue(digits[std::size_t(i)]) * 17
                         : HexValue(digits[std::size_t(2 * i)]) * 16 +
                               HexValue(digits[std::size_t(2 * i + 1)]);
    };
    return TRgb8{channel(0), channel(1), channel(2)};
}

// The integer label's text: an optional minus and digits, within 32 bits.
std::optional<TColor> ReadIntegerText(std::string_view text) {
    const std::string_view digits = text.substr(!text.empty() && text[0] == '-' ? 1 : 0);
    if (digits.empty() || !std::all_of(digits.begin(), digits.end(), IsDigit)) {
        return std::nullopt;
    }
    TColor value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() ? std::optional<TColor>(value) : std::nullopt;
}

// Three plain numbers from 0 to 1 separated by commas, as shaders take them.
std::optional<TRgb8> ReadFloatTriple(std::string_view text) {
    const auto tokens = Tokens(text);
    if (!tokens || tokens->size() != 5) {
        return std::nullopt;
    }
    TValues values{};
    for (std::size_t i = 0; i < 3; ++i) {
        const TToken& token = (*tokens)[i * 2];
        if (token.Kind != TToken::Number || token.Value < 0 || token.Value > 1 ||
            (i > 0 && (*tokens)[i * 2 - 1].Kind != TToken::Comma)) {
            return std::nullopt;
        }
        values[i] = token.Value;
    }
    return FloatColour(values);
}

std::optional<TRgb8> ReadRgb8(std::string_view text) {
    if (text.starts_with('#')) {
        return ReadHex(text.substr(1));
    }
    if (text.size() == 8 && (text.starts_with("0x") || text.starts_with("0X"))) {
        return ReadHex(text.substr(2));
    }
    if (text.find('(') != std::string_view::npos) {
        return ReadFunction(text);
    }
    if (std::all_of(text.begin(), text.end(), IsLetter)) {
        return ColourOfName(text);
    }
    return ReadFloatTriple(text);
}

} // namespace

std::string HexText(TColor value) {
    return std::string(1, '#').append(HexDigits(Rgb8Of(value)));
}

std::string RgbText(TColor value) {
    return "RGB(" + std::to_string(GetRValue(value)) + ", " + std::to_string(GetGValue(value)) +
           ", " + std::to_string(GetBValue(value)) + ")";
}

TNotationText WriteNotation(TNotation kind, TColor value) {
    const TRgb8 colour = Rgb8Of(value);
    switch (kind) {
    case TNotation::Hex:
        return {kind, HexText(value)};
    case TNotation::CssRgb:
        return {kind, "rgb(" + std::to_string(colour.R) + " " + std::to_string(colour.G) + " " +
                          std::to_string(colour.B) + ")"};
    case TNotation::HexNumber:
        return {kind, "0x" + HexDigits(colour)};
    case TNotation::IntegerText:
        return {kind, std::to_string(value)};
    case TNotation::RgbText:
        return {kind, RgbText(value)};
    case TNotation::Name: {
        bool exact = true;
        std::string name = NameText(colour, exact);
        return {kind, std::move(name), exact};
    }
    default:
        break;
    }
    const auto form = std::find_if(std::begin(Forms), std::end(Forms),
                                   [&](const TForm& f) { return f.Kind == kind; });
    return {kind, WriteForm(*form, colour)};
}

std::array<TNotationText, NotationCount> ColourNotations(TColor value) {
    std::array<TNotationText, NotationCount> notations;
    for (std::size_t i = 0; i < NotationCount; ++i) {
        notations[i] = WriteNotation(TNotation(i), value);
    }
    return notations;
}

std::optional<TColor> ReadColour(std::string_view text) {
    const std::string_view trimmed = Trimmed(text);
    if (trimmed.empty()) {
        return std::nullopt;
    }
    if (const auto integer = ReadIntegerText(trimmed)) {
        return integer;
    }
    const auto colour = ReadRgb8(trimmed);
    return colour ? std::optional<TColor>(RGB(colour->R, colour->G, colour->B)) : std::nullopt;
}

std::string ExactColourText(TNotation kind, const TTriple& xyzD65) {
    auto number = [](double v, int decimals, bool hue = false) {
        return DecimalText(Scaled(v, decimals, hue), decimals);
    };
    switch (kind) {
    case TNotation::DisplayP3: {
        const TTriple linear = LinearP3OfXyzD65(xyzD65);
        return "color(display-p3 " + number(LinearToSrgb(linear[0]), 4) + " " +
               number(LinearToSrgb(linear[1]), 4) + " " + number(LinearToSrgb(linear[2]), 4) + ")";
    }
    case TNotation::Lab: {
        const TTriple lab = LabOfXyzD50(XyzD50OfXyzD65(xyzD65));
        return "lab(" + number(lab[0], 2) + " " + number(lab[1], 2) + " " + number(lab[2], 2) + ")";
    }
    case TNotation::Oklch: {
        const TTriple lch = PolarOf(OklabOfXyzD65(xyzD65));
        return "oklch(" + number(lch[0], 4) + " " + number(lch[1], 4) + " " +
               number(lch[2], 2, true) + ")";
    }
    default:
        return {};
    }
}

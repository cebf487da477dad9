#include "ColorNotation.h"
#include "ColorNames.h"

#include <gtest/gtest.h>
#include <map>
#include <regex>

namespace {

// The 40 swatches' colours and the corners of the cube.
const TColor Landmarks[] = {
    0x000000, 0x000080, 0x0000FF, 0xFF00FF, 13408767, 13209,    26367,    39423,    52479,
    10079487, 13107,    0x008080, 52377,    0x00FFFF, 10092543, 13056,    0x008000, 6723891,
    0x00FF00, 13434828, 6697728,  0x808000, 13421619, 0xFFFF00, 16777164, 0x800000, 0xFF0000,
    16737843, 16763904, 16764057, 10040115, 10053222, 0x800080, 6697881,  16751052, 3355443,
    0x808080, 9868950,  0xC0C0C0, 0xFFFFFF, 0x00FFFF, 0xFFFF00, 0xFF00FF,
};

bool SameChannels(TColor a, TColor b) {
    return (a & 0xFFFFFF) == (b & 0xFFFFFF);
}

// Each number of a text with its place, for the checks on how numbers are
// written.
std::vector<std::smatch> Numbers(const std::string& text) {
    static const std::regex number(R"([-+]?[0-9]*\.?[0-9]+(e[-+]?[0-9]+)?)");
    std::vector<std::smatch> found;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), number);
         it != std::sregex_iterator(); ++it) {
        found.push_back(*it);
    }
    return found;
}

} // namespace

// Every notation read back is the colour written, over the landmarks and a
// spread of the cube (bench/notations.sh checks all 16,777,216 colours).
TEST(ColorNotation, EveryNotationReadsBackAsTheColourWritten) {
    std::vector<TColor> colours(std::begin(Landmarks), std::end(Landmarks));
    for (TColor v = 0; v < 0x1000000; v += 2557) {
        colours.push_back(v);
    }
    int checked = 0;
    for (const TColor colour : colours) {
        for (const TNotationText& n : ColourNotations(colour)) {
            if (!n.Exact) {
                continue;
            }
            const auto back = ReadColour(n.Text);
            ASSERT_TRUE(back) << n.Text;
            if (n.Kind == TNotation::IntegerText) {
                EXPECT_EQ(*back, colour) << n.Text;
            } else {
                EXPECT_TRUE(SameChannels(*back, colour)) << n.Text << " read as " << *back;
            }
            ++checked;
        }
    }
    EXPECT_GT(checked, 6000 * 14);
}

// Numbers carry no trailing zero, no exponent, no "-0"; hues lie in
// [0, 360). (That no number can lose a decimal is checked against an
// independent conversion by tests/css_reference.mjs.)
TEST(ColorNotation, NumbersAreWrittenPlainly) {
    const std::map<TNotation, std::size_t> hueAt{{TNotation::Hsl, 0},
                                                 {TNotation::Hwb, 0},
                                                 {TNotation::Hsv, 0},
                                                 {TNotation::Lch, 2},
                                                 {TNotation::Oklch, 2}};
    for (TColor colour = 0; colour < 0x1000000; colour += 4099) {
        for (const TNotationText& n : ColourNotations(colour)) {
            if (n.Kind == TNotation::Hex || n.Kind == TNotation::HexNumber || !n.Exact) {
                continue;
            }
            const std::string arguments = n.Text.substr(n.Text.find_first_of("( ") + 1);
            const auto numbers = Numbers(arguments);
            for (const std::smatch& number : numbers) {
                const std::string digits = number.str();
                EXPECT_EQ(digits.find('e'), std::string::npos) << n.Text;
                EXPECT_NE(digits, "-0") << n.Text;
                if (digits.find('.') != std::string::npos) {
                    EXPECT_NE(digits.back(), '0') << n.Text;
                }
            }
            if (const auto hue = hueAt.find(n.Kind); hue != hueAt.end()) {
                const double degrees = std::stod(numbers.at(hue->second).str());
                EXPECT_GE(degrees, 0) << n.Text;
                EXPECT_LT(degrees, 360) << n.Text;
            }
        }
    }
}

TEST(ColorNotation, WritesEachNotationInItsOwnSyntax) {
    const auto red = ColourNotations(0x0000FF);
    const std::vector<std::string> expected = {"#FF0000",
                                               "rgb(255 0 0)",
                                               "hsl(0 100% 50%)",
                                               "hwb(0 0% 0%)",
                                               "",
                                               "",
                                               "",
                                               "",
                                               "",
                                               "hsv(0 100% 100%)",
                                               "device-cmyk(0% 100% 100% 0%)",
                                               "0xFF0000",
                                               "1, 0, 0",
                                               "255",
                                               "RGB(255, 0, 0)",
                                               "red"};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(red[i].Kind, TNotation(i));
        if (!expected[i].empty()) {
            EXPECT_EQ(red[i].Text, expected[i]);
        }
    }
    const std::regex shapes[] = {
        std::regex(R"(lab\(-?[0-9.]+ -?[0-9.]+ -?[0-9.]+\))"),
        std::regex(R"(lch\([0-9.]+ [0-9.]+ [0-9.]+\))"),
        std::regex(R"(oklab\(0\.[0-9]+ -?[0-9.]+ -?[0-9.]+\))"),
        std::regex(R"(oklch\(0\.[0-9]+ [0-9.]+ [0-9.]+\))"),
        std::regex(R"(color\(display-p3 [0-9.]+ [0-9.]+ [0-9.]+\))"),
    };
    for (std::size_t i = 0; i < std::size(shapes); ++i) {
        EXPECT_TRUE(std::regex_match(red[4 + i].Text, shapes[i])) << red[4 + i].Text;
    }
    // A grey has no hue: 0, with no chroma.
    EXPECT_EQ(WriteNotation(TNotation::Oklch, 0x808080).Text.substr(0, 6), "oklch(");
    EXPECT_NE(WriteNotation(TNotation::Oklch, 0x808080).Text.find(" 0 0)"), std::string::npos);
    EXPECT_EQ(WriteNotation(TNotation::Hsl, 0x808080).Text, "hsl(0 0% 50.2%)");
    // The top byte shows in the integer text alone; -1 is white elsewhere.
    EXPECT_EQ(WriteNotation(TNotation::IntegerText, -1).Text, "-1");
    EXPECT_EQ(WriteNotation(TNotation::RgbText, -1).Text, "RGB(255, 255, 255)");
    EXPECT_EQ(WriteNotation(TNotation::Hex, 0x01000000).Text, "#000000");
}

TEST(ColorNotation, NamesAreExactOrShownAsTheNearest) {
    EXPECT_EQ(NamedColours().size(), 148u);
    EXPECT_TRUE(std::is_sorted(NamedColours().begin(), NamedColours().end(),
                               [](auto& a, auto& b) { return std::string(a.Name) < b.Name; }));
    EXPECT_EQ(WriteNotation(TNotation::Name, 0x808000).Text, "teal");
    EXPECT_EQ(WriteNotation(TNotation::Name, 0xFFFF00).Text, "aqua"); // not "cyan"
    EXPECT_EQ(WriteNotation(TNotation::Name, 0x808080).Text, "gray"); // not "grey"
    const TNotationText near = WriteNotation(TNotation::Name, 0x817F01);
    EXPECT_FALSE(near.Exact);
    EXPECT_EQ(near.Text, "≈ teal");
    EXPECT_FALSE(ReadColour(near.Text));
}

// CSS Color 4's syntax as it stands in style sheets, and the program's own.
TEST(ColorNotation, ReadsWhatCssAndTheDisplayWrite) {
    struct Case {
        const char* Text;
        std::optional<TColor> Colour;
    };
    const Case cases[] = {
        {"#f00", 0x0000FF},
        {"  #F00A \n", 0x0000FF},
        {"#3a5b40", RGB(58, 91, 64)},
        {"#3A5B4080", RGB(58, 91, 64)},
        {"rgb(58 91 64)", RGB(58, 91, 64)},
        {"RGB(58, 91, 64)", RGB(58, 91, 64)},
        {"rgba(58,91,64,.5)", RGB(58, 91, 64)},
        {"rgb(100%, 0%, 50%)", RGB(255, 0, 128)},
        {"rgb(100% 0 50% / 0.3)", RGB(255, 0, 128)},
        {"rgb(300 -4 127.5)", RGB(255, 0, 128)},
        {"rgb(none 255 none)", RGB(0, 255, 0)},
        {"hsl(120deg 100% 25%)", RGB(0, 128, 0)},
        {"hsla(120, 100%, 25%, 1)", RGB(0, 128, 0)},
        {"hsl(0.5turn 100% 50%)", RGB(0, 255, 255)},
        {"hsl(400grad 100% 50%)", RGB(255, 0, 0)},
        {"hsl(3.14159265rad 100 50)", RGB(0, 255, 255)},
        {"HSL(-120 100% 50%)", RGB(0, 0, 255)},
        {"hwb(0 0% 0%)", RGB(255, 0, 0)},
        {"hwb(90 60% 60%)", RGB(128, 128, 128)},
        {"hwb(none none none)", RGB(255, 0, 0)},
        {"lab(100 0 0)", RGB(255, 255, 255)},
        {"lab(0% 0 0)", RGB(0, 0, 0)},
        {"oklch(1 0 0)", RGB(255, 255, 255)},
        {"oklch(100% 0.4 30)", RGB(255, 255, 255)},
        {"color(srgb 1 0.5 0)", RGB(255, 128, 0)},
        {"color(srgb 100% 50% 0% / 50%)", RGB(255, 128, 0)},
        {"color(srgb-linear 1 0 0)", RGB(255, 0, 0)},
        {"color(xyz-d65 0 0 0)", RGB(0, 0, 0)},
        {"hsv(120 100% 50%)", RGB(0, 128, 0)},
        {"device-cmyk(0% 100% 100% 0%)", RGB(255, 0, 0)},
        {"device-cmyk(0 1 1 0.5)", RGB(128, 0, 0)},
        {"0x3A5B40", RGB(58, 91, 64)},
        {"0.227, 0.357, 0.251", RGB(58, 91, 64)},
        {"Teal", 0x808000},
        {"transparent", 0},
        {"8421504", 8421504},
        {"-1", -1},
        {"16777216", 16777216},
        // No colour.
        {"", std::nullopt},
        {"   ", std::nullopt},
        {"#12345", std::nullopt},
        {"#ggg", std::nullopt},
        {"0x12345", std::nullopt},
        {"rgb(1 2)", std::nullopt},
        {"rgb(1 2 3 4)", std::nullopt},
        {"rgb(1, 2 3)", std::nullopt},
        {"rgb(100%, 0, 0)", std::nullopt},
        {"rgb(1, 2, none)", std::nullopt},
        {"rgb(1 2 3 / 1 / 2)", std::nullopt},
        {"rgb (1 2 3)", std::nullopt},
        {"rgb(1 2 3", std::nullopt},
        {"hsl(10% 50% 50%)", std::nullopt},
        {"hsl(10px 50% 50%)", std::nullopt},
        {"hwb(0, 0%, 0%)", std::nullopt},
        {"lab(50 10deg 0)", std::nullopt},
        {"color(rec9999 1 0 0)", std::nullopt},
        {"color(srgb 1 0)", std::nullopt},
        {"1.5, 0, 0", std::nullopt},
        {"58, 91, 64", std::nullopt},
        {"notacolour", std::nullopt},
        {"99999999999", std::nullopt},
        {"1.", std::nullopt},
        {"rgb(1e999 0 0)", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReadColour(c.Text), c.Colour) << c.Text;
    }
}

#include "PickOptions.h"

#include <array>
#include <utility>

namespace {

// The colour menu's notations, in its order, by the names the command line
// takes.
constexpr std::array<std::pair<TNotation, const char*>, NotationCount> Names{{
    {TNotation::Hex, "hex"},
    {TNotation::CssRgb, "rgb"},
    {TNotation::Hsl, "hsl"},
    {TNotation::Hwb, "hwb"},
    {TNotation::Lab, "lab"},
    {TNotation::Lch, "lch"},
    {TNotation::Oklab, "oklab"},
    {TNotation::Oklch, "oklch"},
    {TNotation::DisplayP3, "display-p3"},
    {TNotation::Hsv, "hsv"},
    {TNotation::Cmyk, "cmyk"},
    {TNotation::HexNumber, "0x"},
    {TNotation::FloatTriple, "float"},
    {TNotation::IntegerText, "integer"},
    {TNotation::RgbText, "rgb-text"},
    {TNotation::Name, "name"},
}};

std::optional<TNotation> NotationNamed(const std::string& name) {
    for (const auto& [notation, text] : Names) {
        if (name == text) {
            return notation;
        }
    }
    return std::nullopt;
}

} // namespace

std::string NotationOptionName(TNotation notation) {
    for (const auto& [kind, text] : Names) {
        if (kind == notation) {
            return text;
        }
    }
    return {};
}

std::optional<TPickOptions> ReadPickOptions(const std::vector<std::string>& arguments,
                                            std::string& error) {
    TPickOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        std::string format;
        if (argument == "-h" || argument == "--help") {
            options.Help = true;
        } else if (argument == "-c" || argument == "--copy") {
            options.Copy = true;
        } else if (argument == "-f" || argument == "--format") {
            if (i + 1 == arguments.size()) {
                error = argument + " needs a notation (see --help)";
                return std::nullopt;
            }
            format = arguments[++i];
        } else if (argument.rfind("--format=", 0) == 0) {
            format = argument.substr(9);
        } else {
            error = "unknown option: " + argument + " (see --help)";
            return std::nullopt;
        }
        if (!format.empty() || argument == "--format=") {
            const auto notation = NotationNamed(format);
            if (!notation) {
                error = "unknown notation: " + format + " (see --help)";
                return std::nullopt;
            }
            options.Notation = *notation;
        }
    }
    return options;
}

std::string PickUsage() {
    std::string usage =
        "Usage: irochi-pick [--format NOTATION] [--copy]\n"
        "Covers the screens with a frozen picture of them and a loupe; a click, or\n"
        "Return after the arrow keys, picks the pixel under the pointer and prints\n"
        "its colour. Escape or the right button cancels.\n\n"
        "  -f, --format NOTATION  how the colour is written (hex by default)\n"
        "  -c, --copy             also put the text on the clipboard; irochi-pick\n"
        "                         then stays in the background until another\n"
        "                         program takes the clipboard\n"
        "  -h, --help             this text\n\n"
        "Notations, with the colour RGB(58, 91, 64) as the example:\n";
    const TColor example = RGB(58, 91, 64);
    for (const auto& [notation, name] : Names) {
        std::string padded = std::string("  ") + name;
        padded.resize(14, ' ');
        usage += padded + WriteNotation(notation, example).Text + "\n";
    }
    usage += "\nExit status: 0 a colour was picked, 1 the pick was cancelled, 2 it failed.\n";
    return usage;
}

// Feeds arbitrary text to the colour text reader: it never fails but by
// giving no colour, and every exact notation of a colour it reads reads
// back as that colour (an integer text's 32 bits, the others' channels).
#include "ColorNotation.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto colour = ReadColour(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!colour) {
        return 0;
    }
    // An integer's top byte shows only in the integer text; the other
    // notations carry the channels.
    const auto channels = [](TColor c) { return std::uint32_t(c) & 0xFFFFFFu; };
    for (const TNotationText& notation : ColourNotations(*colour)) {
        const auto back = notation.Exact ? ReadColour(notation.Text) : colour;
        const bool same = notation.Kind == TNotation::IntegerText
                              ? back == colour
                              : back && channels(*back) == channels(*colour);
        if (!same) {
            std::abort();
        }
    }
    return 0;
}

// Feeds arbitrary text to the colour text reader: it never fails but by
// giving no colour, and every exact notation of a colour it reads reads
// back as that colour.
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
    for (const TNotationText& notation : ColourNotations(*colour)) {
        if (notation.Exact && ReadColour(notation.Text) != colour) {
            std::abort();
        }
    }
    return 0;
}

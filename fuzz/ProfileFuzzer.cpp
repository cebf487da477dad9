// Feeds arbitrary bytes to the colour profile road as a picture's reader
// hands them on: the profile read, one exact conversion and a few pixels
// converted for the screen.
#include "ColourProfile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto profile = TColourProfile::FromIcc({data, size});
    if (!profile) {
        return 0;
    }
    // Whatever a taken profile gives for an input between the grid it was
    // tried on, a pick shows an 8-bit colour.
    for (const double v : {0.0, 0.1, 0.25, 0.6, 1.0}) {
        const TRgb8 shown = DisplayedOfXyzD65(profile->XyzD65Of({v, 1 - v, v / 2}));
        for (const int c : {shown.R, shown.G, shown.B}) {
            if (c < 0 || c > 255) {
                std::abort();
            }
        }
    }
    std::uint8_t pixels[16] = {0, 0, 0, 255, 255, 255, 255, 0, 12, 200, 99, 128, 1, 2, 3, 4};
    profile->ToSrgb8(pixels, pixels, 4, 4);
    profile->ToSrgb8(pixels, pixels, 5, 3);
    return 0;
}

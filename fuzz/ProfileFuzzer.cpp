// Feeds arbitrary bytes to the colour profile road as a picture's reader
// hands them on: the profile read, one exact conversion and a few pixels
// converted for the screen.
#include "ColourProfile.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto profile = TColourProfile::FromIcc({data, size});
    if (!profile) {
        return 0;
    }
    // A profile that was taken gives numbers for every input.
    for (const double v : {0.0, 0.25, 1.0}) {
        const TTriple xyz = profile->XyzD65Of({v, 1 - v, v / 2});
        if (!std::isfinite(xyz[0]) || !std::isfinite(xyz[1]) || !std::isfinite(xyz[2])) {
            std::abort();
        }
    }
    std::uint8_t pixels[16] = {0, 0, 0, 255, 255, 255, 255, 0, 12, 200, 99, 128, 1, 2, 3, 4};
    profile->ToSrgb8(pixels, pixels, 4, 4);
    profile->ToSrgb8(pixels, pixels, 5, 3);
    return 0;
}

// Feeds arbitrary bytes to the PNG reader and reads the corner pixels as a
// pick does.
#include "Exceptions.h"
#include "PNGImage.h"

#include <cstddef>
#include <cstdint>
#include <new>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const TBitmap bitmap = DecodePNG(data, size);
        bitmap.Pixel(0, 0);
        bitmap.Pixel(bitmap.Width() - 1, bitmap.Height() - 1);
    } catch (const Exception&) {
    } catch (const std::bad_alloc&) {
    }
    return 0;
}

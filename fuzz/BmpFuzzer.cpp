// Feeds arbitrary bytes to the BMP reader and reads back a few pixels.
#include "Bitmap.h"
#include "Exceptions.h"
#include "Stream.h"

#include <cstddef>
#include <cstdint>
#include <new>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        TMemoryStream stream(data, size);
        TBitmap bitmap;
        bitmap.LoadFromStream(stream);
        const int w = bitmap.Width();
        const int h = bitmap.Height();
        for (int y : {0, h / 2, h - 1}) {
            for (int x : {0, w / 2, w - 1}) {
                bitmap.Pixel(x, y);
            }
        }
    } catch (const Exception&) {
    } catch (const std::bad_alloc&) {
    }
    return 0;
}

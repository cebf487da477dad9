// Feeds arbitrary bytes to JPEG loading and decoding. Odd-sized inputs decode
// for an 8-bit screen, so the quantiser is exercised on colour files too.
#include "Exceptions.h"
#include "JPEGImage.h"
#include "Stream.h"

#include <cstddef>
#include <cstdint>
#include <new>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        TMemoryStream stream(data, size);
        TJPEGImage jpeg;
        jpeg.SetPixelFormat(size % 2 ? TJPEGPixelFormat::Bit8 : TJPEGPixelFormat::Bit24);
        jpeg.LoadFromStream(stream);
        const TBitmap& bitmap = jpeg.Bitmap();
        bitmap.Pixel(bitmap.Width() - 1, bitmap.Height() - 1);
    } catch (const Exception&) {
    } catch (const std::bad_alloc&) {
    }
    return 0;
}

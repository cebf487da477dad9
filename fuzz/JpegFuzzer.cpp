// Feeds arbitrary bytes to JPEG loading and decoding. Odd-sized inputs decode
// for an 8-bit screen, so the quantiser is exercised on colour files too.
// Even-sized ones are also decoded forced into three bands, which must give
// the one-pass result byte for byte, or the same failure.
#include "Exceptions.h"
#include "JPEGDecoder.h"
#include "JPEGImage.h"
#include "Stream.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

namespace {

// The decode's bytes, or its failure.
std::string Outcome(const std::uint8_t* data, std::size_t size, int bands) {
    try {
        const auto image = DecodeJPEG(data, size, false, {bands});
        return std::to_string(image->Width()) + "x" + std::to_string(image->Height()) + ":" +
               std::string(reinterpret_cast<const char*>(image->Bits()), image->ByteSize());
    } catch (const Exception& e) {
        return "failed: " + e.Message();
    } catch (const std::bad_alloc&) {
        return "out of memory";
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const bool eightBit = size % 2 != 0;
    try {
        TMemoryStream stream(data, size);
        TJPEGImage jpeg;
        jpeg.SetPixelFormat(eightBit ? TJPEGPixelFormat::Bit8 : TJPEGPixelFormat::Bit24);
        jpeg.LoadFromStream(stream);
        const TBitmap& bitmap = jpeg.Bitmap();
        bitmap.Pixel(bitmap.Width() - 1, bitmap.Height() - 1);
    } catch (const Exception&) {
        return 0;
    } catch (const std::bad_alloc&) {
        return 0;
    }
    if (!eightBit && Outcome(data, size, 3) != Outcome(data, size, 1)) {
        std::abort(); // the bands differ from one pass
    }
    return 0;
}

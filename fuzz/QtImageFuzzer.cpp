// Feeds arbitrary bytes to the pictures Qt's readers decode for a drop or a
// paste (PNG, GIF, WebP, TIFF, by content), then reads the corner pixels as
// a pick does. Needs Qt: built with the window (IROCHI_GUI).
#include "Exceptions.h"
#include "QtImage.h"
#include "Stream.h"

#include <cstddef>
#include <cstdint>
#include <new>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        TMemoryStream stream(data, size);
        TQtImage picture;
        picture.LoadFromStream(stream);
        TBitmap bitmap;
        picture.AssignTo(bitmap);
        bitmap.Pixel(0, 0);
        bitmap.Pixel(bitmap.Width() - 1, bitmap.Height() - 1);
    } catch (const Exception&) {
    } catch (const std::bad_alloc&) {
    }
    return 0;
}

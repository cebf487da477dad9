#include "JPEGDefaults.h"

TJPEGDefaults JPEGDefaults;

void InitJPEGDefaults(int screenBitsPerPixel) {
    JPEGDefaults = TJPEGDefaults{};
    JPEGDefaults.PixelFormat =
        screenBitsPerPixel <= 8 ? TJPEGPixelFormat::Bit8 : TJPEGPixelFormat::Bit24;
}

#pragma once

#include "BitmapImage.h"

#include <memory>

class TStream;

// Reads a BMP file from the stream's position to its end. No bytes at all
// give no image (an empty bitmap). Fails with EInvalidGraphic for data that
// is not a bitmap this program reads, and with EReadError when the file ends
// inside its file header, masks or colour table. Short pixel data is no
// failure: the pixels without data are black.
std::shared_ptr<TBitmapImage> ReadBMP(TStream& stream);

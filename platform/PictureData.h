#pragma once

#include "Bitmap.h"

#include <string>

class QMimeData;

// Pictures handed over by other programs, through the clipboard or a drop.

// The local file the data names first (a file manager's copy or drag), as
// the system's bytes; empty when it names none.
std::string LocalFileOf(const QMimeData& data);

// Whether the data holds a picture: image data (PNG and the other types Qt
// reads), or a local file of a kind the picture-format registry knows.
bool HoldsPicture(const QMimeData& data);

// The data's own image, decoded: PNG bytes by the pictures library's own
// reader, other image types by Qt's readers, a picture another part of this
// program put there as it stands. Fails with an Exception saying why when
// the data cannot be read.
TBitmap BitmapOfImageData(const QMimeData& data);

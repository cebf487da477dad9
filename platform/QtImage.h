#pragma once

#include "DecodedGraphic.h"

class QImage;

// A picture read through Qt's image readers: GIF (its first frame), WebP and
// TIFF; also, by content, the image data pasted from the clipboard. Loading decodes
// the file into a bitmap, 24-bit, or 32-bit with its alpha channel when the
// picture has one; a 16-bit channel becomes its nearest 8-bit value. A
// picture too large for a bitmap is refused before anything is decoded.
// Fails with EInvalidGraphic saying why.
class TQtImage final : public TDecodedGraphic {
public:
    static const TGraphicClassInfo ClassInfo;

    TGraphicClass ClassType() const override { return &ClassInfo; }
    void LoadFromStream(TStream& stream) override;
};

// A bitmap holding the picture's pixels: 24-bit blue, green, red, or 32-bit
// with alpha when the picture has transparent parts. Throws EInvalidGraphic
// for a picture too large to hold, std::bad_alloc when memory runs out.
TBitmap BitmapFromQImage(const QImage& image);

// Registers the formats Qt's readers read ("gif", "webp", "tif", "tiff")
// in the picture-format registry, beside BMP, JPEG and PNG, without loading
// Qt's plugins for them: that waits for the first picture of each kind.
void RegisterQtImageFormats();
void UnregisterQtImageFormats();

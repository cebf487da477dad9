#include "Bitmap.h"

#include "BmpReader.h"
#include "Exceptions.h"

const TGraphicClassInfo TBitmap::ClassInfo{
    "TBitmap", []() -> std::unique_ptr<TGraphic> { return std::make_unique<TBitmap>(); }};

void TBitmap::LoadFromStream(TStream& stream) {
    FImage = ReadBMP(stream);
}

void TBitmap::AssignTo(TBitmap& target) const {
    target.FImage = FImage;
}

void TBitmap::Assign(const TGraphic& source) {
    if (&source != this) {
        source.AssignTo(*this);
    }
}

TBitmapImage& TBitmap::MutableImage() {
    if (!FImage) {
        throw EInvalidGraphic(SInvalidBitmap);
    }
    if (FImage.use_count() > 1) {
        FImage = std::make_shared<TBitmapImage>(*FImage);
    }
    return *FImage;
}

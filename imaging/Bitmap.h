#pragma once

#include "BitmapImage.h"
#include "Graphic.h"

#include <memory>

// A bitmap: width, height, pixel layout and pixel memory. Assigning one bitmap
// to another shares the memory; a bitmap about to change its pixels takes a
// private copy first.
class TBitmap final : public TGraphic {
public:
    static const TGraphicClassInfo ClassInfo;

    TBitmap() = default;
    explicit TBitmap(std::shared_ptr<TBitmapImage> image) : FImage(std::move(image)) {}

    TGraphicClass ClassType() const override { return &ClassInfo; }
    bool Empty() const override { return !FImage; }
    int Width() const override { return FImage ? FImage->Width() : 0; }
    int Height() const override { return FImage ? FImage->Height() : 0; }
    int BitCount() const { return FImage ? FImage->BitCount() : 0; }

    // Reads a BMP file; no bytes at all give an empty bitmap.
    void LoadFromStream(TStream& stream) override;
    void AssignTo(TBitmap& target) const override;

    // Makes this bitmap refer to the picture's pixels (shared, not copied).
    void Assign(const TGraphic& source);

    // The colour of pixel (x, y); CLR_INVALID outside the bitmap or when empty.
    TColor Pixel(int x, int y) const { return FImage ? FImage->Pixel(x, y) : CLR_INVALID; }

    const TBitmapImage* Image() const { return FImage.get(); }
    // The pixel memory for writing, copied first if another bitmap shares it.
    TBitmapImage& MutableImage();
    bool SharesPixelsWith(const TBitmap& other) const { return FImage && FImage == other.FImage; }

private:
    std::shared_ptr<TBitmapImage> FImage;
};

#pragma once

#include "Bitmap.h"
#include "Graphic.h"
#include "JPEGDefaults.h"

#include "LargeMemory.h"

#include <memory>

// The bytes of a JPEG file, shareable between pictures.
struct TJPEGData {
    TLargeBuffer Bytes;
};

// A JPEG picture: the file's bytes and what its header says. The image is
// decoded through libjpeg on the first request for its bitmap, then kept.
class TJPEGImage final : public TGraphic {
public:
    static const TGraphicClassInfo ClassInfo;

    TJPEGImage(); // decode options copied from JPEGDefaults

    TGraphicClass ClassType() const override { return &ClassInfo; }
    bool Empty() const override { return !FData || FData->Bytes.Empty(); }
    int Width() const override { return FWidth; }
    int Height() const override { return FHeight; }
    bool Grayscale() const { return FGrayscale; }
    bool ProgressiveEncoding() const { return FProgressive; }
    TJPEGPixelFormat PixelFormat() const { return FPixelFormat; }
    void SetPixelFormat(TJPEGPixelFormat format);

    // Keeps all the bytes and reads the header only; fails with EJPEG.
    void LoadFromStream(TStream& stream) override;
    // The decoded bitmap, made on the first call; fails with EJPEG.
    const TBitmap& Bitmap() const;
    void AssignTo(TBitmap& target) const override;

private:
    std::shared_ptr<const TJPEGData> FData;
    int FWidth = 0;
    int FHeight = 0;
    bool FGrayscale = false;
    bool FProgressive = false;
    TJPEGPixelFormat FPixelFormat;
    mutable std::unique_ptr<TBitmap> FBitmap;
};

// The JPEG module's entries in the picture-format registry ("jpeg", "jpg"),
// added at start-up and removed at exit.
void RegisterJPEGFormat();
void UnregisterJPEGFormat();

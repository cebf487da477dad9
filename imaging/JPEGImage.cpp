#include "JPEGImage.h"

#include "FileFormatsList.h"
#include "JPEGDecoder.h"
#include "Stream.h"

const TGraphicClassInfo TJPEGImage::ClassInfo{
    "TJPEGImage", []() -> std::unique_ptr<TGraphic> { return std::make_unique<TJPEGImage>(); }};

TJPEGImage::TJPEGImage() : FPixelFormat(JPEGDefaults.PixelFormat) {}

void TJPEGImage::SetPixelFormat(TJPEGPixelFormat format) {
    if (format != FPixelFormat) {
        FPixelFormat = format;
        FBitmap.reset();
    }
}

void TJPEGImage::LoadFromStream(TStream& stream) {
    FBitmap.reset();
    auto data = std::make_shared<TJPEGData>();
    data->Bytes = stream.ReadRest();
    TJPEGHeader header;
    if (!data->Bytes.Empty()) {
        header = ReadJPEGHeader(data->Bytes.Data(), data->Bytes.Size());
    }
    FData = std::move(data);
    FWidth = header.Width;
    FHeight = header.Height;
    FGrayscale = header.Grayscale;
    FProgressive = header.Progressive;
}

const TBitmap& TJPEGImage::Bitmap() const {
    if (!FBitmap) {
        static const std::uint8_t none = 0;
        const std::uint8_t* bytes = FData ? FData->Bytes.Data() : &none;
        const std::size_t size = FData ? FData->Bytes.Size() : 0;
        FBitmap = std::make_unique<TBitmap>(
            DecodeJPEG(bytes, size, FPixelFormat == TJPEGPixelFormat::Bit8));
    }
    return *FBitmap;
}

void TJPEGImage::AssignTo(TBitmap& target) const {
    target.Assign(Bitmap());
}

void RegisterJPEGFormat() {
    auto& formats = TFileFormatsList::Instance();
    formats.Add("jpeg", "JPEG イメージファイル", 0, &TJPEGImage::ClassInfo);
    formats.Add("jpg", "JPEG イメージファイル", 0, &TJPEGImage::ClassInfo);
}

void UnregisterJPEGFormat() {
    TFileFormatsList::Instance().Remove(&TJPEGImage::ClassInfo);
}

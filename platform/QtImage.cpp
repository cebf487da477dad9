#include "QtImage.h"

#include "Exceptions.h"
#include "FileFormatsList.h"
#include "Stream.h"

#include <QBuffer>
#include <QByteArray>
#include <QColorSpace>
#include <QImage>
#include <QImageReader>
#include <QRgba64>
#include <cstdint>
#include <cstring>

namespace {

// Qt refuses images over its allocation limit (256 MB by default) without a
// word; ours is the bitmap's, checked before reading, and a 16-bit picture
// passes through Qt at 8 bytes a pixel on its way to 4.
constexpr int QtAllocationLimitMB = int(TBitmapImage::MaxPixelBytes >> 20) * 2;

struct TQtFormat {
    const char* Extension;
    const char* Reader; // Qt's name for the format
    const char* Description;
};

constexpr TQtFormat QtFormats[] = {
    {"png", "png", "PNG イメージファイル"},    {"gif", "gif", "GIF イメージファイル"},
    {"webp", "webp", "WebP イメージファイル"}, {"tif", "tiff", "TIFF イメージファイル"},
    {"tiff", "tiff", "TIFF イメージファイル"},
};

bool Opaque(const QImage& argb) {
    for (int y = 0; y < argb.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            if (qAlpha(row[x]) != 255) {
                return false;
            }
        }
    }
    return true;
}

// The nearest 8-bit value of a 16-bit channel: Qt's own conversion rounds
// values just under a half step up.
constexpr std::uint8_t Nearest8(std::uint16_t value) {
    return static_cast<std::uint8_t>((unsigned(value) * 255 + 32767) / 65535);
}

bool WiderThanEightBits(const QImage& image) {
    return image.depth() == 64 || image.format() == QImage::Format_Grayscale16;
}

// A picture of 16-bit channels as 8-bit ARGB32, each channel its nearest value.
QImage NarrowedToEightBits(const QImage& image) {
    const QImage wide = image.convertToFormat(QImage::Format_RGBA64);
    QImage narrow(wide.size(), QImage::Format_ARGB32);
    for (int y = 0; y < wide.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgba64*>(wide.constScanLine(y));
        auto* out = reinterpret_cast<QRgb*>(narrow.scanLine(y));
        for (int x = 0; x < wide.width(); ++x) {
            out[x] = qRgba(Nearest8(in[x].red()), Nearest8(in[x].green()), Nearest8(in[x].blue()),
                           Nearest8(in[x].alpha()));
        }
    }
    return narrow;
}

// Blue, green, red rows from any picture without transparent parts.
void CopyOpaque(const QImage& image, TBitmapImage& bitmap) {
    const QImage bgr = image.convertToFormat(QImage::Format_BGR888);
    const std::size_t rowBytes = std::size_t(bgr.width()) * 3;
    for (int y = 0; y < bgr.height(); ++y) {
        std::memcpy(bitmap.ScanLine(y), bgr.constScanLine(y), rowBytes);
    }
}

} // namespace

const TGraphicClassInfo TQtImage::ClassInfo{
    "TQtImage", []() -> std::unique_ptr<TGraphic> { return std::make_unique<TQtImage>(); }};

void TQtImage::LoadFromStream(TStream& stream) {
    const TLargeBuffer bytes = stream.ReadRest();
    QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.Data()),
                                              static_cast<qsizetype>(bytes.Size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAllocationLimit(QtAllocationLimitMB);
    const QSize size = reader.size();
    if (size.isValid()) {
        TBitmapImage::CheckSize(size.width(), size.height(), 32);
    }
    // Read into zeroed memory of the reader's own size and format, which the
    // readers fill in place: a pixel a reader leaves out (Qt's PNG reader does
    // so for some 16-bit files with a transparent colour) reads as
    // transparent black, never as what the memory held before.
    QImage image;
    if (size.isValid() && reader.imageFormat() != QImage::Format_Invalid) {
        image = QImage(size, reader.imageFormat());
        image.fill(0);
    }
    if (!reader.read(&image)) {
        throw EInvalidGraphic("画像として読めません (" + reader.errorString().toStdString() + ")");
    }
    FBitmap = BitmapFromQImage(image);
}

namespace {

// The profile Qt found in the file, its bytes handed on as they are: Qt's
// own colour space knows matrix profiles only, and its conversion is never
// used.
void KeepProfile(const QImage& picture, TBitmapImage& bitmap) {
    const QByteArray icc = picture.colorSpace().iccProfile();
    if (icc.isEmpty()) {
        return;
    }
    const bool grey = picture.format() == QImage::Format_Grayscale8 ||
                      picture.format() == QImage::Format_Grayscale16;
    AttachProfile(bitmap,
                  {reinterpret_cast<const std::uint8_t*>(icc.constData()), std::size_t(icc.size())},
                  !grey);
}

} // namespace

TBitmap BitmapFromQImage(const QImage& picture) {
    if (picture.isNull()) {
        throw EInvalidGraphic("画像が空です");
    }
    TBitmapImage::CheckSize(picture.width(), picture.height(), 32);
    const QImage image = WiderThanEightBits(picture) ? NarrowedToEightBits(picture) : picture;
    // Blue, green, red and alpha bytes on this little-endian machine.
    const QImage argb =
        image.hasAlphaChannel() ? image.convertToFormat(QImage::Format_ARGB32) : QImage();
    const bool alpha = !argb.isNull() && !Opaque(argb);
    auto bitmap =
        std::make_shared<TBitmapImage>(image.width(), image.height(), alpha ? 32 : 24, false);
    KeepProfile(picture, *bitmap);
    if (!alpha) {
        CopyOpaque(argb.isNull() ? image : argb, *bitmap);
        return TBitmap(std::move(bitmap));
    }
    bitmap->Masks = DefaultMasks32;
    bitmap->AlphaChannel = true;
    for (int y = 0; y < argb.height(); ++y) {
        std::memcpy(bitmap->ScanLine(y), argb.constScanLine(y), std::size_t(argb.width()) * 4);
    }
    return TBitmap(std::move(bitmap));
}

void RegisterQtImageFormats() {
    // Pictures Qt decodes elsewhere (pasted image data) get the same limit.
    QImageReader::setAllocationLimit(QtAllocationLimitMB);
    // Asking Qt which formats it reads would load every image plugin it has
    // before the window shows: Qt loads a plugin when a picture of its kind
    // is first read instead, and a missing one says so then.
    auto& formats = TFileFormatsList::Instance();
    for (const TQtFormat& format : QtFormats) {
        formats.Add(format.Extension, format.Description, 0, &TQtImage::ClassInfo);
    }
}

void UnregisterQtImageFormats() {
    TFileFormatsList::Instance().Remove(&TQtImage::ClassInfo);
}

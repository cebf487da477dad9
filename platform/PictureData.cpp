#include "PictureData.h"

#include "FileFormatsList.h"
#include "PNGImage.h"
#include "Picture.h"
#include "QtImage.h"
#include "Stream.h"

#include <QFile>
#include <QImage>
#include <QMimeData>
#include <QUrl>

namespace {

// The image type whose bytes to read: PNG when offered, else the first.
QString ImageType(const QMimeData& data) {
    const QStringList formats = data.formats();
    if (formats.contains("image/png")) {
        return "image/png";
    }
    const auto image = std::find_if(formats.begin(), formats.end(),
                                    [](const QString& f) { return f.startsWith("image/"); });
    return image == formats.end() ? QString() : *image;
}

} // namespace

std::string LocalFileOf(const QMimeData& data) {
    if (!data.hasUrls()) {
        return {};
    }
    const QList<QUrl> urls = data.urls();
    if (urls.isEmpty() || !urls.first().isLocalFile()) {
        return {};
    }
    return QFile::encodeName(urls.first().toLocalFile()).toStdString();
}

bool HoldsPicture(const QMimeData& data) {
    if (data.hasImage() || !ImageType(data).isEmpty()) {
        return true;
    }
    const std::string extension = ExtractPictureExtension(LocalFileOf(data));
    return !extension.empty() && TFileFormatsList::Instance().FindExt(extension);
}

TBitmap BitmapOfImageData(const QMimeData& data) {
    const QString type = ImageType(data);
    const QByteArray bytes = type.isEmpty() ? QByteArray() : data.data(type);
    if (bytes.isEmpty()) {
        return BitmapFromQImage(qvariant_cast<QImage>(data.imageData()));
    }
    const auto* first = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    if (type == "image/png") {
        return DecodePNG(first, std::size_t(bytes.size()));
    }
    TMemoryStream stream(first, std::size_t(bytes.size()));
    TQtImage image;
    image.LoadFromStream(stream);
    TBitmap bitmap;
    bitmap.Assign(image);
    return bitmap;
}

#include "PictureData.h"

#include "FileFormatsList.h"
#include "Picture.h"

#include <QFile>
#include <QMimeData>
#include <QUrl>

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
    if (data.hasImage()) {
        return true;
    }
    const std::string extension = ExtractPictureExtension(LocalFileOf(data));
    return !extension.empty() && TFileFormatsList::Instance().FindExt(extension);
}

QImage ImageOf(const QMimeData& data) {
    return data.hasImage() ? qvariant_cast<QImage>(data.imageData()) : QImage();
}

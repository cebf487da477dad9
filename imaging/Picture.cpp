#include "Picture.h"

#include "Bitmap.h"
#include "Exceptions.h"
#include "FileFormatsList.h"

std::string ExtractPictureExtension(const std::string& path) {
    const auto dot = path.rfind('.');
    const auto separator = path.find_last_of("/\\:");
    if (dot == std::string::npos || (separator != std::string::npos && separator > dot)) {
        return {};
    }
    return path.substr(dot + 1);
}

void TPicture::LoadFromFile(const std::string& path) {
    const std::string extension = ExtractPictureExtension(path);
    const TGraphicClass graphicClass = TFileFormatsList::Instance().FindExt(extension);
    if (!graphicClass) {
        throw EInvalidGraphic("拡張子 ." + extension + " の画像形式は処理できません");
    }
    std::unique_ptr<TGraphic> graphic = graphicClass->Create();
    graphic->LoadFromFile(path);
    FGraphic = std::move(graphic);
}

void TPicture::SetBitmap(const TBitmap& bitmap) {
    auto copy = std::make_unique<TBitmap>();
    copy->Assign(bitmap);
    FGraphic = std::move(copy);
}

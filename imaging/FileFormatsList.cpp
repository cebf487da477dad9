#include "FileFormatsList.h"

#include "Bitmap.h"
#include "Conversions.h"
#include "OpaqueGraphic.h"

TFileFormatsList& TFileFormatsList::Instance() {
    static TFileFormatsList list;
    return list;
}

TFileFormatsList::TFileFormatsList() {
    Add("wmf", "メタファイル", 0, &TMetafile::ClassInfo);
    Add("emf", "エンハンス メタファイル", 0, &TMetafile::ClassInfo);
    Add("ico", "アイコン", 0, &TIcon::ClassInfo);
    Add("bmp", "ビットマップ", 0, &TBitmap::ClassInfo);
}

void TFileFormatsList::Add(const std::string& extension, const std::string& description,
                           int descriptionResource, TGraphicClass graphicClass) {
    FFormats.push_back({LowerCase(extension), description, descriptionResource, graphicClass});
}

void TFileFormatsList::Remove(TGraphicClass graphicClass) {
    std::erase_if(FFormats, [&](const TFileFormat& f) { return f.GraphicClass == graphicClass; });
}

TGraphicClass TFileFormatsList::FindExt(const std::string& extension) const {
    const std::string lower = LowerCase(extension);
    for (auto it = FFormats.rbegin(); it != FFormats.rend(); ++it) {
        if (it->Extension == lower) {
            return it->GraphicClass;
        }
    }
    return nullptr;
}

#include "OpaqueGraphic.h"

#include "Stream.h"

void TOpaqueGraphic::LoadFromStream(TStream& stream) {
    FBytes = stream.ReadRest();
}

const TGraphicClassInfo TIcon::ClassInfo{
    "TIcon", []() -> std::unique_ptr<TGraphic> { return std::make_unique<TIcon>(); }};

const TGraphicClassInfo TMetafile::ClassInfo{
    "TMetafile", []() -> std::unique_ptr<TGraphic> { return std::make_unique<TMetafile>(); }};

#include "Graphic.h"

#include "Bitmap.h"
#include "Exceptions.h"
#include "Stream.h"

void TGraphic::LoadFromFile(const std::string& path) {
    TFileStream stream(path);
    LoadFromStream(stream);
}

void TGraphic::AssignTo(TBitmap& target) const {
    throw EConvertError(std::string(ClassName()) + " を " + target.ClassName() +
                        " に代入することはできません");
}

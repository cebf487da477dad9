#pragma once

#include "Graphic.h"

#include "LargeMemory.h"

// A kind of picture that is registered but has no decoder here: loading
// keeps the file's bytes, and it cannot become a bitmap (AssignTo fails with
// EConvertError), so such a file fails when it is converted.
class TOpaqueGraphic : public TGraphic {
public:
    bool Empty() const override { return FBytes.Empty(); }
    int Width() const override { return 0; }
    int Height() const override { return 0; }
    void LoadFromStream(TStream& stream) override;

private:
    TLargeBuffer FBytes;
};

class TIcon final : public TOpaqueGraphic {
public:
    static const TGraphicClassInfo ClassInfo;
    TGraphicClass ClassType() const override { return &ClassInfo; }
};

class TMetafile final : public TOpaqueGraphic {
public:
    static const TGraphicClassInfo ClassInfo;
    TGraphicClass ClassType() const override { return &ClassInfo; }
};

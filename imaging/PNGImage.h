#pragma once

#include "DecodedGraphic.h"

#include <cstddef>
#include <cstdint>

// A PNG picture, read through libpng when it is loaded: every bit depth,
// palette, grey, alpha, interlaced. The bitmap is 24-bit blue, green, red, or
// 32-bit with alpha when the file has an alpha channel or a transparent
// colour; a 16-bit channel becomes its nearest 8-bit value and a transparent
// pixel keeps its colour. Gamma and colour profiles are not applied: a pick
// gives the values the file stores. A picture too large for a bitmap is
// refused before its pixels are read. Fails with EInvalidGraphic saying why.
class TPNGImage final : public TDecodedGraphic {
public:
    static const TGraphicClassInfo ClassInfo;

    TGraphicClass ClassType() const override { return &ClassInfo; }
    void LoadFromStream(TStream& stream) override;
};

// Decodes a PNG file held in memory.
TBitmap DecodePNG(const std::uint8_t* data, std::size_t size);

// Registers "png" in the picture-format registry.
void RegisterPNGFormat();
void UnregisterPNGFormat();

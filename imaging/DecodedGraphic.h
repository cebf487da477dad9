#pragma once

#include "Bitmap.h"
#include "Graphic.h"

// A kind of picture decoded whole when it is loaded, into the bitmap it
// keeps and shares with whoever asks for it.
class TDecodedGraphic : public TGraphic {
public:
    bool Empty() const override { return FBitmap.Empty(); }
    int Width() const override { return FBitmap.Width(); }
    int Height() const override { return FBitmap.Height(); }
    void AssignTo(TBitmap& target) const override { target.Assign(FBitmap); }

protected:
    TBitmap FBitmap;
};

#pragma once

#include "Graphic.h"

#include <memory>
#include <string>

class TBitmap;

// Holds at most one picture of any kind, which it owns.
class TPicture {
public:
    TGraphic* Graphic() const { return FGraphic.get(); }

    // Chooses the kind of picture by the file's extension alone and loads it.
    // On failure the picture keeps what it held.
    void LoadFromFile(const std::string& path);
    // Stores a bitmap that shares the given bitmap's pixels.
    void SetBitmap(const TBitmap& bitmap);
    void Clear() { FGraphic.reset(); }

private:
    std::unique_ptr<TGraphic> FGraphic;
};

// The characters after the path's last ".", when that dot comes after the last
// folder separator ("/", "\") and the last ":"; otherwise the empty text.
std::string ExtractPictureExtension(const std::string& path);

#pragma once

#include <memory>
#include <string>

class TBitmap;
class TGraphic;
class TStream;

// What the picture-format registry stores for a kind of picture: its class
// name and a way to make an empty one.
struct TGraphicClassInfo {
    const char* Name;
    std::unique_ptr<TGraphic> (*Create)();
};
using TGraphicClass = const TGraphicClassInfo*;

// The common base of every kind of picture: it can be made empty and can
// load itself from a file.
class TGraphic {
public:
    virtual ~TGraphic() = default;

    virtual TGraphicClass ClassType() const = 0;
    const char* ClassName() const { return ClassType()->Name; }

    virtual bool Empty() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;

    // Reads the picture from the stream's position to its end.
    virtual void LoadFromStream(TStream& stream) = 0;
    // Opens the file for reading (EFOpenError when it cannot) and loads it.
    void LoadFromFile(const std::string& path);

    // Turns this picture into the given bitmap. Kinds that cannot become a
    // bitmap fail with EConvertError.
    virtual void AssignTo(TBitmap& target) const;
};

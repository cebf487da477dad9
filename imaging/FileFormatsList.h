#pragma once

#include "Graphic.h"

#include <string>
#include <vector>

struct TFileFormat {
    std::string Extension; // lower-cased, without the dot
    std::string Description;
    int DescriptionResource = 0;
    TGraphicClass GraphicClass = nullptr;
};

// The process-wide list from a file extension to the kind of picture that
// reads such files. Made on first use with the metafile, icon and bitmap
// kinds; the JPEG module adds its own at start-up.
class TFileFormatsList {
public:
    static TFileFormatsList& Instance();

    void Add(const std::string& extension, const std::string& description, int descriptionResource,
             TGraphicClass graphicClass);
    void Remove(TGraphicClass graphicClass);
    // Searches from the last entry, so a later registration hides an earlier one.
    TGraphicClass FindExt(const std::string& extension) const;
    const std::vector<TFileFormat>& Formats() const { return FFormats; }

private:
    TFileFormatsList();
    std::vector<TFileFormat> FFormats;
};

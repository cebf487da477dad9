#pragma once

#include <string>

class QMimeData;

// The desktop clipboard as the copy buttons use it.
class TClipboard {
public:
    virtual ~TClipboard() = default;
    // Replaces the whole content with one plain-text item. Returns false, with
    // nothing changed, when the clipboard cannot be opened.
    virtual bool ReplaceText(const std::string& text) = 0;
    // What the clipboard holds now, to paste a picture from; nullptr when it
    // holds nothing.
    virtual const QMimeData* Contents() const { return nullptr; }
};

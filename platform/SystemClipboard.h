#pragma once

#include "Clipboard.h"

// The system clipboard through Qt.
class TSystemClipboard final : public TClipboard {
public:
    bool ReplaceText(const std::string& text) override;
    const QMimeData* Contents() const override;
};

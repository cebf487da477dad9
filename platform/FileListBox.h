#pragma once

#include "Events.h"

#include <QListWidget>
#include <string>

// A list of the file names of one folder that match a mask such as
// "*.bmp;*.jpg;*.jpeg", with a flat single-line border.
class TFileListBox : public QListWidget {
    Q_OBJECT
public:
    explicit TFileListBox(QWidget* parent);

    std::string Mask() const { return FMask; }
    void SetMask(const std::string& mask) { FMask = mask; }
    int ItemHeight() const { return FItemHeight; }
    void SetItemHeight(int height);

    TNotifyEvent OnClick;

private:
    std::string FMask = "*.*";
    int FItemHeight = 12;
};

#pragma once

#include "Events.h"
#include "FontFit.h"

#include <QPushButton>
#include <string>

// A push button. With word wrap on, a caption too long for one line breaks
// onto the next (Japanese between any two characters). Its font is the design
// font, or the nearest font to it whose ink fits inside the button's bevel
// (FontFit.h).
class TButton : public QPushButton {
    Q_OBJECT
public:
    explicit TButton(QWidget* parent);

    std::string Caption() const { return text().toStdString(); }
    void SetCaption(const std::string& caption);
    void SetWordWrap(bool wrap);
    bool WordWrap() const { return FWordWrap; }
    // The design's font; by default the parent's.
    void SetDesignFont(const QFont& font) { FFit.SetDesignFont(font); }

    TNotifyEvent OnClick;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Where the caption is drawn: inside the bevel.
    QRect CaptionArea() const;
    int CaptionFlags() const;

    bool FWordWrap = false;
    TFontFit FFit;
};

#pragma once

#include "Color.h"
#include "FontFit.h"

#include <QLabel>
#include <QStringList>
#include <string>

// A static text on one line that never sizes itself. It paints its background
// in its own colour, or lets its parent's show through when it has none. The
// line stands in the middle of the box's height, and its font is the design
// font, or the nearest font to it whose ink fits the box (FontFit.h), for the
// caption and for the samples of the captions it will be given.
class TLabel : public QLabel {
    Q_OBJECT
public:
    explicit TLabel(QWidget* parent);

    std::string Caption() const { return text().toStdString(); }
    void SetCaption(const std::string& caption);
    void SetColor(TColor color);
    void SetFontColor(TColor color);
    // Horizontal alignment: left, centre or right.
    void SetAlignment(Qt::Alignment horizontal);
    // The design's font; by default the parent's.
    void SetDesignFont(const QFont& font) { FFit.SetDesignFont(font); }
    // Captions the font must fit besides the current one, so that a label
    // whose caption changes keeps one font.
    void SetFitSamples(const QStringList& samples);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QStringList FSamples;
    TFontFit FFit;
};

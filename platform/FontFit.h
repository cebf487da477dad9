#pragma once

#include <QFont>
#include <QRectF>
#include <QStringList>
#include <functional>

class QWidget;

// The window keeps the boxes of a design made for a font this machine does
// not have; the fonts it has draw wider and taller glyphs in them. These find
// the font whose ink fits.

// Where the ink of a text lies when drawn in the box with the flags
// (alignment, Qt::TextWordWrap), laid out line by line as QPainter::drawText
// lays it out, from the bounds of the glyphs it is drawn with; empty for a
// text with no ink.
QRectF TextInk(const QFont& font, const QString& text, const QRectF& box, int flags);

// Whether the ink of every text lies inside the box.
bool InkFits(const QFont& font, const QStringList& texts, const QRectF& box, int flags);

// The font for texts drawn in a box with the flags: the design font itself
// when its ink fits; otherwise the first that fits of the design face and the
// fixed-pitch Japanese face (whose Latin letters are half as wide as its
// Japanese ones, as the design's were) at the design's pixel size and a few
// pixels smaller, and last the design face narrowed to the width of the box.
// Found once for each window ratio the texts are drawn at.
QFont FitFont(const QFont& design, const QStringList& texts, const QRectF& box, int flags,
              qreal ratio);

// What a control fits its font to.
struct TFitRequest {
    QStringList Texts;
    QRectF Box;
    int Flags = 0;
};

// A control's fitted font. The control says what to fit; the font is fitted
// when the control is first painted, when something it depends on changes
// while the control shows, and when its window's device pixel ratio changes
// (glyphs are hinted to device pixels). Hidden controls, most of the window
// at start, cost nothing until they are shown.
class TFontFit {
public:
    TFontFit(QWidget& control, std::function<TFitRequest()> request)
        : FControl(control), FRequest(std::move(request)) {}

    // The design's font; by default the parent's.
    void SetDesignFont(const QFont& font);
    // Something the fit depends on changed: fitted now if the control shows,
    // else before it is next painted.
    void Refit();
    // Whether the font is fitted for what the control now shows.
    bool Current() const;
    // Called first thing in the control's paint event.
    void BeforePaint();

private:
    void Fit();

    QWidget& FControl;
    std::function<TFitRequest()> FRequest;
    QFont FDesignFont;
    bool FHasDesignFont = false;
    bool FStale = true;
    qreal FFittedRatio = 0;
};

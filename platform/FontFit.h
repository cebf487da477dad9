#pragma once

#include <QFont>
#include <QRectF>
#include <QStringList>

// The window keeps the boxes of a design made for a font this machine does
// not have; the fonts it has draw wider and taller glyphs in them. These find
// the font whose ink fits.

// Where the ink of a text lies when drawn in the box with the flags
// (alignment, Qt::TextWordWrap), laid out line by line as QPainter::drawText
// lays it out; empty for a text with no ink.
QRectF TextInk(const QFont& font, const QString& text, const QRectF& box, int flags);

// Whether the ink of every text lies inside the box.
bool InkFits(const QFont& font, const QStringList& texts, const QRectF& box, int flags);

// The font for texts drawn in a box with the flags: the design font itself
// when its ink fits; otherwise the first that fits of the design face and the
// fixed-pitch Japanese face (whose Latin letters are half as wide as its
// Japanese ones, as the design's were) at the design's pixel size and a few
// pixels smaller, and last the design face narrowed to the width of the box.
QFont FitFont(const QFont& design, const QStringList& texts, const QRectF& box, int flags);

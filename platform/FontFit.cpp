#include "FontFit.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHash>
#include <QTextBoundaryFinder>
#include <QTextLayout>
#include <cmath>

namespace {

// The Japanese faces Debian ships with the design face's substitute: the
// proportional one the design face maps to, and its fixed-pitch sibling.
const char* const FixedPitchFace = "IPAGothic";
// How much smaller than the design, at most, before the face is narrowed.
constexpr double SmallestShare = 0.75;
constexpr int NarrowestStretch = 50;

QFont OfPixelSize(QFont font, int pixels) {
    font.setPixelSize(pixels);
    return font;
}

// A character's ink at its origin, remembered per font: labels are given
// new captions at every pick and every step of a slider, and shaping each
// character anew would cost more than the rest of a pick.
QRectF CharacterInk(const QString& fontKey, const QFontMetricsF& metrics,
                    const QString& character) {
    static QHash<QString, QRectF> known;
    const QString key = fontKey + character;
    auto found = known.constFind(key);
    if (found == known.constEnd()) {
        if (known.size() > 4096) {
            known.clear();
        }
        found = known.insert(key, metrics.tightBoundingRect(character));
    }
    return *found;
}

// The ink of one laid-out line, character by character: a whole string's
// tight bounds come from its first face only, and a Japanese line mixes faces.
QRectF LineInk(const QString& fontKey, const QFontMetricsF& metrics, const QString& text,
               const QTextLine& line) {
    const QString part = text.mid(line.textStart(), line.textLength());
    QRectF ink;
    QTextBoundaryFinder characters(QTextBoundaryFinder::Grapheme, part);
    for (qsizetype start = 0, end = characters.toNextBoundary(); end > start;
         start = end, end = characters.toNextBoundary()) {
        const QRectF glyph = CharacterInk(fontKey, metrics, part.mid(start, end - start));
        if (!glyph.isEmpty()) {
            const qreal x = line.cursorToX(int(line.textStart() + start)) - line.x();
            ink |= glyph.translated(x, 0);
        }
    }
    return ink;
}

int WidestInk(const QFont& font, const QStringList& texts, const QRectF& box, int flags) {
    qreal widest = 0;
    for (const QString& text : texts) {
        widest = std::max(widest, TextInk(font, text, box, flags).width());
    }
    return static_cast<int>(std::ceil(widest));
}

} // namespace

QRectF TextInk(const QFont& font, const QString& text, const QRectF& box, int flags) {
    const bool wrap = flags & Qt::TextWordWrap;
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(wrap ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    layout.setTextOption(option);
    const QFontMetricsF metrics(font);
    qreal height = -metrics.leading();
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(wrap ? box.width() : 1e6);
        height += metrics.leading();
        line.setPosition(QPointF(0, height));
        height += line.height();
    }
    layout.endLayout();

    qreal top = box.top();
    if (flags & Qt::AlignVCenter) {
        top += (box.height() - height) / 2;
    } else if (flags & Qt::AlignBottom) {
        top += box.height() - height;
    }
    // Glyphs are hinted to device pixels: the scale is part of the key.
    const QString fontKey = font.key() + QString::number(qGuiApp->devicePixelRatio()) + QChar(0);
    QRectF ink;
    for (int i = 0; i < layout.lineCount(); ++i) {
        const QTextLine line = layout.lineAt(i);
        qreal left = box.left();
        if (flags & Qt::AlignHCenter) {
            left += (box.width() - line.naturalTextWidth()) / 2;
        } else if (flags & Qt::AlignRight) {
            left += box.width() - line.naturalTextWidth();
        }
        const QRectF glyphs = LineInk(fontKey, metrics, text, line);
        if (!glyphs.isEmpty()) {
            ink |= glyphs.translated(left, top + line.y() + line.ascent());
        }
    }
    return ink;
}

bool InkFits(const QFont& font, const QStringList& texts, const QRectF& box, int flags) {
    for (const QString& text : texts) {
        if (!box.contains(TextInk(font, text, box, flags))) {
            return false;
        }
    }
    return true;
}

QFont FitFont(const QFont& design, const QStringList& texts, const QRectF& box, int flags) {
    if (InkFits(design, texts, box, flags)) {
        return design;
    }
    const int pixels = design.pixelSize() > 0 ? design.pixelSize() : QFontMetricsF(design).height();
    const int smallest = static_cast<int>(std::ceil(pixels * SmallestShare));
    QFont fixedPitch = design;
    fixedPitch.setFamilies({FixedPitchFace});
    for (int size = pixels; size >= smallest; --size) {
        for (const QFont& face : {design, fixedPitch}) {
            const QFont candidate = OfPixelSize(face, size);
            if (InkFits(candidate, texts, box, flags)) {
                return candidate;
            }
        }
    }
    // Narrowed to the box's width, at the design's size or as near to it as
    // the box's height allows. A narrowed face is a font of its own to the
    // system, so only a few widths are tried.
    for (int size = pixels; size >= smallest; --size) {
        QFont narrow = OfPixelSize(design, size);
        const int widest = WidestInk(narrow, texts, box, flags);
        const int fitting = widest > 0 ? int(100 * box.width() / widest) : 100;
        for (int stretch = std::min(fitting, 99);
             stretch >= std::max(fitting - 8, NarrowestStretch); stretch -= 4) {
            narrow.setStretch(stretch);
            if (InkFits(narrow, texts, box, flags)) {
                return narrow;
            }
        }
    }
    return OfPixelSize(design, smallest);
}

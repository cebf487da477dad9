#include "FontFit.h"

#include "WindowRatio.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QRawFont>
#include <QTextLayout>
#include <QWidget>
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

int WidestInk(const QFont& font, const QStringList& texts, const QRectF& box, int flags) {
    qreal widest = 0;
    for (const QString& text : texts) {
        widest = std::max(widest, TextInk(font, text, box, flags).width());
    }
    return static_cast<int>(std::ceil(widest));
}

QFont Search(const QFont& design, const QStringList& texts, const QRectF& box, int flags) {
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

} // namespace

QRectF TextInk(const QFont& font, const QString& text, const QRectF& box, int flags) {
    const bool wrap = flags & Qt::TextWordWrap;
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(wrap ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    layout.setTextOption(option);
    const qreal leading = QFontMetricsF(font).leading();
    qreal height = -leading;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(wrap ? box.width() : 1e6);
        height += leading;
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
    // Glyph by glyph, each in the face it is drawn with: a Japanese line mixes
    // faces, and a whole string's tight bounds come from its first face only.
    QRectF ink;
    for (int i = 0; i < layout.lineCount(); ++i) {
        const QTextLine line = layout.lineAt(i);
        QPointF offset(box.left(), top);
        if (flags & Qt::AlignHCenter) {
            offset.rx() += (box.width() - line.naturalTextWidth()) / 2;
        } else if (flags & Qt::AlignRight) {
            offset.rx() += box.width() - line.naturalTextWidth();
        }
        for (const QGlyphRun& run : line.glyphRuns()) {
            const QRawFont face = run.rawFont();
            const QList<quint32> glyphs = run.glyphIndexes();
            const QList<QPointF> positions = run.positions();
            for (qsizetype g = 0; g < glyphs.size(); ++g) {
                const QRectF glyph = face.boundingRect(glyphs[g]);
                if (!glyph.isEmpty()) {
                    ink |= glyph.translated(positions[g] + offset);
                }
            }
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

// The same design, texts, box and flags always find the same font: the
// window's twelve step buttons, say, ask four questions between them.
QFont FitFont(const QFont& design, const QStringList& texts, const QRectF& box, int flags,
              qreal ratio) {
    static QHash<QString, QFont> found;
    const QString key =
        design.key() + QChar(0) + texts.join(QChar(0)) + QChar(0) +
        QString("%1 %2 %3 %4").arg(box.width()).arg(box.height()).arg(flags).arg(ratio);
    auto it = found.constFind(key);
    if (it == found.constEnd()) {
        if (found.size() > 256) {
            found.clear();
        }
        it = found.insert(key, Search(design, texts, box, flags));
    }
    return *it;
}

void TFontFit::SetDesignFont(const QFont& font) {
    FDesignFont = font;
    FHasDesignFont = true;
    FControl.setFont(font); // until it is fitted
    Refit();
}

void TFontFit::Refit() {
    FStale = true;
    if (FControl.isVisible()) {
        Fit();
    }
}

bool TFontFit::Current() const {
    return !FStale && WindowRatio(FControl) == FFittedRatio;
}

void TFontFit::BeforePaint() {
    if (!Current()) {
        Fit();
    }
}

void TFontFit::Fit() {
    const QWidget* parent = FControl.parentWidget();
    const QFont design = FHasDesignFont ? FDesignFont : parent ? parent->font() : FControl.font();
    const TFitRequest request = FRequest();
    FFittedRatio = WindowRatio(FControl);
    FControl.setFont(FitFont(design, request.Texts, request.Box, request.Flags, FFittedRatio));
    FStale = false;
}

#include "Label.h"

#include "FontFit.h"
#include "QtColor.h"

TLabel::TLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setMargin(0);
    setIndent(0);
    setWordWrap(false);
}

void TLabel::SetCaption(const std::string& caption) {
    setText(QString::fromStdString(caption));
    // A caption that fits the font already keeps it: picking colours after
    // one another never changes the font under the user's eyes.
    const QRectF box(contentsRect());
    if (!InkFits(font(), {text()}, box, int(alignment()))) {
        Fit();
    }
}

void TLabel::SetColor(TColor color) {
    QPalette p = palette();
    p.setColor(QPalette::Window, ColorToQColor(color));
    setPalette(p);
    setAutoFillBackground(true);
}

void TLabel::SetFontColor(TColor color) {
    QPalette p = palette();
    p.setColor(QPalette::WindowText, ColorToQColor(color));
    setPalette(p);
}

void TLabel::SetAlignment(Qt::Alignment horizontal) {
    setAlignment((horizontal & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter);
    Fit();
}

void TLabel::SetDesignFont(const QFont& font) {
    FDesignFont = font;
    FHasDesignFont = true;
    Fit();
}

void TLabel::SetFitSamples(const QStringList& samples) {
    FSamples = samples;
    Fit();
}

void TLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    Fit();
}

void TLabel::paintEvent(QPaintEvent* event) {
    if (devicePixelRatioF() != FFittedRatio) {
        Fit();
    }
    QLabel::paintEvent(event);
}

void TLabel::Fit() {
    FFittedRatio = devicePixelRatioF();
    QFont design = FHasDesignFont ? FDesignFont : parentWidget() ? parentWidget()->font() : font();
    setFont(
        FitFont(design, FSamples + QStringList{text()}, QRectF(contentsRect()), int(alignment())));
}

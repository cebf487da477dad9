#include "Label.h"

#include "QtColor.h"

TLabel::TLabel(QWidget* parent)
    : QLabel(parent), FFit(*this, [this]() -> TFitRequest {
          return {FSamples + QStringList{text()}, QRectF(contentsRect()), int(alignment())};
      }) {
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
    if (FFit.Current() && !InkFits(font(), {text()}, QRectF(contentsRect()), int(alignment()))) {
        FFit.Refit();
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
    FFit.Refit();
}

void TLabel::SetFitSamples(const QStringList& samples) {
    FSamples = samples;
    FFit.Refit();
}

void TLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    FFit.Refit();
}

void TLabel::paintEvent(QPaintEvent* event) {
    FFit.BeforePaint();
    QLabel::paintEvent(event);
}

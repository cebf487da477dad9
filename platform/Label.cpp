#include "Label.h"

#include "QtColor.h"

TLabel::TLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setMargin(0);
    setIndent(0);
    setWordWrap(false);
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

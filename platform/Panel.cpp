#include "Panel.h"

#include "QtColor.h"

TPanel::TPanel(QWidget* parent) : QFrame(parent) {
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::NoFocus);
}

void TPanel::SetColor(TColor color) {
    QPalette p = palette();
    p.setColor(QPalette::Window, ColorToQColor(color));
    setPalette(p);
    setAutoFillBackground(true);
}

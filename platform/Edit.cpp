#include "Edit.h"

#include "QtColor.h"

#include <QMouseEvent>

TEdit::TEdit(QWidget* parent) : QLineEdit(parent) {
    setAttribute(Qt::WA_InputMethodEnabled, false);
}

void TEdit::SetColor(TColor color) {
    FColor = color;
    QPalette p = palette();
    p.setColor(QPalette::Base, ColorToQColor(color));
    p.setColor(QPalette::Window, ColorToQColor(color));
    setPalette(p);
}

void TEdit::SetFontColor(TColor color) {
    QPalette p = palette();
    p.setColor(QPalette::Text, ColorToQColor(color));
    setPalette(p);
}

void TEdit::mousePressEvent(QMouseEvent* event) {
    FClick.Press(event);
    QLineEdit::mousePressEvent(event);
}

void TEdit::mouseReleaseEvent(QMouseEvent* event) {
    QLineEdit::mouseReleaseEvent(event);
    if (FClick.Release(event, rect()) && OnClick) {
        OnClick(this);
    }
}

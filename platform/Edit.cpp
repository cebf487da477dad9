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
    FLeftPressed = event->button() == Qt::LeftButton;
    QLineEdit::mousePressEvent(event);
}

void TEdit::mouseReleaseEvent(QMouseEvent* event) {
    QLineEdit::mouseReleaseEvent(event);
    const bool click = FLeftPressed && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    FLeftPressed = false;
    if (click && OnClick) {
        OnClick(this);
    }
}

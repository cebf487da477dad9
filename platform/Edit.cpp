#include "Edit.h"

#include "QtColor.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

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

void TEdit::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    const bool clicks = key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter;
    if (!OnClick || !clicks || (event->modifiers() & ~Qt::KeypadModifier)) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    event->accept();
    if (!event->isAutoRepeat()) {
        OnClick(this);
    }
}

// The caret alone cannot be told on a swatch of its own colour: the focus is
// a frame, dark on a light colour and light on a dark one.
void TEdit::paintEvent(QPaintEvent* event) {
    QLineEdit::paintEvent(event);
    if (!OnClick || !hasFocus()) {
        return;
    }
    QPainter painter(this);
    painter.setPen(ColorToQColor(FColor).lightnessF() > 0.5 ? Qt::black : Qt::white);
    painter.drawRect(rect().adjusted(FocusInset, FocusInset, -FocusInset - 1, -FocusInset - 1));
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

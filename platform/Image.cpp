#include "Image.h"

#include <QMouseEvent>

TImage::TImage(QWidget* parent) : QWidget(parent) { setFocusPolicy(Qt::NoFocus); }

void TImage::mousePressEvent(QMouseEvent* event) {
    FLeftPressed = event->button() == Qt::LeftButton;
}

void TImage::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = FLeftPressed && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    FLeftPressed = false;
    if (click && OnClick) {
        OnClick(this);
    }
}

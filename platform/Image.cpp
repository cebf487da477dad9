#include "Image.h"

#include <QMouseEvent>

TImage::TImage(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
}

void TImage::mousePressEvent(QMouseEvent* event) {
    FClick.Press(event);
}

void TImage::mouseReleaseEvent(QMouseEvent* event) {
    if (FClick.Release(event, rect()) && OnClick) {
        OnClick(this);
    }
}

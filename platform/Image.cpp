#include "Image.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

TImage::TImage(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
}

void TImage::SetStretch(bool stretch) {
    FStretch = stretch;
    update();
}

const TBitmap* TImage::Bitmap() const {
    return dynamic_cast<const TBitmap*>(FPicture.Graphic());
}

void TImage::SetBitmap(const TBitmap& bitmap) {
    FPicture.SetBitmap(bitmap);
    update();
}

void TImage::ClearPicture() {
    FPicture.Clear();
    update();
}

void TImage::paintEvent(QPaintEvent* event) {
    const TBitmap* bitmap = Bitmap();
    if (!bitmap || bitmap->Empty()) {
        return;
    }
    const int viewWidth = FStretch ? width() : bitmap->Width();
    const int viewHeight = FStretch ? height() : bitmap->Height();
    const QRect area = event->rect() & QRect(0, 0, viewWidth, viewHeight);
    if (area.isEmpty()) {
        return;
    }
    if (FCanvas.width() < area.width() || FCanvas.height() < area.height()) {
        FCanvas = QImage(std::max(FCanvas.width(), area.width()),
                         std::max(FCanvas.height(), area.height()), QImage::Format_RGB32);
    }
    StretchDraw(*bitmap->Image(), viewWidth, viewHeight,
                {area.x(), area.y(), area.width(), area.height()},
                reinterpret_cast<std::uint32_t*>(FCanvas.bits()),
                std::size_t(FCanvas.bytesPerLine()) / 4, FScratch);
    QPainter painter(this);
    painter.drawImage(area.topLeft(), FCanvas, QRect(0, 0, area.width(), area.height()));
}

void TImage::mousePressEvent(QMouseEvent* event) {
    FClick.Press(event);
}

void TImage::mouseReleaseEvent(QMouseEvent* event) {
    if (FClick.Release(event, rect()) && OnClick) {
        OnClick(this);
    }
}

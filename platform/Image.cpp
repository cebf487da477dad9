#include "Image.h"

#include "WindowRatio.h"

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

QSize TImage::ViewSize() const {
    const TBitmap* bitmap = Bitmap();
    if (FStretch || !bitmap) {
        return size();
    }
    return {bitmap->Width(), bitmap->Height()};
}

TViewRect TImage::DeviceView() const {
    return DeviceView(WindowRatio(*this));
}

TViewRect TImage::DeviceView(qreal ratio) const {
    const QPoint place = mapTo(window(), QPoint(0, 0));
    const QSize view = ViewSize();
    return DeviceRect(place.x(), place.y(), view.width(), view.height(), ratio);
}

void TImage::paintEvent(QPaintEvent* event) {
    const TBitmap* bitmap = Bitmap();
    if (!bitmap || bitmap->Empty()) {
        return;
    }
    QPainter painter(this);
    // Painted in the paint device's own pixels: the window's backing store,
    // or a grab's pixmap, whose first pixel is the view's first.
    const QTransform toDevice = painter.deviceTransform();
    const TViewRect view = DeviceView(toDevice.m11());
    const QPoint origin(qRound(toDevice.dx()), qRound(toDevice.dy()));
    // The exposed part in device pixels of the view, rounded outward; the
    // backing store clips what lies outside.
    const QRect exposed = toDevice.mapRect(QRectF(event->rect())).toAlignedRect();
    const QRect area = exposed.translated(-origin) & QRect(0, 0, view.Width, view.Height);
    if (area.isEmpty()) {
        return;
    }
    if (FCanvas.width() < area.width() || FCanvas.height() < area.height()) {
        FCanvas = QImage(std::max(FCanvas.width(), area.width()),
                         std::max(FCanvas.height(), area.height()), QImage::Format_RGB32);
    }
    StretchDraw(*bitmap->Image(), view.Width, view.Height,
                {area.x(), area.y(), area.width(), area.height()},
                reinterpret_cast<std::uint32_t*>(FCanvas.bits()),
                std::size_t(FCanvas.bytesPerLine()) / 4, FScratch);
    painter.setTransform(toDevice.inverted());
    painter.drawImage(origin + area.topLeft(), FCanvas, QRect(0, 0, area.width(), area.height()));
}

void TImage::mousePressEvent(QMouseEvent* event) {
    FClick.Press(event);
}

void TImage::mouseReleaseEvent(QMouseEvent* event) {
    if (FClick.Release(event, rect()) && OnClick) {
        OnClick(this);
    }
}

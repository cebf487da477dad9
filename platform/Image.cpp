#include "Image.h"

#include "WindowRatio.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cstdint>

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

void TImage::SetBitmap(const TBitmap& bitmap, std::shared_ptr<const TColourProfile> shownThrough) {
    FPicture.SetBitmap(bitmap);
    FShownThrough = std::move(shownThrough);
    update();
}

void TImage::ClearPicture() {
    FPicture.Clear();
    FShownThrough.reset();
    FOutline = QRect();
    update();
}

namespace {

// The first view pixel showing picture pixel p or one after it: the view
// pixel v shows picture × v div view, so v = ceil(p × view / picture).
int FirstViewPixel(int p, int picture, int view) {
    return int((std::int64_t(p) * view + picture - 1) / picture);
}

// How thick each of the outline's two frames is, in device pixels.
int FrameWidth(qreal ratio) {
    return std::max(1, qRound(ratio));
}

} // namespace

QRect TImage::OutlinedArea(const TViewRect& view) const {
    const TBitmap* bitmap = Bitmap();
    if (FOutline.isEmpty() || !bitmap || bitmap->Empty() || view.Width <= 0 || view.Height <= 0) {
        return {};
    }
    auto span = [](int first, int end, int picture, int length) {
        int from = std::clamp(FirstViewPixel(first, picture, length), 0, length - 1);
        const int to = std::clamp(FirstViewPixel(end, picture, length), from + 1, length);
        return std::pair{from, to};
    };
    const auto [left, right] =
        span(FOutline.left(), FOutline.right() + 1, bitmap->Width(), view.Width);
    const auto [top, bottom] =
        span(FOutline.top(), FOutline.bottom() + 1, bitmap->Height(), view.Height);
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

QRect TImage::OutlineBounds() const {
    const qreal ratio = WindowRatio(*this);
    const TViewRect view = DeviceView(ratio);
    const QRect area = OutlinedArea(view);
    if (area.isEmpty()) {
        return {};
    }
    const int margin = 2 * FrameWidth(ratio) + 1;
    const QRectF logical(area.adjusted(-margin, -margin, margin, margin));
    return QRectF(logical.topLeft() / ratio, logical.size() / ratio).toAlignedRect();
}

void TImage::SetOutline(const QRect& pixels) {
    if (pixels == FOutline) {
        return;
    }
    const QRect before = OutlineBounds();
    FOutline = pixels;
    update(before);
    update(OutlineBounds());
}

// A white frame round the pixels and a black one round that: one of the two
// stands out from whatever colour lies under it.
void TImage::PaintOutline(QPainter& painter, const TViewRect& view, QPoint origin,
                          qreal ratio) const {
    const QRect area = OutlinedArea(view);
    if (area.isEmpty()) {
        return;
    }
    const int t = FrameWidth(ratio);
    auto frame = [&](const QRect& r, const QColor& colour) {
        painter.fillRect(QRect(r.left(), r.top(), r.width(), t), colour);
        painter.fillRect(QRect(r.left(), r.bottom() - t + 1, r.width(), t), colour);
        painter.fillRect(QRect(r.left(), r.top(), t, r.height()), colour);
        painter.fillRect(QRect(r.right() - t + 1, r.top(), t, r.height()), colour);
    };
    // At the view's edges the frames come inside it rather than be cut off.
    const QRect black =
        area.adjusted(-2 * t, -2 * t, 2 * t, 2 * t) & QRect(0, 0, view.Width, view.Height);
    frame(black.adjusted(t, t, -t, -t).translated(origin), Qt::white);
    frame(black.translated(origin), Qt::black);
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
                std::size_t(FCanvas.bytesPerLine()) / 4, FScratch, FShownThrough.get());
    painter.setTransform(toDevice.inverted());
    painter.drawImage(origin + area.topLeft(), FCanvas, QRect(0, 0, area.width(), area.height()));
    PaintOutline(painter, view, origin, toDevice.m11());
}

void TImage::mousePressEvent(QMouseEvent* event) {
    FClick.Press(event);
}

void TImage::mouseReleaseEvent(QMouseEvent* event) {
    if (FClick.Release(event, rect()) && OnClick) {
        OnClick(this);
    }
}

#include "CaptureLayout.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cmath>

namespace {

QRect DeviceRect(const TOutputPlace& output) {
    const QSize size(qRound(output.Logical.width() * output.Ratio),
                     qRound(output.Logical.height() * output.Ratio));
    return {output.Logical.topLeft(), size};
}

TOutputInCapture InCapture(QRect capture, QRect logical, qreal ratio) {
    const qreal scaleX = qreal(capture.width()) / logical.width();
    const qreal scaleY = qreal(capture.height()) / logical.height();
    // A hair of rounding in the screen's logical size is no enlargement.
    const bool resampled = scaleX > ratio * 1.01 || scaleY > ratio * 1.01;
    return {capture, scaleX, scaleY, resampled};
}

int Floor(qreal value) {
    return static_cast<int>(std::floor(value + 1e-6));
}

} // namespace

std::vector<TOutputInCapture> PlaceOutputs(const std::vector<TOutputPlace>& outputs,
                                           QSize capture) {
    std::vector<TOutputInCapture> placed;
    if (outputs.empty()) {
        return placed;
    }
    QRect devices, logical;
    for (const TOutputPlace& output : outputs) {
        devices |= DeviceRect(output);
        logical |= output.Logical;
    }
    if (devices.size() == capture) {
        for (const TOutputPlace& output : outputs) {
            const QRect rect = DeviceRect(output).translated(-devices.topLeft());
            placed.push_back(InCapture(rect, output.Logical, output.Ratio));
        }
        return placed;
    }
    const qreal scaleX = qreal(capture.width()) / logical.width();
    const qreal scaleY = qreal(capture.height()) / logical.height();
    for (const TOutputPlace& output : outputs) {
        const QRectF at = QRectF(output.Logical.translated(-logical.topLeft()));
        const QRect rect(QPoint(qRound(at.left() * scaleX), qRound(at.top() * scaleY)),
                         QPoint(qRound(at.right() * scaleX) - 1, qRound(at.bottom() * scaleY) - 1));
        placed.push_back(InCapture(rect, output.Logical, output.Ratio));
    }
    return placed;
}

QPoint CapturePixel(const TOutputInCapture& output, QPointF local) {
    const QRect& rect = output.Capture;
    const int x = std::clamp(Floor(local.x() * output.ScaleX), 0, rect.width() - 1);
    const int y = std::clamp(Floor(local.y() * output.ScaleY), 0, rect.height() - 1);
    return rect.topLeft() + QPoint(x, y);
}

QPointF OutputPoint(const TOutputInCapture& output, QPoint pixel) {
    const QPoint inside = pixel - output.Capture.topLeft();
    return {(inside.x() + 0.5) / output.ScaleX, (inside.y() + 0.5) / output.ScaleY};
}

std::vector<TOutputPlace> DesktopOutputs() {
    std::vector<TOutputPlace> outputs;
    for (const QScreen* screen : QGuiApplication::screens()) {
        outputs.push_back({screen->geometry(), screen->devicePixelRatio()});
    }
    return outputs;
}

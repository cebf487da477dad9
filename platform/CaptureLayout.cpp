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

// Whether two sizes differ by no more than a scale's rounding of a logical
// size: at 1.5 a screen 1024 pixels high is 683 logical pixels, 1024.5
// device pixels again.
bool AlmostEqual(QSize a, QSize b, int slack) {
    return std::abs(a.width() - b.width()) <= slack && std::abs(a.height() - b.height()) <= slack;
}

} // namespace

int PixelAt(qreal logical, qreal scale) {
    return static_cast<int>(std::floor(logical * scale + 1e-6));
}

std::vector<TOutputInCapture> PlaceOutputs(const std::vector<TOutputPlace>& outputs,
                                           QSize capture) {
    std::vector<TOutputInCapture> placed;
    if (outputs.empty()) {
        return placed;
    }
    QRect devices, logical;
    qreal largest = 1;
    for (const TOutputPlace& output : outputs) {
        devices |= DeviceRect(output);
        logical |= output.Logical;
        largest = std::max(largest, output.Ratio);
    }
    if (AlmostEqual(devices.size(), capture, int(std::ceil(largest)))) {
        const QRect whole(QPoint(0, 0), capture);
        for (const TOutputPlace& output : outputs) {
            const QRect rect = DeviceRect(output).translated(-devices.topLeft()) & whole;
            placed.push_back({rect, output.Ratio, output.Ratio, false});
        }
        return placed;
    }
    const qreal scaleX = qreal(capture.width()) / logical.width();
    const qreal scaleY = qreal(capture.height()) / logical.height();
    for (const TOutputPlace& output : outputs) {
        const QRectF at = QRectF(output.Logical.translated(-logical.topLeft()));
        const QRect rect(QPoint(qRound(at.left() * scaleX), qRound(at.top() * scaleY)),
                         QPoint(qRound(at.right() * scaleX) - 1, qRound(at.bottom() * scaleY) - 1));
        // A hair of rounding in the screen's logical size is no enlargement.
        const bool resampled = scaleX > output.Ratio * 1.01 || scaleY > output.Ratio * 1.01;
        placed.push_back({rect, scaleX, scaleY, resampled});
    }
    return placed;
}

std::vector<std::size_t> OutputsToCover(const std::vector<TOutputPlace>& outputs) {
    std::vector<std::size_t> covered;
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        const QRect rect = DeviceRect(outputs[i]);
        bool kept = true;
        for (std::size_t j = 0; j < outputs.size() && kept; ++j) {
            const QRect other = DeviceRect(outputs[j]);
            const bool spans = other != rect && rect.contains(other);
            const bool mirrored = other == rect && j < i;
            kept = i == j || !(spans || mirrored);
        }
        if (kept) {
            covered.push_back(i);
        }
    }
    return covered;
}

QPoint CapturePixel(const TOutputInCapture& output, QPointF local) {
    const QRect& rect = output.Capture;
    const int x = std::clamp(PixelAt(local.x(), output.ScaleX), 0, rect.width() - 1);
    const int y = std::clamp(PixelAt(local.y(), output.ScaleY), 0, rect.height() - 1);
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

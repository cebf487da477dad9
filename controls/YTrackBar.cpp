#include "YTrackBar.h"

#include "QtColor.h"
#include "YTrackBarAccessible.h"

#include <QAccessible>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {

QRgb ToRgb(TColor color) {
    return ColorToQColor(color).rgb();
}

} // namespace

int ThumbCentre(int position, int min, int max, int leftMargin, int trackLength) {
    const double share = static_cast<double>(position - min) / static_cast<double>(max - min);
    return leftMargin + static_cast<int>(std::trunc(share * trackLength));
}

int DragPosition(int startPosition, int dx, int min, int max, int trackLength) {
    if (trackLength <= 0) {
        return startPosition;
    }
    // Kept in 64 bits so a wide range cannot overflow the product.
    const auto product = static_cast<std::int64_t>(dx) * (static_cast<std::int64_t>(max) - min);
    const double steps = std::trunc(static_cast<double>(product) / trackLength);
    const double result = std::clamp(startPosition + steps, double(INT32_MIN), double(INT32_MAX));
    return static_cast<int>(result);
}

TYTrackBar::TYTrackBar(QWidget* owner) : QWidget(owner) {
    TYTrackBarAccessible::Install();
    resize(160, 30);
    FTrackLength = width() - FLeftMargin - FRightMargin;
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);                // moves reach the slider without a button, as drags may
    setAttribute(Qt::WA_OpaquePaintEvent); // the surface covers the whole control
}

void TYTrackBar::SetMax(int value) {
    if (value != FMax && value > FMin) {
        FMax = value;
        update();
    }
}

void TYTrackBar::SetMin(int value) {
    if (value != FMin && value < FMax) {
        FMin = value;
        update();
    }
}

void TYTrackBar::SetThumbWidth(int value) {
    if (value != FThumbWidth && value >= 2) {
        FThumbWidth = value;
        FLeftMargin = value / 2 + 1;
        FRightMargin = value / 2 + 1;
        update();
    }
}

void TYTrackBar::SetPosition(int value) {
    if (value == FPosition) {
        return;
    }
    FPosition = value > FMax ? FMax : (value < FMin ? FMin : value);
    update();
    PositionChanged();
}

void TYTrackBar::PositionChanged() {
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(this, FPosition);
        QAccessible::updateAccessibility(&event);
    }
}

void TYTrackBar::Paint() {
    const int W = width();
    const int H = height();
    const int L = FLeftMargin;
    const int T = FTopMargin;
    const int B = FBottomMargin;
    const int R = FRightMargin;
    const int half = FThumbWidth / 2;

    FTrackLength = W - L - R;
    FThumbX = ThumbCentre(FPosition, FMin, FMax, L, FTrackLength);

    FillRect(L, T, W - R, H - B, FGageColor);
    Line({L, H - B}, {L, T}, 2, clBlack);
    Line({L, T}, {W - R, T}, 2, clBlack);
    Line({W - R + 1, T - 1}, {W - R + 1, H - B + 1}, 1, clWhite);
    Line({W - R + 1, H - B + 1}, {L, H - B + 1}, 1, clWhite);

    const int left = FThumbX - half;
    const int right = FThumbX + half;
    if (FDragging) {
        if (FOutlineX == -1) {
            FOutlineX = FThumbX;
        } else {
            InvertFrame(FOutlineX - half, 1, FOutlineX + half, H - 1); // erase the last outline
        }
        InvertFrame(left, 1, right, H - 1);
        return;
    }
    FillRect(left, 1, right, H - 1, clBlack);
    const int faceLeft = left + 1, faceTop = 2, faceRight = right - 1, faceBottom = H - 3;
    FillRect(faceLeft, faceTop, faceRight, faceBottom, FThumbColor);
    Line({faceLeft, faceBottom}, {faceLeft, faceTop}, 1, clWhite);
    Line({faceLeft, faceTop}, {faceRight, faceTop}, 1, clWhite);
}

void TYTrackBar::FillRect(int left, int top, int right, int bottom, TColor color) {
    const QRgb rgb = ToRgb(color);
    const int x0 = std::max(left, 0), x1 = std::min(right, FSurface.width());
    const int y0 = std::max(top, 0), y1 = std::min(bottom, FSurface.height());
    for (int y = y0; y < y1; ++y) {
        auto* row = reinterpret_cast<QRgb*>(FSurface.scanLine(y));
        std::fill(row + x0, row + std::max(x1, x0), rgb);
    }
}

// Rectangles cover left to right - 1 and top to bottom - 1; a line covers its
// start point and not its end point. Lines here are horizontal or vertical. A
// pen of width w covers, for each point of the line, the w x w square that
// ends at that point: a 2-pixel pen adds the pixel to the left of a vertical
// line and above a horizontal one.
void TYTrackBar::Line(QPoint from, QPoint to, int penWidth, TColor color) {
    if (from == to) {
        return;
    }
    // The half-open span of coordinates from a toward b, b itself excluded.
    auto span = [](int a, int b) {
        return b > a ? std::pair{a, b} : b < a ? std::pair{b + 1, a + 1} : std::pair{a, a + 1};
    };
    const auto [left, right] = span(from.x(), to.x());
    const auto [top, bottom] = span(from.y(), to.y());
    const int extra = penWidth - 1;
    FillRect(left - extra, top - extra, right, bottom, color);
}

// Inverts each pixel of the rectangle's one-pixel outline exactly once, so
// drawing the same outline twice restores what was under it.
void TYTrackBar::InvertFrame(int left, int top, int right, int bottom) {
    for (int y = std::max(top, 0); y < std::min(bottom, FSurface.height()); ++y) {
        auto* row = reinterpret_cast<QRgb*>(FSurface.scanLine(y));
        for (int x = std::max(left, 0); x < std::min(right, FSurface.width()); ++x) {
            if (x == left || x == right - 1 || y == top || y == bottom - 1) {
                row[x] = (~row[x] & 0x00FFFFFFu) | 0xFF000000u;
            }
        }
    }
}

void TYTrackBar::paintEvent(QPaintEvent*) {
    if (!FPaintingNow) {
        // A scheduled repaint: the parent's background first, then the control.
        const QWidget* parent = parentWidget();
        FSurface.fill(parent ? parent->palette().color(parent->backgroundRole()) : Qt::gray);
        Paint();
    }
    QPainter(this).drawImage(0, 0, FSurface);
}

void TYTrackBar::PaintNow() {
    Paint();
    FPaintingNow = true;
    repaint();
    FPaintingNow = false;
}

void TYTrackBar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FSurface = QImage(size(), QImage::Format_RGB32);
    FSurface.fill(Qt::gray);
}

// Only a left-button press captures the pointer; without it, events outside
// the control belong to whatever is under the pointer.
bool TYTrackBar::ReachesControl(const QMouseEvent* event) const {
    return FLeftCapture || rect().contains(event->position().toPoint());
}

void TYTrackBar::mousePressEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    const int half = FThumbWidth / 2;
    if (FThumbX - half <= p.x() && p.x() <= FThumbX + half) {
        FDragging = true;
        FDragStartX = p.x();
        FDragStartPosition = FPosition;
        FOutlineX = -1;
    } else {
        FDragging = false;
    }
    FLeftCapture = event->button() == Qt::LeftButton;
    if (OnMouseDown) {
        OnMouseDown(this, ToMouseButton(event->button()),
                    ToShiftState(event->modifiers(), event->buttons()), p.x(), p.y());
    }
}

void TYTrackBar::mouseMoveEvent(QMouseEvent* event) {
    if (!FDragging || !ReachesControl(event)) {
        return;
    }
    const QPoint p = event->position().toPoint();
    if (FOutlineX != -1) {
        FOutlineX = FThumbX;
    }
    const int before = FPosition;
    FPosition = DragPosition(FDragStartPosition, p.x() - FDragStartX, FMin, FMax, FTrackLength);
    if (FPosition < FMin) {
        FPosition = FMin;
    } else if (FPosition > FMax) {
        FPosition = FMax;
    }
    if (FPosition != FDragStartPosition) {
        PaintNow();
    }
    if (FPosition != before) {
        PositionChanged();
    }
    if (OnMouseMove) {
        OnMouseMove(this, ToShiftState(event->modifiers(), event->buttons()), p.x(), p.y());
    }
    if (OnChange) {
        OnChange(this);
    }
}

void TYTrackBar::mouseReleaseEvent(QMouseEvent* event) {
    const bool reaches = ReachesControl(event);
    if (event->button() == Qt::LeftButton) {
        FLeftCapture = false;
    }
    if (!reaches) {
        return;
    }
    if (FDragging) {
        FDragging = false;
        update();
    }
    if (OnMouseUp) {
        const QPoint p = event->position().toPoint();
        OnMouseUp(this, ToMouseButton(event->button()),
                  ToShiftState(event->modifiers(), event->buttons()), p.x(), p.y());
    }
}

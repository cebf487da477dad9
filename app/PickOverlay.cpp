#include "PickOverlay.h"

#include "Accessibility.h"
#include "ColorNotation.h"
#include "Desktop.h"
#include "QtColor.h"
#include "ScreenPicker.h"
#include "WindowRatio.h"

#include <QBackingStore>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <map>

namespace {

// The loupe's side, in logical pixels, and its distance from the pick point.
constexpr int LoupeSide = 150;
constexpr int LoupeGap = 24;
// A grid between the magnified pixels from this magnification up.
constexpr int GridFrom = 8;
// The cross-hair's arms, in device pixels, and their gap around the pixel.
constexpr int ArmLength = 14;
constexpr int ArmGap = 3;

const char* const PickTitle = "画面から選ぶ";
const char* const ResampledNote = "この画面はデスクトップが拡大して渡した画像です";

QColor Contrasting(TColor colour) {
    const int luma = 299 * GetRValue(colour) + 587 * GetGValue(colour) + 114 * GetBValue(colour);
    return luma > 128000 ? Qt::black : Qt::white;
}

} // namespace

TPickOverlay::TPickOverlay(QScreen& screen)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      FScreen(screen) {
    setObjectName("PickOverlay");
    setWindowTitle(QString::fromUtf8(PickTitle));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setCursor(Qt::CrossCursor);
    setFocusPolicy(Qt::StrongFocus);
}

TPickOverlay& TPickOverlay::ForScreen(QScreen& screen) {
    static std::map<QScreen*, TPickOverlay*> windows;
    static const bool cleared = [] {
        // Closed with the application, before its windowing goes.
        qAddPostRoutine([] {
            for (const auto& [screen, window] : windows) {
                delete window;
            }
            windows.clear();
        });
        return true;
    }();
    (void)cleared;
    TPickOverlay*& window = windows[&screen];
    if (!window) {
        window = new TPickOverlay(screen);
        // A screen unplugged takes its window with it.
        connect(&screen, &QObject::destroyed, window, [&screen] {
            delete windows[&screen];
            windows.erase(&screen);
        });
    }
    return *window;
}

void TPickOverlay::Attach(TScreenPicker& picker, const TOutputInCapture& place,
                          const std::string& name) {
    FPicker = &picker;
    FPlace = place;
    FName = name;
    FMarked = {};
    setAttribute(Qt::WA_PaintOnScreen, picker.Frozen().OnServer());
    SetSpokenName(*this, std::string(PickTitle) + ": " + FName);
}

void TPickOverlay::Release() {
    hide();
    FPicker = nullptr;
    setAttribute(Qt::WA_PaintOnScreen, false);
}

void TPickOverlay::Make() {
    setScreen(&FScreen);
    setGeometry(FScreen.geometry());
    create();
    if (QBackingStore* store = backingStore()) {
        store->resize(size());
    }
}

void TPickOverlay::Touch() {
    QBackingStore* store = backingStore();
    if (!store || store->size() != size()) {
        return;
    }
    store->beginPaint(QRegion(rect()));
    if (QPaintDevice* memory = store->paintDevice()) {
        QPainter(memory).fillRect(rect(), Qt::black);
    }
    store->endPaint();
}

void TPickOverlay::Cover() {
    setScreen(&FScreen);
    setGeometry(FScreen.geometry());
    showFullScreen();
}

bool TPickOverlay::HoldsPickPoint() const {
    if (!FPicker) {
        return false;
    }
    const auto& overlays = FPicker->Overlays();
    return FPicker->PickOutput() < overlays.size() && overlays[FPicker->PickOutput()] == this;
}

QStringList TPickOverlay::LoupeLines() const {
    const TColor colour = FPicker->PickColour();
    QStringList lines;
    if (colour == CLR_INVALID) {
        lines << QStringLiteral("—");
    } else {
        lines << QString::fromStdString(HexText(colour) + "  " + RgbText(colour));
    }
    const QPoint at = FPicker->PickPoint();
    QString place = QStringLiteral("x %1, y %2").arg(at.x()).arg(at.y());
    if (FPicker->SampleSide() > 1) {
        place += QStringLiteral("  (%1×%1)").arg(FPicker->SampleSide());
    }
    lines << place;
    if (FPlace.Resampled) {
        lines << QString::fromUtf8(ResampledNote);
    }
    return lines;
}

QRect TPickOverlay::LoupeRect() const {
    if (!HoldsPickPoint()) {
        return {};
    }
    const QFontMetrics metrics(font());
    int textWidth = 0;
    const QStringList lines = LoupeLines();
    for (const QString& line : lines) {
        textWidth = std::max(textWidth, metrics.horizontalAdvance(line) + 8);
    }
    const QSize size(std::max(LoupeSide, textWidth),
                     LoupeSide + int(lines.size()) * metrics.height() + 6);
    // Beside the point, turned away from the window's edges so that it is
    // always whole.
    const QPoint point = OutputPoint(FPlace, FPicker->PickPoint()).toPoint();
    int x = point.x() + LoupeGap;
    int y = point.y() + LoupeGap;
    if (x + size.width() > width()) {
        x = point.x() - LoupeGap - size.width();
    }
    if (y + size.height() > height()) {
        y = point.y() - LoupeGap - size.height();
    }
    x = std::clamp(x, 0, std::max(0, width() - size.width()));
    y = std::clamp(y, 0, std::max(0, height() - size.height()));
    return {QPoint(x, y), size};
}

QRect TPickOverlay::CrossHairRect() const {
    if (!HoldsPickPoint() || !FPicker->KeyDriven()) {
        return {};
    }
    const qreal ratio = WindowRatio(*this);
    const int reach = int((ArmLength + ArmGap + 2) / ratio) + 2;
    const QPoint point = OutputPoint(FPlace, FPicker->PickPoint()).toPoint();
    return {point - QPoint(reach, reach), point + QPoint(reach, reach)};
}

QRect TPickOverlay::MarksRect() const {
    return LoupeRect() | CrossHairRect();
}

void TPickOverlay::PickPointMoved() {
    const QRect now = MarksRect();
    update(FMarked | now);
    FMarked = now;
    if (HoldsPickPoint()) {
        SetSpokenName(*this, std::string(PickTitle) + ": " + FName + "、" + FPicker->PlaceText());
    }
}

QPaintEngine* TPickOverlay::paintEngine() const {
    return testAttribute(Qt::WA_PaintOnScreen) ? nullptr : QWidget::paintEngine();
}

void TPickOverlay::paintEvent(QPaintEvent* event) {
    if (FPicker && FPicker->Frozen().OnServer()) {
        PaintOnServer(event->region());
        FMarked = MarksRect();
        return;
    }
    QPainter painter(this);
    if (!FPicker) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    PaintCapture(painter);
    PaintMarks(painter);
    FMarked = MarksRect();
}

void TPickOverlay::PaintMarks(QPainter& painter) {
    if (HoldsPickPoint()) {
        PaintCrossHair(painter);
        PaintLoupe(painter);
    }
}

// The server copies the frozen screen from its own pixmap; the marks are
// drawn here over the captured pixels beneath them, read back, and sent as
// one picture each so that no half-drawn loupe is ever seen.
void TPickOverlay::PaintOnServer(const QRegion& region) {
    const TFrozenScreen& screen = FPicker->Frozen();
    const qreal ratio = WindowRatio(*this);
    const auto device = [ratio](const QRect& logical) {
        return QRectF(QPointF(logical.topLeft()) * ratio, QSizeF(logical.size()) * ratio)
            .toAlignedRect();
    };
    QRegion painted;
    for (const QRect& part : region) {
        painted += device(part);
    }
    const QRegion marks = HoldsPickPoint() ? QRegion(device(MarksRect())) : QRegion();
    // The window's device pixels are the output's captured ones, one for one.
    const QPoint corner = FPlace.Capture.topLeft();
    for (const QRect& part : painted.subtracted(marks)) {
        screen.Show(*this, part.translated(corner), part.topLeft());
    }
    for (const QRect& part : painted.intersected(marks)) {
        QImage image = screen.Pixels(part.translated(corner));
        image.setDevicePixelRatio(ratio);
        QPainter painter(&image);
        painter.setFont(font()); // the loupe's box was measured in it
        painter.translate(-QPointF(part.topLeft()) / ratio);
        PaintMarks(painter);
        painter.end();
        screen.Put(*this, image, part.topLeft());
    }
}

// The captured pixels one for one where they are the output's own; an
// output the desktop enlarged is shown by the nearest captured pixel, never
// smoothed further.
void TPickOverlay::PaintCapture(QPainter& painter) {
    const QImage& capture = FPicker->Frozen().Image();
    const QRect part = FPlace.Capture & capture.rect();
    if (part.isEmpty()) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    if (!FPlace.Resampled) {
        // A view of the capture's own memory: nothing is copied.
        QImage view(capture.constScanLine(part.top()) + std::size_t(part.left()) * 4, part.width(),
                    part.height(), capture.bytesPerLine(), capture.format());
        view.setDevicePixelRatio(FPlace.ScaleX);
        painter.drawImage(QPointF(0, 0), view);
        return;
    }
    painter.drawImage(QRectF(rect()), capture, QRectF(part));
}

QImage TPickOverlay::Magnified(int cells, int magnification) const {
    const QPoint centre = FPicker->PickPoint();
    const QRect source(centre - QPoint(cells / 2, cells / 2), QSize(cells, cells));
    // Pixels beyond the capture come out black.
    QImage square = FPicker->Frozen().Pixels(source);
    QImage image = square.scaled(cells * magnification, cells * magnification,
                                 Qt::IgnoreAspectRatio, Qt::FastTransformation);
    QPainter painter(&image);
    if (magnification >= GridFrom) {
        painter.setPen(QColor(0, 0, 0, 60));
        for (int i = 1; i < cells; ++i) {
            const int at = i * magnification;
            painter.drawLine(at, 0, at, image.height());
            painter.drawLine(0, at, image.width(), at);
        }
    }
    // The sample square framed, in a colour that shows on its colour.
    const int side = std::min(FPicker->SampleSide(), cells);
    const int first = (cells / 2 - side / 2) * magnification;
    const QRect frame(first - 1, first - 1, side * magnification + 1, side * magnification + 1);
    painter.setPen(QPen(Contrasting(FPicker->PickColour()), 2));
    painter.drawRect(frame);
    return image;
}

void TPickOverlay::PaintLoupe(QPainter& painter) {
    const QRect box = LoupeRect();
    const qreal ratio = WindowRatio(*this);
    const int magnification = FPicker->Magnification();
    int cells = int(LoupeSide * ratio) / magnification;
    cells -= (cells % 2 == 0) ? 1 : 0;
    QImage magnified = Magnified(std::max(cells, 1), magnification);
    magnified.setDevicePixelRatio(ratio);
    painter.fillRect(box, QColor(32, 32, 32));
    const QSizeF shown = magnified.deviceIndependentSize();
    const QPointF corner(box.left() + (box.width() - shown.width()) / 2,
                         box.top() + (LoupeSide - shown.height()) / 2);
    painter.drawImage(corner, magnified);
    painter.setPen(Qt::white);
    const QFontMetrics metrics(font());
    int y = box.top() + LoupeSide + 3;
    for (const QString& line : LoupeLines()) {
        painter.drawText(QRect(box.left() + 4, y, box.width() - 8, metrics.height()),
                         Qt::AlignLeft | Qt::AlignVCenter, line);
        y += metrics.height();
    }
    painter.setPen(QColor(200, 200, 200));
    painter.drawRect(box.adjusted(0, 0, -1, -1));
}

// Four arms around the picked device pixel, leaving the pixel itself clear,
// in black inside white so that they show on any colour.
void TPickOverlay::PaintCrossHair(QPainter& painter) {
    if (!FPicker->KeyDriven()) {
        return;
    }
    const qreal ratio = WindowRatio(*this);
    const QPointF middle = OutputPoint(FPlace, FPicker->PickPoint());
    const QPoint device(int(std::floor(middle.x() * ratio)), int(std::floor(middle.y() * ratio)));
    painter.save();
    painter.scale(1 / ratio, 1 / ratio);
    const int near = ArmGap;
    const int far = ArmGap + ArmLength;
    const QRect arms[] = {{device.x() - far, device.y(), ArmLength, 1},
                          {device.x() + near + 1, device.y(), ArmLength, 1},
                          {device.x(), device.y() - far, 1, ArmLength},
                          {device.x(), device.y() + near + 1, 1, ArmLength}};
    for (const QRect& arm : arms) {
        painter.fillRect(arm.adjusted(-1, -1, 1, 1), Qt::white);
    }
    for (const QRect& arm : arms) {
        painter.fillRect(arm, Qt::black);
    }
    painter.restore();
}

// On X11 the server is asked where the pointer is, in device pixels: Qt's
// events there carry a logical position rounded at a fractional scale.
// Elsewhere the window's own position of the event is exact (to 1/256 of a
// pixel on Wayland); the widget's position of it is rounded to a whole
// logical pixel, a device pixel off at scale 2. The overlay is its window.
QPoint TPickOverlay::PixelUnderPointer(QPointF eventPosition) const {
    if (const auto device = X11PointerPosition(*this)) {
        return CapturePixel(FPlace, QPointF(*device) / WindowRatio(*this));
    }
    return CapturePixel(FPlace, eventPosition);
}

void TPickOverlay::mouseMoveEvent(QMouseEvent* event) {
    if (!FPicker) {
        return;
    }
    FPicker->PointAt(*this, PixelUnderPointer(event->scenePosition()));
}

void TPickOverlay::mousePressEvent(QMouseEvent* event) {
    if (!FPicker) {
        return;
    }
    if (event->button() == Qt::RightButton) {
        FPicker->Cancel();
    } else if (event->button() == Qt::LeftButton) {
        FPicker->PointAt(*this, PixelUnderPointer(event->scenePosition()));
        FPicker->Pick();
    }
}

void TPickOverlay::wheelEvent(QWheelEvent* event) {
    const int steps = event->angleDelta().y() / 120;
    if (FPicker && steps != 0) {
        FPicker->ChangeMagnification(steps);
    }
}

void TPickOverlay::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const int step = modifiers == Qt::ShiftModifier ? 10 : 1;
    if (!FPicker) {
        QWidget::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Left:
        FPicker->MoveBy(-step, 0);
        break;
    case Qt::Key_Right:
        FPicker->MoveBy(step, 0);
        break;
    case Qt::Key_Up:
        FPicker->MoveBy(0, -step);
        break;
    case Qt::Key_Down:
        FPicker->MoveBy(0, step);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        FPicker->Pick();
        break;
    case Qt::Key_Escape:
        FPicker->Cancel();
        break;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        FPicker->ChangeMagnification(1);
        break;
    case Qt::Key_Minus:
        FPicker->ChangeMagnification(-1);
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

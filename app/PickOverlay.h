#pragma once

#include "CaptureLayout.h"

#include <QWidget>
#include <string>

class QScreen;
class TScreenPicker;

// One output's window of a screen pick: borderless, over the whole output,
// showing the output's part of the capture pixel for pixel, and the loupe
// while the pick point is on this output. One window an output serves every
// pick of the run: on Wayland, Qt 6.4's event thread can still be handling
// a window's events while the window is destroyed, and a user picks often.
class TPickOverlay : public QWidget {
    Q_OBJECT
public:
    // The window of this output, made on first use.
    static TPickOverlay& ForScreen(QScreen& screen);

    // Serves `picker`'s pick until Release.
    void Attach(TScreenPicker& picker, const TOutputInCapture& place, const std::string& name);
    void Release();
    // Makes the window and its backing store for the output: asked of the
    // display server before the screen is read, not queued behind it.
    void Make();
    // Writes the backing store's memory once: done while the screen is
    // being read, it leaves the first paint less to wait for.
    void Touch();
    void Cover();
    const TOutputInCapture& Place() const { return FPlace; }
    QScreen& Screen() const { return FScreen; }
    // Repaints what the pick point's move changed and tells a screen reader.
    void PickPointMoved();
    // The captured pixel under the pointer, which an event placed at this
    // logical point of the window.
    QPoint PixelUnderPointer(QPointF eventPosition) const;
    // The loupe's rectangle, empty while the pick point is on another output.
    QRect LoupeRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    // None while the X server draws the frozen screen (TFrozenScreen).
    QPaintEngine* paintEngine() const override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // The overlay shows no focus: QWidget's own would repaint the whole
    // window as it becomes active, just as the user starts to look.
    void focusInEvent(QFocusEvent*) override {}
    void focusOutEvent(QFocusEvent*) override {}

private:
    explicit TPickOverlay(QScreen& screen);
    bool HoldsPickPoint() const;
    // The part of the window that the loupe and the cross-hair cover now.
    QRect MarksRect() const;
    QRect CrossHairRect() const;
    void PaintCapture(QPainter& painter);
    void PaintOnServer(const QRegion& region);
    void PaintMarks(QPainter& painter);
    void PaintLoupe(QPainter& painter);
    void PaintCrossHair(QPainter& painter);
    // The magnified square, in device pixels, with its grid and frame.
    QImage Magnified(int cells, int magnification) const;
    QStringList LoupeLines() const;

    TScreenPicker* FPicker = nullptr;
    QScreen& FScreen;
    TOutputInCapture FPlace;
    std::string FName;
    QRect FMarked; // what the last paint drew the marks over
};

#pragma once

#include "Color.h"
#include "Events.h"

#include <QImage>
#include <QWidget>

// The x of the thumb's centre for a position: the left margin plus the
// position's share of the groove, truncated toward zero.
int ThumbCentre(int position, int min, int max, int leftMargin, int trackLength);
// The position a drag gives before clamping: the value at the press plus the
// pointer's travel in steps of the groove, truncated toward zero. A groove of
// no length moves nothing.
int DragPosition(int startPosition, int dx, int min, int max, int trackLength);

// A horizontal slider without keyboard operation: a sunken groove and a
// rectangular thumb that the mouse drags to choose Position between Min and
// Max. It paints no background of its own; while dragging it draws the thumb
// as an inverted outline at once, and the release repaints it normally.
class TYTrackBar : public QWidget {
    Q_OBJECT
public:
    explicit TYTrackBar(QWidget* owner);

    int Max() const { return FMax; }
    void SetMax(int value);
    int Min() const { return FMin; }
    void SetMin(int value);
    TColor ThumbColor() const { return FThumbColor; }
    void SetThumbColor(TColor value) { FThumbColor = value; }
    int ThumbWidth() const { return FThumbWidth; }
    void SetThumbWidth(int value);
    TColor GageColor() const { return FGageColor; }
    void SetGageColor(TColor value) { FGageColor = value; }
    int Position() const { return FPosition; }
    void SetPosition(int value);

    TNotifyEvent OnChange;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;

    // State open to inspection.
    bool Dragging() const { return FDragging; }
    int ThumbX() const { return FThumbX; }
    int TrackLength() const { return FTrackLength; }
    int LeftMargin() const { return FLeftMargin; }
    int RightMargin() const { return FRightMargin; }
    // What the control shows: its last painting over its parent's background.
    const QImage& Surface() const { return FSurface; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // Tells assistive technology that Position changed.
    void PositionChanged();
    void Paint();
    void PaintNow();
    bool ReachesControl(const QMouseEvent* event) const;

    void FillRect(int left, int top, int right, int bottom, TColor color);
    void Line(QPoint from, QPoint to, int penWidth, TColor color);
    void InvertFrame(int left, int top, int right, int bottom);

    int FLeftMargin = 4;
    int FTopMargin = 8;
    int FBottomMargin = 10;
    int FRightMargin = 4;
    int FMax = 100;
    int FMin = 0;
    TColor FGageColor = clWhite;
    TColor FThumbColor = clBtnFace;
    int FPosition = 0;
    int FThumbWidth = 10;
    bool FDragging = false;
    int FThumbX = 0;
    int FTrackLength = 0;
    int FDragStartX = 0;
    int FDragStartPosition = 0;
    int FOutlineX = 0;

    QImage FSurface;
    bool FPaintingNow = false;
    bool FLeftCapture = false;
};

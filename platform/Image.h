#pragma once

#include "Bitmap.h"
#include "ClickTracker.h"
#include "ColourProfile.h"
#include "Events.h"
#include "Picture.h"
#include "StretchDraw.h"

#include <QImage>
#include <QRect>
#include <QWidget>
#include <memory>

// The picture control: shows its picture, stretched to its own size when
// Stretch is on, nearest neighbour, and raises OnClick when the left button
// is pressed over it and released inside it. Only the exposed part is
// painted, straight from the bitmap, with the same mapping a pick uses. On a
// scaled display the view is painted at device resolution: every device
// pixel of the control shows one picture pixel, never a blend, and
// DeviceView tells a pick which.
class TImage : public QWidget {
    Q_OBJECT
public:
    explicit TImage(QWidget* parent);

    bool Stretch() const { return FStretch; }
    void SetStretch(bool stretch);

    const TPicture& Picture() const { return FPicture; }
    // The picture's bitmap; nullptr when it holds none.
    const TBitmap* Bitmap() const;
    // Shows a bitmap sharing the given one's pixels; given a colour profile,
    // its colours converted through it for the screen as they are painted.
    void SetBitmap(const TBitmap& bitmap,
                   std::shared_ptr<const TColourProfile> shownThrough = nullptr);
    // Shows nothing.
    void ClearPicture();

    // The view's rectangle in device pixels of the window's client area, at
    // the ratio the window is painted at: the pixels the view paints, the same
    // at every paint and for every pick.
    TViewRect DeviceView() const;

    // Outlines the picture pixels of `pixels` (a rectangle in picture
    // coordinates) in black and white, visible over any colour and at any
    // zoom; nothing when empty. Only the old and the new outline's places
    // are repainted.
    void SetOutline(const QRect& pixels);
    const QRect& Outline() const { return FOutline; }

    TNotifyEvent OnClick;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // The view's logical size: the control's when stretching, else the picture's.
    QSize ViewSize() const;
    TViewRect DeviceView(qreal ratio) const;
    // The view pixels, in device pixels of the view, that show the outlined
    // picture pixels: at least one across and down, however small the zoom.
    QRect OutlinedArea(const TViewRect& view) const;
    // The part of the control the outline covers, in its own coordinates.
    QRect OutlineBounds() const;
    void PaintOutline(QPainter& painter, const TViewRect& view, QPoint origin, qreal ratio) const;

    TPicture FPicture;
    std::shared_ptr<const TColourProfile> FShownThrough;
    bool FStretch = false;
    TClickTracker FClick;
    // Reused between paints, so that painting allocates nothing once it has
    // seen an exposed area this large.
    QImage FCanvas;
    TStretchScratch FScratch;
    QRect FOutline;
};

// The pick cursor: the picture pixel a pick stands on, moved by the arrow
// keys, and the sample size, the square a pick averages. The cursor's
// outline shows while the keyboard drives it and while a pick averages more
// than one pixel; a mouse user who picks single pixels never sees it.
#include "Unit1.h"

#include "Sample.h"
#include "StretchDraw.h"
#include "WindowRatio.h"

#include <QKeyEvent>
#include <QScrollBar>
#include <algorithm>

namespace {

// Arrow keys move by one picture pixel, with Shift by ten.
constexpr int ShiftStep = 10;

QPoint Clamped(QPoint p, const TBitmap& bitmap) {
    return {std::clamp(p.x(), 0, bitmap.Width() - 1), std::clamp(p.y(), 0, bitmap.Height() - 1)};
}

} // namespace

TColor TForm1::PickedColour(int x, int y) const {
    if (const TBitmapImage* stored = ManagedPicture()) {
        return ShownColour(PictureColourAt(*stored, *stored->Profile, x, y, FSampleSize));
    }
    const TBitmap* bitmap = Img1->Bitmap();
    if (!bitmap || bitmap->Empty()) {
        return CLR_INVALID;
    }
    return SampledPixel(*bitmap->Image(), x, y, FSampleSize);
}

std::optional<QPoint> TForm1::PickCursor() const {
    const TBitmap* bitmap = Img1->Bitmap();
    if (!bitmap || bitmap->Empty()) {
        return std::nullopt;
    }
    return CursorPlace();
}

QPoint TForm1::CursorPlace() const {
    const TBitmap& bitmap = *Img1->Bitmap();
    if (FPicked) {
        return Clamped(*FPicked, bitmap);
    }
    const QWidget* port = SCRLB1->viewport();
    const QRect visible = QRect(Img1->mapFrom(port, QPoint(0, 0)), port->size()) & Img1->rect();
    const QPoint middle = visible.isEmpty() ? QPoint() : visible.center();
    const qreal ratio = WindowRatio(*this);
    const TViewRect view = Img1->DeviceView();
    auto coordinate = [&](int logical, int picture, int length) {
        return length > 0 ? PictureCoordinate(qRound(logical * ratio), picture, length) : 0;
    };
    return Clamped({coordinate(middle.x(), bitmap.Width(), view.Width),
                    coordinate(middle.y(), bitmap.Height(), view.Height)},
                   bitmap);
}

bool TForm1::PickCursorShown() const {
    const TBitmap* bitmap = Img1->Bitmap();
    return Mode == 2 && bitmap && !bitmap->Empty() &&
           (FKeyboardPicks || focusWidget() == Img1 || FSampleSize > 1);
}

void TForm1::RefreshPickCursor() {
    if (!PickCursorShown()) {
        Img1->SetOutline({});
        return;
    }
    const QPoint at = CursorPlace();
    const int half = FSampleSize / 2;
    const TBitmap& bitmap = *Img1->Bitmap();
    Img1->SetOutline(QRect(at.x() - half, at.y() - half, FSampleSize, FSampleSize) &
                     QRect(0, 0, bitmap.Width(), bitmap.Height()));
}

void TForm1::PickPixel(QPoint pixel) {
    // A managed picture's pick is worked out once, for the display and the
    // colour menu both.
    const TBitmapImage* stored = ManagedPicture();
    const std::optional<TPictureColour> own =
        stored ? std::optional(
                     PictureColourAt(*stored, *stored->Profile, pixel.x(), pixel.y(), FSampleSize))
               : std::nullopt;
    const TColor colour = own ? ShownColour(*own) : PickedColour(pixel.x(), pixel.y());
    ShowColor(colour);
    FPictureColour = own;
    RememberPick(colour);
    FPicked = Clamped(pixel, *Img1->Bitmap());
    RefreshPickCursor();
    DescribeView();
}

void TForm1::MovePickCursor(int dx, int dy) {
    const TBitmap* bitmap = Img1->Bitmap();
    if (!bitmap || bitmap->Empty()) {
        return;
    }
    FKeyboardPicks = true;
    const QPoint to = Clamped(CursorPlace() + QPoint(dx, dy), *bitmap);
    PickPixel(to);
    // The view follows: the pixel's middle, with a zoomed pixel's margin.
    const int x = int((to.x() + 0.5) * Img1->width() / bitmap->Width());
    const int y = int((to.y() + 0.5) * Img1->height() / bitmap->Height());
    const int margin = std::max(8, Img1->width() / bitmap->Width() + 2);
    SCRLB1->ensureVisible(x, y, margin, margin);
}

void TForm1::ImgKeyboardClick(TObject*) {
    const TBitmap* bitmap = Img1->Bitmap();
    if (Mode == 2 && bitmap && !bitmap->Empty()) {
        Img1->setFocus();
        RefreshPickCursor(); // also while the window waits to be active again
    }
}

void TForm1::SetSampleSize(int side) {
    FSampleSize = side;
    RefreshPickCursor();
    DescribeView();
}

// The arrow keys on the picture area and, in the image mode, on the focus
// sink, where the capture, the paste and the drop leave the focus; Escape
// gives the picture area's focus back to the file list.
bool TForm1::HandleCursorKey(QWidget& target, const QKeyEvent& key) {
    const TBitmap* bitmap = Img1->Bitmap();
    if (Mode != 2 || !bitmap || bitmap->Empty() || (&target != Img1 && &target != Edit0)) {
        return false;
    }
    const Qt::KeyboardModifiers modifiers = key.modifiers() & ~Qt::KeypadModifier;
    if (&target == Img1 && key.key() == Qt::Key_Escape && modifiers == Qt::NoModifier) {
        FLB1->setFocus();
        return true;
    }
    if (modifiers != Qt::NoModifier && modifiers != Qt::ShiftModifier) {
        return false;
    }
    const int step = modifiers == Qt::ShiftModifier ? ShiftStep : 1;
    switch (key.key()) {
    case Qt::Key_Left:
        MovePickCursor(-step, 0);
        return true;
    case Qt::Key_Right:
        MovePickCursor(step, 0);
        return true;
    case Qt::Key_Up:
        MovePickCursor(0, -step);
        return true;
    case Qt::Key_Down:
        MovePickCursor(0, step);
        return true;
    default:
        return false;
    }
}

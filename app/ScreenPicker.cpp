#include "ScreenPicker.h"

#include "ColorNotation.h"
#include "PickOverlay.h"
#include "Sample.h"

#include <QCursor>
#include <QEventLoop>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cmath>
#include <utility>

namespace {

TColor PixelOf(const QImage& image, int x, int y) {
    const QRgb pixel = reinterpret_cast<const QRgb*>(image.constScanLine(y))[x];
    return RGB(qRed(pixel), qGreen(pixel), qBlue(pixel));
}

std::string ScreenName(const QScreen& screen, std::size_t index) {
    std::string name = "画面 " + std::to_string(index + 1);
    if (!screen.name().isEmpty()) {
        name += " (" + screen.name().toStdString() + ")";
    }
    return name;
}

} // namespace

TScreenPicker::TScreenPicker(TFrozenScreen screen, int side)
    : FScreen(std::move(screen)), FSide(std::max(side, 1)) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    const std::vector<TOutputPlace> outputs = DesktopOutputs();
    const std::vector<TOutputInCapture> places = PlaceOutputs(outputs, FScreen.Size());
    // The server shows its copy only pixel for pixel; an output the desktop
    // enlarged is drawn by the program, from the capture in memory.
    const auto resampled = [](const TOutputInCapture& place) { return place.Resampled; };
    if (FScreen.OnServer() && std::any_of(places.begin(), places.end(), resampled)) {
        FScreen = TFrozenScreen(FScreen.Pixels(FScreen.Rect()));
    }
    for (const std::size_t i : OutputsToCover(outputs)) {
        QScreen& screen = *screens[qsizetype(i)];
        TPickOverlay& overlay = TPickOverlay::ForScreen(screen);
        overlay.Attach(*this, places[i], ScreenName(screen, FOverlays.size()));
        FOverlays.push_back(&overlay);
    }
}

namespace {

template <typename Act> void ForEachWindow(Act act) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    for (const std::size_t i : OutputsToCover(DesktopOutputs())) {
        act(TPickOverlay::ForScreen(*screens[qsizetype(i)]));
    }
}

} // namespace

void TScreenPicker::MakeWindows() {
    ForEachWindow([](TPickOverlay& overlay) { overlay.Make(); });
}

void TScreenPicker::TouchWindows() {
    ForEachWindow([](TPickOverlay& overlay) { overlay.Touch(); });
}

TScreenPicker::~TScreenPicker() {
    for (TPickOverlay* overlay : FOverlays) {
        overlay->Release();
    }
}

std::optional<TColor> TScreenPicker::Exec() {
    Show();
    if (!FDone) {
        QEventLoop loop;
        connect(this, &TScreenPicker::Finished, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return FResult;
}

std::size_t TScreenPicker::OutputUnderPointer() const {
    const QPoint pointer = QCursor::pos();
    for (std::size_t i = 0; i < FOverlays.size(); ++i) {
        if (FOverlays[i]->Screen().geometry().contains(pointer)) {
            return i;
        }
    }
    return 0;
}

// The pick starts under the pointer, where the user looks; the keyboard goes
// to that output's window.
void TScreenPicker::Show() {
    for (TPickOverlay* overlay : FOverlays) {
        overlay->Cover();
    }
    if (FOverlays.empty()) {
        Finish(std::nullopt);
        return;
    }
    const std::size_t output = OutputUnderPointer();
    TPickOverlay* first = FOverlays[output];
    MoveTo(output, first->PixelUnderPointer(first->mapFromGlobal(QCursor::pos())), false);
    first->raise();
    first->activateWindow();
    first->setFocus();
}

TColor TScreenPicker::ColourAt(QPoint pixel) const {
    const int half = FSide / 2;
    const QRect square = QRect(pixel - QPoint(half, half), QSize(FSide, FSide)) & FScreen.Rect();
    if (square.isEmpty()) {
        return CLR_INVALID;
    }
    const QImage pixels = FScreen.Pixels(square);
    auto pixelAt = [&](int x, int y) {
        return PixelOf(pixels, x - square.left(), y - square.top());
    };
    if (FSide <= 1) {
        return pixelAt(pixel.x(), pixel.y());
    }
    return MeanOfSquare(pixelAt, FScreen.Size().width(), FScreen.Size().height(), pixel.x(),
                        pixel.y(), FSide);
}

std::string TScreenPicker::PlaceText() const {
    return "x " + std::to_string(FPoint.x()) + ", y " + std::to_string(FPoint.y()) + ": " +
           RgbText(FColour);
}

void TScreenPicker::PointAt(const TPickOverlay& overlay, QPoint pixel) {
    for (std::size_t i = 0; i < FOverlays.size(); ++i) {
        if (FOverlays[i] == &overlay) {
            MoveTo(i, pixel, false);
        }
    }
}

void TScreenPicker::MoveBy(int dx, int dy) {
    if (FOverlays.empty()) {
        return;
    }
    // One device pixel of this output, in captured pixels.
    const TOutputInCapture& place = FOverlays[FOutput]->Place();
    const qreal ratio = FOverlays[FOutput]->Screen().devicePixelRatio();
    const int stepX = std::max(1, int(std::lround(place.ScaleX / ratio)));
    const int stepY = std::max(1, int(std::lround(place.ScaleY / ratio)));
    const QPoint to = FPoint + QPoint(dx * stepX, dy * stepY);
    for (std::size_t i = 0; i < FOverlays.size(); ++i) {
        if (FOverlays[i]->Place().Capture.contains(to)) {
            MoveTo(i, to, true);
            return;
        }
    }
    const QRect& inside = place.Capture;
    MoveTo(FOutput,
           {std::clamp(to.x(), inside.left(), inside.right()),
            std::clamp(to.y(), inside.top(), inside.bottom())},
           true);
}

void TScreenPicker::MoveTo(std::size_t output, QPoint pixel, bool byKeys) {
    const std::size_t was = FOutput;
    const bool moved = pixel != FPoint || output != FOutput || byKeys != FKeyDriven;
    FOutput = output;
    FPoint = pixel;
    FColour = ColourAt(pixel);
    FKeyDriven = byKeys;
    if (!moved) {
        return;
    }
    if (was != output && was < FOverlays.size()) {
        FOverlays[was]->PickPointMoved();
        // The keys go on where the point went.
        FOverlays[output]->activateWindow();
        FOverlays[output]->setFocus();
    }
    FOverlays[output]->PickPointMoved();
}

void TScreenPicker::ChangeMagnification(int steps) {
    const int last = int(std::size(Magnifications)) - 1;
    FMagnification = std::clamp(FMagnification + steps, 0, last);
    if (FOutput < FOverlays.size()) {
        FOverlays[FOutput]->PickPointMoved();
    }
}

void TScreenPicker::Pick() {
    Finish(FColour);
}

void TScreenPicker::Cancel() {
    Finish(std::nullopt);
}

void TScreenPicker::Finish(std::optional<TColor> result) {
    if (FDone) {
        return;
    }
    FDone = true;
    FResult = result;
    // Told while the overlays still show: on Wayland only a window that has
    // the keyboard may take the clipboard.
    emit Finished();
    for (TPickOverlay* overlay : FOverlays) {
        overlay->hide();
    }
}

#pragma once

#include "CaptureLayout.h"
#include "Color.h"
#include "FrozenScreen.h"

#include <QImage>
#include <QObject>
#include <optional>
#include <vector>

class TPickOverlay;

// A pick off the frozen screen: every output covered by a window of its own
// showing that output's part of one capture of the desktop, a loupe at the
// pick point, the pointer or the arrow keys moving it, a click or Return
// picking, Escape or the right button cancelling. The colour comes from the
// captured pixels, never from what the overlays draw.
class TScreenPicker : public QObject {
    Q_OBJECT
public:
    // The loupe's magnifications, device pixels a captured pixel.
    static constexpr int Magnifications[] = {4, 6, 8, 10, 14, 20, 28};
    static constexpr int DefaultMagnification = 3; // 10 ×

    // screen: the whole desktop, as FreezeScreen gives it; side: the side
    // of the square a pick averages.
    TScreenPicker(TFrozenScreen screen, int side);
    ~TScreenPicker() override;
    TScreenPicker(const TScreenPicker&) = delete;
    TScreenPicker& operator=(const TScreenPicker&) = delete;

    // The windows that will cover the outputs, which the next pick takes:
    // made before the screen is read, and their memory written while it is.
    static void MakeWindows();
    static void TouchWindows();

    // Covers the outputs and waits until the user picks or cancels: the
    // colour picked, none when cancelled.
    std::optional<TColor> Exec();
    // Covers the outputs and returns at once; Finished is signalled later.
    void Show();
    bool Done() const { return FDone; }
    std::optional<TColor> Result() const { return FResult; }

    const TFrozenScreen& Frozen() const { return FScreen; }
    const std::vector<TPickOverlay*>& Overlays() const { return FOverlays; }
    // The captured pixel the pick stands on, and the output it lies on.
    QPoint PickPoint() const { return FPoint; }
    std::size_t PickOutput() const { return FOutput; }
    // Whether the arrow keys moved the point last (the overlay then draws a
    // cross-hair of its own, as the pointer may stand elsewhere).
    bool KeyDriven() const { return FKeyDriven; }
    int SampleSide() const { return FSide; }
    int Magnification() const { return Magnifications[FMagnification]; }
    // The colour a pick at a captured pixel gives: the mean of the sample
    // square inside the capture.
    TColor ColourAt(QPoint pixel) const;
    // The colour a pick at the pick point gives now.
    TColor PickColour() const { return FColour; }
    // What the pick point's place and colour read as: "x 120, y 45: RGB(…)".
    std::string PlaceText() const;

    // What the overlays ask on the user's behalf.
    // The pointer stands on this captured pixel of the overlay's output.
    void PointAt(const TPickOverlay& overlay, QPoint pixel);
    // Moves by whole device pixels of the output the point is on, onto the
    // neighbouring output past an edge.
    void MoveBy(int dx, int dy);
    void ChangeMagnification(int steps);
    void Pick();
    void Cancel();

signals:
    void Finished();

private:
    void MoveTo(std::size_t output, QPoint pixel, bool byKeys);
    void Finish(std::optional<TColor> result);
    // The output the pointer is on; the first when it is on none.
    std::size_t OutputUnderPointer() const;

    TFrozenScreen FScreen;
    int FSide;
    std::vector<TPickOverlay*> FOverlays;
    std::size_t FOutput = 0;
    QPoint FPoint;
    TColor FColour = CLR_INVALID; // of a pick at FPoint
    bool FKeyDriven = false;
    int FMagnification = DefaultMagnification;
    bool FDone = false;
    std::optional<TColor> FResult;
};

#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <vector>

// Where each output of the desktop lies in a capture of the whole desktop.
//
// An X server's root window holds every output in device pixels, each at its
// own place; Qt keeps a screen's top-left corner in those pixels and divides
// only its size by the scale. A Wayland desktop's portal gives the logical
// layout drawn at one scale, the largest, so that an output of a lower scale
// was enlarged by the desktop before irochi ever saw it.

struct TOutputPlace {
    QRect Logical; // the screen's geometry as Qt gives it
    qreal Ratio;   // the screen's device pixel ratio
};

struct TOutputInCapture {
    QRect Capture; // the output's part of the capture, in capture pixels
    // Capture pixels to a logical pixel of the output, across and down.
    qreal ScaleX;
    qreal ScaleY;
    // The desktop enlarged this output's picture: its capture pixels are
    // finer than its device pixels.
    bool Resampled;
};

// The outputs' parts of a capture of this size, in the order given: the
// X11 layout when the outputs in device pixels fill the capture exactly,
// else the logical layout scaled to fill it.
std::vector<TOutputInCapture> PlaceOutputs(const std::vector<TOutputPlace>& outputs, QSize capture);

// The outputs that get a window of their own, by their index: one of
// outputs that show the same part of the desktop (mirrored), and none that
// spans others (an X server lists the whole screen beside its monitors).
std::vector<std::size_t> OutputsToCover(const std::vector<TOutputPlace>& outputs);

// The pixel, of `scale` pixels to a logical one, that a logical position
// lies in; a position on a pixel's edge, which a division may have left a
// hair short, belongs to that pixel.
int PixelAt(qreal logical, qreal scale);

// The capture pixel under a logical point of an output (its own
// coordinates): the device pixel under the point where the capture is the
// output's own pixels.
QPoint CapturePixel(const TOutputInCapture& output, QPointF local);

// The logical point of an output at the middle of a capture pixel.
QPointF OutputPoint(const TOutputInCapture& output, QPoint pixel);

// The outputs of the running desktop, as Qt knows them.
std::vector<TOutputPlace> DesktopOutputs();

#pragma once

#include <QObject>

class QWidget;

// The device pixel ratio a widget is painted and shown at: its window's, the
// scale of the window's surface. A widget's own devicePixelRatioF() follows
// the screen, and can run ahead of the window: Qt 6.4 on Wayland keeps a
// window's surface at its old scale while its output is rescaled, and the
// compositor then scales the whole window.
qreal WindowRatio(const QWidget& widget);

// Whether a window that moves to a screen of another ratio keeps its size in
// device pixels, as X11 windows (and Qt's offscreen ones) do. A Wayland
// compositor sizes windows in logical pixels itself.
bool WindowKeepsDevicePixelsAcrossRatios();

// Keeps each window's backing store at its window's ratio. After a window
// moves to an output of another scale, Qt 6.4's Wayland backing store can
// hand out a buffer of the same pixel size made for the old scale; painted at
// that scale, the window would be drawn at two sizes at once, flipping from
// frame to frame. Such a buffer is given the window's ratio when it is first
// painted, and the whole window is painted again at that ratio.
class TWindowRatioKeeper : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

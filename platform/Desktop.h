#pragma once

#include "ScreenCapture.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <optional>
#include <string>

class QWidget;

// What the window asks of the desktop besides its controls and the
// clipboard. Each answer is asked for afresh whenever it is needed. Tests
// derive from it to put the program somewhere else or the cursor elsewhere.
class TDesktop {
public:
    TDesktop();
    virtual ~TDesktop() = default;
    // The running executable's full path, as the system's bytes.
    virtual std::string ExecutablePath() const;
    // The mouse cursor's hot spot now, in device pixels of the window's client
    // area: on a scaled display a logical position would be rounded to the
    // neighbour of the pixel under the cursor. On X11 the server is asked; a
    // Wayland client only learns where the pointer is from its own events,
    // so there it is the position of the last pointer event the program got.
    virtual QPoint CursorPos(const QWidget& window) const;
    // Whether the user may create files in the folder.
    virtual bool FolderWritable(const std::string& folder) const;
    // The whole desktop as it is composed now (ScreenCapture.h); throws
    // Exception saying why it cannot be had, EAbort when the user cancels;
    // `meanwhile` is done while the desktop makes the picture.
    virtual QImage CaptureScreen(const QWidget& window, const TMeanwhile& meanwhile) const;
    // The same, held for a pick (TFrozenScreen).
    virtual TFrozenScreen FreezeScreen(const QWidget& window, const TMeanwhile& meanwhile) const;
    // The user's own configuration folder for this program
    // ($XDG_CONFIG_HOME/irochi, by default ~/.config/irochi).
    virtual std::string UserConfigFolder() const;
};

// The pointer relative to an X window, in its native pixels, which are the
// device pixels the window is painted in; none off X11. Qt's own pointer
// events there name a logical position that a fractional scale has rounded.
std::optional<QPoint> X11PointerPosition(const QWidget& window);

// Where a window of this outer size is put when it would like to stand at
// wanted: there, when it fits the area; otherwise moved just enough to lie
// inside it, and at the area's top-left corner on a side it is too large for.
QPoint PlaceInside(QRect wanted, QRect area);

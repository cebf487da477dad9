#pragma once

#include "FrozenScreen.h"

#include <QImage>
#include <functional>

class QWidget;

// The whole desktop as it is composed now, every output at device
// resolution: through the desktop portal's Screenshot interface where the
// session offers it (every Wayland desktop, and X11 ones that have it),
// otherwise on X11 by reading the root window. `window` is the window asking.
// Throws Exception saying why when no way works or the desktop refuses, and
// EAbort when the user cancels the portal's own dialog. `meanwhile` is done
// once, while the desktop makes the picture: the request sent, its answer
// not yet read.
using TMeanwhile = std::function<void()>;
QImage CaptureScreen(const QWidget& window, const TMeanwhile& meanwhile = {});

// The portal's answer alone; a null image when the session has no portal
// with a Screenshot interface. Throws as CaptureScreen does.
QImage CaptureThroughPortal(const TMeanwhile& meanwhile = {});

// The X server's root window under `window`; a null image when the program
// does not run on X11.
QImage CaptureX11Root(const QWidget& window, const TMeanwhile& meanwhile = {});

// The whole desktop as CaptureScreen gives it, for a pick: on X11 the root
// window is copied by the server into a pixmap it keeps, so that the overlays
// show it at once (TFrozenScreen). `meanwhile` is done only while the program
// waits for the picture.
TFrozenScreen FreezeScreen(const QWidget& window, const TMeanwhile& meanwhile = {});
TFrozenScreen FreezeX11Root(const QWidget& window, const TMeanwhile& meanwhile = {});

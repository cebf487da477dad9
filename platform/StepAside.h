#pragma once

class QWidget;

// Hides `window` and returns once the screen shows again what it covered,
// so that a capture taken next does not hold it. On an X server without a
// compositing manager that is known exactly: the window (or the window
// manager's frame around it) is unmapped, and the server itself repaints
// the desktop's background beneath at once. Where other programs' windows
// lay under it, or a compositor or the Wayland desktop draws the screen,
// nothing tells when they have redrawn, and a fixed wait long enough for
// them is kept.
void StepAside(QWidget& window);

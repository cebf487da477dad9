#pragma once

#include <QMouseEvent>
#include <QRect>

// A click as the window's controls count it: the left button pressed over the
// control and released inside it.
class TClickTracker {
public:
    void Press(const QMouseEvent* event) { FLeftPressed = event->button() == Qt::LeftButton; }
    // True when this release completes a click.
    bool Release(const QMouseEvent* event, const QRect& area) {
        const bool click = FLeftPressed && event->button() == Qt::LeftButton &&
                           area.contains(event->position().toPoint());
        FLeftPressed = false;
        return click;
    }

private:
    bool FLeftPressed = false;
};

#pragma once

#include "ClickTracker.h"
#include "Events.h"

#include <QWidget>

// The picture control: raises OnClick when the left button is pressed over it
// and released inside it.
class TImage : public QWidget {
    Q_OBJECT
public:
    explicit TImage(QWidget* parent);

    bool Stretch() const { return FStretch; }
    void SetStretch(bool stretch) { FStretch = stretch; }

    TNotifyEvent OnClick;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool FStretch = false;
    TClickTracker FClick;
};

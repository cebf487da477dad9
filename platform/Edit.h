#pragma once

#include "ClickTracker.h"
#include "Color.h"
#include "Events.h"

#include <QLineEdit>

// A single-line edit box with Japanese input switched off. It keeps its colour
// as a full 32-bit value, whatever of it can be painted, and raises OnClick
// when the left button is pressed and released over it.
class TEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TEdit(QWidget* parent);

    TColor Color() const { return FColor; }
    void SetColor(TColor color);
    void SetFontColor(TColor color);
    void SetBorder(bool sunken) { setFrame(sunken); }

    TNotifyEvent OnClick;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    TColor FColor = clWhite;
    TClickTracker FClick;
};

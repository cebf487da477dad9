#pragma once

#include "ClickTracker.h"
#include "Color.h"
#include "Events.h"

#include <QLineEdit>

// A single-line edit box with Japanese input switched off. It keeps its colour
// as a full 32-bit value, whatever of it can be painted, and raises OnClick
// when the left button is pressed and released over it, and, when it has an
// OnClick, for Space, Return and keypad Enter, as a button does; such an edit
// shows the keyboard focus as a frame inside its border.
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
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    static constexpr int FocusInset = 3; // inside the sunken border
    TColor FColor = clWhite;
    TClickTracker FClick;
};

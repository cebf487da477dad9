#include "Events.h"

#include <QKeyEvent>

TMouseButton ToMouseButton(Qt::MouseButton button) {
    switch (button) {
    case Qt::RightButton:
        return TMouseButton::mbRight;
    case Qt::MiddleButton:
        return TMouseButton::mbMiddle;
    default:
        return TMouseButton::mbLeft;
    }
}

TShiftState ToShiftState(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) {
    TShiftState state = 0;
    state |= modifiers & Qt::ShiftModifier ? unsigned(ssShift) : 0u;
    state |= modifiers & Qt::AltModifier ? unsigned(ssAlt) : 0u;
    state |= modifiers & Qt::ControlModifier ? unsigned(ssCtrl) : 0u;
    state |= buttons & Qt::LeftButton ? unsigned(ssLeft) : 0u;
    state |= buttons & Qt::RightButton ? unsigned(ssRight) : 0u;
    state |= buttons & Qt::MiddleButton ? unsigned(ssMiddle) : 0u;
    return state;
}

bool IsMenuKey(const QKeyEvent& key) {
    return (key.key() == Qt::Key_Menu && key.modifiers() == Qt::NoModifier) ||
           (key.key() == Qt::Key_F10 && key.modifiers() == Qt::ShiftModifier);
}

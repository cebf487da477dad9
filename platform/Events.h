#pragma once

#include <QObject>

class QKeyEvent;
#include <functional>

// The callbacks the window's controls raise. Sender is the control.
using TObject = QObject;
using TNotifyEvent = std::function<void(TObject* Sender)>;

enum class TMouseButton { mbLeft, mbRight, mbMiddle };

// Modifier keys and mouse buttons held during a mouse event.
enum TShiftFlag : unsigned {
    ssShift = 1,
    ssAlt = 2,
    ssCtrl = 4,
    ssLeft = 8,
    ssRight = 16,
    ssMiddle = 32,
};
using TShiftState = unsigned;

using TMouseEvent =
    std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;

TMouseButton ToMouseButton(Qt::MouseButton button);
TShiftState ToShiftState(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons);

// The keys that ask for the focused control's menu: the Menu key, Shift+F10.
bool IsMenuKey(const QKeyEvent& key);

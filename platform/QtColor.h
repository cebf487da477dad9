#pragma once

#include "Color.h"

#include <QColor>
#include <QPalette>

// The one conversion from a colour value to Qt's colour. System colours (top
// byte 0xFF) are taken from the application palette; any other top byte is
// ignored and the low 24 bits give the colour.
QColor ColorToQColor(TColor color);

#include "QtColor.h"

#include <QApplication>

QColor ColorToQColor(TColor color) {
    const auto bits = static_cast<std::uint32_t>(color);
    if ((bits & 0xFF000000u) == SystemColorFlag) {
        const QPalette palette = QApplication::palette();
        switch (bits & 0xFFu) {
        case COLOR_BTNFACE:
            return palette.color(QPalette::Button);
        case COLOR_WINDOWTEXT:
            return palette.color(QPalette::WindowText);
        case COLOR_WINDOW:
            return palette.color(QPalette::Base);
        default:
            break;
        }
    }
    return QColor(GetRValue(color), GetGValue(color), GetBValue(color));
}

#include "QtXcb.h"

#include <QGuiApplication>

xcb_connection_t* QtXcbConnection() {
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

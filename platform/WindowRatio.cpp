#include "WindowRatio.h"

#include <QBackingStore>
#include <QEvent>
#include <QGuiApplication>
#include <QImage>
#include <QWidget>
#include <QWindow>

qreal WindowRatio(const QWidget& widget) {
    const QWidget* window = widget.window();
    const QWindow* handle = window ? window->windowHandle() : nullptr;
    return handle ? handle->devicePixelRatio() : widget.devicePixelRatioF();
}

bool WindowKeepsDevicePixelsAcrossRatios() {
    return !QGuiApplication::platformName().startsWith("wayland");
}

bool TWindowRatioKeeper::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Paint || !watched->isWidgetType()) {
        return false;
    }
    QWidget* window = static_cast<QWidget*>(watched)->window();
    QBackingStore* store = window->backingStore();
    const QWindow* handle = window->windowHandle();
    // A window paints into its backing store once it is exposed; then the
    // store's device is the buffer painted. One that draws itself on the
    // screen has a store that was never made.
    if (!store || !handle || !handle->isExposed() || window->testAttribute(Qt::WA_PaintOnScreen)) {
        return false;
    }
    QPaintDevice* device = store->paintDevice();
    if (!device || device->devType() != QInternal::Image) {
        return false;
    }
    auto* buffer = static_cast<QImage*>(device);
    const qreal ratio = handle->devicePixelRatio();
    if (buffer->devicePixelRatio() != ratio) {
        buffer->setDevicePixelRatio(ratio);
        window->update();
    }
    return false;
}

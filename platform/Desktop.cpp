#include "Desktop.h"

#include "CaptureLayout.h"

#include "FileSystem.h"
#include "QtXcb.h"
#include "ScreenCapture.h"
#include "WindowRatio.h"

#include <QCoreApplication>
#include <QCursor>
#include <QFile>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QStandardPaths>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>

namespace {

// The last place the pointer was reported at, with the window it was in, at
// the full precision of the event (a Wayland surface position is a fraction
// of a logical pixel).
class TPointerTracker : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::MouseMove:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
            if (auto* window = qobject_cast<QWindow*>(watched)) {
                Window = window;
                Position = static_cast<QMouseEvent*>(event)->scenePosition();
            }
            break;
        default:
            break;
        }
        return false;
    }

    QPointer<QWindow> Window;
    QPointF Position;
};

TPointerTracker& Tracker() {
    static TPointerTracker tracker;
    return tracker;
}

} // namespace

std::optional<QPoint> X11PointerPosition(const QWidget& window) {
    xcb_connection_t* connection = QtXcbConnection();
    if (!connection) {
        return std::nullopt;
    }
    const auto id = static_cast<xcb_window_t>(window.winId());
    const auto reply =
        Owned(xcb_query_pointer_reply(connection, xcb_query_pointer(connection, id), nullptr));
    if (!reply || !reply->same_screen) {
        return std::nullopt;
    }
    return QPoint(reply->win_x, reply->win_y);
}

TDesktop::TDesktop() {
    static const bool installed = [] {
        QCoreApplication::instance()->installEventFilter(&Tracker());
        return true;
    }();
    (void)installed;
}

std::string TDesktop::ExecutablePath() const {
    return QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString();
}

QPoint TDesktop::CursorPos(const QWidget& window) const {
    if (const auto device = X11PointerPosition(window)) {
        return *device;
    }
    const qreal ratio = WindowRatio(window);
    const TPointerTracker& tracker = Tracker();
    if (tracker.Window && tracker.Window == window.windowHandle()) {
        return {PixelAt(tracker.Position.x(), ratio), PixelAt(tracker.Position.y(), ratio)};
    }
    const QPoint logical = window.mapFromGlobal(QCursor::pos());
    return {PixelAt(logical.x(), ratio), PixelAt(logical.y(), ratio)};
}

bool TDesktop::FolderWritable(const std::string& folder) const {
    return ::FolderWritable(folder);
}

std::string TDesktop::UserConfigFolder() const {
    return QFile::encodeName(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation))
        .toStdString();
}

QPoint PlaceInside(QRect wanted, QRect area) {
    auto axis = [](int start, int length, int areaStart, int areaLength) {
        if (length >= areaLength) {
            return areaStart;
        }
        return std::clamp(start, areaStart, areaStart + areaLength - length);
    };
    return {axis(wanted.x(), wanted.width(), area.x(), area.width()),
            axis(wanted.y(), wanted.height(), area.y(), area.height())};
}

QImage TDesktop::CaptureScreen(const QWidget& window, const TMeanwhile& meanwhile) const {
    return ::CaptureScreen(window, meanwhile);
}

TFrozenScreen TDesktop::FreezeScreen(const QWidget& window, const TMeanwhile& meanwhile) const {
    return ::FreezeScreen(window, meanwhile);
}

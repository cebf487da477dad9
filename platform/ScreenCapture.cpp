#include "ScreenCapture.h"

#include "Exceptions.h"
#include "QtXcb.h"

#include <QColorSpace>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QTimer>
#include <QUrl>
#include <QVariantMap>
#include <QWidget>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <utility>
#include <xcb/xcb.h>

namespace {

const QString PortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString PortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
constexpr int PortalCallMs = 30000;
constexpr int PortalAnswerMs = 60000;

[[noreturn]] void Refuse(const QString& why) {
    throw Exception("画面を取り込めません: " + why.toStdString());
}

// Whether the portal's error means that there is no portal to ask.
bool NoPortal(const QDBusError& error) {
    switch (error.type()) {
    case QDBusError::ServiceUnknown:
    case QDBusError::UnknownInterface:
    case QDBusError::UnknownMethod:
    case QDBusError::UnknownObject:
        return true;
    default:
        return false;
    }
}

// The request object's path the portal will answer on, known before the call
// so that no answer can come before we listen (the portal's documented rule).
QString RequestPath(const QDBusConnection& bus, const QString& token) {
    QString sender = bus.baseService().mid(1);
    sender.replace('.', '_');
    return PortalPath + "/request/" + sender + "/" + token;
}

} // namespace

// Waits for the Response signal of one portal request.
class TPortalRequest : public QObject {
    Q_OBJECT
public:
    bool Answered = false;
    uint Response = 2;
    QVariantMap Results;
    QEventLoop Loop;

public slots:
    void Answer(uint response, const QVariantMap& results) {
        Answered = true;
        Response = response;
        Results = results;
        Loop.quit();
    }
};

QImage CaptureThroughPortal(const TMeanwhile& meanwhile) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()) {
        return {};
    }
    const QDBusConnectionInterface& names = *bus.interface();
    if (!names.isServiceRegistered(PortalService) &&
        !names.activatableServiceNames().value().contains(PortalService)) {
        return {};
    }
    static int requests = 0;
    const QString token = QStringLiteral("irochi%1").arg(++requests);
    TPortalRequest request;
    auto listen = [&](const QString& path) {
        bus.connect(PortalService, path, "org.freedesktop.portal.Request", "Response", &request,
                    SLOT(Answer(uint, QVariantMap)));
    };
    const QString predicted = RequestPath(bus, token);
    listen(predicted);

    QDBusMessage call = QDBusMessage::createMethodCall(
        PortalService, PortalPath, "org.freedesktop.portal.Screenshot", "Screenshot");
    const QVariantMap options{{"handle_token", token}, {"interactive", false}, {"modal", true}};
    call << QString() << options;
    const QDBusMessage reply = bus.call(call, QDBus::Block, PortalCallMs);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        const QDBusError error(reply);
        if (NoPortal(error)) {
            return {};
        }
        Refuse("デスクトップポータルの答え: " + error.message());
    }
    const QString handle = reply.arguments().value(0).value<QDBusObjectPath>().path();
    if (!handle.isEmpty() && handle != predicted) {
        listen(handle); // an older portal names its own path
    }
    if (meanwhile) {
        meanwhile();
    }
    if (!request.Answered) {
        QTimer::singleShot(PortalAnswerMs, &request.Loop, &QEventLoop::quit);
        request.Loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    if (!request.Answered) {
        Refuse("デスクトップポータルが答えません");
    }
    if (request.Response == 1) {
        throw EAbort("画面の取り込みは取り消されました");
    }
    if (request.Response != 0) {
        Refuse("デスクトップが取り込みを断りました");
    }
    const QUrl uri(request.Results.value("uri").toString());
    QImageReader reader(uri.toLocalFile());
    QImage image = reader.read();
    // The screen stays in memory only: the file the portal wrote for us,
    // read or not, is removed.
    if (uri.isLocalFile()) {
        QFile::remove(uri.toLocalFile());
    }
    if (image.isNull()) {
        Refuse("ポータルの画像を読めません (" + reader.errorString() + ")");
    }
    // The screen's numbers are the display's, shown as they are.
    image.setColorSpace(QColorSpace());
    return image;
}

namespace {

struct TRoot {
    xcb_connection_t* Connection = nullptr;
    xcb_window_t Window = 0;
    int Width = 0, Height = 0, Depth = 0;
};

// The X server's root window under `window`; none when the program does not
// run on X11.
std::optional<TRoot> RootUnder(const QWidget& window) {
    xcb_connection_t* connection = QtXcbConnection();
    if (!connection) {
        return std::nullopt;
    }
    const auto id = static_cast<xcb_window_t>(window.winId());
    const auto own =
        Owned(xcb_get_geometry_reply(connection, xcb_get_geometry(connection, id), nullptr));
    if (!own) {
        Refuse("X サーバーが答えません");
    }
    const auto root =
        Owned(xcb_get_geometry_reply(connection, xcb_get_geometry(connection, own->root), nullptr));
    if (!root) {
        Refuse("X サーバーが答えません");
    }
    return TRoot{connection, own->root, root->width, root->height, root->depth};
}

} // namespace

QImage CaptureX11Root(const QWidget& window, const TMeanwhile& meanwhile) {
    const std::optional<TRoot> root = RootUnder(window);
    if (!root) {
        return {};
    }
    xcb_connection_t* connection = root->Connection;
    const int width = root->Width;
    const int height = root->Height;
    const xcb_get_image_cookie_t asked =
        xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, root->Window, 0, 0,
                      std::uint16_t(width), std::uint16_t(height), ~0u);
    xcb_flush(connection);
    if (meanwhile) {
        meanwhile();
    }
    xcb_get_image_reply_t* picture = xcb_get_image_reply(connection, asked, nullptr);
    const std::size_t rowBytes = std::size_t(width) * 4;
    // A 24- or 32-bit screen keeps each pixel in 32 bits, blue first.
    if (!picture || (picture->depth != 24 && picture->depth != 32) ||
        xcb_get_setup(connection)->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST ||
        std::size_t(xcb_get_image_data_length(picture)) != rowBytes * std::size_t(height)) {
        std::free(picture);
        Refuse("この X サーバーの画面の形式は読めません");
    }
    // The rows are the reply's own, which the picture frees with itself.
    QImage image(xcb_get_image_data(picture), width, height, qsizetype(rowBytes),
                 QImage::Format_RGB32, &std::free, picture);
    return image;
}

namespace {

bool Empty(const QImage& image) {
    return image.isNull();
}

bool Empty(const TFrozenScreen& screen) {
    return screen.IsNull();
}

// The portal where the session offers one, otherwise the root window as
// readRoot reads it.
template <typename Capture, typename ReadRoot>
Capture PortalOrRoot(const TMeanwhile& meanwhile, const ReadRoot& readRoot) {
    bool done = false;
    const TMeanwhile once = [&] {
        if (meanwhile && !std::exchange(done, true)) {
            meanwhile();
        }
    };
    QImage portal;
    try {
        portal = CaptureThroughPortal(once);
    } catch (const EAbort&) {
        throw;
    } catch (const Exception&) {
        // A portal that fails on X11 (one made for another desktop) leaves
        // the root window, which never refuses.
        Capture root = readRoot(once);
        if (Empty(root)) {
            throw;
        }
        return root;
    }
    if (!portal.isNull()) {
        return Capture(std::move(portal));
    }
    Capture root = readRoot(once);
    if (Empty(root)) {
        Refuse("この環境には画面を取り込む方法がありません (デスクトップポータルも X "
               "サーバーも見つかりません)");
    }
    return root;
}

} // namespace

QImage CaptureScreen(const QWidget& window, const TMeanwhile& meanwhile) {
    return PortalOrRoot<QImage>(
        meanwhile, [&](const TMeanwhile& once) { return CaptureX11Root(window, once); });
}

// The copy is the server's own work, queued before whatever the program asks
// next: nothing waits for it here.
TFrozenScreen FreezeX11Root(const QWidget& window, const TMeanwhile& meanwhile) {
    const std::optional<TRoot> root = RootUnder(window);
    if (!root) {
        return {};
    }
    xcb_connection_t* connection = root->Connection;
    if ((root->Depth != 24 && root->Depth != 32) ||
        xcb_get_setup(connection)->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST) {
        return TFrozenScreen(CaptureX11Root(window, meanwhile)); // which says why not
    }
    const xcb_pixmap_t pixmap = xcb_generate_id(connection);
    const xcb_void_cookie_t made =
        xcb_create_pixmap_checked(connection, std::uint8_t(root->Depth), pixmap, root->Window,
                                  std::uint16_t(root->Width), std::uint16_t(root->Height));
    if (xcb_generic_error_t* error = xcb_request_check(connection, made)) {
        // No room on the server for a second screen: the program holds it.
        std::free(error);
        return TFrozenScreen(CaptureX11Root(window, meanwhile));
    }
    const xcb_gcontext_t gc = xcb_generate_id(connection);
    const std::uint32_t withWindows = XCB_SUBWINDOW_MODE_INCLUDE_INFERIORS;
    xcb_create_gc(connection, gc, pixmap, XCB_GC_SUBWINDOW_MODE, &withWindows);
    xcb_copy_area(connection, root->Window, pixmap, gc, 0, 0, 0, 0, std::uint16_t(root->Width),
                  std::uint16_t(root->Height));
    xcb_free_gc(connection, gc);
    xcb_flush(connection);
    return TFrozenScreen(connection, pixmap, QSize(root->Width, root->Height), root->Depth);
}

TFrozenScreen FreezeScreen(const QWidget& window, const TMeanwhile& meanwhile) {
    return PortalOrRoot<TFrozenScreen>(
        meanwhile, [&](const TMeanwhile& once) { return FreezeX11Root(window, once); });
}

#include "ScreenCapture.moc"

#include "FrozenScreen.h"

#include "QtXcb.h"

#include <QWidget>
#include <algorithm>
#include <utility>
#include <xcb/xcb.h>

namespace {

// A pixel of a 24-bit window read back has no alpha; Qt's 32-bit RGB wants
// it opaque.
constexpr std::uint32_t Opaque = 0xFF000000u;
// A PutImage request's fixed part, in bytes.
constexpr std::size_t PutImageHeader = 24;

xcb_window_t WindowOf(const QWidget& window) {
    return static_cast<xcb_window_t>(window.winId());
}

} // namespace

TFrozenScreen::TFrozenScreen(QImage image) : FImage(std::move(image)), FSize(FImage.size()) {
    switch (FImage.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
        break;
    default:
        FImage.convertTo(QImage::Format_RGB32);
    }
}

TFrozenScreen::TFrozenScreen(xcb_connection_t* connection, std::uint32_t pixmap, QSize size,
                             int depth)
    : FConnection(connection), FPixmap(pixmap), FSize(size), FDepth(depth) {}

TFrozenScreen::~TFrozenScreen() {
    Release();
}

TFrozenScreen::TFrozenScreen(TFrozenScreen&& other) noexcept {
    *this = std::move(other);
}

TFrozenScreen& TFrozenScreen::operator=(TFrozenScreen&& other) noexcept {
    if (this != &other) {
        Release();
        FImage = std::move(other.FImage);
        FConnection = std::exchange(other.FConnection, nullptr);
        FPixmap = std::exchange(other.FPixmap, 0);
        FSize = std::exchange(other.FSize, QSize());
        FDepth = other.FDepth;
        FWindowDepths = std::move(other.FWindowDepths);
    }
    return *this;
}

void TFrozenScreen::Release() {
    if (FPixmap != 0) {
        xcb_free_pixmap(FConnection, FPixmap);
        xcb_flush(FConnection);
        FPixmap = 0;
    }
}

QImage TFrozenScreen::Pixels(const QRect& area) const {
    if (!OnServer()) {
        return FImage.copy(area).convertToFormat(QImage::Format_RGB32);
    }
    QImage pixels(area.size(), QImage::Format_RGB32);
    pixels.fill(Qt::black);
    const QRect inside = area & Rect();
    if (inside.isEmpty()) {
        return pixels;
    }
    const auto reply = Owned(xcb_get_image_reply(
        FConnection,
        xcb_get_image(FConnection, XCB_IMAGE_FORMAT_Z_PIXMAP, FPixmap, std::int16_t(inside.x()),
                      std::int16_t(inside.y()), std::uint16_t(inside.width()),
                      std::uint16_t(inside.height()), ~0u),
        nullptr));
    const std::size_t rowBytes = std::size_t(inside.width()) * 4;
    if (!reply || std::size_t(xcb_get_image_data_length(reply.get())) !=
                      rowBytes * std::size_t(inside.height())) {
        return pixels; // the server went away: black, as beyond the capture
    }
    const auto* rows = reinterpret_cast<const std::uint32_t*>(xcb_get_image_data(reply.get()));
    const QPoint corner = inside.topLeft() - area.topLeft();
    for (int y = 0; y < inside.height(); ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(pixels.scanLine(corner.y() + y)) + corner.x();
        const std::uint32_t* from = rows + std::size_t(y) * std::size_t(inside.width());
        for (int x = 0; x < inside.width(); ++x) {
            row[x] = from[x] | Opaque;
        }
    }
    return pixels;
}

int TFrozenScreen::DepthOf(std::uint32_t window) const {
    const auto known = FWindowDepths.find(window);
    if (known != FWindowDepths.end()) {
        return known->second;
    }
    const auto geometry =
        Owned(xcb_get_geometry_reply(FConnection, xcb_get_geometry(FConnection, window), nullptr));
    const int depth = geometry ? geometry->depth : 0;
    FWindowDepths[window] = depth;
    return depth;
}

void TFrozenScreen::Show(const QWidget& window, const QRect& area, QPoint to) const {
    if (!OnServer()) {
        return;
    }
    const xcb_window_t target = WindowOf(window);
    if (DepthOf(target) != FDepth) {
        // A window of another depth cannot be copied into: the pixels go
        // through the program.
        Put(window, Pixels(area), to);
        return;
    }
    const xcb_gcontext_t gc = xcb_generate_id(FConnection);
    xcb_create_gc(FConnection, gc, target, 0, nullptr);
    xcb_copy_area(FConnection, FPixmap, target, gc, std::int16_t(area.x()), std::int16_t(area.y()),
                  std::int16_t(to.x()), std::int16_t(to.y()), std::uint16_t(area.width()),
                  std::uint16_t(area.height()));
    xcb_free_gc(FConnection, gc);
    xcb_flush(FConnection);
}

// In bands of rows, each within the server's largest request.
void TFrozenScreen::Put(const QWidget& window, const QImage& image, QPoint to) const {
    if (!FConnection || image.isNull()) {
        return;
    }
    const xcb_window_t target = WindowOf(window);
    const int depth = DepthOf(target);
    if (depth != 24 && depth != 32) {
        return;
    }
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    // 32-bit rows are never padded: the bands are the image's own memory.
    const std::size_t rowBytes = std::size_t(rgb.bytesPerLine());
    const std::size_t largest = std::size_t(xcb_get_maximum_request_length(FConnection)) * 4;
    const int band = int(std::max<std::size_t>(1, (largest - PutImageHeader) / rowBytes));
    const xcb_gcontext_t gc = xcb_generate_id(FConnection);
    xcb_create_gc(FConnection, gc, target, 0, nullptr);
    for (int top = 0; top < rgb.height(); top += band) {
        const int height = std::min(band, rgb.height() - top);
        xcb_put_image(FConnection, XCB_IMAGE_FORMAT_Z_PIXMAP, target, gc,
                      std::uint16_t(rgb.width()), std::uint16_t(height), std::int16_t(to.x()),
                      std::int16_t(to.y() + top), 0, std::uint8_t(depth),
                      std::uint32_t(rowBytes * std::size_t(height)), rgb.constScanLine(top));
    }
    xcb_free_gc(FConnection, gc);
    xcb_flush(FConnection);
}

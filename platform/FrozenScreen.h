#pragma once

#include <QImage>
#include <cstdint>
#include <map>

class QWidget;
struct xcb_connection_t;

// The desktop as it was when a pick began. It is held in memory, or on X11
// by the X server, in a pixmap of its own: the server then draws the frozen
// screen into the overlays itself, and the program reads back only the few
// pixels the loupe and the pick need, so that the whole screen never has to
// cross to the program and back before the user sees it.
class TFrozenScreen {
public:
    TFrozenScreen() = default;
    explicit TFrozenScreen(QImage image);
    // Takes over a pixmap of the server's default depth, as large as `size`.
    TFrozenScreen(xcb_connection_t* connection, std::uint32_t pixmap, QSize size, int depth);
    ~TFrozenScreen();
    TFrozenScreen(TFrozenScreen&& other) noexcept;
    TFrozenScreen& operator=(TFrozenScreen&& other) noexcept;
    TFrozenScreen(const TFrozenScreen&) = delete;
    TFrozenScreen& operator=(const TFrozenScreen&) = delete;

    bool IsNull() const { return FSize.isEmpty(); }
    QSize Size() const { return FSize; }
    QRect Rect() const { return {QPoint(), FSize}; }
    bool OnServer() const { return FPixmap != 0; }
    // The captured pixels of `area`, 32-bit RGB; those beyond the capture
    // are black.
    QImage Pixels(const QRect& area) const;
    // The whole capture while it is held in memory; null while the server
    // holds it.
    const QImage& Image() const { return FImage; }

    // Server-side drawing into an X11 window, in its device pixels: the
    // capture's `area` with its corner at `to`, and a picture of the
    // program's own at `to`.
    void Show(const QWidget& window, const QRect& area, QPoint to) const;
    void Put(const QWidget& window, const QImage& image, QPoint to) const;

private:
    void Release();
    int DepthOf(std::uint32_t window) const;

    QImage FImage;
    xcb_connection_t* FConnection = nullptr;
    std::uint32_t FPixmap = 0;
    QSize FSize;
    int FDepth = 0;
    mutable std::map<std::uint32_t, int> FWindowDepths;
};

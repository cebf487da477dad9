// The frozen screen of a pick, held in memory or by the X server: what is
// read back of it, edges and beyond included, and what the server draws of
// it. The server's half runs when the suite is run in an X server (ctest's
// x11_frozen_screen); offscreen the memory's half runs alone.
#include "ScreenCapture.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPainter>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>
#include <xcb/xcb.h>

namespace {

QRgb PatternAt(int x, int y) {
    return qRgb(x % 256, y % 256, (x * 3 + y * 5) % 256);
}

QImage Pattern(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            image.setPixel(x, y, PatternAt(x, y));
        }
    }
    return image;
}

// What a read of `area` must give: the capture's pixels, black beyond it.
QImage Expected(const QImage& capture, const QRect& area) {
    QImage expected(area.size(), QImage::Format_RGB32);
    expected.fill(Qt::black);
    QPainter(&expected).drawImage(-area.topLeft(), capture);
    return expected;
}

// Areas of a capture of `size`: whole, across each edge, outside, a corner.
std::vector<QRect> AreasOf(QSize size) {
    const int w = size.width(), h = size.height();
    return {{0, 0, w, h},         {-7, -3, 20, 11},     {w - 9, h - 4, 30, 12}, {w - 5, 40, 9, 3},
            {w + 2, h + 2, 4, 4}, {-10, -10, 5, 5},     {w - 1, h - 1, 1, 1},   {0, 0, 1, 1},
            {13, 17, 1, 19},      {-1, h / 2, w + 2, 1}};
}

void ExpectReadsAsIn(const TFrozenScreen& screen, const QImage& capture) {
    for (const QRect& area : AreasOf(capture.size())) {
        EXPECT_EQ(screen.Pixels(area), Expected(capture, area))
            << "area " << area.x() << "," << area.y() << " " << area.width() << "x"
            << area.height();
    }
}

// A window the test draws into itself, as the overlay does on X11.
class TNativeWindow : public QWidget {
public:
    TNativeWindow() {
        setAttribute(Qt::WA_PaintOnScreen);
        setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    }
    QPaintEngine* paintEngine() const override { return nullptr; }

protected:
    void paintEvent(QPaintEvent*) override {}
};

// The pattern in device pixels, one for one.
class PatternWindow : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override {
        QImage pattern = Pattern(size() * devicePixelRatio());
        pattern.setDevicePixelRatio(devicePixelRatio());
        QPainter(this).drawImage(0, 0, pattern);
    }
};

} // namespace

TEST(FrozenScreen, InMemoryReadsBackEveryAreaBlackBeyondTheCapture) {
    const QImage capture = Pattern({64, 48});
    ExpectReadsAsIn(TFrozenScreen(capture), capture);
    // A portal's picture of another layout reads the same.
    ExpectReadsAsIn(TFrozenScreen(capture.convertToFormat(QImage::Format_RGB888)), capture);
    EXPECT_FALSE(TFrozenScreen(capture).OnServer());
}

TEST(FrozenScreen, TheServersCopyReadsAndDrawsAsTheRootWindowReadIntoMemory) {
    if (QGuiApplication::platformName() != "xcb") {
        GTEST_SKIP() << "needs an X server";
    }
    PatternWindow covering;
    covering.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    covering.setGeometry(covering.screen()->geometry());
    covering.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&covering));
    QCoreApplication::processEvents();

    const TFrozenScreen frozen = FreezeX11Root(covering);
    const QImage root = CaptureX11Root(covering);
    ASSERT_TRUE(frozen.OnServer());
    ASSERT_EQ(frozen.Size(), root.size());
    // The screen shows the pattern, so that the two reads cannot agree on
    // nothing.
    EXPECT_EQ(root.pixel(100, 70) & 0xFFFFFF, PatternAt(100, 70) & 0xFFFFFF);
    ExpectReadsAsIn(frozen, root.convertToFormat(QImage::Format_RGB32));

    // Drawn by the server into a window: a part of the capture, then a
    // picture of the program's own beside it.
    TNativeWindow window;
    window.setGeometry(QRect(QPoint(200, 150), QSize(120, 80)));
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QRect part(37, 21, 50, 40);
    const QImage own = Pattern({30, 20}).mirrored(true, false);
    frozen.Show(window, part, {5, 6});
    frozen.Put(window, own, {70, 9});
    const QImage drawn = CaptureX11Root(window).convertToFormat(QImage::Format_RGB32);
    const QPoint corner =
        (QPointF(window.geometry().topLeft()) * window.devicePixelRatio()).toPoint();
    EXPECT_EQ(drawn.copy(QRect(corner + QPoint(5, 6), part.size())), Expected(root, part));
    EXPECT_EQ(drawn.copy(QRect(corner + QPoint(70, 9), own.size())), own);
}

// The window at the display scale it is run with (ctest runs this suite at
// QT_SCALE_FACTOR 1, 1.25, 1.5, 1.75, 2 and 3): what the backing store holds,
// device pixel by device pixel, against what a pick there gives; every text
// against the box it is drawn in; the window's place on the screen.
#include "DirectoryDialog.h"
#include "FontFit.h"
#include "FormFixture.h"
#include "PickOverlay.h"
#include "ScreenPicker.h"
#include "WindowRatio.h"

#include <QBackingStore>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyleOptionButton>

namespace fs = std::filesystem;

namespace {

constexpr int PictureWidth = 51; // Distinct() colours stay apart up to 51 x 28
constexpr int PictureHeight = 28;

// The picture pixel a colour names, when it is one of Distinct()'s.
std::optional<QPoint> DistinctPixel(TColor c) {
    const int red = GetRValue(c), green = GetGValue(c), blue = GetBValue(c);
    if (red % 5 != 0 || blue % 9 != 0) {
        return std::nullopt;
    }
    const int x = red / 5, y = blue / 9;
    if (x >= PictureWidth || y >= PictureHeight || (x * 7 + y) % 256 != green) {
        return std::nullopt;
    }
    return QPoint(x, y);
}

// Device pixel d of a view `device` pixels long overlaps picture pixel p of
// a picture `picture` pixels long when [d, d + 1) meets p's share of the view,
// [p × device / picture, (p + 1) × device / picture).
bool Overlaps(int d, int p, int picture, int device) {
    return std::int64_t(d + 1) * picture > std::int64_t(p) * device &&
           std::int64_t(d) * picture < std::int64_t(p + 1) * device;
}

class Scaled : public Window {
protected:
    void SetUp() override {
        Window::SetUp();
        WriteFileBytes(Home / "bin/distinct.bmp", DistinctBmp(PictureWidth, PictureHeight));
        SwitchTo(2);
        Form->FLB1->SetItemIndex(0);
        ASSERT_NE(Form->Img1->Bitmap(), nullptr);
    }
    double Ratio() const { return WindowRatio(*Form); }
    // The window's pixels as painted, once pending updates are: the backing
    // store's own image. Only what changed is painted again, as on a screen.
    QImage Painted() {
        QTest::qWait(30);
        const QPaintDevice* device = Form->backingStore()->paintDevice();
        EXPECT_EQ(device->devType(), QInternal::Image);
        return *static_cast<const QImage*>(device);
    }
    void Zoom(int percent) {
        Form->Label5->SetCaption(std::to_string(percent));
        Form->ApplyZoom();
        QCoreApplication::processEvents();
    }
    // Picks at a device pixel of the window, the cursor put there first.
    TColor PickAt(QPoint device) {
        Desktop.Cursor = device;
        Form->Img1Click(Form->Img1);
        return Form->Edit41->Color();
    }
    struct ViewCase {
        int Percent;
        QPoint Scroll;
    };
    // At each zoom and scroll, for the first 64 x 48 and the last visible
    // 48 x 36 device pixels of the view: the backing store's pixel is the
    // colour a pick there gives, that colour is one of the picture's own, and
    // the device pixel overlaps that picture pixel's share of the view.
    void ExpectPaintedAsPicked(const std::vector<ViewCase>& cases);
    // The device pixels of the view that the scroll box shows.
    QRect VisibleView() const {
        const TViewRect view = Form->Img1->DeviceView();
        QWidget* viewport = Form->SCRLB1->viewport();
        const QPoint at = viewport->mapTo(Form.get(), QPoint(0, 0));
        const TViewRect port =
            DeviceRect(at.x(), at.y(), viewport->width(), viewport->height(), Ratio());
        return QRect(view.Left, view.Top, view.Width, view.Height) &
               QRect(port.Left, port.Top, port.Width, port.Height);
    }
};

} // namespace

void Scaled::ExpectPaintedAsPicked(const std::vector<ViewCase>& cases) {
    SCOPED_TRACE("device pixel ratio " + std::to_string(Ratio()));
    for (const ViewCase& c : cases) {
        SCOPED_TRACE("zoom " + std::to_string(c.Percent) + " %, scrolled by " +
                     std::to_string(c.Scroll.x()) + "," + std::to_string(c.Scroll.y()));
        Zoom(c.Percent);
        // Scrolled a pixel at a time, as a user drags: each step moves what is
        // painted and paints only what comes into view.
        QScrollBar* across = Form->SCRLB1->horizontalScrollBar();
        QScrollBar* down = Form->SCRLB1->verticalScrollBar();
        across->setValue(0);
        down->setValue(0);
        ASSERT_GE(across->maximum(), c.Scroll.x());
        ASSERT_GE(down->maximum(), c.Scroll.y());
        while (across->value() < c.Scroll.x() || down->value() < c.Scroll.y()) {
            across->setValue(std::min(across->value() + 1, c.Scroll.x()));
            down->setValue(std::min(down->value() + 1, c.Scroll.y()));
            Painted();
        }
        ASSERT_EQ(across->value(), c.Scroll.x());
        const QImage painted = Painted();
        const TViewRect view = Form->Img1->DeviceView();
        const QRect visible = VisibleView();
        ASSERT_FALSE(visible.isEmpty());
        // The view's first device pixels and its last visible ones.
        const QRect corners[] = {QRect(visible.topLeft(), QSize(64, 48)) & visible,
                                 QRect(visible.bottomRight() - QPoint(47, 35), QSize(48, 36)) &
                                     visible};
        int checked = 0, wrong = 0;
        for (const QRect& region : corners) {
            for (int y = region.top(); y <= region.bottom(); ++y) {
                for (int x = region.left(); x <= region.right(); ++x) {
                    const TColor picked = PickAt({x, y});
                    const std::optional<QPoint> pixel = DistinctPixel(picked);
                    const bool right =
                        painted.pixel(x, y) == ScreenColour(picked) && pixel &&
                        Overlaps(x - view.Left, pixel->x(), PictureWidth, view.Width) &&
                        Overlaps(y - view.Top, pixel->y(), PictureHeight, view.Height);
                    if (!right && wrong++ < 5) {
                        ADD_FAILURE() << "device pixel " << x << "," << y << ": painted "
                                      << std::hex << painted.pixel(x, y) << ", picked " << picked;
                    }
                    ++checked;
                }
            }
        }
        EXPECT_EQ(wrong, 0) << "of " << checked;
    }
}

TEST_F(Scaled, EveryDevicePixelShowsThePicturesOwnPixelThatItsPickGives) {
    Form->resize(Form->minimumSize()); // a view small enough to scroll at 800 %
    // The scrolled view starts left of and above the window's client area,
    // where device pixels are rounded from negative positions.
    ExpectPaintedAsPicked(
        {{10, {}}, {30, {}}, {100, {}}, {300, {}}, {800, {}}, {800, {7, 5}}, {800, {30, 11}}});
}

// The arrow keys pick what a click on a device pixel showing the same picture
// pixel picks, at 10, 100 and 800 %; the pick cursor is framed white, then
// black, round the device pixels that show its pixel, and kept in sight.
TEST_F(Scaled, ArrowKeysPickAsAClickOnTheSamePixelAndTheCursorIsFramed) {
    Form->resize(Form->minimumSize());
    const int frame = std::max(1, qRound(Ratio()));
    for (const int percent : {10, 100, 800}) {
        SCOPED_TRACE("zoom " + std::to_string(percent) + " %");
        Zoom(percent);
        ASSERT_TRUE(ChooseFromMenu([&] { RightClick(Form->Img1); }, {"キーボードで選ぶ"}));
        const TViewRect start = Form->Img1->DeviceView();
        PickAt({start.Left, start.Top}); // the cursor to pixel 0, 0, shown at every zoom
        int clicked = 0, framed = 0;
        for (const auto& [key, shift] : {std::pair{Qt::Key_Right, false},
                                         {Qt::Key_Down, false},
                                         {Qt::Key_Right, true},
                                         {Qt::Key_Down, true},
                                         {Qt::Key_Left, false},
                                         {Qt::Key_Up, true},
                                         {Qt::Key_Left, true},
                                         {Qt::Key_Up, false}}) {
            Key(key, shift ? Qt::ShiftModifier : Qt::NoModifier);
            const QPoint pixel = *Form->PickCursor();
            const TColor byKey = Form->Edit41->Color();
            EXPECT_EQ(byKey, Distinct(pixel.x(), pixel.y()));
            const QImage painted = Painted();
            const TViewRect view = Form->Img1->DeviceView();
            // The first device pixel showing the picture pixel, where one does.
            const QPoint first(
                view.Left +
                    int((std::int64_t(pixel.x()) * view.Width + PictureWidth - 1) / PictureWidth),
                view.Top + int((std::int64_t(pixel.y()) * view.Height + PictureHeight - 1) /
                               PictureHeight));
            EXPECT_TRUE(VisibleView().contains(first)) << "the cursor is out of sight";
            const QPoint onPicture(
                PictureCoordinate(first.x() - view.Left, PictureWidth, view.Width),
                PictureCoordinate(first.y() - view.Top, PictureHeight, view.Height));
            if (onPicture != pixel) {
                continue; // at 10 % not every picture pixel is shown
            }
            if (first.x() - view.Left >= 2 * frame && first.y() - view.Top >= 2 * frame) {
                EXPECT_EQ(painted.pixel(first - QPoint(frame, 0)), qRgb(255, 255, 255));
                EXPECT_EQ(painted.pixel(first - QPoint(2 * frame, 0)), qRgb(0, 0, 0));
                EXPECT_EQ(painted.pixel(first - QPoint(0, frame)), qRgb(255, 255, 255));
                EXPECT_EQ(painted.pixel(first), ScreenColour(byKey));
                ++framed;
            }
            EXPECT_EQ(PickAt(first), byKey);
            ++clicked;
            Form->Img1->setFocus(); // the click took the pick; the keys go on
        }
        EXPECT_EQ(Form->PickCursor(), QPoint(0, 0));
        EXPECT_GE(clicked, percent == 10 ? 1 : 8);
        EXPECT_GE(framed, percent == 10 ? 0 : 2);
        // In the corner the frames come inside the view.
        const TViewRect view = Form->Img1->DeviceView();
        EXPECT_EQ(Painted().pixel(view.Left, view.Top), qRgb(0, 0, 0));
    }
}

// Dragged from a screen at one ratio to a screen at another and back, as from
// a laptop's panel to a monitor: drawn whole at the window's ratio, picked as
// drawn, the design's logical size kept. Runs where the platform has two
// screens (ctest's gui_screens and gui_screens_ahead). With Qt's per-screen
// factors the window takes its screen's ratio, as on X11; a platform's own
// screen ratio can run ahead of its windows', as a Wayland output's does
// after a live rescale, and of Qt 6.4's offscreen windows.
TEST_F(Scaled, AWindowMovedToAScreenOfAnotherRatioPaintsAndPicksAtIt) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screens.size() < 2 || screens[0]->devicePixelRatio() == screens[1]->devicePixelRatio()) {
        GTEST_SKIP() << "needs two screens of different ratios";
    }
    const bool windowsTakeTheScreensRatio = qEnvironmentVariableIsSet("QT_SCREEN_SCALE_FACTORS");
    Form->resize(Form->minimumSize()); // a view small enough to scroll at 800 %
    const QSize size = Form->size();
    for (QScreen* screen : {screens[1], screens[0]}) {
        SCOPED_TRACE("on " + screen->name().toStdString() + " at " +
                     std::to_string(screen->devicePixelRatio()));
        Form->move(screen->geometry().topLeft() + QPoint(40, 30));
        ASSERT_TRUE(QTest::qWaitFor([&] { return Form->screen() == screen; }));
        if (windowsTakeTheScreensRatio) {
            EXPECT_EQ(Ratio(), screen->devicePixelRatio());
        }
        EXPECT_TRUE(QTest::qWaitFor([&] { return Form->size() == size; }))
            << Form->width() << "x" << Form->height();
        EXPECT_EQ(Painted().devicePixelRatio(), Ratio());
        ExpectPaintedAsPicked({{100, {}}, {300, {}}, {800, {9, 4}}});
    }
}

// The program's own pointer, with no X server to ask: the last event's
// position, a fraction of a logical pixel as a Wayland surface gives it.
TEST_F(Scaled, APickByThePointerNamesTheDevicePixelUnderIt) {
    Zoom(300);
    const QImage painted = Painted();
    const QPointF img = QPointF(Form->Img1->mapTo(Form.get(), QPoint(0, 0)));
    int wrong = 0;
    // Points a pixel or more inside: nearer the edge, a device pixel may
    // belong to the scroll box's border rather than the view.
    for (const QPointF offset : {QPointF(1.1, 1.1), QPointF(10.34, 7.5), QPointF(33.67, 20.01),
                                 QPointF(50.99, 2.5), QPointF(4.0 / 3, 5.0 / 3)}) {
        const QPointF at = img + offset;
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent event(type, at, at, Form->mapToGlobal(at), Qt::LeftButton,
                              type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                              Qt::NoModifier);
            QCoreApplication::sendEvent(Form->windowHandle(), &event);
        }
        const QPoint device(int(std::floor(at.x() * Ratio() + 1e-9)),
                            int(std::floor(at.y() * Ratio() + 1e-9)));
        if (painted.pixel(device) != ScreenColour(Form->Edit41->Color())) {
            ++wrong;
            ADD_FAILURE() << "at " << at.x() << "," << at.y() << " device " << device.x() << ","
                          << device.y() << ": painted " << std::hex << painted.pixel(device)
                          << ", picked " << Form->Edit41->Color();
        }
    }
    EXPECT_EQ(wrong, 0);
}

namespace {

struct TextInBox {
    std::string What;
    QString Text;
    QFont Font;
    QRectF Box; // where the control lays the text out
    int Flags;
    QRectF Inside = {}; // where its ink must stay, when not the box itself
};

std::string Describe(const QRectF& r) {
    return std::to_string(r.left()) + "," + std::to_string(r.top()) + " to " +
           std::to_string(r.right()) + "," + std::to_string(r.bottom());
}

void ExpectInkInside(const std::vector<TextInBox>& texts) {
    for (const TextInBox& t : texts) {
        const QRectF ink = TextInk(t.Font, t.Text, t.Box, t.Flags);
        const QRectF inside = t.Inside.isEmpty() ? t.Box : t.Inside;
        EXPECT_FALSE(ink.isEmpty()) << t.What;
        EXPECT_TRUE(inside.contains(ink))
            << t.What << " \"" << t.Text.toStdString() << "\": ink " << Describe(ink) << " outside "
            << Describe(inside) << " (" << t.Font.family().toStdString() << " "
            << t.Font.pixelSize() << " px, stretch " << t.Font.stretch() << ")";
    }
}

void AddLabel(std::vector<TextInBox>& texts, const QLabel& label, const QString& text) {
    texts.push_back({label.objectName().toStdString(), text, label.font(),
                     QRectF(label.contentsRect()), int(label.alignment())});
}

void AddButton(std::vector<TextInBox>& texts, const QPushButton& button) {
    QStyleOptionButton option;
    option.initFrom(&button);
    option.text = button.text();
    const QRect contents =
        button.style()->subElementRect(QStyle::SE_PushButtonContents, &option, &button);
    const auto* own = qobject_cast<const TButton*>(&button);
    QString text = button.text();
    text.remove('&');
    texts.push_back({button.objectName().toStdString() + " " + text.toStdString(), text,
                     button.font(), QRectF(contents),
                     Qt::AlignCenter | (own && own->WordWrap() ? Qt::TextWordWrap : 0)});
}

// The labels and buttons that show, in the fonts they are painted in.
void AddShown(std::vector<TextInBox>& texts, QWidget& window) {
    QTest::qWait(30); // painted, and so fitted
    for (const TLabel* label : window.findChildren<TLabel*>()) {
        if (label->isVisible()) {
            AddLabel(texts, *label, label->text());
        }
    }
    for (const QPushButton* button : window.findChildren<QPushButton*>()) {
        if (button->isVisible()) {
            AddButton(texts, *button);
        }
    }
}

} // namespace

TEST_F(Scaled, EveryTextIsDrawnWholeInsideItsControl) {
    SCOPED_TRACE("device pixel ratio " + std::to_string(Ratio()));
    std::vector<TextInBox> texts;
    SwitchTo(1); // the sliders' rows and step buttons
    AddShown(texts, *Form);
    for (TLabel* channel : Form->ChannelLabels) {
        AddLabel(texts, *channel, "255");
    }
    SwitchTo(2);
    Form->FLB1->SetItemIndex(0); // the zoom controls
    AddShown(texts, *Form);
    // Every caption the labels that change are given, in the font they keep.
    for (const char* value : {"10", "20", "30", "40", "50", "60", "70", "80", "90", "100", "200",
                              "300", "400", "500", "600", "700", "800"}) {
        AddLabel(texts, *Form->Label5, value);
    }
    for (const char* value : {"16777215", "-1", "8421504"}) {
        AddLabel(texts, *Form->LV1, value);
    }
    for (const char* value : {"RGB(255, 255, 255)", "RGB(188, 188, 188)"}) {
        AddLabel(texts, *Form->LV2, value);
    }

    // File names with descenders, underscores and Japanese, in the list's rows.
    for (const char* name :
         {"pil_sample_cmyk.jpg", "gjpqy_Q.BMP", "写真_夕焼け.jpg", "Ägypten.bmp"}) {
        WriteFileBytes(Home / "bin" / name, {1});
    }
    Form->OpenImageFolder((Home / "bin").string());
    QTest::qWait(30);
    TFileListBox* list = Form->FLB1;
    for (int i = 0; i < list->Count(); ++i) {
        const QRect row = list->visualRect(list->model()->index(i, 0));
        EXPECT_EQ(row.height(), 12);
        // The text starts after the style's margin; a name too long for the
        // row is elided, so only its start and its height are at stake.
        const int margin =
            list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1;
        texts.push_back({"FLB1 row", QString::fromStdString(list->Item(i)), list->font(),
                         QRectF(row.left() + margin, row.top(), 1e6, row.height()),
                         Qt::AlignLeft | Qt::AlignVCenter,
                         QRectF(row.left(), row.top(), 2e6, row.height())});
    }

    TDirectoryDialog chooser((Home / "bin").string(), nullptr);
    for (const QLabel* label : chooser.findChildren<QLabel*>()) {
        QString text = label->text();
        AddLabel(texts, *label, text.remove('&'));
    }
    for (const QPushButton* button : chooser.findChildren<QPushButton*>()) {
        AddButton(texts, *button);
    }
    ExpectInkInside(texts);
}

TEST(Placement, AWindowStandsWhereItWantsWhenItFitsAndIsMovedInsideWhenNot) {
    struct Case {
        QRect Wanted, Area;
        QPoint Expected;
    };
    const QRect screen(0, 0, 1280, 1024);
    for (const Case& c : {
             Case{{192, 107, 513, 371}, screen, {192, 107}},
             Case{{192, 107, 513, 371}, {0, 0, 640, 512}, {127, 107}}, // 1280 x 1024 at 2
             Case{{192, 107, 513, 371}, {0, 0, 640, 400}, {127, 29}},
             Case{{192, 107, 513, 371}, {0, 0, 426, 341}, {0, 0}}, // larger than the area
             Case{{192, 107, 513, 371}, {0, 32, 1280, 992}, {192, 107}},
             Case{{192, 107, 513, 371}, {300, 200, 900, 700}, {300, 200}}, // a panel left, top
             Case{{192, 107, 513, 371}, {1280, 0, 640, 512}, {1280, 107}}, // a second screen
         }) {
        EXPECT_EQ(PlaceInside(c.Wanted, c.Area), c.Expected)
            << c.Area.width() << "x" << c.Area.height() << "+" << c.Area.x() << "+" << c.Area.y();
    }
}

namespace {

// On each side: inside the area when it fits, at the area's start when not.
void ExpectOnScreen(const QRect& window, const QRect& area) {
    auto axis = [](int start, int length, int areaStart, int areaLength) {
        return length > areaLength ? start == areaStart
                                   : start >= areaStart && start + length <= areaStart + areaLength;
    };
    EXPECT_TRUE(axis(window.x(), window.width(), area.x(), area.width()) &&
                axis(window.y(), window.height(), area.y(), area.height()))
        << window.width() << "x" << window.height() << " at " << window.x() << "," << window.y()
        << " on " << area.width() << "x" << area.height();
}

} // namespace

// The design's place where the screen has room for it, else just inside.
TEST_F(Scaled, TheWindowAndTheChooserOpenInsideTheScreen) {
    const QRect area = Form->screen()->availableGeometry();
    // The design's frame: 4 + 4 wide, 23 + 4 high around the client area.
    const QRect designFrame(Form->pos(), QSize(513, 371));
    ExpectOnScreen(designFrame, area);
    if (area.contains(QRect(192, 107, 513, 371))) {
        EXPECT_EQ(Form->pos(), QPoint(192, 107));
    }
    TDirectoryDialog chooser((Home / "bin").string(), Form.get());
    ExpectOnScreen(QRect(chooser.pos(), chooser.size()), area);
}

namespace {

// A capture of the desktop as the X server gives it: every screen's device
// pixels at the screen's place, each pixel a colour of its own.
TColor CapturedColour(int x, int y) {
    return RGB(x % 256, y % 256, x / 256 * 16 + y / 256);
}

QImage DesktopCapture() {
    QRect all;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect g = screen->geometry();
        all |= QRect(g.topLeft(), QSize(qRound(g.width() * screen->devicePixelRatio()),
                                        qRound(g.height() * screen->devicePixelRatio())));
    }
    QImage capture(all.size(), QImage::Format_RGB32);
    for (int y = 0; y < capture.height(); ++y) {
        for (int x = 0; x < capture.width(); ++x) {
            capture.setPixel(x, y, ScreenColour(CapturedColour(x, y)));
        }
    }
    return capture;
}

// The device pixels of a screen a patch test walks: its two far corners.
std::vector<QRect> CornerPatches(const QRect& capture) {
    return {QRect(capture.topLeft(), QSize(9, 9)),
            QRect(capture.bottomRight() - QPoint(8, 8), QSize(9, 9))};
}

// The pointer at a device pixel's top-left corner, as the window system
// reports it to the window: a logical position that a division leaves a
// hair short of the pixel, which Qt hands the widget rounded.
void PointerTo(TPickOverlay& overlay, QPoint device, Qt::MouseButton press = Qt::NoButton) {
    const TOutputInCapture& place = overlay.Place();
    const QPoint inside = device - place.Capture.topLeft();
    const QPointF local(inside.x() / place.ScaleX, inside.y() / place.ScaleY);
    const QPointF global = local + overlay.geometry().topLeft();
    QMouseEvent move(QEvent::MouseMove, local, local, global, Qt::NoButton, {}, {});
    QApplication::sendEvent(overlay.windowHandle(), &move);
    if (press != Qt::NoButton) {
        QMouseEvent down(QEvent::MouseButtonPress, local, local, global, press, press, {});
        QApplication::sendEvent(overlay.windowHandle(), &down);
    }
}

// The independent mean: every pixel of the square inside the capture,
// halves rounded up.
TColor MeanAround(const QImage& capture, QPoint at, int side) {
    int sum[3] = {}, count = 0;
    for (int y = at.y() - side / 2; y <= at.y() + side / 2; ++y) {
        for (int x = at.x() - side / 2; x <= at.x() + side / 2; ++x) {
            if (capture.rect().contains(x, y)) {
                const QRgb p = capture.pixel(x, y);
                sum[0] += qRed(p), sum[1] += qGreen(p), sum[2] += qBlue(p), ++count;
            }
        }
    }
    auto mean = [count](int total) { return (2 * total + count) / (2 * count); };
    return RGB(mean(sum[0]), mean(sum[1]), mean(sum[2]));
}

// The overlays of a pick the window started, once they show.
std::vector<TPickOverlay*> ShownOverlays() {
    std::vector<TPickOverlay*> shown;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* overlay = qobject_cast<TPickOverlay*>(widget); overlay && overlay->isVisible()) {
            shown.push_back(overlay);
        }
    }
    return shown;
}

// Runs `act` on the overlays once the window's pick shows them.
void WhenOverlaysShow(std::function<void(const std::vector<TPickOverlay*>&)> act) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        const auto overlays = ShownOverlays();
        if (overlays.size() == std::size_t(QGuiApplication::screens().size())) {
            poll->stop();
            poll->deleteLater();
            act(overlays);
        }
    });
    poll->start(10);
}

} // namespace

// Every screen is covered by its own window showing its part of the capture
// pixel for pixel, the loupe and the cross-hair drawn beside the pick point
// and never over it; each device pixel of both far corners of every screen
// is reached by the pointer and by the arrow keys, and picks its own
// captured colour.
TEST_F(Scaled, TheScreenPickShowsEachScreenPixelForPixelAndPicksEveryDevicePixel) {
    const QImage capture = DesktopCapture();
    TScreenPicker picker(TFrozenScreen(capture), 1);
    picker.Show();
    ASSERT_EQ(picker.Overlays().size(), std::size_t(QGuiApplication::screens().size()));
    for (const auto& owned : picker.Overlays()) {
        TPickOverlay& overlay = *owned;
        SCOPED_TRACE(overlay.Screen().name().toStdString() + " at ratio " +
                     std::to_string(overlay.Screen().devicePixelRatio()));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&overlay));
        EXPECT_EQ(overlay.geometry(), overlay.Screen().geometry());
        EXPECT_FALSE(overlay.Place().Resampled);
        const QRect part = overlay.Place().Capture;
        int wrong = 0;
        for (const QRect& patch : CornerPatches(part)) {
            for (int y = patch.top(); y <= patch.bottom(); ++y) {
                for (int x = patch.left(); x <= patch.right(); ++x) {
                    PointerTo(overlay, {x, y});
                    wrong += picker.PickPoint() != QPoint(x, y) ||
                             picker.ColourAt({x, y}) != CapturedColour(x, y);
                }
            }
            // The same patch by the arrow keys, row by row from its corner.
            PointerTo(overlay, patch.topLeft());
            for (int y = patch.top(); y <= patch.bottom(); ++y) {
                const bool forward = (y - patch.top()) % 2 == 0;
                for (int i = 0; i < patch.width(); ++i) {
                    const int x = forward ? patch.left() + i : patch.right() - i;
                    if (i > 0) {
                        QTest::keyClick(&overlay, forward ? Qt::Key_Right : Qt::Key_Left);
                    } else if (y > patch.top()) {
                        QTest::keyClick(&overlay, Qt::Key_Down);
                    }
                    wrong += picker.PickPoint() != QPoint(x, y);
                }
            }
            EXPECT_TRUE(picker.KeyDriven());
            // Drawn one for one, with the loupe and the cross-hair at the
            // patch's last pixel and that pixel itself left clear.
            const QImage shown = overlay.grab().toImage().convertToFormat(QImage::Format_RGB32);
            ASSERT_EQ(shown.size(), part.size());
            const QRect marks = QRect(overlay.LoupeRect().topLeft() * overlay.Place().ScaleX,
                                      overlay.LoupeRect().size() * overlay.Place().ScaleX)
                                    .adjusted(-2, -2, 2, 2);
            EXPECT_NE(shown.pixel(marks.center()), capture.pixel(marks.center() + part.topLeft()));
            const QPoint last = picker.PickPoint() - part.topLeft();
            EXPECT_EQ(shown.pixel(last), capture.pixel(picker.PickPoint()));
            for (int y = 0; y < shown.height(); y += 7) {
                for (int x = 0; x < shown.width(); x += 5) {
                    const bool marked = marks.contains(x, y) || (std::abs(x - last.x()) < 40 &&
                                                                 std::abs(y - last.y()) < 40);
                    wrong += !marked &&
                             shown.pixel(x, y) != capture.pixel(part.topLeft() + QPoint(x, y));
                }
            }
        }
        EXPECT_EQ(wrong, 0);
    }
    // Moved past a screen's edge, the pick point goes on to the neighbour.
    for (const auto& left : picker.Overlays()) {
        for (std::size_t right = 0; right < picker.Overlays().size(); ++right) {
            const QRect part = left->Place().Capture;
            if (picker.Overlays()[right]->Place().Capture.left() == part.right() + 1) {
                PointerTo(*left, {part.right(), part.top() + 5});
                QTest::keyClick(left, Qt::Key_Right);
                EXPECT_EQ(picker.PickOutput(), right);
                EXPECT_EQ(picker.PickPoint(), QPoint(part.right() + 1, part.top() + 5));
            }
        }
    }
    picker.Cancel();
    EXPECT_EQ(picker.Result(), std::nullopt);
}

// A click picks the pixel under it, alone or as the mean of the sample
// square, on every screen; the right button picks nothing.
TEST_F(Scaled, AClickOnTheFrozenScreenPicksThePixelOrTheMeanOfTheSquare) {
    const QImage capture = DesktopCapture();
    for (const int side : {1, 5}) {
        for (std::size_t screen = 0; screen < std::size_t(QGuiApplication::screens().size());
             ++screen) {
            const QRect part = PlaceOutputs(DesktopOutputs(), capture.size())[screen].Capture;
            for (const QPoint at :
                 {part.topLeft(), part.center() + QPoint(1, 0), part.bottomRight()}) {
                TScreenPicker picker(TFrozenScreen(capture), side);
                picker.Show();
                PointerTo(*picker.Overlays()[screen], at, Qt::LeftButton);
                ASSERT_TRUE(picker.Done());
                EXPECT_EQ(picker.Result(), side == 1 ? CapturedColour(at.x(), at.y())
                                                     : MeanAround(capture, at, side))
                    << "screen " << screen << " at " << at.x() << "," << at.y() << ", side "
                    << side;
            }
        }
    }
    std::vector<QPointer<TPickOverlay>> windows;
    {
        TScreenPicker picker(TFrozenScreen(capture), 1);
        picker.Show();
        windows.assign(picker.Overlays().begin(), picker.Overlays().end());
        PointerTo(*picker.Overlays()[0], {3, 3}, Qt::RightButton);
        EXPECT_TRUE(picker.Done());
        EXPECT_EQ(picker.Result(), std::nullopt);
    }
    // The windows outlive the pick, hidden, and serve the next one.
    TScreenPicker next(TFrozenScreen(capture), 1);
    ASSERT_EQ(next.Overlays().size(), windows.size());
    for (std::size_t i = 0; i < windows.size(); ++i) {
        ASSERT_FALSE(windows[i].isNull());
        EXPECT_FALSE(windows[i]->isVisible());
        EXPECT_EQ(next.Overlays()[i], windows[i].data());
    }
}

// From the window, by its key in every mode: Escape changes nothing and
// gives the focus back; a pick by the keys shows as a pasted colour, moves
// the sliders, joins the recent colours, leaves the picture as it was; a
// second start while the overlay shows does nothing.
TEST_F(Scaled, TheScreenPickKeyPicksIntoTheWindowAndEscapeChangesNothing) {
    const QImage capture = DesktopCapture();
    int captures = 0;
    Desktop.Capture = [&](const QWidget&) {
        ++captures;
        return capture;
    };
    QCursor::setPos(QGuiApplication::primaryScreen()->geometry().topLeft() + QPoint(40, 30));
    const TBitmap* picture = Form->Img1->Bitmap();
    Form->FLB1->setFocus();
    const std::string before = Form->LV2->Caption();
    WhenOverlaysShow([&](const auto& overlays) {
        Form->ScreenPickClick(Form->BtnSWTCH); // already open: nothing
        EXPECT_FALSE(Form->isVisible());
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : overlays[0],
                        Qt::Key_Escape);
    });
    Key(Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(captures, 1);
    EXPECT_TRUE(Form->isVisible());
    EXPECT_EQ(Form->LV2->Caption(), before);
    EXPECT_TRUE(Form->RecentColours().empty());
    EXPECT_EQ(Form->focusWidget(), Form->FLB1);
    EXPECT_TRUE(ShownOverlays().empty());

    for (const int mode : {2, 0, 1}) {
        SwitchTo(mode);
        Form->SetSampleSize(mode == 2 ? 3 : 1);
        Form->Edit0->setFocus();
        QPoint picked;
        WhenOverlaysShow([&](const auto&) {
            QWidget* overlay = QApplication::focusWidget();
            ASSERT_NE(qobject_cast<TPickOverlay*>(overlay), nullptr);
            for (const Qt::Key key : {Qt::Key_Right, Qt::Key_Right, Qt::Key_Down}) {
                QTest::keyClick(overlay, key);
            }
            const TOutputInCapture& place = static_cast<TPickOverlay*>(overlay)->Place();
            picked = CapturePixel(place, QPointF(40, 30)) + QPoint(2, 1);
            QTest::keyClick(overlay, Qt::Key_Return);
        });
        Key(Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
        const TColor expected =
            mode == 2 ? MeanAround(capture, picked, 3) : CapturedColour(picked.x(), picked.y());
        SCOPED_TRACE("mode " + std::to_string(mode));
        EXPECT_EQ(Form->LV1->Caption(), std::to_string(expected));
        EXPECT_EQ(Form->RecentColours().front(), expected);
        EXPECT_EQ(Form->focusWidget(), Form->Edit0);
        if (mode == 1) {
            EXPECT_EQ(Form->YTB[2]->Position(), GetRValue(expected));
            EXPECT_EQ(Form->YTB[0]->Position(), GetBValue(expected));
        }
        if (mode == 2) {
            EXPECT_EQ(Form->Img1->Bitmap(), picture);
        }
    }
}

// The X server's layout is taken when the screens' device pixels fill the
// capture; else the portal's, the logical layout at the largest scale, in
// which an output of a lower scale was enlarged by the desktop.
TEST(ScreenPickLayout, OutputsArePlacedAsTheXServerOrThePortalDrewThem) {
    const std::vector<TOutputPlace> x11{{QRect(0, 0, 1280, 1024), 1},
                                        {QRect(1280, 0, 640, 512), 2}};
    const auto native = PlaceOutputs(x11, QSize(2560, 1024));
    EXPECT_EQ(native[1].Capture, QRect(1280, 0, 1280, 1024));
    EXPECT_FALSE(native[0].Resampled || native[1].Resampled);
    EXPECT_EQ(CapturePixel(native[1], QPointF(10.5, 0.5)), QPoint(1301, 1));
    // At 1.5 a screen of 1280 x 1024 is 853 x 683 logical pixels: still the
    // X server's layout, every device pixel its own.
    const auto rounded = PlaceOutputs({{QRect(0, 0, 853, 683), 1.5}}, QSize(1280, 1024));
    EXPECT_EQ(rounded[0].Capture, QRect(0, 0, 1280, 1024));
    EXPECT_EQ(CapturePixel(rounded[0], QPointF(1023 / 1.5, 1023 / 1.5)), QPoint(1023, 1023));
    // Xvfb lists the whole screen beside two monitors made on it; a mirrored
    // output shows what its twin shows: neither gets a window of its own.
    const std::vector<TOutputPlace> listed{{QRect(0, 0, 1280, 1024), 1},
                                           {QRect(1280, 0, 640, 512), 2},
                                           {QRect(0, 0, 2560, 1024), 1},
                                           {QRect(0, 0, 1280, 1024), 1}};
    EXPECT_EQ(OutputsToCover(listed), (std::vector<std::size_t>{0, 1}));

    const std::vector<TOutputPlace> wayland{{QRect(0, 0, 1280, 1024), 1},
                                            {QRect(1280, 0, 1280, 1024), 2}};
    const auto portal = PlaceOutputs(wayland, QSize(5120, 2048));
    EXPECT_EQ(portal[0].Capture, QRect(0, 0, 2560, 2048));
    EXPECT_EQ(portal[1].Capture, QRect(2560, 0, 2560, 2048));
    EXPECT_TRUE(portal[0].Resampled);
    EXPECT_FALSE(portal[1].Resampled);
    // A quarter of a logical pixel on the output at scale 2 is its own pixel.
    EXPECT_EQ(CapturePixel(portal[1], QPointF(0.5, 0.49)), QPoint(2561, 0));
    EXPECT_EQ(OutputPoint(portal[1], QPoint(2561, 0)), QPointF(0.75, 0.25));
}

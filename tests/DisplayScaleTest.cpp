// The window at the display scale it is run with (ctest runs this suite at
// QT_SCALE_FACTOR 1, 1.25, 1.5, 1.75, 2 and 3): what the backing store holds,
// device pixel by device pixel, against what a pick there gives; every text
// against the box it is drawn in; the window's place on the screen.
#include "DirectoryDialog.h"
#include "FontFit.h"
#include "FormFixture.h"
#include "WindowRatio.h"

#include <QBackingStore>
#include <QLabel>
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

#include "YTrackBar.h"

#include "QtColor.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// A window's slider: 160 x 30 on a grey parent, range 0 to 255.
class Slider : public testing::Test {
protected:
    void SetUp() override {
        Parent.resize(200, 60);
        QPalette p = Parent.palette();
        p.setColor(QPalette::Window, ColorToQColor(clGray));
        Parent.setPalette(p);
        Bar = new TYTrackBar(&Parent);
        Bar->move(10, 10);
        Bar->SetMax(255);
        Bar->SetThumbColor(clBtnFace);
        Bar->OnChange = [this](TObject* sender) {
            EXPECT_EQ(sender, Bar);
            ++Changes;
            PositionsSeen.push_back(Bar->Position());
        };
        Bar->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int, int) { ++Downs; };
        Bar->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int, int) { ++Ups; };
        Bar->OnMouseMove = [this](TObject*, TShiftState, int, int) { ++Moves; };
        Parent.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&Parent));
    }

    // Paints in normal mode as the paint cycle does and returns the picture.
    QImage Painted() {
        Bar->repaint();
        return Bar->Surface();
    }
    TColor At(const QImage& image, int x, int y) {
        const QRgb c = image.pixel(x, y);
        return RGB(qRed(c), qGreen(c), qBlue(c));
    }
    void Press(int x) { QTest::mousePress(Bar, Qt::LeftButton, {}, QPoint(x, 15)); }
    void MoveTo(int x) { QTest::mouseMove(Bar, QPoint(x, 15)); }
    void Release(int x) { QTest::mouseRelease(Bar, Qt::LeftButton, {}, QPoint(x, 15)); }

    QWidget Parent;
    TYTrackBar* Bar = nullptr;
    int Changes = 0, Downs = 0, Ups = 0, Moves = 0;
    std::vector<int> PositionsSeen;
};

} // namespace

TEST(YTrackBarMapping, WorkedNumbers) {
    EXPECT_EQ(ThumbCentre(0, 0, 255, 4, 152), 4);
    EXPECT_EQ(ThumbCentre(128, 0, 255, 4, 152), 80);
    EXPECT_EQ(ThumbCentre(255, 0, 255, 4, 152), 156);
    EXPECT_EQ(DragPosition(128, 10, 0, 255, 152), 144);
    EXPECT_EQ(DragPosition(128, -10, 0, 255, 152), 112);
    EXPECT_EQ(DragPosition(128, 1, 0, 255, 152), 129);
    EXPECT_EQ(DragPosition(128, -1, 0, 255, 152), 127);
    EXPECT_EQ(DragPosition(50, 7, 0, 255, 0), 50); // a groove of no length moves nothing
    EXPECT_EQ(DragPosition(0, 100000, INT32_MIN / 2, INT32_MAX / 2, 152), INT32_MAX);
}

TEST(YTrackBarSetters, ConstructionAndRules) {
    TYTrackBar bar(nullptr);
    EXPECT_EQ(bar.width(), 160);
    EXPECT_EQ(bar.height(), 30);
    EXPECT_EQ(bar.Max(), 100);
    EXPECT_EQ(bar.Min(), 0);
    EXPECT_EQ(bar.ThumbWidth(), 10);
    EXPECT_EQ(bar.LeftMargin(), 4); // not the 6 the width setter would give
    EXPECT_EQ(bar.TrackLength(), 152);
    EXPECT_EQ(bar.ThumbColor(), clBtnFace);
    EXPECT_EQ(bar.GageColor(), clWhite);

    bar.SetMax(0);   // not above Min
    bar.SetMin(100); // not below Max
    EXPECT_EQ(bar.Max(), 100);
    EXPECT_EQ(bar.Min(), 0);
    bar.SetMax(255);
    bar.SetPosition(300);
    EXPECT_EQ(bar.Position(), 255);
    bar.SetPosition(-5);
    EXPECT_EQ(bar.Position(), 0);
    bar.SetPosition(128);
    bar.SetMax(50); // writing the range does not move the position
    EXPECT_EQ(bar.Position(), 128);
    bar.SetPosition(129);
    EXPECT_EQ(bar.Position(), 50);

    bar.SetThumbWidth(10);
    EXPECT_EQ(bar.LeftMargin(), 4);
    bar.SetThumbWidth(12);
    EXPECT_EQ(bar.LeftMargin(), 7);
    EXPECT_EQ(bar.RightMargin(), 7);
    bar.SetThumbWidth(11);
    EXPECT_EQ(bar.LeftMargin(), 6);
    for (int refused : {1, 0, -4}) {
        bar.SetThumbWidth(refused);
        EXPECT_EQ(bar.ThumbWidth(), 11);
    }
}

TEST_F(Slider, PaintsGrooveEdgesAndThumb) {
    Bar->SetPosition(128);
    const QImage image = Painted();
    EXPECT_EQ(Bar->ThumbX(), 80);
    EXPECT_EQ(At(image, 30, 12), clWhite);  // groove
    EXPECT_EQ(At(image, 30, 19), clWhite);  // its last row
    EXPECT_EQ(At(image, 155, 12), clWhite); // its last column
    EXPECT_EQ(At(image, 30, 8), clBlack);   // dark top edge, 2 pixels
    EXPECT_EQ(At(image, 30, 7), clBlack);
    EXPECT_EQ(At(image, 30, 6), clGray);
    EXPECT_EQ(At(image, 4, 12), clBlack); // dark left edge, 2 pixels
    EXPECT_EQ(At(image, 3, 12), clBlack);
    EXPECT_EQ(At(image, 157, 12), clWhite); // light right edge
    EXPECT_EQ(At(image, 30, 21), clWhite);  // light bottom edge
    EXPECT_EQ(At(image, 156, 12), clGray);  // background shows between
    EXPECT_EQ(At(image, 30, 25), clGray);

    // Thumb (75, 1, 85, 29): black border, face, white highlight.
    const TColor face = RGB(ColorToQColor(clBtnFace).red(), ColorToQColor(clBtnFace).green(),
                            ColorToQColor(clBtnFace).blue());
    EXPECT_EQ(At(image, 75, 10), clBlack); // left border
    EXPECT_EQ(At(image, 84, 10), clBlack); // right border
    EXPECT_EQ(At(image, 80, 1), clBlack);  // top border
    EXPECT_EQ(At(image, 80, 27), clBlack); // bottom border, 2 pixels
    EXPECT_EQ(At(image, 80, 28), clBlack);
    EXPECT_EQ(At(image, 76, 10), clWhite); // highlight down the face's left
    EXPECT_EQ(At(image, 80, 2), clWhite);  // and along its top
    EXPECT_EQ(At(image, 80, 10), face);
    EXPECT_EQ(At(image, 83, 26), face);
    EXPECT_EQ(At(image, 74, 10), clWhite); // groove beside the thumb
    EXPECT_EQ(At(image, 85, 10), clWhite);
    EXPECT_EQ(At(image, 80, 0), clGray);
    EXPECT_EQ(At(image, 80, 29), clGray);
}

TEST_F(Slider, ThumbIsClippedAtBothEnds) {
    Bar->SetPosition(0);
    QImage image = Painted();
    EXPECT_EQ(Bar->ThumbX(), 4);
    // Thumb (-1, 1, 9, 29): its black left column is clipped, so the face's
    // highlight is the first column shown.
    EXPECT_EQ(At(image, 0, 10), clWhite);
    EXPECT_EQ(At(image, 8, 10), clBlack);
    Bar->SetPosition(255);
    image = Painted();
    EXPECT_EQ(Bar->ThumbX(), 156);
    EXPECT_EQ(At(image, 151, 10), clBlack); // thumb (151, 1, 161, 29): last column clipped
    EXPECT_EQ(At(image, 152, 10), clWhite); // the face's highlight
    EXPECT_NE(At(image, 159, 10), clBlack); // its right border lies outside
}

TEST_F(Slider, DragGivesTheWorkedNumbersAndOutlines) {
    Bar->SetPosition(128);
    const QImage before = Painted();
    Press(80);
    EXPECT_TRUE(Bar->Dragging());
    EXPECT_EQ(Downs, 1);
    MoveTo(90);
    EXPECT_EQ(Bar->Position(), 144);
    EXPECT_EQ(Changes, 1);
    EXPECT_EQ(Moves, 1);

    // One outline step: thumb at 89, outline (84, 1, 94, 29) inverted over a
    // fresh groove; the normal thumb stays where the drag began outside it.
    const QImage outlined = Bar->Surface();
    EXPECT_EQ(Bar->ThumbX(), 89);
    EXPECT_EQ(At(outlined, 84, 12), clBlack); // inverted white groove
    EXPECT_EQ(At(outlined, 93, 12), clBlack);
    EXPECT_EQ(At(outlined, 88, 12), clWhite);            // inside the outline: groove
    EXPECT_EQ(At(outlined, 80, 12), clWhite);            // the old thumb's groove part is refilled
    EXPECT_EQ(At(outlined, 80, 25), At(before, 80, 25)); // below the groove it stays
    EXPECT_EQ(At(outlined, 84, 25), clWhite);            // the old thumb's black border, inverted
    EXPECT_EQ(At(outlined, 93, 25), RGB(0x7F, 0x7F, 0x7F)); // outline over grey
    EXPECT_EQ(At(outlined, 89, 28), RGB(0x7F, 0x7F, 0x7F)); // its bottom row

    MoveTo(70);
    EXPECT_EQ(Bar->Position(), 112);
    EXPECT_EQ(At(Bar->Surface(), 93, 25), clGray); // the previous outline was inverted back

    Release(70);
    EXPECT_FALSE(Bar->Dragging());
    EXPECT_EQ(Ups, 1);
    EXPECT_EQ(Changes, 2);
    EXPECT_EQ(PositionsSeen, (std::vector<int>{144, 112}));
}

TEST_F(Slider, PressOffTheThumbChangesNothing) {
    Bar->SetPosition(128);
    Painted();
    Press(20);
    MoveTo(60);
    MoveTo(140);
    Release(140);
    EXPECT_EQ(Bar->Position(), 128);
    EXPECT_EQ(Changes, 0);
    EXPECT_EQ(Moves, 0);
    EXPECT_EQ(Downs, 1);
    EXPECT_EQ(Ups, 1);
}

TEST_F(Slider, SmallMovesStillReportAChange) {
    Bar->SetPosition(128);
    Painted();
    Press(85); // the thumb's last column still starts a drag
    ASSERT_TRUE(Bar->Dragging());
    const QImage before = Bar->Surface();
    MoveTo(85); // less than one step
    EXPECT_EQ(Bar->Position(), 128);
    EXPECT_EQ(Changes, 1);
    EXPECT_EQ(Bar->Surface(), before); // nothing painted
    Release(85);
}

TEST_F(Slider, DraggingFarBeyondTheEndsClamps) {
    Bar->SetPosition(128);
    Painted();
    Press(80);
    MoveTo(1000);
    EXPECT_EQ(Bar->Position(), 255);
    MoveTo(-1000);
    EXPECT_EQ(Bar->Position(), 0);
    Release(-1000);
    EXPECT_EQ(Ups, 1);
}

TEST_F(Slider, PositionWritesNeverReportAChange) {
    Bar->SetPosition(300);
    Bar->SetPosition(-5);
    Bar->SetPosition(17);
    EXPECT_EQ(Changes, 0);
    EXPECT_EQ(Bar->Position(), 17);
}

// To assistive technology the control is a slider named by its owner, whose
// value is its Position, following the setter and a drag; a value set from
// outside moves nothing, since only the mouse moves the slider.
TEST_F(Slider, IsASliderWhoseValueIsItsPosition) {
    Bar->setAccessibleName("赤");
    QAccessibleInterface* slider = QAccessible::queryAccessibleInterface(Bar);
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(slider->role(), QAccessible::Slider);
    EXPECT_EQ(slider->text(QAccessible::Name), QString::fromUtf8("赤"));
    QAccessibleValueInterface* value = slider->valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->minimumValue().toInt(), 0);
    EXPECT_EQ(value->maximumValue().toInt(), 255);
    Bar->SetPosition(128);
    EXPECT_EQ(value->currentValue().toInt(), 128);
    EXPECT_EQ(slider->text(QAccessible::Value), "128");
    Painted(); // the thumb stands at 128
    Press(80);
    MoveTo(90);
    EXPECT_EQ(value->currentValue().toInt(), 144);
    Release(90);
    value->setCurrentValue(3);
    EXPECT_EQ(Bar->Position(), 144);
    EXPECT_EQ(Changes, 1);
}

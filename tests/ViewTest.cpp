#include "FormFixture.h"

#include <QImage>
#include <QScrollBar>
#include <utime.h>

namespace fs = std::filesystem;

namespace {

class View : public Window {
protected:
    void SetUp() override {
        Window::SetUp();
        Pictures = Home / "bin";
        WriteFileBytes(Pictures / "distinct.bmp", DistinctBmp(25, 13));
        WriteFileBytes(Pictures / "vga.bmp", DistinctBmp(640, 480));
        WriteFileBytes(Pictures / "narrow.BMP", DistinctBmp(7, 30));
        WriteFileBytes(Pictures / "empty.bmp", {});
        WriteFileBytes(Pictures / "empty.jpg", {});
        WriteFileBytes(Pictures / "photo.JPG", ReadFileBytes(FixturePath("jpeg/baseline.jpg")));
        WriteFileBytes(Pictures / "jpeg-inside.bmp",
                       ReadFileBytes(FixturePath("jpeg/baseline.jpg")));
        WriteFileBytes(Pictures / "bmp-inside.jpg", DistinctBmp(4, 4));
        SwitchTo(2);
    }
    // Clicks the file's name in the list.
    void Select(const std::string& name) {
        TFileListBox* list = Form->FLB1;
        for (int i = 0; i < list->Count(); ++i) {
            if (list->Item(i) == name) {
                const QRect row = list->visualRect(list->model()->index(i, 0));
                QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
                ASSERT_EQ(list->ItemIndex(), i);
                return;
            }
        }
        FAIL() << name << " is not listed";
    }
    bool ZoomShown() {
        const bool shown = Form->Btn31->isVisible();
        for (QWidget* w : std::initializer_list<QWidget*>{Form->Btn32, Form->Label5, Form->Label6,
                                                          Form->Label7}) {
            EXPECT_EQ(w->isVisible(), shown);
        }
        return shown;
    }
    const TBitmap* Shown() { return Form->Img1->Bitmap(); }
    void Zoom(QWidget* button, int times) {
        for (int i = 0; i < times; ++i) {
            Click(button);
        }
    }
    // Picks at a point of the picture control, the cursor put there first.
    void PickAt(QPoint client, bool realClick = false) {
        Desktop.Cursor = Form->Img1->mapTo(Form.get(), client);
        if (realClick) {
            Click(Form->Img1, client);
        } else {
            Form->Img1Click(Form->Img1);
        }
    }

    fs::path Pictures;
};

} // namespace

TEST_F(View, AClickOnAFileNameShowsThePictureAtOneHundredPercent) {
    Form->ShowColor(clRed);
    Form->Label5->SetCaption("300");
    Select("vga.bmp");
    ASSERT_NE(Shown(), nullptr);
    EXPECT_EQ(Shown()->Width(), 640);
    EXPECT_EQ(Form->Img1->size(), QSize(640, 480));
    EXPECT_EQ(Form->Label5->Caption(), "100");
    EXPECT_TRUE(ZoomShown());
    ExpectDisplay(NeutralGrey, "8421504", "RGB(128, 128, 128)");
    EXPECT_EQ(QApplication::focusWidget(), Form->FLB1); // the focus stays in the list

    // The keyboard selects too: the next name down is shown.
    QTest::keyClick(Form->FLB1, Qt::Key_Up);
    EXPECT_EQ(Form->FLB1->FileName(), (Pictures / "photo.JPG").string());
    ASSERT_NE(Shown(), nullptr);
    EXPECT_EQ(Shown()->Width(), 24);
}

TEST_F(View, TheSelectedNameStaysSelectedAndAClickLoadsItAgain) {
    Select("vga.bmp");
    const int selected = Form->FLB1->ItemIndex();
    Click(Form->Btn32); // 200 %
    PickAt({30, 20}, true);
    ASSERT_EQ(Form->Edit41->Color(), Distinct(15, 10));

    // A click on the name already selected loads it again: 100 %, grey,
    // shown from its top left corner however the view was scrolled.
    QScrollBar* across = Form->SCRLB1->horizontalScrollBar();
    QScrollBar* down = Form->SCRLB1->verticalScrollBar();
    Click(Form->Btn31);
    ASSERT_GT(across->maximum(), 0);
    ASSERT_GT(down->maximum(), 0);
    across->setValue(across->maximum());
    down->setValue(down->maximum());
    Select("vga.bmp");
    EXPECT_EQ(Form->Label5->Caption(), "100");
    EXPECT_EQ(Form->Img1->size(), QSize(640, 480));
    EXPECT_EQ(across->value(), 0);
    EXPECT_EQ(down->value(), 0);
    ExpectDisplay(NeutralGrey, "8421504", "RGB(128, 128, 128)");

    // Neither a click below the last name, nor Ctrl with the selected one, nor
    // Ctrl+Space clears the selection; none of them loads anything.
    Click(Form->Btn32);
    QWidget* rows = Form->FLB1->viewport();
    const QRect row = Form->FLB1->visualRect(Form->FLB1->model()->index(selected, 0));
    ASSERT_LT(
        Form->FLB1->visualRect(Form->FLB1->model()->index(Form->FLB1->Count() - 1, 0)).bottom(),
        rows->height() - 10);
    QTest::mouseClick(rows, Qt::LeftButton, {}, QPoint(20, rows->height() - 5));
    QTest::mouseClick(rows, Qt::LeftButton, Qt::ControlModifier, row.center());
    QTest::keyClick(Form->FLB1, Qt::Key_Space, Qt::ControlModifier);
    EXPECT_EQ(Form->FLB1->ItemIndex(), selected);
    EXPECT_TRUE(Form->FLB1->selectionModel()->isSelected(Form->FLB1->model()->index(selected, 0)));
    EXPECT_EQ(Form->Label5->Caption(), "100"); // Ctrl+click reloaded once, like any click
}

TEST_F(View, TheFirstMoveFromNoSelectionSelectsTheFirstName) {
    WriteFileBytes(Pictures / "0first.bmp", DistinctBmp(3, 2));
    for (Qt::Key key : {Qt::Key_Down, Qt::Key_Up, Qt::Key_End, Qt::Key_PageDown, Qt::Key_Right}) {
        SCOPED_TRACE(key);
        Select("vga.bmp");
        Form->OpenImageFolder(Pictures.string()); // read anew: nothing selected
        ASSERT_EQ(Form->FLB1->ItemIndex(), -1);
        ASSERT_EQ(Shown()->Width(), 640); // opening keeps the picture
        Form->BtnSDIR->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget(), Form->FLB1);
        QTest::keyClick(Form->FLB1, key);
        EXPECT_EQ(Form->FLB1->ItemIndex(), 0);
        ASSERT_NE(Shown(), nullptr);
        EXPECT_EQ(Shown()->Width(), 3);
    }
    // Once a name is selected the keys move as usual.
    QTest::keyClick(Form->FLB1, Qt::Key_Down);
    EXPECT_EQ(Form->FLB1->ItemIndex(), 1);
}

TEST_F(View, ZoomStepsBetweenTenAndEightHundredPercent) {
    Select("vga.bmp");
    const std::vector<std::pair<int, QSize>> down{
        {90, {576, 432}}, {80, {512, 384}}, {70, {448, 336}}, {60, {384, 288}}, {50, {320, 240}},
        {40, {256, 192}}, {30, {192, 144}}, {20, {128, 96}},  {10, {64, 48}},   {10, {64, 48}}};
    for (const auto& [percent, size] : down) {
        Form->Btn32->setFocus();
        Click(Form->Btn31);
        EXPECT_EQ(Form->Label5->Caption(), std::to_string(percent));
        EXPECT_EQ(Form->Img1->size(), size);
        EXPECT_EQ(QApplication::focusWidget(), Form->Edit0);
    }
    Zoom(Form->Btn32, 9);
    EXPECT_EQ(Form->Label5->Caption(), "100");
    Click(Form->Btn32);
    EXPECT_EQ(Form->Label5->Caption(), "200");
    Click(Form->Btn31);
    EXPECT_EQ(Form->Label5->Caption(), "100");
    Zoom(Form->Btn32, 8);
    EXPECT_EQ(Form->Label5->Caption(), "800");
    EXPECT_EQ(Form->Img1->size(), QSize(5120, 3840));
    EXPECT_EQ(Form->SCRLB1->horizontalScrollBar()->value(), 0); // never scrolled by the program

    Select("narrow.BMP");
    Zoom(Form->Btn31, 9);
    EXPECT_EQ(Form->Label5->Caption(), "10");
    EXPECT_EQ(Form->Img1->size(), QSize(0, 3));
}

TEST_F(View, FailedLoadsAreSilentAndLeaveTheViewEmpty) {
    Select("distinct.bmp");
    Zoom(Form->Btn32, 2);
    Form->ShowColor(clRed);
    fs::remove(Pictures / "vga.bmp");
    for (const char* name : {"jpeg-inside.bmp", "bmp-inside.jpg", "empty.jpg", "vga.bmp"}) {
        SCOPED_TRACE(name);
        Select(name);
        EXPECT_TRUE(Shown() == nullptr || Shown()->Empty());
        EXPECT_EQ(Form->Img1->size(), QSize(100, 100));
        EXPECT_FALSE(ZoomShown());
        EXPECT_EQ(Form->Label5->Caption(), "300");
        ExpectDisplay(clRed, "255", "RGB(255, 0, 0)");
        PickAt({5, 5});
        ExpectDisplay(clRed, "255", "RGB(255, 0, 0)"); // nothing to pick
    }
    EXPECT_TRUE(Reports.empty());

    // A good load after failed ones; an old file loads like any other.
    const struct utimbuf old { 86400, 86400 }; // 2 January 1970
    ASSERT_EQ(utime((Pictures / "photo.JPG").c_str(), &old), 0);
    Select("photo.JPG");
    ASSERT_NE(Shown(), nullptr);
    EXPECT_EQ(Form->Img1->size(), QSize(24, 16));
    EXPECT_TRUE(ZoomShown());
    ExpectDisplay(NeutralGrey, "8421504", "RGB(128, 128, 128)");

    // No bytes at all make an empty picture: a 0 x 0 view, zoom shown.
    Form->ShowColor(clRed);
    Select("empty.bmp");
    EXPECT_EQ(Form->Img1->size(), QSize(0, 0));
    EXPECT_TRUE(ZoomShown());
    EXPECT_EQ(Form->Label5->Caption(), "100");
    ExpectDisplay(NeutralGrey, "8421504", "RGB(128, 128, 128)");
}

TEST_F(View, LeavingTheImageModeRemovesThePicture) {
    Select("vga.bmp");
    Click(Form->BtnSWTCH);
    EXPECT_EQ(Form->Mode, 0);
    EXPECT_EQ(Shown(), nullptr);
    EXPECT_EQ(Form->Img1->size(), QSize(100, 100));
    EXPECT_FALSE(Form->Label5->isVisibleTo(Form->Panel1));
    SwitchTo(2);
    EXPECT_EQ(Shown(), nullptr);
    EXPECT_FALSE(ZoomShown());
    EXPECT_EQ(Form->FLB1->ItemIndex(), -1);
}

TEST_F(View, ThePickIsThePictureUnderTheCursor) {
    Select("distinct.bmp");
    Form->Edit41->setFocus();
    PickAt({3, 7}, true); // 100 %: one to one
    EXPECT_EQ(Form->Edit41->Color(), Distinct(3, 7));
    EXPECT_EQ(QApplication::focusWidget(), Form->Edit41); // the pick leaves the focus
    Click(Form->Btn32);                                   // 200 %
    for (auto [client, pixel] : {std::pair{0, 0}, {1, 0}, {2, 1}, {3, 1}, {49, 24}}) {
        PickAt({client, client / 4}, true);
        EXPECT_EQ(Form->Edit41->Color(), Distinct(pixel, client / 8)) << client;
    }
    PickAt({-1, -1}); // just outside, still pixel 0
    EXPECT_EQ(Form->Edit41->Color(), Distinct(0, 0));
    PickAt({60, 5}); // the cursor has left the picture: an invalid read
    ExpectDisplay(CLR_INVALID, "-1", "RGB(255, 255, 255)");

    Zoom(Form->Btn31, 11); // 10 %: 25 pixels shown 2 wide
    ASSERT_EQ(Form->Img1->size(), QSize(2, 1));
    PickAt({1, 0}, true);
    EXPECT_EQ(Form->Edit41->Color(), Distinct(12, 0));
}

TEST_F(View, EveryViewPixelShowsTheColourItsPickGives) {
    Select("distinct.bmp");
    for (int percent : {10, 100, 300, 800}) {
        Form->Label5->SetCaption(std::to_string(percent));
        Form->ApplyZoom();
        SCOPED_TRACE(percent);
        const QImage painted = Form->Img1->grab().toImage();
        ASSERT_EQ(painted.size(), Form->Img1->size());
        int wrong = 0;
        for (int y = 0; y < painted.height(); ++y) {
            for (int x = 0; x < painted.width(); ++x) {
                PickAt({x, y});
                wrong += painted.pixel(x, y) != ScreenColour(Form->Edit41->Color());
                // The same spot of the picture at any zoom gives the same colour.
                wrong += Form->Edit41->Color() !=
                         Distinct(x * 25 / painted.width(), y * 13 / painted.height());
            }
        }
        EXPECT_EQ(wrong, 0);
    }
}

// The arrow keys on the focus sink move the pick cursor a picture pixel at a
// time (ten with Shift), pick there as a click does, stop at the edges and
// keep the cursor in sight; the file list keeps its own arrow keys.
TEST_F(View, ArrowKeysMoveThePickCursorAndTheViewFollows) {
    Select("vga.bmp");
    Zoom(Form->Btn32, 7); // 800 %
    PickAt({80, 40}, true);
    EXPECT_EQ(Form->PickCursor(), QPoint(10, 5));
    EXPECT_TRUE(Form->Img1->Outline().isEmpty()); // a mouse user sees no cursor
    Form->Edit0->setFocus();
    const struct {
        Qt::Key Key;
        Qt::KeyboardModifiers Modifiers;
        QPoint To;
    } moves[] = {{Qt::Key_Right, {}, {11, 5}},
                 {Qt::Key_Down, {}, {11, 6}},
                 {Qt::Key_Right, Qt::ShiftModifier, {21, 6}},
                 {Qt::Key_Up, Qt::ShiftModifier, {21, 0}},
                 {Qt::Key_Left, {}, {20, 0}},
                 {Qt::Key_Up, {}, {20, 0}}};
    for (const auto& move : moves) {
        Key(move.Key, move.Modifiers);
        EXPECT_EQ(Form->PickCursor(), move.To);
        EXPECT_EQ(Form->Edit41->Color(), Distinct(move.To.x(), move.To.y()));
        EXPECT_EQ(Form->Img1->Outline(), QRect(move.To, QSize(1, 1)));
    }
    EXPECT_EQ(QApplication::focusWidget(), Form->Edit0);
    for (int i = 0; i < 70; ++i) { // to the far corner, beyond the first screenful
        Key(Qt::Key_Right, Qt::ShiftModifier);
        Key(Qt::Key_Down, Qt::ShiftModifier);
    }
    EXPECT_EQ(Form->PickCursor(), QPoint(639, 479));
    EXPECT_EQ(Form->Edit41->Color(), Distinct(639, 479));
    const QRect inSight(Form->Img1->mapFrom(Form->SCRLB1->viewport(), QPoint(0, 0)),
                        Form->SCRLB1->viewport()->size());
    EXPECT_TRUE(inSight.contains(QRect(639 * 8, 479 * 8, 8, 8))) << "the view did not follow";
    // A click takes over from the keyboard: the cursor goes, the pick is the
    // written one.
    PickAt(inSight.center(), true);
    EXPECT_TRUE(Form->Img1->Outline().isEmpty());

    Form->FLB1->setFocus();
    const int listed = Form->FLB1->ItemIndex();
    Key(Qt::Key_Up, {});
    EXPECT_EQ(Form->FLB1->ItemIndex(), listed - 1);
}

// The picture area's menu gives it the focus, where the arrow keys pick and
// Escape gives the focus back to the file list; its sample sizes average the
// square centred on the pixel, inside the picture only, for clicks and keys.
TEST_F(View, TheKeyboardAndTheSampleSizeComeFromThePictureMenu) {
    Select("distinct.bmp"); // 25 x 13
    EXPECT_TRUE(ChooseFromMenu([&] { RightClick(Form->Img1); }, {"キーボードで選ぶ"}));
    EXPECT_EQ(Form->focusWidget(), Form->Img1);
    EXPECT_EQ(Form->Img1->Outline(), QRect(12, 6, 1, 1)); // the middle of what is in sight
    Key(Qt::Key_Left, {});
    EXPECT_EQ(Form->Edit41->Color(), Distinct(11, 6));
    EXPECT_NE(Form->Img1->accessibleName().indexOf("x 11, y 6: RGB("), -1);
    Key(Qt::Key_Escape, {});
    EXPECT_EQ(Form->focusWidget(), Form->FLB1);

    auto mean = [](int cx, int cy, int side) {
        int r = 0, g = 0, b = 0, n = 0;
        for (int y = std::max(0, cy - side / 2); y <= std::min(12, cy + side / 2); ++y) {
            for (int x = std::max(0, cx - side / 2); x <= std::min(24, cx + side / 2); ++x) {
                const TColor c = Distinct(x, y);
                r += GetRValue(c), g += GetGValue(c), b += GetBValue(c), ++n;
            }
        }
        auto round = [n](int sum) { return (2 * sum + n) / (2 * n); };
        return n == 0 ? CLR_INVALID : RGB(round(r), round(g), round(b));
    };
    for (const int side : TForm1::SampleSizes) {
        const std::string name = TForm1::SampleSizeName(side);
        ASSERT_TRUE(ChooseFromMenu([&] { RightClick(Form->Img1); }, {"取る範囲", name}));
        EXPECT_EQ(Form->SampleSize(), side);
        for (const QPoint pixel : {QPoint(0, 0), QPoint(24, 12), QPoint(12, 6), QPoint(24, 0)}) {
            PickAt(pixel, true);
            EXPECT_EQ(Form->Edit41->Color(), mean(pixel.x(), pixel.y(), side)) << name;
            const QRect square =
                QRect(pixel.x() - side / 2, pixel.y() - side / 2, side, side) & QRect(0, 0, 25, 13);
            EXPECT_EQ(Form->Img1->Outline(), side > 1 ? square : QRect()) << name;
        }
        Form->Edit0->setFocus();
        Key(Qt::Key_Left, {});
        EXPECT_EQ(Form->Edit41->Color(), mean(23, 0, side)) << name;
        PickAt({60, 5}); // outside: the failed read, unless the square reaches in
        EXPECT_EQ(Form->Edit41->Color(), mean(60, 5, side)) << name;
    }
    // The choice holds for the next picture, which shows the square at once.
    Select("vga.bmp");
    EXPECT_EQ(Form->SampleSize(), 101);
    EXPECT_EQ(Form->Img1->Outline().size(), QSize(101, 101));
}

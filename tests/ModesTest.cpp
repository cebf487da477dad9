#include "FormFixture.h"

namespace {

class Modes : public Window {
protected:
    TLabel* Label(int row) { return Form->ChannelLabels[std::size_t(row)]; }
    TYTrackBar* Slider(int row) { return Form->YTB[std::size_t(row)]; }
    void ExpectRows(const char* text, int position) {
        for (int row = 0; row <= 2; ++row) {
            EXPECT_EQ(Label(row)->Caption(), text) << row;
            EXPECT_EQ(Slider(row)->Position(), position) << row;
        }
    }
    // What each group shows: the first and last swatch, the slider group's
    // first and last control, the image group's panel and scroll box.
    void ExpectGroups(bool palette, bool sliders, bool image) {
        EXPECT_EQ(Form->Swatches[0]->isVisible(), palette);
        EXPECT_EQ(Form->Swatches[39]->isVisible(), palette);
        EXPECT_EQ(Control<QWidget>("Btn01")->isVisible(), sliders);
        EXPECT_EQ(Control<QWidget>("YTB2")->isVisible(), sliders);
        EXPECT_EQ(Control<QWidget>("Label1")->isVisible(), sliders);
        EXPECT_EQ(Form->Panel1->isVisible(), image);
        EXPECT_EQ(Form->SCRLB1->isVisible(), image);
        EXPECT_EQ(Form->FLB1->isVisible(), image);
    }
};

} // namespace

TEST_F(Modes, SwitchCyclesThroughTheThreeModesFromGrey) {
    const bool groups[3][3] = {{true, false, false}, {false, true, false}, {false, false, true}};
    for (int click = 1; click <= 3; ++click) {
        SCOPED_TRACE(click);
        Click(Form->Swatches[2]->isVisible() ? Form->Swatches[2] : Form->Edit41);
        Click(Form->BtnSWTCH);
        const int mode = click % 3;
        EXPECT_EQ(Form->Mode, mode);
        EXPECT_EQ(Form->windowTitle().toStdString(), TForm1::ModeCaptions[std::size_t(mode)]);
        ExpectGroups(groups[mode][0], groups[mode][1], groups[mode][2]);
        ExpectDisplay(NeutralGrey, "8421504", "RGB(128, 128, 128)");
        ExpectRows("128", 128);
        EXPECT_EQ(QApplication::focusWidget(), Form->Edit0);
        EXPECT_TRUE(Reports.empty());
    }
}

TEST_F(Modes, TheSpaceBarAfterASwitchGoesToTheFocusSink) {
    Click(Form->BtnSWTCH);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_EQ(Form->Mode, 1); // the button was not pressed again
    EXPECT_EQ(Form->Edit0->text(), " ");
}

TEST_F(Modes, SliderRowsAreResetWhenLeft) {
    SwitchTo(1);
    Click(Control<QWidget>("Btn24"));
    Click(Control<QWidget>("Btn03"));
    ExpectDisplay(7766154, "7766154", "RGB(138, 128, 118)");
    Click(Form->BtnSWTCH);
    ExpectRows("128", 128);
    EXPECT_FALSE(Label(0)->isVisible());
    ExpectDisplay(NeutralGrey, "8421504", "RGB(128, 128, 128)");
}

TEST_F(Modes, StepButtonsClampAndDisplayAtOnce) {
    SwitchTo(1);
    struct Case {
        const char* Button;
        const char* Before;
        const char* After;
    };
    for (const Case& c :
         {Case{"Btn01", "0", "0"}, Case{"Btn24", "250", "255"}, Case{"Btn23", "5", "0"},
          Case{"Btn14", "255", "255"}, Case{"Btn12", "7", "8"}, Case{"Btn21", "7", "6"}}) {
        SCOPED_TRACE(c.Button);
        const int row = c.Button[3] - '0';
        Label(row)->SetCaption(c.Before);
        Form->Edit41->setFocus();
        Click(Control<QWidget>(c.Button));
        EXPECT_EQ(Label(row)->Caption(), c.After);
        EXPECT_EQ(Slider(row)->Position(), std::stoi(c.After));
        const TColor shown = RGB(std::stoi(Label(2)->Caption()), std::stoi(Label(1)->Caption()),
                                 std::stoi(Label(0)->Caption()));
        EXPECT_EQ(Form->LV1->Caption(), std::to_string(shown));
        EXPECT_EQ(QApplication::focusWidget(), Form->Edit0);
    }
    SwitchTo(0);
    SwitchTo(1);
    Click(Control<QWidget>("Btn22"));
    EXPECT_EQ(Label(2)->Caption(), "129");
    EXPECT_EQ(Slider(2)->Position(), 129);
    ExpectDisplay(8421505, "8421505", "RGB(129, 128, 128)");
}

TEST_F(Modes, DraggingShowsTheValueAndTheReleaseTheColour) {
    SwitchTo(1);
    TYTrackBar* bar = Slider(2);
    const int thumb = bar->ThumbX();
    QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(thumb, 15));
    QTest::mouseMove(bar, QPoint(thumb + 5, 15));
    EXPECT_EQ(Label(2)->Caption(), "136");
    QTest::mouseMove(bar, QPoint(thumb + 10, 15));
    EXPECT_EQ(Label(2)->Caption(), "144");
    ExpectDisplay(NeutralGrey, "8421504", "RGB(128, 128, 128)");
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(thumb + 10, 15));
    ExpectDisplay(8421520, "8421520", "RGB(144, 128, 128)");
    EXPECT_EQ(QApplication::focusWidget(), Form->Edit0);

    // A press and release on the groove away from the thumb, and a release
    // of the right button: nothing changes but the colour is shown again.
    for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton}) {
        Form->Edit41->setFocus();
        Form->ShowColor(clRed);
        QTest::mouseClick(bar, button, {}, QPoint(150, 25));
        EXPECT_EQ(Label(2)->Caption(), "144");
        EXPECT_EQ(bar->Position(), 144);
        ExpectDisplay(8421520, "8421520", "RGB(144, 128, 128)");
        EXPECT_EQ(QApplication::focusWidget(), Form->Edit0);
    }
}

TEST_F(Modes, TheRgbTextTakesTheValueLabelsAsTheyStand) {
    Label(0)->SetCaption("+7");
    Label(1)->SetCaption("0300");
    Label(2)->SetCaption("-1");
    Form->ShowChannelColor();
    ExpectDisplay(RGB(-1, 300, 7), std::to_string(RGB(-1, 300, 7)).c_str(), "RGB(-1, 0300, +7)");
}

// The program's own folder, the last folder to fall back on, is gone: the
// error is shown, and the window never stays locked in the switch, as it
// would if the mode stayed the slider mode: the next switch goes on to the
// palette, and the image mode opens once the folder is there again.
TEST_F(Modes, AFolderThatCannotBeOpenedIsShownAndTheNextSwitchLeaves) {
    const auto pictures = Home / "pictures";
    std::filesystem::create_directory(pictures);
    WriteFileBytes(Home / "bin/pixdir.txt", {});
    SwitchTo(1);
    Click(Control<QWidget>("Btn24"));
    Desktop.Executable = (Home / "gone/irochi").string();
    Form->BtnSWTCH->setFocus();
    Click(Form->BtnSWTCH);
    ASSERT_EQ(Reports.size(), 1u);
    EXPECT_NE(Reports[0].find("フォルダ " + (Home / "gone").string() + " を開けません"),
              std::string::npos)
        << Reports[0];
    EXPECT_EQ(Form->Mode, 2);
    ExpectGroups(false, false, false);
    ExpectDisplay(NeutralGrey, "8421504", "RGB(128, 128, 128)");
    EXPECT_EQ(QApplication::focusWidget(), Form->BtnSWTCH);
    EXPECT_EQ(Form->FLB1->Directory(), "/");

    Click(Form->BtnSWTCH);
    EXPECT_EQ(Reports.size(), 1u);
    EXPECT_EQ(Form->Mode, 0);
    EXPECT_EQ(Form->windowTitle().toStdString(), TForm1::ModeCaptions[0]);
    ExpectGroups(true, false, false);

    Desktop.Executable = (pictures / "irochi").string();
    SwitchTo(2);
    EXPECT_EQ(Reports.size(), 1u);
    ExpectGroups(false, false, true);
    EXPECT_EQ(Form->FLB1->Directory(), std::filesystem::canonical(pictures).string());
}

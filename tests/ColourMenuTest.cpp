#include "FormFixture.h"

#include "ColorNotation.h"
#include "PickOptions.h"

#include <QProcess>

namespace {

class ColourMenu : public Window {
protected:
    // The menu's notation items, as they show.
    std::vector<std::string> Notations(QWidget* from) {
        auto items = MenuFrom([&] { RightClick(from); });
        return {items.begin(), items.begin() + std::min<std::ptrdiff_t>(16, std::ssize(items))};
    }
    void Paste(const std::string& text) {
        Clipboard.Data.setText(QString::fromStdString(text));
        Key(Qt::Key_V, Qt::ControlModifier);
    }
    std::vector<std::string> Channels() {
        std::vector<std::string> shown;
        for (std::size_t row = 0; row < 3; ++row) {
            shown.push_back(Form->ChannelLabels[row]->Caption() + "/" +
                            std::to_string(Form->YTB[row]->Position()));
        }
        return shown;
    }
};

} // namespace

TEST_F(ColourMenu, OpensFromTheDisplayByMouseAndFromTheSinkAndCopyButtonsByKey) {
    Click(Form->Swatches[16]); // green, 0x008000
    const std::vector<std::string> green = Notations(Form->Edit41);
    ASSERT_EQ(green.size(), 16u);
    EXPECT_EQ(green[0], "#008000");
    EXPECT_EQ(green[1], "rgb(0 128 0)");
    EXPECT_EQ(green[13], Form->LV1->Caption());
    EXPECT_EQ(green[14], Form->LV2->Caption());
    EXPECT_EQ(green[15], "green");
    for (QWidget* place :
         std::vector<QWidget*>{Form->LV1, Form->LV2, Form->BtnCpy1, Form->BtnCpy2}) {
        EXPECT_EQ(Notations(place), green) << place->objectName().toStdString();
    }
    for (QWidget* focus : std::vector<QWidget*>{Form->Edit0, Form->BtnCpy1, Form->BtnCpy2}) {
        focus->setFocus();
        for (const auto& [key, modifiers] :
             {std::pair{Qt::Key_Menu, Qt::NoModifier}, std::pair{Qt::Key_F10, Qt::ShiftModifier}}) {
            const auto items = MenuFrom([&] { Key(key, modifiers); });
            ASSERT_GE(items.size(), 16u) << focus->objectName().toStdString();
            EXPECT_EQ(std::vector<std::string>(items.begin(), items.begin() + 16), green);
        }
    }
    // Elsewhere the menu keys and the right button open no colour menu.
    Form->Swatches[0]->setFocus();
    EXPECT_TRUE(MenuFrom([&] { Key(Qt::Key_Menu, Qt::NoModifier); }).empty());
    EXPECT_TRUE(MenuFrom([&] { RightClick(Form->Label3); }).empty());
}

TEST_F(ColourMenu, EachItemCopiesItsTextAndGivesTheFocusToTheSink) {
    Click(Form->Swatches[21]); // 0x808000, teal
    const auto items = Notations(Form->Edit41);
    for (const std::string& text : items) {
        Form->BtnSWTCH->setFocus();
        ASSERT_TRUE(ChooseFromMenu([&] { RightClick(Form->LV2); }, {text})) << text;
        EXPECT_EQ(Clipboard.Text, text);
        EXPECT_EQ(Form->focusWidget(), Form->Edit0);
        // What was copied pastes back as the colour shown.
        Click(Form->Swatches[0]);
        Paste(text);
        EXPECT_EQ(Form->LV1->Caption(), "8421376") << text;
    }
    // A name that is only the nearest is shown, and not copied as the colour.
    Click(Form->Swatches[6]); // 26367
    const auto orange = MenuFrom([&] { RightClick(Form->LV2); });
    EXPECT_EQ(orange.at(15), "≈ tomato (disabled)");
    EXPECT_FALSE(ChooseFromMenu([&] { RightClick(Form->LV2); }, {"≈ tomato"}));

    Clipboard.Locked = true;
    Clipboard.Text = "kept";
    Form->BtnSWTCH->setFocus();
    ChooseFromMenu([&] { RightClick(Form->LV1); }, {"#FF6600"});
    EXPECT_EQ(Clipboard.Text, "kept");
    ASSERT_EQ(Reports.size(), 1u);
    EXPECT_NE(Reports[0].find("クリップボードを開くことができません"), std::string::npos);
    EXPECT_EQ(Form->focusWidget(), Form->BtnSWTCH);
}

TEST_F(ColourMenu, APastedColourShowsInEveryModeAndOtherTextChangesNothing) {
    Paste("#3A5B40");
    ExpectDisplay(RGB(58, 91, 64), "4217658", "RGB(58, 91, 64)");
    Paste("-1");
    ExpectDisplay(-1, "-1", "RGB(255, 255, 255)");
    Paste("RGB(1, 2, 3)");
    ExpectDisplay(RGB(1, 2, 3), "197121", "RGB(1, 2, 3)");
    Paste("a sentence, not a colour");
    ExpectDisplay(RGB(1, 2, 3), "197121", "RGB(1, 2, 3)");
    EXPECT_EQ(Form->Edit0->text(), ""); // the focus sink takes no text
    auto menu = MenuFrom([&] { RightClick(Form->Edit41); });
    EXPECT_EQ(
        std::vector<std::string>(menu.end() - 5, menu.end()),
        (std::vector<std::string>{"", "貼り付け (disabled)", "最近の色", "", "画面から選ぶ"}));

    SwitchTo(1);
    Form->StepButtons[2][1]->setFocus();
    Paste("hsl(120 100% 25%)");
    ExpectDisplay(RGB(0, 128, 0), "32768", "RGB(0, 128, 0)");
    EXPECT_EQ(Channels(), (std::vector<std::string>{"0/0", "128/128", "0/0"}));
    EXPECT_EQ(Form->focusWidget(), Form->Edit0);
    Clipboard.Data.setText("oklch(0.7 0.1 30)");
    EXPECT_TRUE(ChooseFromMenu([&] { RightClick(Form->LV1); }, {"貼り付け"}));
    const TColor pasted = *ReadColour("oklch(0.7 0.1 30)");
    EXPECT_EQ(Form->LV1->Caption(), std::to_string(pasted));
    EXPECT_EQ(Channels()[2],
              std::to_string(GetRValue(pasted)) + "/" + std::to_string(GetRValue(pasted)));

    // In the image mode a colour leaves the picture as it is.
    WriteFileBytes(Home / "bin/p.bmp", DistinctBmp(8, 8));
    SwitchTo(2);
    Form->FLB1->SetItemIndex(0);
    ASSERT_NE(Form->Img1->Bitmap(), nullptr);
    Paste("teal");
    ExpectDisplay(0x808000, "8421376", "RGB(0, 128, 128)");
    ASSERT_NE(Form->Img1->Bitmap(), nullptr);
    EXPECT_EQ(Form->Img1->Bitmap()->Width(), 8);
}

TEST_F(ColourMenu, ImageDataThatCannotBeReadNamesTheClipboard) {
    SwitchTo(2);
    Clipboard.Data.setData("image/png", QByteArray("\x89PNG\r\n\x1a\nnot really", 18));
    Key(Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(Reports.size(), 1u);
    EXPECT_NE(Reports[0].find("クリップボードの画像を表示できません: PNG"), std::string::npos)
        << Reports[0];
    EXPECT_EQ(Form->Img1->Bitmap(), nullptr);
}

TEST_F(ColourMenu, RecentColoursAreTheDistinctPicksNewestFirst) {
    auto recent = [&] {
        std::vector<std::string> hex;
        for (TColor c : Form->RecentColours()) {
            hex.push_back(HexText(c));
        }
        return hex;
    };
    const auto menu = MenuFrom([&] { RightClick(Form->Edit41); });
    EXPECT_EQ(menu.at(menu.size() - 3), "最近の色 (disabled)");
    Click(Form->Swatches[2]);  // red
    Click(Form->Swatches[21]); // teal
    Click(Form->Swatches[2]);  // red again: to the front, once
    Paste("#123456");
    SwitchTo(1); // the reset to grey is no pick
    Click(Form->StepButtons[2][3]);
    EXPECT_EQ(recent(), (std::vector<std::string>{"#8A8080", "#123456", "#FF0000", "#008080"}));

    ASSERT_TRUE(ChooseFromMenu([&] { RightClick(Form->Edit41); }, {"最近の色", "#008080"}));
    ExpectDisplay(0x808000, "8421376", "RGB(0, 128, 128)");
    EXPECT_EQ(recent().front(), "#008080");

    for (int n = 1; n <= 20; ++n) {
        Paste(std::to_string(n));
    }
    ASSERT_EQ(recent().size(), TForm1::RecentLimit);
    EXPECT_EQ(recent().front(), HexText(20));
    EXPECT_EQ(recent().back(), HexText(5));
}

// irochi-pick's command line: every notation of the colour menu by its name,
// the copy option, help, and what it refuses.
TEST(PickCommand, ReadsEveryNotationOfTheMenuAndRefusesWhatItDoesNotKnow) {
    const TColor example = RGB(58, 91, 64);
    const auto menu = ColourNotations(example);
    const std::string usage = PickUsage();
    for (const TNotationText& notation : menu) {
        const std::string name = NotationOptionName(notation.Kind);
        std::string error;
        for (const std::vector<std::string>& arguments :
             {std::vector<std::string>{"--format", name},
              {"-f", name, "--copy"},
              {"--format=" + name}}) {
            const auto options = ReadPickOptions(arguments, error);
            ASSERT_TRUE(options) << name << ": " << error;
            EXPECT_EQ(options->Notation, notation.Kind) << name;
            EXPECT_EQ(options->Copy, arguments.back() == "--copy");
        }
        EXPECT_NE(usage.find("  " + name + " "), std::string::npos) << name;
        EXPECT_NE(usage.find(notation.Text + "\n"), std::string::npos) << notation.Text;
    }
    std::string error;
    const auto plain = ReadPickOptions({}, error);
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->Notation, TNotation::Hex);
    EXPECT_FALSE(plain->Copy || plain->Help);
    EXPECT_TRUE(ReadPickOptions({"-h"}, error)->Help);
    for (const std::vector<std::string>& wrong : {std::vector<std::string>{"--format"},
                                                  {"--format", "HEX"},
                                                  {"--format="},
                                                  {"-x"},
                                                  {"hex"}}) {
        error.clear();
        EXPECT_FALSE(ReadPickOptions(wrong, error)) << wrong.back();
        EXPECT_NE(error.find("--help"), std::string::npos) << error;
    }
}

// A newcomer learns of the menus from the tooltips: each names what its menu
// holds and the keys that reach it without the menu.
TEST_F(ColourMenu, TheDisplayAndThePictureAreaTellTheirMenusInTooltips) {
    for (QWidget* display : std::initializer_list<QWidget*>{
             Form->Edit41, Form->LV1, Form->LV2, Form->BtnCpy1, Form->BtnCpy2}) {
        const std::string tip = display->toolTip().toStdString();
        SCOPED_TRACE(display->objectName().toStdString() + ": " + tip);
        for (const char* told : {"右クリック", "#RRGGBB", "貼り付け (Ctrl+V)", "最近の色",
                                 "画面から選ぶ (Ctrl+Shift+P)"}) {
            EXPECT_NE(tip.find(told), std::string::npos) << told;
        }
    }
    for (QWidget* picture : std::initializer_list<QWidget*>{Form->Img1, Form->SCRLB1}) {
        const std::string tip = picture->toolTip().toStdString();
        for (const char* told : {"画面を取り込む (Ctrl+Shift+C)", "貼り付け (Ctrl+V)",
                                 "画面から選ぶ (Ctrl+Shift+P)", "キーボードで選ぶ", "取る範囲"}) {
            EXPECT_NE(tip.find(told), std::string::npos) << told << " in " << tip;
        }
    }
}

// Where the screen cannot be had (no X display, no portal), irochi-pick says
// why and exits 2; a word it does not know, likewise; --help exits 0.
TEST(PickCommand, SaysWhyItCannotPickAndExitsWithItsStatus) {
    auto run = [](const QStringList& arguments) {
        QProcess pick;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent");
        pick.setProcessEnvironment(env);
        pick.start(IROCHI_PICK_PROGRAM, arguments);
        EXPECT_TRUE(pick.waitForFinished(30000));
        return std::make_tuple(pick.exitStatus() == QProcess::NormalExit ? pick.exitCode() : -1,
                               QString::fromUtf8(pick.readAllStandardOutput()).toStdString(),
                               QString::fromUtf8(pick.readAllStandardError()).toStdString());
    };
    const auto [status, out, error] = run({"--format", "oklch"});
    EXPECT_EQ(status, 2);
    EXPECT_EQ(out, "");
    EXPECT_NE(error.find("画面を取り込めません"), std::string::npos) << error;
    EXPECT_EQ(std::get<0>(run({"--format", "cmy"})), 2);
    const auto [helped, usage, none] = run({"--help"});
    EXPECT_EQ(helped, 0);
    EXPECT_EQ(usage, PickUsage());
}

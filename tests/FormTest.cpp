#include "FormFixture.h"

#include "Application.h"
#include "Exceptions.h"
#include "SystemClipboard.h"

#include <QClipboard>
#include <QMimeData>

#include <QApplication>
#include <QFontInfo>
#include <QTest>
#include <gtest/gtest.h>

TEST_F(Window, FirstShownInPaletteModeWithGreyDisplayed) {
    EXPECT_EQ(Form->windowTitle().toStdString(), TForm1::ModeCaptions[0]);
    EXPECT_EQ(Form->Mode, 0);
    ExpectDisplay(NeutralGrey, "8421504", "RGB(128, 128, 128)");
    for (const char* name : {"Label0", "Label1", "Label2"}) {
        EXPECT_EQ(Control<TLabel>(name)->Caption(), "0");
        EXPECT_FALSE(Control<TLabel>(name)->isVisible()) << name;
    }
    for (const char* name : {"YTB0", "YTB1", "YTB2", "Btn01", "Btn24", "SCRLB1", "Panel1",
                             "BtnSDIR", "FLB1", "Btn31", "Label5"}) {
        EXPECT_FALSE(Control<QWidget>(name)->isVisible()) << name;
    }
    for (const char* name : {"Edit1", "Edit40", "Edit41", "Edit0", "LV1", "LV2", "Label3", "Label4",
                             "BtnSWTCH", "BtnCpy1", "BtnCpy2"}) {
        EXPECT_TRUE(Control<QWidget>(name)->isVisible()) << name;
    }
    EXPECT_EQ(Control<TYTrackBar>("YTB2")->Position(), 0);
    EXPECT_EQ(Control<TYTrackBar>("YTB2")->Max(), 255);
    EXPECT_EQ(Control<TLabel>("Label5")->Caption(), "100");
    EXPECT_EQ(Control<TFileListBox>("FLB1")->Mask(), "*.bmp;*.jpg;*.jpeg");
}

TEST_F(Window, TypingGoesToTheInvisibleFocusSink) {
    EXPECT_EQ(QApplication::focusWidget(), Form->Edit0);
    QTest::keyClicks(QApplication::focusWidget(), "abc");
    EXPECT_EQ(Form->Edit0->text(), "abc");
    EXPECT_FALSE(Form->Edit0->hasFrame());
}

TEST_F(Window, TabFollowsTheTabPlacesAndSkipsHiddenControls) {
    auto tab = [] {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        return QApplication::focusWidget();
    };
    EXPECT_EQ(tab(), Form->Swatches[0]);
    EXPECT_EQ(tab(), Form->Swatches[1]);
    Form->Swatches[39]->setFocus();
    EXPECT_EQ(tab(), Form->Edit41);
    EXPECT_EQ(tab(), Form->BtnSWTCH); // the hidden step buttons are passed over
    EXPECT_EQ(tab(), Form->BtnCpy1);
    EXPECT_EQ(tab(), Form->BtnCpy2);
    QTest::keyClicks(Form->Swatches[4], "12"); // a swatch takes typed text, which nothing reads
    EXPECT_EQ(Form->Swatches[4]->text(), "12");
}

// In every mode, every control the Tab key reaches shows that it has the
// focus, but the focus sink, which shows nothing: drawn with the focus it
// differs from itself without in more pixels than a caret covers.
TEST_F(Window, EveryTabStopButTheSinkShowsTheFocus) {
    QApplication::setCursorFlashTime(0); // the caret stays drawn
    WriteFileBytes(Home / "bin/p.bmp", DistinctBmp(8, 8));
    auto differing = [](const QImage& a, const QImage& b) {
        int count = 0;
        for (int y = 0; y < std::min(a.height(), b.height()); ++y) {
            for (int x = 0; x < std::min(a.width(), b.width()); ++x) {
                count += a.pixel(x, y) != b.pixel(x, y);
            }
        }
        return count;
    };
    const int stopsPerMode[] = {44, 16, 8}; // but the sink
    for (int mode : {0, 1, 2}) {
        SwitchTo(mode);
        if (mode == 2) {
            Form->FLB1->SetItemIndex(0); // the zoom buttons show
        }
        Form->Edit0->setFocus();
        int stops = 0;
        for (QWidget* focused = nullptr; focused != Form->Edit0 && stops < 60; ++stops) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            focused = QApplication::focusWidget();
            ASSERT_NE(focused, nullptr);
            if (focused == Form->Edit0) {
                break;
            }
            const QImage with = focused->grab().toImage();
            focused->clearFocus();
            const QImage without = focused->grab().toImage();
            EXPECT_GE(differing(with, without), 20)
                << "mode " << mode << ": " << focused->objectName().toStdString();
            focused->setFocus(Qt::TabFocusReason);
        }
        EXPECT_EQ(stops, stopsPerMode[mode]) << "mode " << mode;
    }
}

TEST_F(Window, ControlTableGeometryAndLook) {
    EXPECT_EQ(Form->size(), QSize(505, 344));
    EXPECT_EQ(Control<QWidget>("LV1")->geometry(), QRect(4, 15, 80, 16));
    EXPECT_EQ(Control<QWidget>("Edit41")->geometry(), QRect(132, 8, 50, 30));
    EXPECT_EQ(Control<QWidget>("BtnCpy2")->geometry(), QRect(260, 34, 80, 33));
    EXPECT_EQ(Control<QWidget>("Edit1")->geometry(), QRect(78, 122, 22, 18));
    EXPECT_EQ(Control<QWidget>("Edit40")->geometry(), QRect(232, 194, 22, 18));
    EXPECT_EQ(Control<QWidget>("Edit12")->geometry(), QRect(122, 140, 22, 18));
    EXPECT_EQ(Control<QWidget>("YTB1")->geometry(), QRect(66, 162, 160, 30));
    EXPECT_EQ(Control<QWidget>("Btn04")->geometry(), QRect(292, 220, 20, 20));
    EXPECT_EQ(Control<QWidget>("FLB1")->parentWidget(), Form->Panel1);
    EXPECT_EQ(Control<QWidget>("FLB1")->pos(), QPoint(4, 68));

    const TColor expected[] = {0,        128,      255,      16711935, 13408767, 13209,    26367,
                               39423,    52479,    10079487, 13107,    32896,    52377,    65535,
                               10092543, 13056,    32768,    6723891,  65280,    13434828, 6697728,
                               8421376,  13421619, 16776960, 16777164, 8388608,  16711680, 16737843,
                               16763904, 16764057, 10040115, 10053222, 8388736,  6697881,  16751052,
                               3355443,  8421504,  9868950,  12632256, 16777215};
    for (int n = 1; n <= 40; ++n) {
        EXPECT_EQ(Control<TEdit>(("Edit" + std::to_string(n)).c_str())->Color(), expected[n - 1])
            << n;
    }
    EXPECT_EQ(QFontInfo(Form->font()).pixelSize(), 12);
    EXPECT_TRUE(Control<TButton>("BtnCpy1")->WordWrap());
    EXPECT_TRUE(Control<TButton>("Btn14")->font().bold());
    EXPECT_EQ(Control<TButton>("Btn14")->font().pixelSize(), 13);
    EXPECT_FALSE(Control<TButton>("Btn12")->font().bold());
    EXPECT_EQ(Control<TButton>("Btn23")->Caption(), "↓");
    EXPECT_EQ(Control<TButton>("Btn22")->Caption(), "↑");
}

TEST_F(Window, FindNamedControlIgnoresCase) {
    EXPECT_EQ(Form->FindNamedControl("lv1"), Form->LV1);
    EXPECT_EQ(Form->FindNamedControl("EDIT41"), Form->Edit41);
    EXPECT_EQ(Form->FindNamedControl("ytb2"), Form->YTB[2]);
    EXPECT_EQ(Form->FindNamedControl("Label9"), nullptr);
    EXPECT_EQ(Form->FindNamedControl(""), nullptr);
}

TEST_F(Window, ResizeMovesOnlyThePanelAndTheScrollBox) {
    EXPECT_EQ(Form->Panel1->geometry(), QRect(360, 4, 143, 338));
    EXPECT_EQ(Form->FLB1->height(), 270);
    EXPECT_EQ(Form->SCRLB1->geometry(), QRect(4, 72, 352 - 2, 270).adjusted(0, 0, 2, 0));

    const QRect swatch = Form->Swatches[0]->geometry();
    const QRect label = Form->LV2->geometry();
    Form->resize(700, 400);
    QTest::qWait(10);
    EXPECT_EQ(Form->Panel1->geometry(), QRect(555, 4, 143, 394));
    EXPECT_EQ(Form->FLB1->height(), 326);
    EXPECT_EQ(Form->SCRLB1->geometry(), QRect(4, 72, 547, 326));
    EXPECT_EQ(Form->Swatches[0]->geometry(), swatch);
    EXPECT_EQ(Form->LV2->geometry(), label);
}

TEST_F(Window, CannotShrinkBelowTheMinimum) {
    Form->resize(100, 100);
    QTest::qWait(10);
    EXPECT_EQ(Form->size(), QSize(505, 258));
    EXPECT_EQ(Form->Panel1->height(), 252);
    EXPECT_EQ(Form->SCRLB1->height(), 184);
}

// A swatch is picked by a click, or, once the Tab key has reached it, by
// Space, Return or keypad Enter, as a button is; either way the focus goes
// back to the sink. Keys with Ctrl or Alt, and a held key's repeats, pick
// nothing.
TEST_F(Window, SwatchClickDisplaysItsColourAndReturnsTheFocus) {
    struct Case {
        const char* Name;
        TColor Colour;
        const char* Integer;
        const char* Rgb;
        Qt::Key Key; // none: a click
        Qt::KeyboardModifiers Modifiers = Qt::NoModifier;
    };
    for (const Case& c :
         {Case{"Edit1", 0, "0", "RGB(0, 0, 0)", Qt::Key_unknown},
          Case{"Edit5", 13408767, "13408767", "RGB(255, 153, 204)", Qt::Key_unknown},
          Case{"Edit37", 8421504, "8421504", "RGB(128, 128, 128)", Qt::Key_unknown},
          Case{"Edit40", 16777215, "16777215", "RGB(255, 255, 255)", Qt::Key_unknown},
          Case{"Edit3", 255, "255", "RGB(255, 0, 0)", Qt::Key_Space},
          Case{"Edit27", 16711680, "16711680", "RGB(0, 0, 255)", Qt::Key_Return},
          Case{"Edit19", 65280, "65280", "RGB(0, 255, 0)", Qt::Key_Enter, Qt::KeypadModifier}}) {
        SCOPED_TRACE(c.Name);
        auto* swatch = Control<TEdit>(c.Name);
        if (c.Key == Qt::Key_unknown) {
            Click(swatch);
        } else {
            swatch->setFocus(Qt::TabFocusReason);
            for (Qt::KeyboardModifiers held : {Qt::ControlModifier, Qt::AltModifier}) {
                QTest::keyClick(swatch, c.Key, held);
                EXPECT_EQ(QApplication::focusWidget(), swatch);
            }
            QKeyEvent repeat(QEvent::KeyPress, c.Key, c.Modifiers, QString(), true);
            QApplication::sendEvent(swatch, &repeat);
            EXPECT_EQ(QApplication::focusWidget(), swatch);
            QTest::keyClick(swatch, c.Key, c.Modifiers);
        }
        ExpectDisplay(c.Colour, c.Integer, c.Rgb);
        EXPECT_EQ(QApplication::focusWidget(), Form->Edit0);
    }
    Click(Form->Edit41); // the preview shows its own colour again
    ExpectDisplay(65280, "65280", "RGB(0, 255, 0)");
    EXPECT_EQ(QApplication::focusWidget(), Form->Edit0);
    Form->Edit41->setFocus(Qt::TabFocusReason);
    QTest::keyClick(Form->Edit41, Qt::Key_Space);
    ExpectDisplay(65280, "65280", "RGB(0, 255, 0)");
    EXPECT_EQ(QApplication::focusWidget(), Form->Edit0);
}

TEST_F(Window, RightClickOnASwatchIsNoClick) {
    QTest::mouseClick(Form->Swatches[2], Qt::RightButton, {}, QPoint(5, 5));
    ExpectDisplay(NeutralGrey, "8421504", "RGB(128, 128, 128)");
}

TEST_F(Window, ShowColorWritesEveryThirtyTwoBitValue) {
    Form->ShowColor(-1);
    ExpectDisplay(-1, "-1", "RGB(255, 255, 255)");
    Form->ShowColor(16777216);
    ExpectDisplay(16777216, "16777216", "RGB(0, 0, 0)");
    Form->ShowColor(16711680);
    ExpectDisplay(16711680, "16711680", "RGB(0, 0, 255)");
    Form->ShowColor(INT32_MIN);
    ExpectDisplay(INT32_MIN, "-2147483648", "RGB(0, 0, 0)");
}

TEST_F(Window, ShowChannelColorComposesFromTheValueLabels) {
    Form->ChannelLabels[0]->SetCaption("255");
    Form->ChannelLabels[1]->SetCaption("128");
    Form->ChannelLabels[2]->SetCaption("0");
    Form->ShowChannelColor();
    ExpectDisplay(16744448, "16744448", "RGB(0, 128, 255)");

    // A label that is not a number fails before anything is displayed.
    Form->ChannelLabels[1]->SetCaption("x");
    EXPECT_THROW(Form->ShowChannelColor(), EConvertError);
    ExpectDisplay(16744448, "16744448", "RGB(0, 128, 255)");
}

TEST_F(Window, CopyButtonsPutTheTextsOnTheClipboard) {
    Click(Form->BtnCpy1);
    EXPECT_EQ(Clipboard.Text, "8421504");
    EXPECT_EQ(QApplication::focusWidget(), Form->Edit0);
    Click(Form->BtnCpy2);
    EXPECT_EQ(Clipboard.Text, "RGB(128, 128, 128)");

    Click(Control<QWidget>("Edit3"));
    Click(Form->BtnCpy1);
    EXPECT_EQ(Clipboard.Text, "255");
    Click(Form->BtnCpy2);
    EXPECT_EQ(Clipboard.Text, "RGB(255, 0, 0)");

    Form->ShowColor(-1);
    Click(Form->BtnCpy1);
    EXPECT_EQ(Clipboard.Text, "-1");
    EXPECT_TRUE(Reports.empty());
}

TEST_F(Window, LockedClipboardIsReportedAndChangesNothing) {
    Clipboard.Locked = true;
    Form->BtnCpy1->setFocus();
    Click(Form->BtnCpy1);
    EXPECT_EQ(Clipboard.Text, "previous content");
    ASSERT_EQ(Reports.size(), 1u);
    EXPECT_EQ(Reports[0], TApplication::Title() + "|クリップボードを開くことができません.");
    EXPECT_EQ(QApplication::focusWidget(), Form->BtnCpy1); // the handler ended before moving it
    ExpectDisplay(NeutralGrey, "8421504", "RGB(128, 128, 128)");
}

TEST_F(Window, RealClipboardHoldsOnlyTheCopiedText) {
    TSystemClipboard system;
    ASSERT_TRUE(system.ReplaceText("RGB(1, 2, 3)"));
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), "RGB(1, 2, 3)");
    EXPECT_EQ(QApplication::clipboard()->mimeData()->formats(), QStringList{"text/plain"});
}

TEST(DesignFont, IsSubstitutedByAJapaneseFont) {
    QFont font(QString::fromUtf8("ＭＳ Ｐゴシック"));
    font.setPixelSize(12);
    const QString family = QFontInfo(font).family();
    EXPECT_TRUE(family.contains("IPA") || family.contains("CJK") || family.contains("Gothic"))
        << family.toStdString();
}

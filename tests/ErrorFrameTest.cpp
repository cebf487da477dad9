#include "Application.h"
#include "Button.h"
#include "Exceptions.h"

#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <gtest/gtest.h>

TEST(ErrorFrame, DotIsAddedAfterCharactersAbovePeriod) {
    EXPECT_EQ(TApplication::ExceptionText(""), "");
    EXPECT_EQ(TApplication::ExceptionText("Error"), "Error.");
    EXPECT_EQ(TApplication::ExceptionText("Done."), "Done.");
    EXPECT_EQ(TApplication::ExceptionText("Done!"), "Done!"); // 0x21
    EXPECT_EQ(TApplication::ExceptionText("a-"), "a-");       // 0x2D
    EXPECT_EQ(TApplication::ExceptionText("a/"), "a/.");      // 0x2F
    EXPECT_EQ(TApplication::ExceptionText("#1"), "#1.");
    EXPECT_EQ(TApplication::ExceptionText("JPEG エラー #53"), "JPEG エラー #53.");
    EXPECT_EQ(TApplication::ExceptionText("開けません"), "開けません.");
    EXPECT_EQ(TApplication::ExceptionText("。"), "。.");
}

TEST(ErrorFrame, TitleIsTheExecutableNameCutAtItsFirstDot) {
    EXPECT_EQ(TApplication::TitleFromPath("/usr/bin/irochi"), "irochi");
    EXPECT_EQ(TApplication::TitleFromPath("/opt/IROCHI.EXE"), "Irochi");
    EXPECT_EQ(TApplication::TitleFromPath("/a.b/ColourPick.v2.bin"), "Colourpick");
    EXPECT_EQ(TApplication::TitleFromPath("/x/a"), "a");
}

class ErrorFrameGuard : public testing::Test {
protected:
    void SetUp() override {
        TApplication::SetExceptionReporter(
            [this](const std::string& title, const std::string& text) {
                Titles.push_back(title);
                Texts.push_back(text);
            });
    }
    void TearDown() override { TApplication::SetExceptionReporter(nullptr); }
    std::vector<std::string> Titles, Texts;
};

TEST_F(ErrorFrameGuard, AbortIsDroppedAndOthersAreReported) {
    TApplication::Guard([] { throw EAbort("quiet"); });
    EXPECT_TRUE(Texts.empty());
    TApplication::Guard([] { throw EConvertError("'x' は有効な整数値ではありません"); });
    TApplication::Guard([] { throw std::bad_alloc(); });
    ASSERT_EQ(Texts.size(), 2u);
    EXPECT_EQ(Texts[0], "'x' は有効な整数値ではありません.");
    EXPECT_EQ(Titles[0], TApplication::Title());
    EXPECT_EQ(Texts[1], "メモリが不足しています.");
}

TEST_F(ErrorFrameGuard, HandlerFailureEndsTheHandlerAndTheProgramGoesOn) {
    QWidget window;
    auto* button = new TButton(&window);
    button->resize(40, 20);
    int completed = 0;
    button->OnClick = [&](TObject*) {
        TApplication::Guard([&] {
            throw Exception("broken");
            ++completed;
        });
    };
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(completed, 0);
    EXPECT_EQ(Texts, (std::vector<std::string>{"broken.", "broken."}));
}

TEST_F(ErrorFrameGuard, MouseGrabIsReleasedFirst) {
    QWidget window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.grabMouse();
    ASSERT_EQ(QWidget::mouseGrabber(), &window);
    TApplication::Guard([] { throw EAbort(""); });
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
}

TEST(StandardTexts, QtsOwnTextsAreJapanese) {
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel").toStdString(), "キャンセル");
    QLineEdit edit;
    std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    QStringList texts;
    for (const QAction* action : menu->actions()) {
        texts << action->text();
    }
    EXPECT_TRUE(texts.join('|').contains(QString::fromUtf8("コピー")))
        << texts.join('|').toStdString();
}

#pragma once

// The main window shown offscreen, driven with real events, with a desktop
// whose executable lives in a fresh folder and whose cursor tests can place.

#include "Application.h"
#include "BmpBuilder.h"
#include "ImagingTestSupport.h"
#include "Unit1.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <optional>

// A 24-bit picture whose every pixel has its own colour.
inline std::vector<std::uint8_t> DistinctBmp(int width, int height) {
    BmpLayout b;
    b.Width = width;
    b.Height = height;
    const std::size_t stride = (std::size_t(width) * 3 + 3) / 4 * 4;
    b.Pixels.assign(stride * std::size_t(height), 0);
    for (int y = 0; y < height; ++y) {  // y counted from the top
        const int row = height - 1 - y; // stored bottom-up
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = &b.Pixels[std::size_t(row) * stride + std::size_t(x) * 3];
            p[0] = std::uint8_t(y * 9);     // blue
            p[1] = std::uint8_t(x * 7 + y); // green
            p[2] = std::uint8_t(x * 5);     // red
        }
    }
    return BuildBmp(b);
}

inline TColor Distinct(int x, int y) {
    return RGB(x * 5, x * 7 + y, y * 9);
}

inline QRgb ScreenColour(TColor c) {
    return qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
}

// Records what the copy buttons put on the clipboard; can refuse to open.
class FakeClipboard : public TClipboard {
public:
    bool ReplaceText(const std::string& text) override {
        if (Locked) {
            return false;
        }
        Text = text;
        return true;
    }
    const QMimeData* Contents() const override { return &Data; }
    bool Locked = false;
    std::string Text = "previous content";
    QMimeData Data; // what a paste finds
};

class TestDesktop : public TDesktop {
public:
    std::string ExecutablePath() const override { return Executable; }
    QPoint CursorPos(const QWidget& window) const override {
        return Cursor ? *Cursor : TDesktop::CursorPos(window);
    }
    bool FolderWritable(const std::string& folder) const override {
        return Writable ? *Writable : TDesktop::FolderWritable(folder);
    }
    std::string UserConfigFolder() const override { return ConfigFolder; }
    QImage CaptureScreen(const QWidget& window, const TMeanwhile& meanwhile) const override {
        if (!Capture) {
            return TDesktop::CaptureScreen(window, meanwhile);
        }
        if (meanwhile) {
            meanwhile();
        }
        return Capture(window);
    }
    TFrozenScreen FreezeScreen(const QWidget& window, const TMeanwhile& meanwhile) const override {
        if (!Capture) {
            return TDesktop::FreezeScreen(window, meanwhile);
        }
        return TFrozenScreen(CaptureScreen(window, meanwhile));
    }

    std::string Executable;
    std::string ConfigFolder;
    std::optional<QPoint> Cursor; // in device pixels of the window's client area
    std::optional<bool> Writable;
    std::function<QImage(const QWidget&)> Capture; // the screen, as a test has it
};

class Window : public testing::Test {
protected:
    void SetUp() override {
        TApplication::SetExceptionReporter(
            [this](const std::string& title, const std::string& text) {
                Reports.push_back(title + "|" + text);
            });
        Desktop.Executable = (Home / "bin/irochi").string();
        Desktop.ConfigFolder = (Home / "config/irochi").string();
        std::filesystem::create_directories(Home / "bin");
        Form = std::make_unique<TForm1>(Clipboard, Desktop);
        Form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(Form.get()));
        ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
    }
    void TearDown() override {
        Form.reset();
        TApplication::SetExceptionReporter(nullptr);
    }

    template <typename T> T* Control(const char* name) {
        auto* control = qobject_cast<T*>(Form->FindNamedControl(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
    void Click(QWidget* control, QPoint at = QPoint(5, 5)) {
        QTest::mouseClick(control, Qt::LeftButton, {}, at);
    }
    void ExpectDisplay(TColor preview, const char* integer, const char* rgb) {
        EXPECT_EQ(Form->Edit41->Color(), preview);
        EXPECT_EQ(Form->LV1->Caption(), integer);
        EXPECT_EQ(Form->LV2->Caption(), rgb);
    }
    // Clicks "switch" until the window is in the mode.
    void SwitchTo(int mode) {
        for (int i = 0; i < 3 && Form->Mode != mode; ++i) {
            Click(Form->BtnSWTCH);
        }
        ASSERT_EQ(Form->Mode, mode);
    }
    // Presses a key on the focused control.
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers) {
        QWidget* focus =
            QApplication::focusWidget() ? QApplication::focusWidget() : Form->focusWidget();
        QTest::keyClick(focus ? focus : Form.get(), key, modifiers);
    }
    // A right click's menu request, as the window system sends it.
    void RightClick(QWidget* control) {
        const QPoint at(2, 2);
        QContextMenuEvent menu(QContextMenuEvent::Mouse, at, control->mapToGlobal(at));
        QApplication::sendEvent(control, &menu);
    }
    // Opens the menu with `open` and returns its captions and whether each is
    // enabled, closing it again.
    std::vector<std::string> MenuFrom(const std::function<void()>& open) {
        std::vector<std::string> items;
        QTimer::singleShot(0, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (menu) {
                for (QAction* action : menu->actions()) {
                    items.push_back(action->text().toStdString() +
                                    (action->isEnabled() ? "" : " (disabled)"));
                }
                menu->close();
            }
        });
        open();
        return items;
    }
    // Opens the menu with `open` and chooses an item by the keyboard, as a
    // user does: the item `path` names, through the submenus before it.
    // Returns false when an item is missing or disabled.
    bool ChooseFromMenu(const std::function<void()>& open, std::vector<std::string> path) {
        bool chosen = false;
        std::function<void()> step = [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            const auto actions = menu ? menu->actions() : QList<QAction*>();
            const auto item = std::find_if(actions.begin(), actions.end(), [&](QAction* a) {
                return a->text().toStdString() == path.front() && a->isEnabled();
            });
            if (item == actions.end()) {
                if (menu) {
                    menu->close();
                }
                return;
            }
            menu->setActiveAction(*item);
            path.erase(path.begin());
            if (path.empty()) {
                chosen = true;
                QTest::keyClick(menu, Qt::Key_Return);
            } else {
                QTest::keyClick(menu, Qt::Key_Right);
                QTimer::singleShot(0, step);
            }
        };
        QTimer::singleShot(0, step);
        open();
        return chosen;
    }
    std::string ReadMemoryFile(const std::filesystem::path& path) {
        const auto bytes = ReadFileBytes(path);
        return {bytes.begin(), bytes.end()};
    }

    TempFolder Home;
    FakeClipboard Clipboard;
    TestDesktop Desktop;
    std::unique_ptr<TForm1> Form;
    std::vector<std::string> Reports;
};

// Pictures from elsewhere than the file list: the screen, the clipboard and
// a file dropped from a file manager. Each is shown as a listed file is, at
// 100 % with the zoom controls; the folder, the list and the remembered
// folder stay as they are.
#include "Unit1.h"

#include "Application.h"
#include "LargeMemory.h"
#include "MenuCaptions.h"
#include "PictureData.h"
#include "QtImage.h"
#include "ScreenPicker.h"
#include "StepAside.h"

#include <QActionGroup>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QScopedValueRollback>
#include <map>

namespace {

// Hides the window while it lives, and shows it again on every way out.
class TSteppedAside {
public:
    explicit TSteppedAside(QWidget& window) : FWindow(window) { StepAside(FWindow); }
    ~TSteppedAside() {
        FWindow.show();
        FWindow.raise();
        FWindow.activateWindow();
    }
    TSteppedAside(const TSteppedAside&) = delete;
    TSteppedAside& operator=(const TSteppedAside&) = delete;

private:
    QWidget& FWindow;
};

bool IsCaptureKey(const QKeyEvent& key) {
    return QKeySequence(key.keyCombination()) == CaptureKeys;
}

// A dropped or pasted file, read as a listed file is; a failure names the
// file and says why.
TBitmap LoadPictureFile(const std::string& path) {
    try {
        TPicture picture;
        picture.LoadFromFile(path);
        TBitmap bitmap;
        bitmap.Assign(*picture.Graphic());
        return bitmap;
    } catch (const Exception& e) {
        throw Exception("「" + TForm1::PictureName(path) + "」を表示できません: " + e.Message());
    }
}

const char* const ClipboardName = "クリップボード";

// The clipboard's image data; data that cannot be read names the clipboard
// and says why.
TBitmap ClipboardPicture(const QMimeData& contents) {
    try {
        return BitmapOfImageData(contents);
    } catch (const Exception& e) {
        throw Exception(std::string(ClipboardName) + "の画像を表示できません: " + e.Message());
    }
}

} // namespace

void TForm1::ShowPictureFrom(const TBitmap& bitmap, const std::string& name) {
    const LargeMemory::TTrimSpares rest(RestingSpareBytes);
    ShowLoadedPicture(bitmap, name);
    ShowColor(NeutralGrey);
    Edit0->setFocus();
}

void TForm1::ImgCaptureClick(TObject*) {
    if (Mode != 2) {
        return;
    }
    QImage screen;
    {
        const TSteppedAside aside(*this);
        screen = FDesktop.CaptureScreen(*this, {});
    }
    ShowPictureFrom(BitmapFromQImage(screen), "画面");
}

// The window steps aside for the whole pick, and comes back with the focus
// where it was.
void TForm1::ScreenPickClick(TObject*) {
    if (FScreenPicking) {
        return;
    }
    const QScopedValueRollback<bool> picking(FScreenPicking, true);
    const QPointer<QWidget> focus = focusWidget();
    std::optional<TColor> colour;
    {
        const TSteppedAside aside(*this);
        TScreenPicker::MakeWindows();
        TScreenPicker picker(FDesktop.FreezeScreen(*this, TScreenPicker::TouchWindows),
                             FSampleSize);
        colour = picker.Exec();
    }
    if (colour) {
        ShowPastedColour(*colour);
    }
    if (focus) {
        focus->setFocus();
    }
}

bool TForm1::ScreenPicking() const {
    return FScreenPicking;
}

void TForm1::ImgPasteClick(TObject*) {
    const QMimeData* contents = FClipboard.Contents();
    if (Mode != 2 || !contents || !HoldsPicture(*contents)) {
        return;
    }
    if (LocalFileOf(*contents).empty()) {
        ShowPictureFrom(ClipboardPicture(*contents), ClipboardName);
        return;
    }
    const std::string path = LocalFileOf(*contents);
    ShowPictureFrom(LoadPictureFile(path), PictureName(path));
}

// The file is read first, so that one that cannot be changes nothing; then
// the mode cycle's own steps lead to the image mode.
void TForm1::FormDragDrop(const std::string& path) {
    const LargeMemory::TTrimSpares rest(RestingSpareBytes);
    const TBitmap bitmap = LoadPictureFile(path);
    while (Mode != 2) {
        BtnSWTCHClick(BtnSWTCH);
    }
    ShowPictureFrom(bitmap, PictureName(path));
}

// A menu asked for by key opens over the middle of the file list.
QPoint TForm1::ListMenuPlace() const {
    return FLB1->mapToGlobal(FLB1->rect().center());
}

void TForm1::PopupImageMenu(QPoint where) {
    QMenu menu(this);
    QAction* capture = menu.addAction(QString::fromUtf8(CaptureCaption));
    capture->setShortcut(CaptureKeys);
    QAction* paste = menu.addAction(QString::fromUtf8(PasteCaption));
    paste->setShortcut(QKeySequence::Paste);
    const QMimeData* contents = FClipboard.Contents();
    paste->setEnabled(contents && HoldsPicture(*contents));
    menu.addSeparator();
    QAction* keyboard = menu.addAction(QString::fromUtf8(KeyboardCaption));
    const TBitmap* bitmap = Img1->Bitmap();
    keyboard->setEnabled(bitmap && !bitmap->Empty());
    QMenu* sizes = menu.addMenu(QString::fromUtf8(SampleCaption));
    QActionGroup group(sizes);
    std::map<QAction*, int> sides;
    for (const int side : SampleSizes) {
        QAction* size = sizes->addAction(QString::fromStdString(SampleSizeName(side)));
        size->setCheckable(true);
        size->setChecked(side == FSampleSize);
        group.addAction(size);
        sides[size] = side;
    }
    menu.addSeparator();
    if (!FStored.Empty()) {
        menu.addAction(QString::fromStdString("色空間: " + ColourSpaceName()))->setEnabled(false);
    }
    QAction* managed = menu.addAction(QString::fromUtf8(ColourManagementCaption));
    managed->setCheckable(true);
    managed->setChecked(FColourManaged);
    menu.addSeparator();
    QAction* screenPick = menu.addAction(QString::fromUtf8(ScreenPickCaption));
    screenPick->setShortcut(ScreenPickKeys);
    QAction* chosen = menu.exec(where);
    if (chosen == managed) {
        SetColourManaged(managed->isChecked());
    } else if (chosen == capture) {
        ImgCaptureClick(Img1);
    } else if (chosen == screenPick) {
        ScreenPickClick(Img1);
    } else if (chosen == paste) {
        ImgPasteClick(Img1);
    } else if (chosen == keyboard) {
        ImgKeyboardClick(Img1);
    } else if (const auto side = sides.find(chosen); side != sides.end()) {
        SetSampleSize(side->second);
    }
}

std::string TForm1::SampleSizeName(int side) {
    return side == 1 ? "1 画素" : std::to_string(side) + "×" + std::to_string(side);
}

// The picture area's menu, the image mode's keys and drops anywhere on the
// window, seen before any control of the window handles them (the focus
// sink would paste text, a swatch take a dropped name).
bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != this) {
        return false;
    }
    // A handler's failure is reported here and goes no further: an exception
    // unwinding through Qt's event delivery would skip its clean-up (a
    // guarded pointer's count never given back). The failed event counts as
    // handled.
    bool handled = true;
    TApplication::Guard([&] { handled = HandleWindowEvent(widget, event); });
    return handled;
}

bool TForm1::HandleWindowEvent(QWidget* widget, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress: {
        const auto& key = static_cast<QKeyEvent&>(*event);
        return HandleImageKey(*widget, key) || HandleCursorKey(*widget, key) ||
               HandleColourKey(*widget, key);
    }
    case QEvent::ContextMenu: {
        const auto& menu = static_cast<QContextMenuEvent&>(*event);
        return HandleContextMenu(*widget, menu) || HandleColourMenu(*widget, menu);
    }
    case QEvent::FocusIn:
    case QEvent::FocusOut:
        if (widget == Img1) {
            RefreshPickCursor();
        }
        return false;
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto& drag = static_cast<QDragMoveEvent&>(*event);
        if (!drag.mimeData() || LocalFileOf(*drag.mimeData()).empty()) {
            return false;
        }
        drag.acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto& drop = static_cast<QDropEvent&>(*event);
        const std::string path = drop.mimeData() ? LocalFileOf(*drop.mimeData()) : std::string();
        if (path.empty()) {
            return false;
        }
        drop.acceptProposedAction();
        FormDragDrop(path);
        return true;
    }
    default:
        return false;
    }
}

bool TForm1::HandleImageKey(QWidget& target, const QKeyEvent& key) {
    if (Mode != 2) {
        return false;
    }
    if (IsCaptureKey(key)) {
        ImgCaptureClick(Img1);
        return true;
    }
    if (IsMenuKey(key) && (&target == FLB1 || &target == Img1)) {
        PopupImageMenu(ListMenuPlace());
        return true;
    }
    return false;
}

bool TForm1::HandleContextMenu(QWidget& target, const QContextMenuEvent& menu) {
    const bool pictureArea = &target == Img1 || &target == SCRLB1 || &target == SCRLB1->viewport();
    const bool fromList = &target == FLB1 && menu.reason() == QContextMenuEvent::Keyboard;
    if (Mode != 2 || !(pictureArea || fromList)) {
        return false;
    }
    PopupImageMenu(fromList ? ListMenuPlace() : menu.globalPos());
    return true;
}

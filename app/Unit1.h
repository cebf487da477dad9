#pragma once

#include "Button.h"
#include "Clipboard.h"
#include "Color.h"
#include "Desktop.h"
#include "Edit.h"
#include "Events.h"
#include "Exceptions.h"
#include "FileListBox.h"
#include "Image.h"
#include "Label.h"
#include "ManagedColour.h"
#include "Panel.h"
#include "ScrollBox.h"
#include "YTrackBar.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QWidget>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

constexpr TColor NeutralGrey = 0x808080;
// What freed picture memory may stay resident for the next picture once a
// load has ended, beside the picture shown.
constexpr std::size_t RestingSpareBytes = std::size_t{80} << 20;

// The program's one window. Every behaviour is one of its handlers; handlers
// reach controls through these references or by name (FindNamedControl).
class TForm1 : public QWidget {
    Q_OBJECT
public:
    // The window's captions, one for each mode.
    static const std::array<const char*, 3> ModeCaptions;

    TForm1(TClipboard& clipboard, TDesktop& desktop, QWidget* parent = nullptr);

    // The first control whose name matches, letter case ignored, in creation
    // order; nullptr when none does.
    QWidget* FindNamedControl(const std::string& name) const;

    void FormCreate();
    void FormResize();
    void ShowModeCaption();
    void ShowColor(TColor value);
    void ShowChannelColor();

    void ClEdtClick(TObject* Sender);
    void BtnCpyClick(TObject* Sender);

    // The mode cycle and the slider mode (Unit1Modes.cpp).
    void BtnSWTCHClick(TObject* Sender);
    void ShowPaletteGroup(bool visible);
    void ShowSliderGroup(bool visible);
    void ShowImageGroup(bool visible);
    void YTBVChange(TObject* Sender);
    void YTBVMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void BtnUpDnClick(TObject* Sender);

    // The image folder (Unit1ImageFolder.cpp).
    std::string GetImageFolder();
    void RememberImageFolder(const std::string& folder);
    void OpenImageFolder(const std::string& folder);
    void BtnSDIRClick(TObject* Sender);

    // The view, loading and the eyedropper (Unit1View.cpp).
    void FLB1Click(TObject* Sender);
    void ShowZoomControls(bool show);
    void EmptyView();
    bool ShowPictureFile(const std::string& path);
    void ApplyZoom();
    void BtnImgUpDnClick(TObject* Sender);
    void Img1Click(TObject* Sender);

    // Pictures from the screen, the clipboard and dropped files
    // (Unit1Sources.cpp), shown in the image mode as a listed file is.
    void ImgCaptureClick(TObject* Sender);
    void ImgPasteClick(TObject* Sender);
    void FormDragDrop(const std::string& path);
    // Picks a colour off the frozen screen, in every mode; the picked colour
    // shows as a pasted one does.
    void ScreenPickClick(TObject* Sender);
    bool ScreenPicking() const;
    void PopupImageMenu(QPoint where);
    // A picture file's name as the view describes it and messages name it.
    static std::string PictureName(const std::string& path);

    // The pick cursor: picking with the keyboard, and the sample size
    // (Unit1Cursor.cpp).
    static constexpr std::array<int, 6> SampleSizes = {1, 3, 5, 11, 31, 101};
    void ImgKeyboardClick(TObject* Sender);
    void SetSampleSize(int side);
    int SampleSize() const { return FSampleSize; }
    // "1 画素", "3×3", …: how the menu names a sample size.
    static std::string SampleSizeName(int side);
    // The picture pixel the pick cursor stands on; none without a picture.
    std::optional<QPoint> PickCursor() const;
    // Moves the pick cursor by whole picture pixels and picks there.
    void MovePickCursor(int dx, int dy);

    // The colour menu, pasted colours and the colours picked this run
    // (Unit1Colour.cpp).
    void PopupColourMenu(QPoint where);
    void ClPasteClick(TObject* Sender);
    // The colours picked, newest first, each once; at most RecentLimit.
    static constexpr std::size_t RecentLimit = 16;
    const std::vector<TColor>& RecentColours() const { return FRecent; }

    // Pictures shown and picked in their own colours, where their files
    // say which (Unit1View.cpp); on by default, for the run only.
    bool ColourManaged() const { return FColourManaged; }
    void SetColourManaged(bool on);
    // What the picture's menu calls the picture's colour space.
    std::string ColourSpaceName() const;
    // The picture as its file stores it (the view may show it converted).
    const TBitmap& StoredPicture() const { return FStored; }

    // 0 palette, 1 sliders, 2 image.
    std::uint8_t Mode = 0;

    // Colour display and commands.
    TLabel* LV1;
    TLabel* Label3;
    TEdit* Edit41;
    TLabel* Label4;
    TLabel* LV2;
    TEdit* Edit0;
    TButton* BtnSWTCH;
    TButton* BtnCpy1;
    TButton* BtnCpy2;
    // Palette swatches Edit1 to Edit40 (index n - 1).
    std::array<TEdit*, 40> Swatches;
    // Channel rows, indexed by row: 0 blue, 1 green, 2 red.
    std::array<TYTrackBar*, 3> YTB;
    std::array<TLabel*, 3> ChannelLabels;
    std::array<std::array<TButton*, 4>, 3> StepButtons;
    // Image mode.
    TScrollBox* SCRLB1;
    TImage* Img1;
    TPanel* Panel1;
    TLabel* Label7;
    TLabel* Label5;
    TLabel* Label6;
    TButton* Btn31;
    TButton* Btn32;
    TButton* BtnSDIR;
    TFileListBox* FLB1;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Where the window's frame first stands.
    static QPoint DesignPlace();
    template <typename T> T* Add(T* control, const char* name, QRect bounds);
    // The control of that name and kind; a missing one is an error.
    template <typename T> T& Named(const std::string& name) const {
        T* control = qobject_cast<T*>(FindNamedControl(name));
        if (!control) {
            throw Exception("コントロール " + name + " が見つかりません");
        }
        return *control;
    }
    // The last character of a control's name, the digit its handlers go by.
    static std::string LastCharacterOfName(const TObject* sender);
    TNotifyEvent Bind(void (TForm1::*handler)(TObject*));

    // The three places of the current colour: preview, integer text, RGB text.
    void Display(TColor value, const std::string& rgb);

    void CreateColourDisplay();
    void CreateSwatches();
    void CreateChannelRows();
    void CreateImageControls();
    // Tells a screen reader what the view shows: the picture's file and zoom.
    void DescribeView();
    // Where a menu asked for by key on the file list opens.
    QPoint ListMenuPlace() const;
    // Shows a loaded picture at 100 % with the zoom controls.
    void ShowLoadedPicture(const TBitmap& bitmap, const std::string& name);
    // Replaces the shown picture with one from elsewhere than the list.
    void ShowPictureFrom(const TBitmap& bitmap, const std::string& name);
    // The window's own handling of an event any of its controls gets.
    bool HandleWindowEvent(QWidget* widget, QEvent* event);
    bool HandleImageKey(QWidget& target, const QKeyEvent& key);
    bool HandleContextMenu(QWidget& target, const QContextMenuEvent& menu);
    bool HandleColourKey(QWidget& target, const QKeyEvent& key);
    bool HandleCursorKey(QWidget& target, const QKeyEvent& key);
    // The colour a pick at picture pixel (x, y) gives at the sample size.
    TColor PickedColour(int x, int y) const;
    // The stored picture when its picks go through its profile; else none.
    const TBitmapImage* ManagedPicture() const;
    // Puts the stored picture in the view, painted through its profile
    // where managed.
    void ShowStoredPicture();
    // Lets the shown picture go, and its stored numbers.
    void ClearPicture();
    // Shows the colour of a pick at a picture pixel, the cursor put there.
    void PickPixel(QPoint pixel);
    // Where the cursor stands: the last pick, else the middle of the view's
    // visible part.
    QPoint CursorPlace() const;
    bool PickCursorShown() const;
    // Draws or hides the cursor's outline and scrolls it into sight.
    void RefreshPickCursor();
    bool HandleColourMenu(QWidget& target, const QContextMenuEvent& menu);
    // The colour the display shows, as its integer text gives it.
    TColor CurrentColour() const;
    // The colour menu's texts of the current colour as the picture has it.
    std::vector<std::string> PictureColourTexts() const;
    // Shows a colour as a pick does; in the slider mode the rows follow it.
    void ShowPastedColour(TColor value);
    // Puts a colour the user picked at the head of the recent colours.
    void RememberPick(TColor value);
    // Puts the text alone on the clipboard and gives the focus to the sink.
    void CopyText(const std::string& text);
    void SetTabOrder();
    void SetMenuTips();

    TLabel* AddLabel(QWidget* parent, const char* name, QRect bounds, const char* caption);
    TButton* AddButton(QWidget* parent, const char* name, QRect bounds, const char* caption);

    // Where the image folder is remembered, the file to write first: beside
    // the executable, or in the user's own folder when the executable's
    // folder cannot be written.
    std::vector<std::string> MemoryFiles() const;

    TClipboard& FClipboard;
    TDesktop& FDesktop;
    std::vector<QWidget*> FControls; // in creation order
    std::string FPictureName;        // the shown picture's file name, as shown
    TBitmap FStored;                 // the shown picture as its file stores it
    bool FColourManaged = true;      // pictures shown in their own colours
    // The current colour's own, when a pick off a managed picture gave it.
    std::optional<TPictureColour> FPictureColour;
    std::vector<TColor> FRecent;   // the colours picked this run, newest first
    int FSampleSize = 1;           // the side of the square a pick averages
    std::optional<QPoint> FPicked; // the picture pixel last picked
    bool FKeyboardPicks = false;   // the arrow keys drive the pick cursor
    bool FScreenPicking = false;   // a screen pick's overlay is open
    qreal FRatio = 0;              // the window's ratio on its screen
    QSize FKeptSize;               // the size to keep across a change of ratio
};

// The picture: loading it from the file list, the zoomed view, the
// eyedropper.
#include "Unit1.h"

#include "Accessibility.h"
#include "Conversions.h"
#include "DisplayName.h"
#include "FileSystem.h"
#include "LargeMemory.h"
#include "StretchDraw.h"

#include <QScrollBar>

#include <algorithm>

namespace {

// The control's size for a picture side at a zoom percent: the product first,
// then the division, truncated, in 64 bits so that no accepted picture
// overflows; Qt's limit on a widget's size caps it.
int ZoomedSize(int pictureSize, int percent) {
    const std::int64_t size = std::int64_t(pictureSize) * percent / 100;
    return static_cast<int>(std::clamp<std::int64_t>(size, 0, QWIDGETSIZE_MAX));
}

} // namespace

// Every failure of loading and converting is dropped without a word: the
// view stays empty and the zoom controls hidden. The picture shown is let go
// before the next is read, whose pixels then take its memory; the view and
// its controls change once, when the next is shown or has failed.
void TForm1::FLB1Click(TObject*) {
    const LargeMemory::TTrimSpares rest(RestingSpareBytes);
    ClearPicture();
    if (!ShowPictureFile(FLB1->FileName())) {
        ShowZoomControls(false);
        EmptyView();
    }
}

bool TForm1::ShowPictureFile(const std::string& path) {
    if (!RegularFileExists(path)) {
        return false;
    }
    TPicture picture;
    try {
        picture.LoadFromFile(path);
    } catch (...) {
        return false;
    }
    TBitmap bitmap;
    try {
        bitmap.Assign(*picture.Graphic());
        ShowLoadedPicture(bitmap, PictureName(path));
    } catch (...) {
        return false;
    }
    ShowColor(NeutralGrey);
    return true;
}

std::string TForm1::PictureName(const std::string& path) {
    return DisplayName(path.substr(path.rfind('/') + 1));
}

void TForm1::ClearPicture() {
    Img1->ClearPicture();
    FStored = TBitmap();
}

void TForm1::ShowStoredPicture() {
    const TBitmapImage* managed = ManagedPicture();
    Img1->SetBitmap(FStored, managed ? managed->Profile : nullptr);
}

const TBitmapImage* TForm1::ManagedPicture() const {
    const TBitmapImage* stored = FStored.Image();
    return FColourManaged && stored && stored->Profile && !stored->Profile->IsSrgb() ? stored
                                                                                     : nullptr;
}

void TForm1::SetColourManaged(bool on) {
    if (on == FColourManaged) {
        return;
    }
    FColourManaged = on;
    if (!FStored.Empty()) {
        ShowStoredPicture();
        DescribeView();
    }
}

std::string TForm1::ColourSpaceName() const {
    const TBitmapImage* stored = FStored.Image();
    if (!stored) {
        return "画像なし";
    }
    if (stored->Profile) {
        return stored->Profile->Name();
    }
    if (!stored->ProfileRefused.empty()) {
        return "プロファイルなし (" + stored->ProfileRefused + ")";
    }
    return "プロファイルなし";
}

void TForm1::ShowLoadedPicture(const TBitmap& bitmap, const std::string& name) {
    FPictureName = name;
    FPicked.reset();
    FKeyboardPicks = false;
    FStored = bitmap;
    ShowStoredPicture();
    // A new picture shows from its top left corner.
    SCRLB1->horizontalScrollBar()->setValue(0);
    SCRLB1->verticalScrollBar()->setValue(0);
    Label5->SetCaption("100");
    ApplyZoom();
    ShowZoomControls(true);
    RefreshPickCursor();
}

void TForm1::ShowZoomControls(bool show) {
    Btn31->setVisible(show);
    Btn32->setVisible(show);
    Label5->setVisible(show);
    Label6->setVisible(show);
    Label7->setVisible(show);
    const TBitmap* bitmap = Img1->Bitmap();
    if (!show && bitmap && !bitmap->Empty()) {
        ClearPicture();
        EmptyView();
    }
}

void TForm1::EmptyView() {
    Img1->resize(100, Img1->height());
    Img1->resize(100, 100);
    DescribeView();
}

void TForm1::ApplyZoom() {
    const int percent = StrToInt(Label5->Caption());
    const TBitmap* bitmap = Img1->Bitmap();
    const int width = bitmap ? bitmap->Width() : 0;
    const int height = bitmap ? bitmap->Height() : 0;
    Img1->resize(ZoomedSize(width, percent), Img1->height());
    Img1->resize(Img1->width(), ZoomedSize(height, percent));
    DescribeView();
}

void TForm1::DescribeView() {
    const std::string zoom = Label5->Caption() + "%";
    SetSpokenName(*Label5, "拡大率 " + zoom);
    const TBitmap* bitmap = Img1->Bitmap();
    const bool shown = bitmap && !bitmap->Empty();
    std::string name = shown ? "画像 " + FPictureName + " " + zoom : "画像なし";
    // A picture that names its colour space says which.
    const TBitmapImage* stored = FStored.Image();
    if (shown && stored && (stored->Profile || !stored->ProfileRefused.empty())) {
        name += "、" + ColourSpaceName();
    }
    // While the keyboard picks, the pixel picked and its colour too.
    if (shown && FKeyboardPicks && FPicked) {
        name += "、x " + std::to_string(FPicked->x()) + ", y " + std::to_string(FPicked->y()) +
                ": " + LV2->Caption();
        if (FSampleSize > 1) {
            name += " (" + SampleSizeName(FSampleSize) + ")";
        }
    }
    if (Img1->accessibleName() != QString::fromStdString(name)) {
        SetSpokenName(*Img1, name);
    }
}

// The zoom steps by 10 up to 100 and by 100 above: 10 … 90, 100, 200 … 800.
void TForm1::BtnImgUpDnClick(TObject* Sender) {
    const int direction = StrToInt(LastCharacterOfName(Sender));
    Edit0->setFocus();
    int percent = StrToInt(Label5->Caption());
    if (direction == 1) {
        if (percent > 10) {
            percent -= percent > 100 ? 100 : 10;
        }
    } else if (percent < 800) {
        percent += percent < 100 ? 10 : 100;
    }
    Label5->SetCaption(std::to_string(percent));
    ApplyZoom();
}

// The colour comes from the bitmap itself, never from the screen, at the
// picture pixel the view shows under the cursor. Both are counted in device
// pixels of the view, which at a ratio of 1 are the control's client pixels.
void TForm1::Img1Click(TObject*) {
    const TBitmap* bitmap = Img1->Bitmap();
    const TViewRect view = Img1->DeviceView();
    if (!bitmap || bitmap->Empty() || view.Width == 0 || view.Height == 0) {
        return;
    }
    const QPoint cursor = FDesktop.CursorPos(*this);
    const int x = PictureCoordinate(cursor.x() - view.Left, bitmap->Width(), view.Width);
    const int y = PictureCoordinate(cursor.y() - view.Top, bitmap->Height(), view.Height);
    // A pick by the mouse takes the pick cursor over from the keyboard.
    FKeyboardPicks = false;
    PickPixel({x, y});
}

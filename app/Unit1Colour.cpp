// The colour display's menu: the current colour in every notation, a colour
// pasted from text, and the colours picked this run.
#include "Unit1.h"

#include "ColorNotation.h"
#include "Conversions.h"
#include "MenuCaptions.h"
#include "PictureData.h"
#include "QtColor.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPixmap>
#include <algorithm>
#include <map>
#include <span>

namespace {

// The colour a text on the clipboard names, if it names one.
std::optional<TColor> ColourOf(const QMimeData* contents) {
    if (!contents || !contents->hasText()) {
        return std::nullopt;
    }
    return ReadColour(contents->text().toStdString());
}

QIcon SwatchIcon(TColor value) {
    QPixmap swatch(16, 16);
    swatch.fill(ColorToQColor(RGB(GetRValue(value), GetGValue(value), GetBValue(value))));
    return QIcon(swatch);
}

} // namespace

// The picked colour as the picture has it, unclipped: in Display P3 for a
// Display P3 picture, else in CIELAB and OKLCh.
std::vector<std::string> TForm1::PictureColourTexts() const {
    const TBitmapImage* stored = ManagedPicture();
    if (!FPictureColour || !stored) {
        return {};
    }
    if (stored->Profile->IsDisplayP3()) {
        return {ExactColourText(TNotation::DisplayP3, FPictureColour->XyzD65)};
    }
    return {ExactColourText(TNotation::Lab, FPictureColour->XyzD65),
            ExactColourText(TNotation::Oklch, FPictureColour->XyzD65)};
}

TColor TForm1::CurrentColour() const {
    return StrToInt(LV1->Caption());
}

void TForm1::RememberPick(TColor value) {
    FRecent.erase(std::remove(FRecent.begin(), FRecent.end(), value), FRecent.end());
    FRecent.insert(FRecent.begin(), value);
    if (FRecent.size() > RecentLimit) {
        FRecent.resize(RecentLimit);
    }
}

void TForm1::CopyText(const std::string& text) {
    if (!FClipboard.ReplaceText(text)) {
        throw Exception("クリップボードを開くことができません");
    }
    Edit0->setFocus();
}

// In the slider mode the three rows move to the colour's channels first.
void TForm1::ShowPastedColour(TColor value) {
    if (Mode == 1) {
        const int channels[] = {GetBValue(value), GetGValue(value), GetRValue(value)};
        for (std::size_t row = 0; row < 3; ++row) {
            ChannelLabels[row]->SetCaption(std::to_string(channels[row]));
            YTB[row]->SetPosition(channels[row]);
        }
    }
    ShowColor(value);
    RememberPick(value);
    Edit0->setFocus();
}

// In the image mode a picture on the clipboard is pasted as a picture; else a
// text naming a colour shows that colour, and any other text does nothing.
void TForm1::ClPasteClick(TObject*) {
    const QMimeData* contents = FClipboard.Contents();
    if (Mode == 2 && contents && HoldsPicture(*contents)) {
        ImgPasteClick(Img1);
        return;
    }
    if (const auto value = ColourOf(contents)) {
        ShowPastedColour(*value);
    }
}

void TForm1::PopupColourMenu(QPoint where) {
    QMenu menu(this);
    std::map<QAction*, std::string> copies;
    for (const TNotationText& notation : ColourNotations(CurrentColour())) {
        QAction* item = menu.addAction(QString::fromStdString(notation.Text));
        item->setEnabled(notation.Exact);
        copies[item] = notation.Text;
    }
    if (FPictureColour && FPictureColour->Valid) {
        // Marked apart by a caption of their own: a menu's section shows
        // no text in every style.
        menu.addSeparator();
        menu.addAction(QString::fromStdString("画像の色 (" + ColourSpaceName() + ")"))
            ->setEnabled(false);
        for (const std::string& text : PictureColourTexts()) {
            copies[menu.addAction(QString::fromStdString(text))] = text;
        }
        const std::string stored = RgbText(StoredRgb(*FPictureColour));
        copies[menu.addAction(QString::fromStdString(StoredValuesCaption + stored))] = stored;
    }
    menu.addSeparator();
    QAction* paste = menu.addAction(QString::fromUtf8(PasteCaption));
    paste->setShortcut(QKeySequence::Paste);
    const QMimeData* contents = FClipboard.Contents();
    paste->setEnabled(ColourOf(contents) || (Mode == 2 && contents && HoldsPicture(*contents)));
    QMenu* recent = menu.addMenu(QString::fromUtf8(RecentCaption));
    recent->setEnabled(!FRecent.empty());
    std::map<QAction*, TColor> recents;
    for (const TColor value : FRecent) {
        recents[recent->addAction(SwatchIcon(value), QString::fromStdString(HexText(value)))] =
            value;
    }
    menu.addSeparator();
    QAction* screenPick = menu.addAction(QString::fromUtf8(ScreenPickCaption));
    screenPick->setShortcut(ScreenPickKeys);

    QAction* chosen = menu.exec(where);
    if (chosen == paste) {
        ClPasteClick(paste);
    } else if (chosen == screenPick) {
        ScreenPickClick(screenPick);
    } else if (const auto copy = copies.find(chosen); copy != copies.end()) {
        CopyText(copy->second);
    } else if (const auto again = recents.find(chosen); again != recents.end()) {
        ShowPastedColour(again->second);
    }
}

// Ctrl+V and the screen pick's key anywhere; the menu keys on the focus
// sink and the copy buttons.
bool TForm1::HandleColourKey(QWidget& target, const QKeyEvent& key) {
    if (QKeySequence(key.keyCombination()) == ScreenPickKeys) {
        ScreenPickClick(&target);
        return true;
    }
    if (key.matches(QKeySequence::Paste)) {
        ClPasteClick(&target); // no colour: the key does nothing at all
        return true;
    }
    if (IsMenuKey(key) && (&target == Edit0 || &target == BtnCpy1 || &target == BtnCpy2)) {
        PopupColourMenu(target.mapToGlobal(target.rect().center()));
        return true;
    }
    return false;
}

// The right button on the preview, either text or either copy button; a
// menu asked for by key on the focus sink or a copy button.
bool TForm1::HandleColourMenu(QWidget& target, const QContextMenuEvent& menu) {
    const std::array<QWidget*, 5> byMouse{Edit41, LV1, LV2, BtnCpy1, BtnCpy2};
    const std::array<QWidget*, 3> byKey{Edit0, BtnCpy1, BtnCpy2};
    const bool mouse = menu.reason() == QContextMenuEvent::Mouse;
    const auto& places =
        mouse ? std::span<QWidget* const>(byMouse) : std::span<QWidget* const>(byKey);
    if (std::find(places.begin(), places.end(), &target) == places.end()) {
        return false;
    }
    PopupColourMenu(mouse ? menu.globalPos() : target.mapToGlobal(target.rect().center()));
    return true;
}

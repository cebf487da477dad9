// The mode cycle and the slider mode.
#include "Unit1.h"

#include "Conversions.h"
#include "LargeMemory.h"

#include <algorithm>

void TForm1::BtnSWTCHClick(TObject*) {
    // Every mode begins from grey: the channel rows (0 blue, 1 green, 2 red)
    // and the display are reset before the switch.
    const int channels[] = {GetBValue(NeutralGrey), GetGValue(NeutralGrey), GetRValue(NeutralGrey)};
    for (int i = 0; i <= 2; ++i) {
        const std::string row = std::to_string(i);
        Named<TLabel>("Label" + row).SetCaption(std::to_string(channels[i]));
        Named<TYTrackBar>("YTB" + row).SetPosition(channels[i]);
    }
    ShowColor(NeutralGrey);

    switch (Mode) {
    case 0:
        ShowPaletteGroup(false);
        ShowSliderGroup(true);
        Mode = 1;
        break;
    case 1:
        // The mode is the image mode before its folder is opened, so that a
        // folder that cannot be opened never keeps the window from leaving
        // it: the next switch goes on to the palette.
        ShowSliderGroup(false);
        Mode = 2;
        ShowImageGroup(true);
        break;
    default:
        ShowImageGroup(false);
        ShowPaletteGroup(true);
        Mode = 0;
        break;
    }
    ShowModeCaption();
    Edit0->setFocus();
}

void TForm1::ShowPaletteGroup(bool visible) {
    for (int n = 1; n <= 40; ++n) {
        Named<QWidget>("Edit" + std::to_string(n)).setVisible(visible);
    }
}

void TForm1::ShowSliderGroup(bool visible) {
    for (int i = 0; i <= 2; ++i) {
        const std::string row = std::to_string(i);
        for (int k = 1; k <= 4; ++k) {
            Named<QWidget>("Btn" + row + std::to_string(k)).setVisible(visible);
        }
        Named<QWidget>("Label" + row).setVisible(visible);
        Named<QWidget>("YTB" + row).setVisible(visible);
    }
}

// Entering opens the remembered folder before anything is shown, so a folder
// that cannot be entered leaves the image group hidden.
void TForm1::ShowImageGroup(bool visible) {
    if (visible) {
        OpenImageFolder(GetImageFolder());
    } else {
        ShowZoomControls(false);
        LargeMemory::ReleaseSpares(); // the pictures' memory goes back to the system
    }
    BtnSDIR->setVisible(visible);
    FLB1->setVisible(visible);
    Panel1->setVisible(visible);
    SCRLB1->setVisible(visible);
}

// During a drag only the value label follows the slider; the colour is shown
// when the button is released.
void TForm1::YTBVChange(TObject* Sender) {
    const std::string row = LastCharacterOfName(Sender);
    const int position = Named<TYTrackBar>("YTB" + row).Position();
    Named<TLabel>("Label" + row).SetCaption(std::to_string(position));
}

void TForm1::YTBVMouseUp(TObject*, TMouseButton, TShiftState, int, int) {
    ShowChannelColor();
    RememberPick(CurrentColour());
    Edit0->setFocus();
}

void TForm1::BtnUpDnClick(TObject* Sender) {
    // "Btn" + row + step: the row is the fourth character, the step the last.
    const std::string name = Sender->objectName().toStdString();
    const std::string row = name.size() > 3 ? name.substr(3, 1) : std::string();
    const int step = StrToInt(LastCharacterOfName(Sender));
    TLabel& label = Named<TLabel>("Label" + row);
    long long value = StrToInt(label.Caption());
    switch (step) {
    case 1:
        value -= 1;
        break;
    case 2:
        value += 1;
        break;
    case 3:
        value -= 10;
        break;
    case 4:
        value += 10;
        break;
    default:
        break;
    }
    const int clamped = static_cast<int>(std::clamp<long long>(value, 0, 255));
    label.SetCaption(std::to_string(clamped));
    Named<TYTrackBar>("YTB" + row).SetPosition(clamped);
    ShowChannelColor();
    RememberPick(CurrentColour());
    Edit0->setFocus();
}

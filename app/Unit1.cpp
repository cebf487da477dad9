#include "Unit1.h"

#include "Accessibility.h"
#include "Application.h"
#include "ColorNotation.h"
#include "Conversions.h"
#include "Exceptions.h"
#include "MenuCaptions.h"
#include "QtColor.h"
#include "WindowRatio.h"

#include <QGuiApplication>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollBar>
#include <algorithm>
#include <utility>

namespace {

const char* const DesignFont = "ＭＳ Ｐゴシック";
const char* const CopyCaption = "↑クリップボードにコピー";

// The RGB text of three channel texts, taken as they stand.
std::string RgbText(const std::string& red, const std::string& green, const std::string& blue) {
    return "RGB(" + red + ", " + green + ", " + blue + ")";
}

// What a screen reader says of a swatch's or the preview's colour: the two
// texts the display shows for it.
std::string SpokenColour(const char* what, const std::string& rgb, const std::string& integer) {
    return what + (" " + rgb) + "、整数値 " + integer;
}

QFont DesignFontOfHeight(int pixels, bool bold = false) {
    QFont font(QString::fromUtf8(DesignFont));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

// Swatch n stands in column (n - 1) div 5 and row (n - 1) mod 5.
constexpr std::array<TColor, 40> PaletteColours = {
    clBlack,  clMaroon, clRed,    clFuchsia, 13408767, // column 1
    13209,    26367,    39423,    52479,     10079487, // column 2
    13107,    clOlive,  52377,    clYellow,  10092543, // column 3
    13056,    clGreen,  6723891,  clLime,    13434828, // column 4
    6697728,  clTeal,   13421619, clAqua,    16777164, // column 5
    clNavy,   clBlue,   16737843, 16763904,  16764057, // column 6
    10040115, 10053222, clPurple, 6697881,   16751052, // column 7
    3355443,  clGray,   9868950,  clSilver,  clWhite,  // column 8
};

} // namespace

const std::array<const char*, 3> TForm1::ModeCaptions = {
    "色をクリックしたら値を返すという以外に何か能があるわけじゃない",
    "色の配分変化にしたがって値を返すという以外に何か能があるわけじゃない",
    "読み込んだ画像のクリック位置の色の値を返すという以外に何か能があるわけじゃない",
};

TForm1::TForm1(TClipboard& clipboard, TDesktop& desktop, QWidget* parent)
    : QWidget(parent), FClipboard(clipboard), FDesktop(desktop) {
    setObjectName("Form1");
    setFont(DesignFontOfHeight(12));
    QPalette p = palette();
    p.setColor(QPalette::Window, ColorToQColor(clGray));
    setPalette(p);
    setAutoFillBackground(true);

    // The design's client area is 505 x 344, its frame 513 x 371 at 192, 107;
    // it may grow without limit but not shrink below 505 x 258. On a screen
    // too small for that place, scaled or not, it comes just inside.
    move(DesignPlace());
    resize(505, 344);
    setMinimumSize(505, 258);

    CreateColourDisplay();
    CreateSwatches();
    CreateChannelRows();
    CreateImageControls();
    SetTabOrder();
    SetMenuTips();
    FormCreate();
    setAcceptDrops(true);
    QCoreApplication::instance()->installEventFilter(this);
}

QPoint TForm1::DesignPlace() {
    const QRect frame(192, 107, 513, 371);
    const QScreen* screen = QGuiApplication::screenAt(frame.topLeft());
    if (!screen) {
        screen = QGuiApplication::primaryScreen();
    }
    return screen ? PlaceInside(frame, screen->availableGeometry()) : frame.topLeft();
}

template <typename T> T* TForm1::Add(T* control, const char* name, QRect bounds) {
    control->setObjectName(name);
    control->setGeometry(bounds);
    FControls.push_back(control);
    return control;
}

TLabel* TForm1::AddLabel(QWidget* parent, const char* name, QRect bounds, const char* caption) {
    auto* label = Add(new TLabel(parent), name, bounds);
    label->SetCaption(caption);
    return label;
}

TButton* TForm1::AddButton(QWidget* parent, const char* name, QRect bounds, const char* caption) {
    auto* button = Add(new TButton(parent), name, bounds);
    button->SetCaption(caption);
    return button;
}

TNotifyEvent TForm1::Bind(void (TForm1::*handler)(TObject*)) {
    return [this, handler](TObject* sender) {
        TApplication::Guard([&] { (this->*handler)(sender); });
    };
}

void TForm1::CreateColourDisplay() {
    auto whiteBox = [](TLabel* label, int height, const QStringList& widest) {
        label->SetAlignment(Qt::AlignHCenter);
        label->SetColor(clWhite);
        label->SetFontColor(clBlack);
        label->SetFitSamples(widest);
        label->SetDesignFont(DesignFontOfHeight(height));
    };
    // The texts the colour display can show: every value a palette, a row
    // or a pixel read gives, and the failed read's -1.
    LV1 = AddLabel(this, "LV1", {4, 15, 80, 16}, "0");
    whiteBox(LV1, 16, {"16777215", "-1"});
    Label3 = AddLabel(this, "Label3", {84, 17, 48, 12}, "←整数値");
    Label3->SetFontColor(clWhite);
    Edit41 = Add(new TEdit(this), "Edit41", {132, 8, 50, 30});
    Edit41->SetColor(clGray);
    Edit41->OnClick = Bind(&TForm1::ClEdtClick);
    Label4 = AddLabel(this, "Label4", {182, 17, 48, 12}, "RGB値→");
    Label4->SetFontColor(clWhite);
    LV2 = AddLabel(this, "LV2", {230, 15, 124, 16}, "0");
    whiteBox(LV2, 13, {"RGB(255, 255, 255)"});

    // The focus sink: no border, grey on grey, so nothing of it shows, nor is
    // it shown to a screen reader.
    Edit0 = Add(new TEdit(this), "Edit0", {230, 38, 9, 18});
    HideFromAssistiveTechnology(*Edit0);
    Edit0->SetBorder(false);
    Edit0->SetColor(clGray);
    Edit0->SetFontColor(clGray);
    QPalette sink = Edit0->palette();
    sink.setColor(QPalette::Highlight, ColorToQColor(clGray));
    sink.setColor(QPalette::HighlightedText, ColorToQColor(clGray));
    Edit0->setPalette(sink);

    BtnSWTCH = AddButton(this, "BtnSWTCH", {132, 48, 50, 16}, "switch");
    BtnSWTCH->SetWordWrap(true);
    BtnSWTCH->OnClick = Bind(&TForm1::BtnSWTCHClick);
    BtnCpy1 = AddButton(this, "BtnCpy1", {4, 34, 80, 30}, CopyCaption);
    BtnCpy1->SetWordWrap(true);
    BtnCpy1->OnClick = Bind(&TForm1::BtnCpyClick);
    SetSpokenName(*BtnCpy1, "整数値をクリップボードにコピー");
    BtnCpy2 = AddButton(this, "BtnCpy2", {260, 34, 80, 33}, CopyCaption);
    BtnCpy2->SetWordWrap(true);
    BtnCpy2->OnClick = Bind(&TForm1::BtnCpyClick);
    SetSpokenName(*BtnCpy2, "RGB値をクリップボードにコピー");
}

void TForm1::CreateSwatches() {
    for (int n = 1; n <= 40; ++n) {
        const int column = (n - 1) / 5;
        const int row = (n - 1) % 5;
        const std::string name = "Edit" + std::to_string(n);
        TEdit* swatch =
            Add(new TEdit(this), name.c_str(), {78 + 22 * column, 122 + 18 * row, 22, 18});
        const TColor colour = PaletteColours[std::size_t(n - 1)];
        swatch->SetColor(colour);
        SetSpokenName(*swatch, SpokenColour("色見本", RgbText(colour), std::to_string(colour)));
        swatch->OnClick = Bind(&TForm1::ClEdtClick);
        Swatches[std::size_t(n - 1)] = swatch;
    }
}

void TForm1::CreateChannelRows() {
    struct Row {
        int Index, SliderTop, LabelTop, ButtonTop;
        TColor Colour;
        const char* Channel;
    };
    // Red on top, blue at the bottom, as the table lists them.
    const Row rows[] = {{2, 109, 117, 114, clRed, "赤"},
                        {1, 162, 170, 167, clGreen, "緑"},
                        {0, 216, 224, 220, clBlue, "青"}};
    const char* arrows[] = {"↓", "↑", "↓", "↑"};
    // What each step button does, for a screen reader.
    const char* steps[] = {"を1下げる", "を1上げる", "を10下げる", "を10上げる"};
    for (const Row& row : rows) {
        const std::string digit = std::to_string(row.Index);
        TYTrackBar* slider =
            Add(new TYTrackBar(this), ("YTB" + digit).c_str(), {66, row.SliderTop, 160, 30});
        // The values in the order the slider publishes them.
        slider->SetMax(255);
        slider->SetMin(0);
        slider->SetThumbColor(clBtnFace);
        slider->SetThumbWidth(10);
        slider->SetGageColor(clWhite);
        slider->SetPosition(0);
        slider->OnChange = Bind(&TForm1::YTBVChange);
        SetSpokenName(*slider, row.Channel);
        slider->OnMouseUp = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
            TApplication::Guard([&] { YTBVMouseUp(s, b, sh, x, y); });
        };
        YTB[std::size_t(row.Index)] = slider;

        TLabel* label = AddLabel(this, ("Label" + digit).c_str(), {37, row.LabelTop, 27, 12}, "0");
        label->SetAlignment(Qt::AlignRight);
        label->SetFitSamples({"255"});
        label->SetColor(row.Colour);
        label->SetFontColor(clWhite);
        ChannelLabels[std::size_t(row.Index)] = label;

        for (int k = 1; k <= 4; ++k) {
            const std::string name = "Btn" + digit + std::to_string(k);
            TButton* button = AddButton(this, name.c_str(),
                                        {232 + 20 * (k - 1), row.ButtonTop, 20, 20}, arrows[k - 1]);
            if (k >= 3) {
                button->SetDesignFont(DesignFontOfHeight(13, true));
            }
            button->OnClick = Bind(&TForm1::BtnUpDnClick);
            SetSpokenName(*button, std::string(row.Channel) + steps[k - 1]);
            StepButtons[std::size_t(row.Index)][std::size_t(k - 1)] = button;
            button->hide();
        }
        label->hide();
    }
}

void TForm1::CreateImageControls() {
    SCRLB1 = Add(new TScrollBox(this), "SCRLB1", {4, 72, 350, 270});
    Img1 = Add(new TImage(nullptr), "Img1", {0, 0, 100, 100});
    Img1->SetStretch(true);
    Img1->OnClick = Bind(&TForm1::Img1Click);
    SCRLB1->setWidget(Img1);
    SCRLB1->hide();

    Panel1 = Add(new TPanel(this), "Panel1", {360, 4, 143, 338});
    Panel1->SetColor(clGray);
    auto zoomLabel = [this](const char* name, QRect bounds, const char* caption,
                            const QStringList& samples = {}) {
        TLabel* label = AddLabel(Panel1, name, bounds, caption);
        label->SetColor(clBlack);
        label->SetFontColor(clWhite);
        label->SetFitSamples(samples);
        label->SetDesignFont(DesignFontOfHeight(16));
        label->hide();
        return label;
    };
    Label7 = zoomLabel("Label7", {4, 11, 64, 16}, "拡大縮小");
    Label5 = zoomLabel("Label5", {68, 11, 24, 16}, "100",
                       {"10", "20", "30", "40", "50", "60", "70", "80", "90", "100", "200", "300",
                        "400", "500", "600", "700", "800"});
    Label6 = zoomLabel("Label6", {92, 11, 8, 16}, "%");
    Btn31 = AddButton(Panel1, "Btn31", {100, 9, 20, 20}, "↓");
    Btn31->OnClick = Bind(&TForm1::BtnImgUpDnClick);
    SetSpokenName(*Btn31, "縮小");
    Btn31->hide();
    Btn32 = AddButton(Panel1, "Btn32", {120, 9, 20, 20}, "↑");
    Btn32->OnClick = Bind(&TForm1::BtnImgUpDnClick);
    SetSpokenName(*Btn32, "拡大");
    Btn32->hide();
    BtnSDIR = AddButton(Panel1, "BtnSDIR", {16, 40, 105, 20}, "画像フォルダ選択");
    BtnSDIR->SetWordWrap(true);
    BtnSDIR->OnClick = Bind(&TForm1::BtnSDIRClick);
    FLB1 = Add(new TFileListBox(Panel1), "FLB1", {4, 68, 135, 270});
    FLB1->SetMask("*.bmp;*.jpg;*.jpeg");
    FLB1->SetItemHeight(12);
    FLB1->OnClick = Bind(&TForm1::FLB1Click);
    SetSpokenName(*FLB1, "画像ファイル");
    SetSpokenName(*Panel1, "画像フォルダと拡大縮小");
    SetSpokenName(*SCRLB1, "画像の表示");
    SetSpokenName(*SCRLB1->horizontalScrollBar(), "横スクロール");
    SetSpokenName(*SCRLB1->verticalScrollBar(), "縦スクロール");
    // Until a pick, the pick cursor stands in the middle of what is in sight.
    for (QScrollBar* bar : {SCRLB1->horizontalScrollBar(), SCRLB1->verticalScrollBar()}) {
        connect(bar, &QScrollBar::valueChanged, this, [this] { RefreshPickCursor(); });
    }
    DescribeView();
    Panel1->hide();
}

// A newcomer cannot guess that the colour display and the picture area have
// menus: their tooltips say what the menus hold and which keys reach it.
void TForm1::SetMenuTips() {
    // The window is used beside an image editor that has the focus.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    const std::string paste = KeyText(QKeySequence(QKeySequence::Paste));
    const std::string pick = std::string(ScreenPickCaption) + " (" + KeyText(ScreenPickKeys) + ")";
    const std::string colourMenu = "右クリック: ほかの表記 (#RRGGBB, rgb(), hsl(), lab(), oklch(), "
                                   "…)・" +
                                   std::string(PasteCaption) + " (" + paste + ")・" +
                                   RecentCaption + "・" + pick;
    for (QWidget* display :
         {static_cast<QWidget*>(Edit41), static_cast<QWidget*>(LV1), static_cast<QWidget*>(LV2)}) {
        display->setToolTip(QString::fromStdString(colourMenu));
    }
    const std::string copy = "クリック: 上の文字をコピー\n" + colourMenu + " (メニューキーでも)";
    BtnCpy1->setToolTip(QString::fromStdString(copy));
    BtnCpy2->setToolTip(QString::fromStdString(copy));
    const std::string pictureMenu =
        "クリック: その画素の色\n右クリック: " + std::string(CaptureCaption) + " (" +
        KeyText(CaptureKeys) + ")・" + PasteCaption + " (" + paste + ")・" + pick + "・" +
        KeyboardCaption + "・" + SampleCaption;
    SCRLB1->setToolTip(QString::fromStdString(pictureMenu));
    Img1->setToolTip(QString::fromStdString(pictureMenu));
}

// Tab places: the focus sink first, the swatches and the preview, the step
// buttons from the blue row up, the command buttons; then the panel's
// folder button, file list and zoom buttons.
void TForm1::SetTabOrder() {
    std::vector<QWidget*> chain{Edit0};
    chain.insert(chain.end(), Swatches.begin(), Swatches.end());
    chain.push_back(Edit41);
    for (const auto& row : StepButtons) {
        chain.insert(chain.end(), row.begin(), row.end());
    }
    chain.insert(chain.end(), {BtnSWTCH, BtnCpy1, BtnCpy2, BtnSDIR, FLB1, Btn31, Btn32});
    for (std::size_t i = 1; i < chain.size(); ++i) {
        QWidget::setTabOrder(chain[i - 1], chain[i]);
    }
}

QWidget* TForm1::FindNamedControl(const std::string& name) const {
    const std::string wanted = LowerCase(name);
    for (QWidget* control : FControls) {
        if (LowerCase(control->objectName().toStdString()) == wanted) {
            return control;
        }
    }
    return nullptr;
}

std::string TForm1::LastCharacterOfName(const TObject* sender) {
    const std::string name = sender->objectName().toStdString();
    return name.empty() ? std::string() : name.substr(name.size() - 1);
}

void TForm1::FormCreate() {
    Mode = 0;
    ShowModeCaption();
    YTB[0]->hide();
    YTB[1]->hide();
    YTB[2]->hide();
    ShowColor(NeutralGrey);
}

// An X11 window keeps its size in device pixels when it moves to a screen of
// another scale, so the design would shrink to half on a screen at 2: the
// window takes back the logical size it had, as it keeps it on Wayland.
bool TForm1::event(QEvent* event) {
    if (event->type() == QEvent::ScreenChangeInternal) {
        const qreal ratio = WindowRatio(*this);
        if (ratio != std::exchange(FRatio, ratio) && WindowKeepsDevicePixelsAcrossRatios()) {
            FKeptSize = size(); // Qt derives the new size from the device pixels next
        }
    }
    return QWidget::event(event);
}

void TForm1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    FRatio = WindowRatio(*this);
}

void TForm1::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    TApplication::Guard([this] { FormResize(); });
    if (const QSize kept = std::exchange(FKeptSize, QSize()); kept.isValid() && kept != size()) {
        resize(kept);
    }
}

// Keeps the panel at the right edge and the scroll box beside it, both
// reaching down to 2 pixels above the bottom of the client area.
void TForm1::FormResize() {
    const int cw = width();
    const int ch = height();
    const int panelWidth = Panel1->width();
    const int panelTop = Panel1->y();
    const int boxLeft = SCRLB1->x();
    const int boxTop = SCRLB1->y();

    Panel1->move(cw - panelWidth - 2, panelTop);
    Panel1->resize(panelWidth, std::max(0, ch - panelTop - 2));
    FLB1->resize(FLB1->width(), std::max(0, ch - boxTop - 2));
    SCRLB1->resize(std::max(0, cw - panelWidth - 2 - 4 - boxLeft), SCRLB1->height());
    SCRLB1->resize(SCRLB1->width(), std::max(0, ch - boxTop - 2));
}

void TForm1::ShowModeCaption() {
    setWindowTitle(QString::fromUtf8(ModeCaptions[Mode]));
}

void TForm1::Display(TColor value, const std::string& rgb) {
    FPictureColour.reset();
    const std::string integer = std::to_string(value);
    Edit41->SetColor(value);
    LV1->SetCaption(integer);
    LV2->SetCaption(rgb);
    SetSpokenName(*Edit41, SpokenColour("表示中の色", rgb, integer));
}

void TForm1::ShowColor(TColor value) {
    Display(value, RgbText(value));
}

void TForm1::ShowChannelColor() {
    const std::string blue = Named<TLabel>("Label0").Caption();
    const std::string green = Named<TLabel>("Label1").Caption();
    const std::string red = Named<TLabel>("Label2").Caption();
    const int b = StrToInt(blue);
    const int g = StrToInt(green);
    const int r = StrToInt(red);
    // The RGB text takes the label texts as they stand.
    Display(RGB(r, g, b), RgbText(red, green, blue));
}

void TForm1::ClEdtClick(TObject* Sender) {
    ShowColor(qobject_cast<TEdit*>(Sender)->Color());
    RememberPick(CurrentColour());
    Edit0->setFocus();
}

void TForm1::BtnCpyClick(TObject* Sender) {
    CopyText(Named<TLabel>("LV" + LastCharacterOfName(Sender)).Caption());
}

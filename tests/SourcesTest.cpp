// Pictures from the screen, the clipboard and dropped files: every format
// picked against ImageMagick's own decode, failures that say so and change
// nothing, the keys and the menu of the image mode.
#include "ColourProfileSupport.h"
#include "FormFixture.h"

#include <QDropEvent>
#include <QMenu>
#include <QTimer>
#include <QUrl>
#include <cstdlib>
#include <lcms2.h>
#include <map>
#include <sstream>

namespace fs = std::filesystem;

namespace {

bool HaveImageMagick() {
    return std::system("convert -version >/dev/null 2>&1") == 0;
}

// A 16-bit colour PPM whose channels are no multiples of 257, so that each
// narrows to 8 bits by rounding.
void WriteWidePpm(const fs::path& path, int width, int height) {
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << width << " " << height << "\n65535\n";
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < 3; ++c) {
                const unsigned v =
                    (unsigned(x) * 2741 + unsigned(y) * 1979 + unsigned(c) * 331) * 40503u % 65536u;
                out.put(char(v >> 8)).put(char(v & 0xFF));
            }
        }
    }
}

// A 16-bit PPM as ImageMagick writes it, each channel rounded to its nearest
// 8-bit value (ImageMagick's own narrowing truncates some).
Pnm ReadWidePpm(const fs::path& path) {
    const auto bytes = ReadFileBytes(path);
    std::istringstream in(
        std::string(bytes.begin(), bytes.begin() + std::min<std::size_t>(bytes.size(), 64)));
    std::string magic;
    int maxValue = 0;
    Pnm pnm;
    in >> magic >> pnm.Width >> pnm.Height >> maxValue;
    EXPECT_EQ(magic, "P6");
    EXPECT_EQ(maxValue, 65535);
    const std::uint8_t* p = bytes.data() + std::size_t(in.tellg()) + 1;
    auto nearest = [&](int c) {
        return int(((p[2 * c] << 8 | p[2 * c + 1]) * 255 + 32767) / 65535);
    };
    for (int i = 0; i < pnm.Width * pnm.Height; ++i, p += 6) {
        pnm.Pixels.push_back(RGB(nearest(0), nearest(1), nearest(2)));
    }
    return pnm;
}

class Sources : public Window {
protected:
    void SetUp() override {
        Window::SetUp();
        WriteFileBytes(Home / "bin/distinct.bmp", DistinctBmp(23, 17));
    }

    // Drops the file on the control as a file manager does.
    void Drop(const fs::path& file, QWidget* on = nullptr) {
        QWidget* target = on ? on : Form.get();
        auto* data = new QMimeData;
        data->setUrls({QUrl::fromLocalFile(QString::fromStdString(file.string()))});
        const QPointF at(target->width() / 2.0, target->height() / 2.0);
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, data, Qt::LeftButton, {});
        QApplication::sendEvent(target, &enter);
        ASSERT_TRUE(enter.isAccepted()) << "the drag is refused";
        QDropEvent drop(at, Qt::CopyAction, data, Qt::LeftButton, {});
        QApplication::sendEvent(target, &drop);
        delete data;
    }
    // The colour a pick at picture pixel (x, y) shows, at 100 %.
    TColor PickedAt(int x, int y) {
        Desktop.Cursor = Form->Img1->mapTo(Form.get(), QPoint(x, y));
        Form->Img1Click(Form->Img1);
        return Form->Edit41->Color();
    }
    // Picks every pixel and counts those unlike the reference (PPM).
    int Mismatches(const Pnm& reference, int tolerance = 0) {
        int wrong = 0;
        for (int y = 0; y < reference.Height; ++y) {
            for (int x = 0; x < reference.Width; ++x) {
                const TColor picked = PickedAt(x, y), wanted = reference.At(x, y);
                const bool near = std::abs(GetRValue(picked) - GetRValue(wanted)) <= tolerance &&
                                  std::abs(GetGValue(picked) - GetGValue(wanted)) <= tolerance &&
                                  std::abs(GetBValue(picked) - GetBValue(wanted)) <= tolerance;
                if (!near && ++wrong <= 3) {
                    ADD_FAILURE() << x << "," << y << ": " << std::hex << picked << " not "
                                  << wanted;
                }
            }
        }
        return wrong;
    }
    const TBitmap* Shown() { return Form->Img1->Bitmap(); }
};

} // namespace

TEST_F(Sources, DroppedPicturesOfEveryFormatPickLikeImageMagick) {
    if (!HaveImageMagick()) {
        GTEST_SKIP() << "ImageMagick is not installed";
    }
    const fs::path dir = Home / "drops";
    fs::create_directories(dir);
    WriteFileBytes(dir / "source.bmp", DistinctBmp(23, 17));
    WriteWidePpm(dir / "wide.ppm", 23, 17);
    // A mask that makes a third of the pixels transparent and some half.
    const std::string mask = "\\( -size 23x17 xc: -fx 'i%3==0 ? 0 : (j%2 ? 0.5 : 1)' \\)";
    struct Case {
        const char* File;
        std::string Make;  // ImageMagick's arguments after `convert`
        int Tolerance = 0; // ImageMagick's JPEG inverse transform is not ours: 2 levels apart
    };
    const std::string source = (dir / "source.bmp").string();
    const Case cases[] = {
        {"plain.bmp", source + " BMP3:"},
        {"photo.jpg", source + " -quality 100 -sampling-factor 1x1", 2},
        {"rgb.png", source + " PNG24:"},
        {"wide.png", (dir / "wide.ppm").string() + " -depth 16 PNG48:"},
        {"palette.png", source + " -colors 200 PNG8:"},
        {"alpha.png", source + " " + mask + " -alpha off -compose CopyOpacity -composite PNG32:"},
        {"wide-alpha.png", (dir / "wide.ppm").string() + " " + mask +
                               " -alpha off -compose CopyOpacity -composite -depth 16 PNG64:"},
        {"grey.png", source + " -colorspace Gray -depth 8 PNG:"},
        {"interlaced.png", source + " -interlace PNG PNG24:"},
        {"first-frame.gif", source + " \\( " + source + " -negate \\) -colors 250"},
        {"picture.tif", source + " -compress lzw"},
        {"wide.tiff", (dir / "wide.ppm").string() + " -depth 16"},
    };
    SwitchTo(0); // the first drop leads through the mode cycle
    for (const Case& c : cases) {
        SCOPED_TRACE(c.File);
        const fs::path file = dir / c.File;
        const std::string command =
            "convert " + c.Make + (c.Make.back() == ':' ? "" : " ") + file.string() + " 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        // ImageMagick's own reading of the file, the colour of every pixel
        // with any alpha left out, in 16 bits.
        const fs::path reference = dir / (std::string(c.File) + ".ppm");
        const std::string decode =
            "convert '" + file.string() + "[0]' -alpha off -depth 16 " + reference.string();
        ASSERT_EQ(std::system(decode.c_str()), 0) << decode;
        Drop(file);
        EXPECT_EQ(Form->Mode, 2);
        ASSERT_NE(Shown(), nullptr);
        ASSERT_EQ(Shown()->Width(), 23);
        EXPECT_EQ(Form->Label5->Caption(), "100");
        EXPECT_EQ(Mismatches(ReadWidePpm(reference), c.Tolerance), 0);
    }
    EXPECT_TRUE(Reports.empty()) << Reports.front();
    // WebP through Qt's writer, lossless: the source's own pixels come back.
    const QImage distinct(QString::fromStdString(source));
    ASSERT_TRUE(
        distinct.save(QString::fromStdString((dir / "lossless.webp").string()), "webp", 100));
    Drop(dir / "lossless.webp");
    ASSERT_NE(Shown(), nullptr);
    EXPECT_EQ(PickedAt(22, 16), Distinct(22, 16));
    EXPECT_EQ(PickedAt(5, 9), Distinct(5, 9));
}

TEST_F(Sources, TransparentPartsShowOverACheckerboardButPickTheirOwnColour) {
    QImage glass(16, 16, QImage::Format_ARGB32);
    glass.fill(qRgba(200, 10, 30, 0)); // fully transparent, its colour kept
    glass.setPixel(3, 3, qRgba(40, 50, 60, 255));
    const fs::path file = Home / "glass.png";
    ASSERT_TRUE(glass.save(QString::fromStdString(file.string())));
    SwitchTo(2);
    Drop(file);
    ASSERT_NE(Shown(), nullptr);
    EXPECT_EQ(PickedAt(0, 0), RGB(200, 10, 30));
    EXPECT_EQ(PickedAt(3, 3), RGB(40, 50, 60));
    const QImage painted = Form->Img1->grab().toImage();
    EXPECT_EQ(painted.pixel(3, 3), qRgb(40, 50, 60));
    EXPECT_EQ(painted.pixel(0, 0), qRgb(0xFF, 0xFF, 0xFF)); // a light square
    EXPECT_EQ(painted.pixel(8, 0), qRgb(0xCC, 0xCC, 0xCC)); // the dark one beside it
}

TEST_F(Sources, ADroppedFileThatCannotBeReadSaysSoAndChangesNothing) {
    WriteFileBytes(Home / "notes.txt", {'h', 'i'});
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(Qt::red);
    const QString whole = QString::fromStdString((Home / "whole.png").string());
    ASSERT_TRUE(picture.save(whole));
    auto bytes = ReadFileBytes(whole.toStdString());
    bytes.resize(bytes.size() / 2);
    WriteFileBytes(Home / "cut.png", bytes);

    Drop(Home / "notes.txt"); // in the palette mode: it stays there
    EXPECT_EQ(Form->Mode, 0);
    ASSERT_EQ(Reports.size(), 1u);
    EXPECT_NE(Reports[0].find("「notes.txt」を表示できません"), std::string::npos) << Reports[0];

    SwitchTo(2);
    Click(Form->FLB1->viewport(),
          Form->FLB1->visualRect(Form->FLB1->model()->index(0, 0)).center());
    ASSERT_NE(Shown(), nullptr);
    const TBitmap* before = Shown();
    const TColor beforePixel = before->Pixel(1, 1);
    Drop(Home / "cut.png");
    ASSERT_EQ(Reports.size(), 2u);
    EXPECT_NE(Reports[1].find("「cut.png」を表示できません"), std::string::npos) << Reports[1];
    ASSERT_NE(Shown(), nullptr);
    EXPECT_EQ(Shown()->Width(), 23);
    EXPECT_EQ(Shown()->Pixel(1, 1), beforePixel);
}

TEST_F(Sources, PasteShowsTheClipboardsPictureOrFileAndIgnoresText) {
    SwitchTo(2);
    Clipboard.Data.setText("8421504");
    Form->Edit0->setFocus();
    Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Shown(), nullptr);
    EXPECT_EQ(Form->Edit0->text(), ""); // the focus sink took no text either
    EXPECT_EQ(MenuFrom([&] { RightClick(Form->SCRLB1->viewport()); }),
              (std::vector<std::string>{"画面を取り込む", "貼り付け (disabled)", "",
                                        "キーボードで選ぶ (disabled)", "取る範囲", "", "色の管理",
                                        "", "画面から選ぶ"}));

    QImage image(9, 5, QImage::Format_RGB32);
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 9; ++x) {
            image.setPixel(x, y, ScreenColour(Distinct(x, y)));
        }
    }
    Clipboard.Data.setImageData(image);
    Key(Qt::Key_V, Qt::ControlModifier);
    ASSERT_NE(Shown(), nullptr);
    EXPECT_EQ(PickedAt(8, 4), Distinct(8, 4));
    EXPECT_TRUE(Reports.empty());

    QMimeData& copied = Clipboard.Data;
    copied.clear();
    copied.setUrls(
        {QUrl::fromLocalFile(QString::fromStdString((Home / "bin/distinct.bmp").string()))});
    EXPECT_EQ(MenuFrom([&] { RightClick(Form->Img1); }),
              (std::vector<std::string>{"画面を取り込む", "貼り付け", "", "キーボードで選ぶ",
                                        "取る範囲", "", "色空間: プロファイルなし (disabled)",
                                        "色の管理", "", "画面から選ぶ"}));
    Key(Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(Shown()->Width(), 23);
    EXPECT_EQ(PickedAt(20, 10), Distinct(20, 10));
}

TEST_F(Sources, CaptureStepsAsideAndShowsTheScreen) {
    QImage screen(64, 48, QImage::Format_RGB32);
    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 64; ++x) {
            screen.setPixel(x, y, ScreenColour(Distinct(x, y)));
        }
    }
    bool shownDuringCapture = true;
    int captures = 0;
    Desktop.Capture = [&](const QWidget& window) {
        ++captures;
        shownDuringCapture = window.isVisible();
        return screen;
    };
    Form->Edit0->setFocus();
    Key(Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier); // the palette mode: nothing
    EXPECT_EQ(captures, 0);

    SwitchTo(2);
    Key(Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(captures, 1);
    EXPECT_FALSE(shownDuringCapture);
    EXPECT_TRUE(Form->isVisible());
    ASSERT_NE(Shown(), nullptr);
    EXPECT_EQ(Shown()->Width(), 64);
    EXPECT_EQ(Form->Label5->Caption(), "100");
    Click(Form->Btn32); // 200 %: a pick is still the screen's pixel
    Desktop.Cursor = Form->Img1->mapTo(Form.get(), QPoint(2 * 37 + 1, 2 * 21));
    Form->Img1Click(Form->Img1);
    EXPECT_EQ(Form->Edit41->Color(), Distinct(37, 21));

    // A refusal is said; a cancelled capture changes nothing, silently: by
    // the capture's key here, by the screen pick's in the palette mode.
    auto refuseThenCancel = [&](Qt::Key key) {
        const std::size_t reported = Reports.size();
        Desktop.Capture = [](const QWidget&) -> QImage {
            throw Exception("画面を取り込めません: 断られました");
        };
        Key(key, Qt::ControlModifier | Qt::ShiftModifier);
        ASSERT_EQ(Reports.size(), reported + 1);
        EXPECT_NE(Reports.back().find("画面を取り込めません"), std::string::npos);
        Desktop.Capture = [](const QWidget&) -> QImage { throw EAbort("取り消し"); };
        Key(key, Qt::ControlModifier | Qt::ShiftModifier);
        EXPECT_EQ(Reports.size(), reported + 1);
        EXPECT_TRUE(Form->isVisible());
    };
    refuseThenCancel(Qt::Key_C);
    EXPECT_EQ(Shown()->Width(), 64);

    SwitchTo(0);
    Form->BtnCpy2->setFocus();
    const std::string colour = Form->LV2->Caption();
    const std::vector<TColor> recent = Form->RecentColours();
    refuseThenCancel(Qt::Key_P);
    EXPECT_EQ(Form->LV2->Caption(), colour);
    EXPECT_EQ(Form->RecentColours(), recent);
    EXPECT_FALSE(Form->ScreenPicking());
}

TEST_F(Sources, TheMenuOpensFromTheFileListByKeyboardOnly) {
    SwitchTo(2);
    Form->FLB1->setFocus();
    const std::vector<std::string> both{"画面を取り込む",
                                        "貼り付け (disabled)",
                                        "",
                                        "キーボードで選ぶ (disabled)",
                                        "取る範囲",
                                        "",
                                        "色の管理",
                                        "",
                                        "画面から選ぶ"};
    EXPECT_EQ(MenuFrom([&] { Key(Qt::Key_Menu, Qt::NoModifier); }), both);
    EXPECT_EQ(MenuFrom([&] { Key(Qt::Key_F10, Qt::ShiftModifier); }), both);
    EXPECT_TRUE(MenuFrom([&] { RightClick(Form->FLB1->viewport()); }).empty());
}

namespace {

class QtFormatCorpus : public testing::TestWithParam<CorpusFile> {};

std::vector<CorpusFile> QtFormatFiles() {
    std::vector<CorpusFile> files;
    for (const char* format : {"png/", "gif/", "webp/", "tiff/"}) {
        const auto some = Corpus(format);
        files.insert(files.end(), some.begin(), some.end());
    }
    return files;
}

} // namespace

// Every good file loads as a dropped one does and picks like ImageMagick's
// reading of it; a bad one may load what it can or fail with a message, but
// never crash, hang or take unbounded memory.
TEST_P(QtFormatCorpus, LoadsAndPicksLikeImageMagickOrFailsCleanly) {
    const CorpusFile& file = GetParam();
    const fs::path path = SharedTestData() / file.Path;
    TBitmap bitmap;
    std::string failure;
    try {
        TPicture picture;
        picture.LoadFromFile(path.string());
        bitmap.Assign(*picture.Graphic());
    } catch (const Exception& e) {
        failure = e.Message();
    }
    if (file.Group.find("/good") == std::string::npos) {
        return;
    }
    ASSERT_EQ(failure, "");
    // Files the two readers disagree on, and why; they need only load.
    static const std::map<std::string, std::string> disagreements{
        {"tiff/good/imagetiff_minisblack-2c-8b-alpha.tiff",
         "ImageMagick 6.9 gives a grey picture with alpha a green tint"},
    };
    if (!HaveImageMagick() || disagreements.count(file.Path)) {
        return;
    }
    TempFolder folder;
    const fs::path reference = folder / "reference.ppm";
    const std::string decode = "convert '" + path.string() +
                               "[0]' -strip -set colorspace sRGB -alpha off -depth 16 " +
                               reference.string() + " 2>/dev/null";
    if (std::system(decode.c_str()) != 0) {
        return; // ImageMagick cannot read it either
    }
    const Pnm wanted = ReadWidePpm(reference);
    ASSERT_EQ(bitmap.Width(), wanted.Width);
    ASSERT_EQ(bitmap.Height(), wanted.Height);
    // A fully transparent pixel keeps its colour in a PNG; Qt's readers of
    // the other formats keep none for some (a palette's transparent entry).
    // TIFF palettes hold 16-bit entries, which Qt's reader cuts to 8 bits
    // where ImageMagick rounds them: one level apart.
    const TBitmapImage& image = *bitmap.Image();
    const bool png = file.Path.rfind("png/", 0) == 0;
    const int tolerance = file.Path.rfind("tiff/", 0) == 0 ? 1 : 0;
    int wrong = 0;
    for (int y = 0; y < wanted.Height; ++y) {
        for (int x = 0; x < wanted.Width; ++x) {
            if (!png && image.AlphaChannel && image.ScanLine(y)[x * 4 + 3] == 0) {
                continue;
            }
            const TColor a = bitmap.Pixel(x, y), b = wanted.At(x, y);
            const bool near = std::abs(GetRValue(a) - GetRValue(b)) <= tolerance &&
                              std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
                              std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
            if (!near && ++wrong <= 3) {
                ADD_FAILURE() << x << "," << y << ": " << std::hex << a << " not " << b;
            }
        }
    }
    EXPECT_EQ(wrong, 0) << "of " << wanted.Width * wanted.Height;
}

INSTANTIATE_TEST_SUITE_P(Shared, QtFormatCorpus, testing::ValuesIn(QtFormatFiles()),
                         CorpusTestName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(QtFormatCorpus);

// A picture with a colour profile shows as Little CMS draws it for sRGB and
// picks its own colour, which the colour menu also tells unclipped with the
// stored numbers; its menu names the colour space, and 色の管理 turned off
// shows and picks the stored numbers as an untagged picture's.
TEST_F(Sources, APictureWithAProfileShowsAndPicksInItsOwnColours) {
    const auto icc = DisplayP3Icc();
    const fs::path file = Home / "p3.bmp";
    WriteFileBytes(file, V5Bitmap(EmbeddedProfile, icc));
    Drop(file);
    ASSERT_NE(Shown(), nullptr);
    const TBitmap& stored = Form->StoredPicture();
    // The drawn picture: Little CMS's own 8-bit conversion, within a level.
    cmsHPROFILE p3 = cmsOpenProfileFromMem(icc.data(), cmsUInt32Number(icc.size()));
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsHTRANSFORM screen =
        cmsCreateTransform(p3, TYPE_RGB_8, srgb, TYPE_RGB_8, INTENT_RELATIVE_COLORIMETRIC, 0);
    const QImage drawn = Form->Img1->grab().toImage();
    int far = 0;
    const TLcmsPick exact(icc);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 4; ++x) {
            const TColor s = stored.Pixel(x, y);
            const std::uint8_t in[3] = {std::uint8_t(GetRValue(s)), std::uint8_t(GetGValue(s)),
                                        std::uint8_t(GetBValue(s))};
            std::uint8_t out[3];
            cmsDoTransform(screen, in, out, 1);
            const QColor shown = drawn.pixelColor(x, y);
            far += std::abs(shown.red() - out[0]) > 1 || std::abs(shown.green() - out[1]) > 1 ||
                   std::abs(shown.blue() - out[2]) > 1;
            const TRgb8 wanted = exact({in[0] / 255.0, in[1] / 255.0, in[2] / 255.0});
            EXPECT_EQ(PickedAt(x, y), RGB(wanted.R, wanted.G, wanted.B)) << x << "," << y;
        }
    }
    cmsDeleteTransform(screen);
    cmsCloseProfile(srgb);
    cmsCloseProfile(p3);
    EXPECT_EQ(far, 0);

    PickedAt(0, 1);
    EXPECT_EQ(Form->LV2->Caption(), "RGB(55, 206, 203)");
    const auto menu = MenuFrom([&] { RightClick(Form->Edit41); });
    const std::vector<std::string> own(menu.begin() + 16, menu.begin() + 20);
    EXPECT_EQ(own, (std::vector<std::string>{"", "画像の色 (Display P3) (disabled)",
                                             // the profile's numbers, rounded to 16 bits
                                             "color(display-p3 0.4117 0.7961 0.7921)",
                                             "画像の値 RGB(105, 203, 202)"}));
    ASSERT_TRUE(ChooseFromMenu([&] { RightClick(Form->LV2); }, {"画像の値 RGB(105, 203, 202)"}));
    EXPECT_EQ(Clipboard.Text, "RGB(105, 203, 202)");
    EXPECT_NE(Form->Img1->accessibleName().toStdString().find("Display P3"), std::string::npos);

    const auto pictureMenu = MenuFrom([&] { RightClick(Form->Img1); });
    EXPECT_NE(std::find(pictureMenu.begin(), pictureMenu.end(), "色空間: Display P3 (disabled)"),
              pictureMenu.end());
    ASSERT_TRUE(ChooseFromMenu([&] { RightClick(Form->Img1); }, {"色の管理"}));
    EXPECT_FALSE(Form->ColourManaged());
    EXPECT_EQ(PickedAt(0, 1), RGB(105, 203, 202));
    EXPECT_EQ(Form->Img1->grab().toImage().pixelColor(0, 1), QColor(105, 203, 202));
    const auto plain = MenuFrom([&] { RightClick(Form->Edit41); });
    EXPECT_EQ(plain.at(16), ""); // no picture's own colour: the separator
    ASSERT_TRUE(ChooseFromMenu([&] { RightClick(Form->Img1); }, {"色の管理"}));
    EXPECT_EQ(PickedAt(0, 1), RGB(55, 206, 203));
}

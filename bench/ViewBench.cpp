// The eyedropper's view and the file list, measured in the same run as their
// floors:
//   Paint800 / Paint30 / Paint10: one 1920 x 1080 exposed area of a view of a
//     6000 x 4000 picture at 800 %, 30 % and 10 % (at 10 % the whole view is
//     only 600 x 400), painted from the bitmap; floor PaintFloor, a plain
//     memcpy of the same 1920 x 1080 output pixels;
//   Paint800P3 / Paint10P3: the 800 % and 10 % areas of a picture tagged
//     Display P3, converted for the screen as they are painted;
//   Paint800Ratio2: the same logical area at a device pixel ratio of 2, so
//     3840 x 2160 device pixels of a view twice as large; floor
//     PaintFloorRatio2, a memcpy of those device pixels;
//   WindowRepaint800: the same area through the real window (offscreen), Qt's
//     drawing of the painted pixels included (bench/run.sh runs it and Pick
//     again at QT_SCALE_FACTOR=2);
//   Pick: one eyedropper click handled by the window (cursor mapping, pixel
//     read, the colour shown);
//   KeyMove800: one arrow key at 800 %, the pick and the repaint of what
//     changed, against one repaint of the 1920 x 1080 view, same iterations;
//   SampledPick101: one 101 x 101 average anywhere in the picture;
//   ClickJpeg: a click on the name of a 24-megapixel JPEG photo (4:2:0,
//     quality 90) in the file list until the picture is shown, the handler
//     and the first paint, against libjpeg's one-pass decode of the same file
//     into memory already faulted in, timed in the same iterations;
//   DropPng: the photo as a 24-megapixel PNG dropped on the window until the
//     picture is shown, against libpng's own decode of the same file into
//     memory already faulted in, timed in the same iterations;
//   ListFolder: the file list reading a folder of 10,000 files; floor
//     ScanFolder, a plain readdir of the same folder with the same three
//     patterns and the same plain-file test.
// The peak resident memory with the picture loaded and shown at 800 % is
// reported by Pick as peak_rss_over_bitmap_MiB. bench/run.sh prints ratios.

#include "Application.h"
#include "BenchPhoto.h"
#include "ColourProfile.h"
#include "FileListBox.h"
#include "JPEGImage.h"
#include "PNGImage.h"
#include "QtImage.h"
#include "Sample.h"
#include "StretchDraw.h"
#include "Unit1.h"

#include <QDropEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>
#include <QUrl>
#include <benchmark/benchmark.h>

#include <cstring>
#include <dirent.h>
#include <filesystem>
#include <fnmatch.h>
#include <fstream>
#include <png.h>
#include <sys/stat.h>

namespace {

constexpr int PictureWidth = 6000;
constexpr int PictureHeight = 4000;
constexpr int AreaWidth = 1920;
constexpr int AreaHeight = 1080;

std::filesystem::path Folder() {
    static const std::filesystem::path folder = [] {
        char pattern[] = "/tmp/irochi-view-bench-XXXXXX";
        return std::filesystem::path(mkdtemp(pattern));
    }();
    return folder;
}

// A 24-bit 6000 x 4000 BMP with some texture, written once.
std::filesystem::path PictureFile() {
    static const std::filesystem::path path = [] {
        const auto file = Folder() / "pictures/photo.bmp";
        std::filesystem::create_directories(file.parent_path());
        std::ofstream out(file, std::ios::binary);
        const std::uint32_t rowBytes = PictureWidth * 3;
        auto le = [&](std::uint32_t v, int n) {
            for (int i = 0; i < n; ++i)
                out.put(char(v >> (8 * i)));
        };
        out.put('B');
        out.put('M');
        le(54 + rowBytes * PictureHeight, 4), le(0, 4), le(54, 4), le(40, 4), le(PictureWidth, 4);
        le(PictureHeight, 4), le(1, 2), le(24, 2), le(0, 4), le(0, 4), le(0, 4), le(0, 4);
        le(0, 4), le(0, 4);
        std::vector<char> row(rowBytes);
        for (int y = 0; y < PictureHeight; ++y) {
            for (std::size_t i = 0; i < row.size(); ++i) {
                row[i] = char((i * 7 + std::size_t(y) * 3) & 0xFF);
            }
            out.write(row.data(), std::streamsize(row.size()));
        }
        return file;
    }();
    return path;
}

const TBitmap& Picture() {
    static const TBitmap bitmap = [] {
        TBitmap b;
        b.LoadFromFile(PictureFile().string());
        return b;
    }();
    return bitmap;
}

// Output for `ratio` device pixels per logical pixel, faulted in once.
std::vector<std::uint32_t>& Output(int ratio = 1) {
    static std::vector<std::uint32_t> out1(std::size_t(AreaWidth) * AreaHeight, 1);
    static std::vector<std::uint32_t> out2(std::size_t(AreaWidth) * AreaHeight * 4, 1);
    return ratio == 1 ? out1 : out2;
}

void Floor(benchmark::State& state, int ratio) {
    const std::vector<std::uint32_t> source(Output(ratio).size(), 7);
    for (auto _ : state) {
        std::memcpy(Output(ratio).data(), source.data(), source.size() * 4);
        benchmark::ClobberMemory();
    }
}
void PaintFloor(benchmark::State& state) {
    Floor(state, 1);
}
void PaintFloorRatio2(benchmark::State& state) {
    Floor(state, 2);
}

// A logical 1920 x 1080 area in the middle of the view, painted in device
// pixels: at a ratio of 2 the view and the area are twice as wide and high.
void Paint(benchmark::State& state, int percent, int ratio = 1,
           const TColourProfile* shownThrough = nullptr) {
    const TBitmapImage& image = *Picture().Image();
    const int vw = PictureWidth * percent / 100 * ratio;
    const int vh = PictureHeight * percent / 100 * ratio;
    const int aw = AreaWidth * ratio;
    const int ah = AreaHeight * ratio;
    const TViewRect area{std::max(0, (vw - aw) / 2), std::max(0, (vh - ah) / 2), aw, ah};
    TStretchScratch scratch;
    for (auto _ : state) {
        StretchDraw(image, vw, vh, area, Output(ratio).data(), std::size_t(aw), scratch,
                    shownThrough);
        benchmark::ClobberMemory();
    }
}

void Paint800(benchmark::State& s) {
    Paint(s, 800);
}
void Paint30(benchmark::State& s) {
    Paint(s, 30);
}
void Paint10(benchmark::State& s) {
    Paint(s, 10);
}
void Paint800Ratio2(benchmark::State& s) {
    Paint(s, 800, 2);
}
void Paint800P3(benchmark::State& s) {
    Paint(s, 800, 1, TColourProfile::FromCicp(12, 13, 0, true).get());
}
void Paint10P3(benchmark::State& s) {
    Paint(s, 10, 1, TColourProfile::FromCicp(12, 13, 0, true).get());
}

// The program's folder, where "pixdir.txt" is looked for, is `folder`.
class BenchDesktop : public TDesktop {
public:
    explicit BenchDesktop(std::string folder) : FFolder(std::move(folder)) {}
    std::string ExecutablePath() const override { return (Folder() / FFolder / "irochi").string(); }
    QPoint CursorPos(const QWidget&) const override { return Cursor; }
    QPoint Cursor;

private:
    std::string FFolder;
};

class NoClipboard : public TClipboard {
public:
    bool ReplaceText(const std::string&) override { return true; }
};

std::uint64_t PeakResidentBytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stoull(line.substr(6)) * 1024;
        }
    }
    return 0;
}

// The window in the image mode with the picture loaded and zoomed to 800 %,
// its scroll box showing at least a 1920 x 1080 area.
struct ShownPicture {
    NoClipboard Clipboard;
    BenchDesktop Desktop{"pictures"};
    TForm1 Form{Clipboard, Desktop};

    ShownPicture() {
        PictureFile();
        Form.resize(2100, 1250);
        Form.show();
        if (!QTest::qWaitForWindowExposed(&Form)) {
            throw std::runtime_error("the window was not shown");
        }
        for (int i = 0; i < 2; ++i) {
            Form.BtnSWTCH->click();
        }
        Form.FLB1->SetItemIndex(0);
        for (int i = 0; i < 7; ++i) {
            Form.Btn32->click();
        }
        QCoreApplication::processEvents();
    }
};

// Made on first use and destroyed by main while the application still exists.
std::unique_ptr<ShownPicture> TheShownPicture;

ShownPicture& Shown() {
    if (!TheShownPicture) {
        TheShownPicture = std::make_unique<ShownPicture>();
    }
    return *TheShownPicture;
}

const std::vector<std::uint8_t>& PhotoJpeg() {
    static const std::vector<std::uint8_t> bytes = CompressPhoto(false, false);
    return bytes;
}

// The window in the image mode, its file list showing the photo as a JPEG
// file, alone in its folder.
struct ListedPhoto {
    NoClipboard Clipboard;
    BenchDesktop Desktop{"photos"};
    TForm1 Form{Clipboard, Desktop};

    ListedPhoto() {
        std::filesystem::create_directories(Folder() / "photos");
        std::ofstream(Folder() / "photos/photo.jpg", std::ios::binary)
            .write(reinterpret_cast<const char*>(PhotoJpeg().data()),
                   std::streamsize(PhotoJpeg().size()));
        Form.show();
        if (!QTest::qWaitForWindowExposed(&Form)) {
            throw std::runtime_error("the window was not shown");
        }
        for (int i = 0; i < 2; ++i) {
            Form.BtnSWTCH->click();
        }
    }
};

std::unique_ptr<ListedPhoto> TheListedPhoto;

// Against the physical floor in the same iterations.
void ClickJpeg(benchmark::State& state) {
    TheListedPhoto = std::make_unique<ListedPhoto>();
    TForm1& form = TheListedPhoto->Form;
    AgainstFloor(
        state,
        [&] {
            form.FLB1->SetItemIndex(-1); // no click: the next selection is one
            form.FLB1->SetItemIndex(0);
            QCoreApplication::processEvents();
        },
        [&] {
            const OrdinaryPages ordinary;
            DecodeWithLibjpeg(PhotoJpeg(), false, Output::Faulted);
        });
    if (!form.Img1->Bitmap() || form.Img1->Bitmap()->Width() != PhotoWidth) {
        state.SkipWithError("the photo was not shown");
    }
    TheListedPhoto.reset();
}

// The photo as a PNG file (8-bit RGB, zlib's default level), written once.
const std::filesystem::path& PhotoPng() {
    static const std::filesystem::path path = [] {
        const auto file = Folder() / "photos/photo.png";
        std::filesystem::create_directories(file.parent_path());
        std::FILE* out = std::fopen(file.c_str(), "wb");
        png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        png_init_io(png, out);
        png_set_IHDR(png, info, PhotoWidth, PhotoHeight, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        png_set_bgr(png); // the rows are blue, green, red
        for (int y = 0; y < PhotoHeight; ++y) {
            png_write_row(png, PhotoRow(y).data());
        }
        png_write_end(png, info);
        png_destroy_write_struct(&png, &info);
        std::fclose(out);
        return file;
    }();
    return path;
}

// libpng decoding the file, row by row, into memory already faulted in.
void DecodeWithLibpng(const std::filesystem::path& file) {
    std::FILE* in = std::fopen(file.c_str(), "rb");
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, in);
    png_read_info(png, info);
    const std::size_t stride = png_get_rowbytes(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    std::uint8_t* out = FaultedOutput(stride * height);
    for (png_uint_32 y = 0; y < height; ++y) {
        png_read_row(png, out + stride * y, nullptr);
    }
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(in);
    benchmark::DoNotOptimize(out);
}

void DropPng(benchmark::State& state) {
    std::string failure;
    TApplication::SetExceptionReporter(
        [&](const std::string&, const std::string& text) { failure = text; });
    TheListedPhoto = std::make_unique<ListedPhoto>();
    TForm1& form = TheListedPhoto->Form;
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(PhotoPng().string()))});
    const QPointF at(form.width() / 2.0, form.height() / 2.0);
    AgainstFloor(
        state,
        [&] {
            // Qt delivers a drop to the widget that took the drag's entry.
            QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, {});
            QCoreApplication::sendEvent(&form, &enter);
            QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, {});
            QCoreApplication::sendEvent(&form, &drop);
            QCoreApplication::processEvents();
        },
        [&] { DecodeWithLibpng(PhotoPng()); });
    if (!form.Img1->Bitmap() || form.Img1->Bitmap()->Width() != PhotoWidth) {
        failure = "the photo was not shown: " + failure;
        state.SkipWithError(failure.c_str());
    }
    TheListedPhoto.reset();
    TApplication::SetExceptionReporter(nullptr);
}

void WindowRepaint800(benchmark::State& state) {
    TForm1& form = Shown().Form;
    const QRect area(QPoint(20000, 15000), QSize(AreaWidth, AreaHeight));
    form.SCRLB1->horizontalScrollBar()->setValue(area.x());
    form.SCRLB1->verticalScrollBar()->setValue(area.y());
    QCoreApplication::processEvents();
    for (auto _ : state) {
        form.Img1->repaint(area);
    }
    state.counters["device_pixel_ratio"] = form.devicePixelRatioF();
    state.counters["viewport_w"] = form.SCRLB1->viewport()->width();
    state.counters["viewport_h"] = form.SCRLB1->viewport()->height();
}

// One arrow key on the focus sink at 800 %, as the window gets it: the pick
// cursor moves a pixel, picks, and what changed is repainted; against one
// repaint of the same 1920 x 1080 view in the same iterations.
void KeyMove800(benchmark::State& state) {
    TForm1& form = Shown().Form;
    const QRect area(QPoint(20000, 15000), QSize(AreaWidth, AreaHeight));
    form.SCRLB1->horizontalScrollBar()->setValue(area.x());
    form.SCRLB1->verticalScrollBar()->setValue(area.y());
    const TViewRect view = form.Img1->DeviceView();
    Shown().Desktop.Cursor = {view.Left + area.center().x(), view.Top + area.center().y()};
    form.Img1Click(form.Img1);
    form.Edit0->setFocus();
    QCoreApplication::processEvents();
    int step = 0;
    AgainstFloor(
        state,
        [&] {
            const Qt::Key key = (step++ & 1) ? Qt::Key_Left : Qt::Key_Right;
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
            QApplication::sendEvent(form.Edit0, &press);
            QCoreApplication::processEvents();
        },
        [&] { form.Img1->repaint(area); });
    if (form.SCRLB1->horizontalScrollBar()->value() != area.x()) {
        state.SkipWithError("the view scrolled");
    }
}

// A 101 x 101 sampled pick anywhere in the 24-megapixel picture.
void SampledPick101(benchmark::State& state) {
    const TBitmapImage& image = *Shown().Form.Img1->Bitmap()->Image();
    int i = 0;
    for (auto _ : state) {
        const int x = (i * 7919) % image.Width();
        const int y = (i++ * 104729) % image.Height();
        benchmark::DoNotOptimize(SampledPixel(image, x, y, 101));
    }
}

void Pick(benchmark::State& state) {
    TForm1& form = Shown().Form;
    const TViewRect view = form.Img1->DeviceView();
    int i = 0;
    for (auto _ : state) {
        Shown().Desktop.Cursor = {view.Left + 20000 + (i++ & 1023), view.Top + 15000};
        form.Img1Click(form.Img1);
    }
    const double bitmapBytes = double(form.Img1->Bitmap()->Image()->ByteSize());
    state.counters["peak_rss_over_bitmap_MiB"] =
        (double(PeakResidentBytes()) - bitmapBytes) / 1048576.0;
    state.counters["zoom_percent"] = std::stoi(form.Label5->Caption());
    state.counters["device_pixel_ratio"] = form.devicePixelRatioF();
}

// 10,000 files: a mix of .bmp, .jpg, .JPG, .jpeg, .png and .txt.
std::string ManyFiles() {
    static const std::string folder = [] {
        const auto path = Folder() / "many";
        std::filesystem::create_directories(path);
        const char* extensions[] = {".bmp", ".jpg", ".JPG", ".jpeg", ".png", ".txt"};
        for (int i = 0; i < 10000; ++i) {
            std::ofstream(path / ("file" + std::to_string(i * 7919 % 10007) + extensions[i % 6]));
        }
        return path.string();
    }();
    return folder;
}

void ScanFolder(benchmark::State& state) {
    const std::string folder = ManyFiles();
    const char* patterns[] = {"*.bmp", "*.jpg", "*.jpeg"};
    std::size_t count = 0;
    for (auto _ : state) {
        count = 0;
        DIR* dir = opendir(folder.c_str());
        while (const dirent* entry = readdir(dir)) {
            if (entry->d_name[0] == '.' || entry->d_type != DT_REG) {
                continue;
            }
            for (const char* pattern : patterns) {
                count += fnmatch(pattern, entry->d_name, FNM_CASEFOLD) == 0;
            }
        }
        closedir(dir);
        benchmark::DoNotOptimize(count);
    }
    state.counters["files"] = double(count);
}

void ListFolder(benchmark::State& state) {
    TFileListBox list(nullptr);
    list.SetMask("*.bmp;*.jpg;*.jpeg");
    list.SetDirectory(ManyFiles());
    for (auto _ : state) {
        list.Update();
    }
    state.counters["files"] = list.Count();
}

} // namespace

BENCHMARK(PaintFloor)->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(Paint800)->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(Paint30)->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(Paint10)->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(Paint800P3)->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(Paint10P3)->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(PaintFloorRatio2)->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(Paint800Ratio2)->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(WindowRepaint800)->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(KeyMove800)->Unit(benchmark::kMillisecond)->MinTime(0.5)->UseManualTime();
BENCHMARK(SampledPick101)->Unit(benchmark::kMicrosecond)->MinTime(0.2);
BENCHMARK(Pick)->Unit(benchmark::kMicrosecond)->MinTime(0.2);
BENCHMARK(ClickJpeg)->Unit(benchmark::kMillisecond)->MinTime(1)->UseManualTime();
BENCHMARK(DropPng)->Unit(benchmark::kMillisecond)->MinTime(2)->UseManualTime();
BENCHMARK(ScanFolder)->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(ListFolder)->Unit(benchmark::kMillisecond)->MinTime(0.5);

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    int qtArgc = 1;
    TApplication application(qtArgc, argv);
    RegisterJPEGFormat();
    RegisterQtImageFormats();
    RegisterPNGFormat();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    TheShownPicture.reset();
    std::filesystem::remove_all(Folder());
    return 0;
}

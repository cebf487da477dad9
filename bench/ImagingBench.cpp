// Loading speed of the pictures library against floors measured in the same
// run, on generated 6000 x 4000 pictures. Two floors for each load:
//   physical: the same work into output memory that was allocated and
//             touched before the clock started (libjpeg's own working
//             buffers fresh, on ordinary pages), file data in the page cache;
//   fresh:    the same work into freshly allocated ordinary memory, as a
//             plain program would do it (the floor of earlier rounds).
// Loads:
//   BmpLoad          a 72 MB 24-bit BMP file read into a bitmap, against the
//                    physical floor in the same iterations;
//   JpegDecode       a baseline colour JPEG (4:2:0, quality 90) decoded into a
//                    bitmap as the program does: in bands on every usable core;
//   JpegDecodeInBands/n  the same forced into n bands (1 is one pass);
//   GreyJpegDecode   a grey JPEG decoded and quantised to 236 colours;
//   ProgressiveJpegDecode  a progressive colour JPEG.
// LoadTenPictures loads ten pictures one after another, keeping only the last,
// and reports how far the resident set grew beyond one picture's bitmap.
// bench/run.sh prints the ratios.

#include "BenchPhoto.h"
#include "Bitmap.h"
#include "JPEGBands.h"
#include "JPEGDecoder.h"
#include "JPEGImage.h"
#include "LargeMemory.h"
#include "Picture.h"
#include "Stream.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {

struct Files {
    std::filesystem::path Folder;
    std::filesystem::path Bmp;
    std::filesystem::path Jpeg;
    std::vector<std::uint8_t> JpegBytes;
    std::vector<std::uint8_t> GreyBytes;
    std::vector<std::uint8_t> ProgressiveBytes;

    Files() {
        char pattern[] = "/tmp/irochi-bench-XXXXXX";
        Folder = mkdtemp(pattern);
        Bmp = Folder / "photo.bmp";
        Jpeg = Folder / "photo.jpg";
        WriteBmp();
        JpegBytes = CompressPhoto(false, false);
        GreyBytes = CompressPhoto(true, false);
        ProgressiveBytes = CompressPhoto(false, true);
        std::ofstream(Jpeg, std::ios::binary)
            .write(reinterpret_cast<const char*>(JpegBytes.data()),
                   std::streamsize(JpegBytes.size()));
    }
    ~Files() { std::filesystem::remove_all(Folder); }

    void WriteBmp() const {
        std::ofstream out(Bmp, std::ios::binary);
        const std::uint32_t rowBytes = PhotoWidth * 3; // already a multiple of 4
        const std::uint32_t size = 54 + rowBytes * PhotoHeight;
        auto le = [&](std::uint32_t v, int n) {
            for (int i = 0; i < n; ++i)
                out.put(char(v >> (8 * i)));
        };
        out.put('B');
        out.put('M');
        le(size, 4), le(0, 4), le(54, 4), le(40, 4), le(PhotoWidth, 4), le(PhotoHeight, 4),
            le(1, 2);
        le(24, 2), le(0, 4), le(0, 4), le(0, 4), le(0, 4), le(0, 4), le(0, 4);
        for (int y = PhotoHeight - 1; y >= 0; --y) {
            const auto row = PhotoRow(y);
            out.write(reinterpret_cast<const char*>(row.data()), std::streamsize(row.size()));
        }
    }
};

Files& TestFiles() {
    static Files files;
    return files;
}

void Decode(const std::vector<std::uint8_t>& bytes, TJPEGPixelFormat format) {
    TMemoryStream stream(bytes.data(), bytes.size());
    TJPEGImage jpeg;
    jpeg.SetPixelFormat(format);
    jpeg.LoadFromStream(stream);
    TBitmap bitmap;
    bitmap.Assign(jpeg);
    benchmark::DoNotOptimize(bitmap.Image()->Bits());
}

void BmpFreshFloor(benchmark::State& state) {
    const auto size = std::filesystem::file_size(TestFiles().Bmp);
    for (auto _ : state) {
        std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[size]);
        std::FILE* f = std::fopen(TestFiles().Bmp.c_str(), "rb");
        benchmark::DoNotOptimize(std::fread(buffer.get(), 1, size, f));
        std::fclose(f);
        benchmark::ClobberMemory();
    }
}

// Against reading the file into faulted memory in the same iterations, so
// that both meet the page cache and the processor's caches alike.
void BmpLoad(benchmark::State& state) {
    const auto size = std::filesystem::file_size(TestFiles().Bmp);
    std::uint8_t* out = FaultedOutput(size);
    AgainstFloor(
        state,
        [&] {
            TBitmap bitmap;
            bitmap.LoadFromFile(TestFiles().Bmp.string());
            benchmark::DoNotOptimize(bitmap.Image()->Bits());
        },
        [&] {
            const int f = ::open(TestFiles().Bmp.c_str(), O_RDONLY);
            benchmark::DoNotOptimize(::pread(f, out, size, 0));
            ::close(f);
            benchmark::ClobberMemory();
        });
}

template <bool Quantise, Output Memory> void Floor(benchmark::State& state, int which) {
    const auto& files = TestFiles();
    const auto& bytes = which == 0   ? files.JpegBytes
                        : which == 1 ? files.GreyBytes
                                     : files.ProgressiveBytes;
    const OrdinaryPages ordinary;
    for (auto _ : state) {
        DecodeWithLibjpeg(bytes, Quantise, Memory);
    }
}

void JpegFloor(benchmark::State& s) {
    Floor<false, Output::Faulted>(s, 0);
}
void JpegFreshFloor(benchmark::State& s) {
    Floor<false, Output::Fresh>(s, 0);
}
void GreyJpegFloor(benchmark::State& s) {
    Floor<true, Output::Faulted>(s, 1);
}
void GreyJpegFreshFloor(benchmark::State& s) {
    Floor<true, Output::Fresh>(s, 1);
}
void ProgressiveJpegFloor(benchmark::State& s) {
    Floor<false, Output::Faulted>(s, 2);
}
void ProgressiveJpegFreshFloor(benchmark::State& s) {
    Floor<false, Output::Fresh>(s, 2);
}

void JpegDecode(benchmark::State& state) {
    for (auto _ : state) {
        Decode(TestFiles().JpegBytes, TJPEGPixelFormat::Bit24);
    }
}

// Against the physical floor in the same iterations; the bitmap of one
// iteration is freed in the next, as a new picture replaces the shown one.
void JpegDecodeInBands(benchmark::State& state) {
    const auto& bytes = TestFiles().JpegBytes;
    int used = 0;
    std::shared_ptr<TBitmapImage> image;
    AgainstFloor(
        state,
        [&] {
            image.reset();
            image = DecodeJPEG(bytes.data(), bytes.size(), false, {int(state.range(0)), &used});
        },
        [&] {
            const OrdinaryPages ordinary;
            DecodeWithLibjpeg(bytes, false, Output::Faulted);
        });
    state.counters["bands"] = used;
}

// A grey file is quantised whatever the screen: 8 bits with a colour table.
void GreyJpegDecode(benchmark::State& state) {
    for (auto _ : state) {
        Decode(TestFiles().GreyBytes, TJPEGPixelFormat::Bit24);
    }
}

void ProgressiveJpegDecode(benchmark::State& state) {
    for (auto _ : state) {
        Decode(TestFiles().ProgressiveBytes, TJPEGPixelFormat::Bit24);
    }
}

std::uint64_t ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    std::uint64_t size = 0, resident = 0;
    statm >> size >> resident;
    return resident * std::uint64_t(sysconf(_SC_PAGESIZE));
}

// Ten 24-megapixel pictures loaded one after another through the picture
// object, as the file list does; only the last is kept.
void LoadTenPictures(benchmark::State& state) {
    RegisterJPEGFormat();
    double growth = 0;
    for (auto _ : state) {
        const std::uint64_t before = ResidentBytes();
        std::uint64_t peak = before;
        TBitmap shown;
        for (int i = 0; i < 10; ++i) {
            TPicture picture;
            picture.LoadFromFile(i % 2 ? TestFiles().Jpeg.string() : TestFiles().Bmp.string());
            TBitmap bitmap;
            bitmap.Assign(*picture.Graphic());
            shown = TBitmap();
            shown.Assign(bitmap);
            peak = std::max(peak, ResidentBytes());
        }
        const double picture = double(shown.Image()->ByteSize());
        growth = (double(ResidentBytes()) - double(before) - picture) / 1048576.0;
        state.counters["peak_over_one_picture_MiB"] =
            (double(peak) - double(before) - picture) / 1048576.0;
    }
    UnregisterJPEGFormat();
    state.counters["resident_over_one_picture_MiB"] = growth;
}

// Loads through the picture object as the file list does and keeps the
// result, then counts the copies of the pixel data still alive.
void JpegPixelCopiesAfterConversion(benchmark::State& state) {
    RegisterJPEGFormat();
    double copies = 0;
    for (auto _ : state) {
        TPicture shown;
        {
            TPicture picture;
            picture.LoadFromFile(TestFiles().Jpeg.string());
            TBitmap bitmap;
            bitmap.Assign(*picture.Graphic());
            shown.SetBitmap(bitmap);
        }
        const auto& kept = dynamic_cast<const TBitmap&>(*shown.Graphic());
        copies = double(TBitmapImage::LiveBytes()) / double(kept.Image()->ByteSize());
    }
    UnregisterJPEGFormat();
    state.counters["pixel_copies"] = copies;
}

} // namespace

BENCHMARK(BmpFreshFloor)->Unit(benchmark::kMillisecond)->MinTime(1);
BENCHMARK(BmpLoad)->Unit(benchmark::kMillisecond)->MinTime(1)->UseManualTime();
BENCHMARK(JpegFloor)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(JpegFreshFloor)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(JpegDecode)->Unit(benchmark::kMillisecond)->MinTime(2);
// One pass, two bands, and one band per usable core where there are more.
BENCHMARK(JpegDecodeInBands)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2)
    ->UseManualTime()
    ->Apply([](auto* b) {
        b->Arg(1)->Arg(2);
        if (UsableCores() > 2) {
            b->Arg(UsableCores());
        }
    });
BENCHMARK(GreyJpegFloor)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(GreyJpegFreshFloor)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(GreyJpegDecode)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(ProgressiveJpegFloor)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(ProgressiveJpegFreshFloor)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(ProgressiveJpegDecode)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(LoadTenPictures)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(JpegPixelCopiesAfterConversion)->Unit(benchmark::kMillisecond)->Iterations(2);

BENCHMARK_MAIN();

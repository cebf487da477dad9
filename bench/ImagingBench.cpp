// Loading speed of the pictures library against floors measured in the same
// run, on generated 6000 x 4000 pictures. Two floors for each load:
//   physical: the same work into output memory that was allocated and
//             touched before the clock started (libjpeg's own working
//             buffers fresh, on ordinary pages), file data in the page cache;
//   fresh:    the same work into freshly allocated ordinary memory, as a
//             plain program would do it (the floor of earlier rounds).
// Loads:
//   BmpLoad          a 72 MB 24-bit BMP file read into a bitmap;
//   JpegDecode       a baseline colour JPEG decoded into a bitmap;
//   GreyJpegDecode   a grey JPEG decoded and quantised to 236 colours;
//   ProgressiveJpegDecode  a progressive colour JPEG.
// LoadTenPictures loads ten pictures one after another, keeping only the last,
// and reports how far the resident set grew beyond one picture's bitmap.
// bench/run.sh prints the ratios.

#include "Bitmap.h"
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
#include <jpeglib.h>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {

constexpr int Width = 6000;
constexpr int Height = 4000;

// A photo-like picture: smooth gradients with some texture.
std::vector<std::uint8_t> PictureRow(int y) {
    std::vector<std::uint8_t> row(std::size_t(Width) * 3);
    for (int x = 0; x < Width; ++x) {
        row[std::size_t(x) * 3 + 0] = std::uint8_t((x / 24 + y / 16) & 0xFF);
        row[std::size_t(x) * 3 + 1] = std::uint8_t((y / 16 + ((x * y) >> 12)) & 0xFF);
        row[std::size_t(x) * 3 + 2] = std::uint8_t((x / 24 + (x ^ y) % 7) & 0xFF);
    }
    return row;
}

std::vector<std::uint8_t> Compress(bool grey, bool progressive) {
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = Width;
    c.image_height = Height;
    c.input_components = grey ? 1 : 3;
    c.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 90, TRUE);
    if (progressive) {
        jpeg_simple_progression(&c);
    }
    jpeg_start_compress(&c, TRUE);
    std::vector<std::uint8_t> greyRow(Width);
    while (c.next_scanline < c.image_height) {
        auto row = PictureRow(int(c.next_scanline));
        if (grey) {
            for (int x = 0; x < Width; ++x) {
                greyRow[std::size_t(x)] = row[std::size_t(x) * 3 + 1];
            }
        }
        JSAMPROW rows[1] = {grey ? greyRow.data() : row.data()};
        jpeg_write_scanlines(&c, rows, 1);
    }
    jpeg_finish_compress(&c);
    std::vector<std::uint8_t> bytes(out, out + size);
    jpeg_destroy_compress(&c);
    std::free(out);
    return bytes;
}

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
        JpegBytes = Compress(false, false);
        GreyBytes = Compress(true, false);
        ProgressiveBytes = Compress(false, true);
        std::ofstream(Jpeg, std::ios::binary)
            .write(reinterpret_cast<const char*>(JpegBytes.data()),
                   std::streamsize(JpegBytes.size()));
    }
    ~Files() { std::filesystem::remove_all(Folder); }

    void WriteBmp() const {
        std::ofstream out(Bmp, std::ios::binary);
        const std::uint32_t rowBytes = Width * 3; // already a multiple of 4
        const std::uint32_t size = 54 + rowBytes * Height;
        auto le = [&](std::uint32_t v, int n) {
            for (int i = 0; i < n; ++i)
                out.put(char(v >> (8 * i)));
        };
        out.put('B');
        out.put('M');
        le(size, 4), le(0, 4), le(54, 4), le(40, 4), le(Width, 4), le(Height, 4), le(1, 2);
        le(24, 2), le(0, 4), le(0, 4), le(0, 4), le(0, 4), le(0, 4), le(0, 4);
        for (int y = Height - 1; y >= 0; --y) {
            const auto row = PictureRow(y);
            out.write(reinterpret_cast<const char*>(row.data()), std::streamsize(row.size()));
        }
    }
};

Files& TestFiles() {
    static Files files;
    return files;
}

// Output memory allocated and touched once, before any clock starts.
std::uint8_t* FaultedOutput(std::size_t bytes) {
    static std::vector<std::uint8_t> memory;
    if (memory.size() < bytes) {
        memory.assign(bytes, 1);
    }
    return memory.data();
}

// libjpeg's working buffers in the floors stay on ordinary pages.
struct OrdinaryPages {
    OrdinaryPages() { LargeMemory::SetHugePagesWanted(false); }
    ~OrdinaryPages() { LargeMemory::SetHugePagesWanted(true); }
};

enum class Output { Faulted, Fresh };

// libjpeg decoding the bytes with the program's parameters into `output`.
void DecodeWithLibjpeg(const std::vector<std::uint8_t>& bytes, bool quantise, Output output) {
    jpeg_decompress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_decompress(&c);
    jpeg_mem_src(&c, bytes.data(), bytes.size());
    jpeg_read_header(&c, TRUE);
    c.dct_method = JDCT_FLOAT;
    c.do_fancy_upsampling = TRUE;
    c.do_block_smoothing = TRUE;
    if (quantise) {
        c.quantize_colors = TRUE;
        c.desired_number_of_colors = 236;
        c.two_pass_quantize = TRUE;
        c.dither_mode = JDITHER_FS;
    } else {
        c.out_color_space = JCS_EXT_BGR;
    }
    jpeg_start_decompress(&c);
    const std::size_t stride =
        (std::size_t(c.output_width) * std::size_t(c.output_components) + 3) / 4 * 4;
    const std::size_t bytesOut = stride * c.output_height;
    std::unique_ptr<std::uint8_t[]> fresh;
    std::uint8_t* out = nullptr;
    if (output == Output::Faulted) {
        out = FaultedOutput(bytesOut);
    } else {
        fresh.reset(new std::uint8_t[bytesOut]);
        out = fresh.get();
    }
    while (c.output_scanline < c.output_height) {
        JSAMPROW row = out + stride * c.output_scanline;
        jpeg_read_scanlines(&c, &row, 1);
    }
    jpeg_finish_decompress(&c);
    jpeg_destroy_decompress(&c);
    benchmark::DoNotOptimize(out);
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

void BmpFloor(benchmark::State& state) {
    const auto size = std::filesystem::file_size(TestFiles().Bmp);
    std::uint8_t* out = FaultedOutput(size);
    for (auto _ : state) {
        const int f = ::open(TestFiles().Bmp.c_str(), O_RDONLY);
        benchmark::DoNotOptimize(::pread(f, out, size, 0));
        ::close(f);
        benchmark::ClobberMemory();
    }
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

void BmpLoad(benchmark::State& state) {
    for (auto _ : state) {
        TBitmap bitmap;
        bitmap.LoadFromFile(TestFiles().Bmp.string());
        benchmark::DoNotOptimize(bitmap.Image()->Bits());
    }
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

BENCHMARK(BmpFloor)->Unit(benchmark::kMillisecond)->MinTime(1);
BENCHMARK(BmpFreshFloor)->Unit(benchmark::kMillisecond)->MinTime(1);
BENCHMARK(BmpLoad)->Unit(benchmark::kMillisecond)->MinTime(1);
BENCHMARK(JpegFloor)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(JpegFreshFloor)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(JpegDecode)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(GreyJpegFloor)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(GreyJpegFreshFloor)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(GreyJpegDecode)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(ProgressiveJpegFloor)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(ProgressiveJpegFreshFloor)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(ProgressiveJpegDecode)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(LoadTenPictures)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(JpegPixelCopiesAfterConversion)->Unit(benchmark::kMillisecond)->Iterations(2);

BENCHMARK_MAIN();

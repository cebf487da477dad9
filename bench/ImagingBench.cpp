// Loading speed of the readers against floors measured in the same run, on a
// generated 6000 x 4000 picture:
//   BmpLoad   vs BmpFloor:  a 24-bit BMP file read into a bitmap, against a
//                           plain read of the same bytes into memory;
//   JpegDecode vs JpegFloor: a JPEG decoded to a bitmap, against libjpeg
//                           decoding the same bytes with the same parameters
//                           into a scratch buffer.
// bench/run.sh prints the ratios.

#include "Bitmap.h"
#include "JPEGImage.h"
#include "Picture.h"
#include "Stream.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
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

struct Files {
    std::filesystem::path Folder;
    std::filesystem::path Bmp;
    std::filesystem::path Jpeg;
    std::vector<std::uint8_t> JpegBytes;

    Files() {
        char pattern[] = "/tmp/irochi-bench-XXXXXX";
        Folder = mkdtemp(pattern);
        Bmp = Folder / "photo.bmp";
        Jpeg = Folder / "photo.jpg";
        WriteBmp();
        WriteJpeg();
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

    void WriteJpeg() {
        jpeg_compress_struct c{};
        jpeg_error_mgr err{};
        c.err = jpeg_std_error(&err);
        jpeg_create_compress(&c);
        unsigned char* out = nullptr;
        unsigned long size = 0;
        jpeg_mem_dest(&c, &out, &size);
        c.image_width = Width;
        c.image_height = Height;
        c.input_components = 3;
        c.in_color_space = JCS_RGB;
        jpeg_set_defaults(&c);
        jpeg_set_quality(&c, 90, TRUE);
        jpeg_start_compress(&c, TRUE);
        while (c.next_scanline < c.image_height) {
            auto row = PictureRow(int(c.next_scanline));
            JSAMPROW rows[1] = {row.data()};
            jpeg_write_scanlines(&c, rows, 1);
        }
        jpeg_finish_compress(&c);
        JpegBytes.assign(out, out + size);
        jpeg_destroy_compress(&c);
        std::free(out);
        std::ofstream(Jpeg, std::ios::binary)
            .write(reinterpret_cast<const char*>(JpegBytes.data()),
                   std::streamsize(JpegBytes.size()));
    }
};

Files& TestFiles() {
    static Files files;
    return files;
}

void BmpFloor(benchmark::State& state) {
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

void JpegFloor(benchmark::State& state) {
    const auto& bytes = TestFiles().JpegBytes;
    for (auto _ : state) {
        jpeg_decompress_struct c{};
        jpeg_error_mgr err{};
        c.err = jpeg_std_error(&err);
        jpeg_create_decompress(&c);
        jpeg_mem_src(&c, bytes.data(), bytes.size());
        jpeg_read_header(&c, TRUE);
        c.dct_method = JDCT_FLOAT;
        c.do_fancy_upsampling = TRUE;
        c.do_block_smoothing = TRUE;
        c.out_color_space = JCS_EXT_BGR;
        jpeg_start_decompress(&c);
        const std::size_t stride = (std::size_t(c.output_width) * 3 + 3) / 4 * 4;
        std::unique_ptr<std::uint8_t[]> scratch(new std::uint8_t[stride * c.output_height]);
        while (c.output_scanline < c.output_height) {
            JSAMPROW row = scratch.get() + stride * c.output_scanline;
            jpeg_read_scanlines(&c, &row, 1);
        }
        jpeg_finish_decompress(&c);
        jpeg_destroy_decompress(&c);
        benchmark::DoNotOptimize(scratch.get());
    }
}

void JpegDecode(benchmark::State& state) {
    const auto& bytes = TestFiles().JpegBytes;
    for (auto _ : state) {
        TMemoryStream stream(bytes.data(), bytes.size());
        TJPEGImage jpeg;
        jpeg.LoadFromStream(stream);
        TBitmap bitmap;
        bitmap.Assign(jpeg);
        benchmark::DoNotOptimize(bitmap.Image()->Bits());
    }
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

BENCHMARK(BmpFloor)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BmpLoad)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(JpegFloor)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(JpegDecode)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(JpegPixelCopiesAfterConversion)->Unit(benchmark::kMillisecond)->Iterations(2);

BENCHMARK_MAIN();

#include "BenchPhoto.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>
#include <memory>

std::vector<std::uint8_t> PhotoRow(int y) {
    std::vector<std::uint8_t> row(std::size_t(PhotoWidth) * 3);
    for (int x = 0; x < PhotoWidth; ++x) {
        // A sensor's noise, up to 10 levels either way, from a hash of the place.
        unsigned h = (unsigned(x) * 2654435761u) ^ (unsigned(y) * 2246822519u);
        auto noise = [&h] {
            h = h * 1664525u + 1013904223u;
            return int((h >> 16) % 21) - 10;
        };
        row[std::size_t(x) * 3 + 0] = std::uint8_t(((x / 24 + y / 16) & 0xFF) + noise());
        row[std::size_t(x) * 3 + 1] = std::uint8_t(((y / 16 + ((x * y) >> 12)) & 0xFF) + noise());
        row[std::size_t(x) * 3 + 2] = std::uint8_t(((x / 24 + (x ^ y) % 7) & 0xFF) + noise());
    }
    return row;
}

std::vector<std::uint8_t> CompressPhoto(bool grey, bool progressive, bool flipped,
                                        const std::vector<std::uint8_t>& icc) {
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = PhotoWidth;
    c.image_height = PhotoHeight;
    c.input_components = grey ? 1 : 3;
    c.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 90, TRUE);
    if (progressive) {
        jpeg_simple_progression(&c);
    }
    jpeg_start_compress(&c, TRUE);
    if (!icc.empty()) {
        jpeg_write_icc_profile(&c, icc.data(), unsigned(icc.size()));
    }
    std::vector<std::uint8_t> greyRow(PhotoWidth);
    while (c.next_scanline < c.image_height) {
        const int y = int(c.next_scanline);
        auto row = PhotoRow(flipped ? PhotoHeight - 1 - y : y);
        if (grey) {
            for (int x = 0; x < PhotoWidth; ++x) {
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

std::uint8_t* FaultedOutput(std::size_t bytes) {
    static std::vector<std::uint8_t> memory;
    if (memory.size() < bytes) {
        memory.assign(bytes, 1);
    }
    return memory.data();
}

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

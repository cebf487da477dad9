// Writes the reader tests' kinds of BMP file into a folder, as fuzz seeds.
#include "../tests/BmpBuilder.h"

#include <cstdio>
#include <fstream>
#include <string>

namespace {

void Write(const std::string& folder, const std::string& name, const BmpLayout& b) {
    const auto bytes = BuildBmp(b);
    std::ofstream out(folder + "/" + name + ".bmp", std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

BmpLayout Picture(int bitCount, std::uint32_t compression = 0) {
    BmpLayout b;
    b.Width = 5;
    b.Height = 3;
    b.BitCount = std::uint16_t(bitCount);
    b.Compression = compression;
    if (bitCount <= 8) {
        for (int i = 0; i < (1 << bitCount) && i < 16; ++i) {
            b.Table.push_back({std::uint8_t(i * 16), std::uint8_t(255 - i * 16), std::uint8_t(i)});
        }
        b.ClrUsed = std::uint32_t(b.Table.size());
    }
    const std::size_t rowBytes = (std::size_t(b.Width) * bitCount + 31) / 32 * 4;
    for (std::size_t i = 0; i < rowBytes * 3; ++i) {
        b.Pixels.push_back(std::uint8_t(i * 37));
    }
    return b;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_bmp_seeds FOLDER\n");
        return 1;
    }
    const std::string folder = argv[1];
    for (int bits : {1, 4, 8, 16, 24, 32}) {
        Write(folder, "depth" + std::to_string(bits), Picture(bits));
    }
    BmpLayout topDown = Picture(24);
    topDown.Height = -3;
    Write(folder, "topdown", topDown);
    BmpLayout core = Picture(8);
    core.HeaderSize = 12;
    Write(folder, "core", core);
    BmpLayout fields = Picture(16, 3);
    fields.Masks = {0xF800, 0x07E0, 0x001F};
    Write(folder, "bitfields", fields);
    BmpLayout v5 = Picture(32, 3);
    v5.HeaderSize = 124;
    v5.Masks = {0xFF, 0xFF00, 0xFF0000};
    Write(folder, "v5", v5);
    BmpLayout rle8 = Picture(8, 1);
    rle8.Pixels = {3, 1, 0, 0, 0, 3, 2, 3, 1, 0, 0, 2, 1, 1, 2, 2, 0, 1};
    Write(folder, "rle8", rle8);
    BmpLayout rle4 = Picture(4, 2);
    rle4.Pixels = {3, 0x12, 0, 0, 0, 3, 0x31, 0x20, 4, 0x30, 0, 1};
    Write(folder, "rle4", rle4);
    return 0;
}

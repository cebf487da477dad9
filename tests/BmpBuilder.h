#pragma once

// Builds BMP files byte by byte for the reader's tests and the fuzz seeds.

#include <array>
#include <cstdint>
#include <vector>

struct BmpLayout {
    std::uint32_t HeaderSize = 40;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::uint16_t Planes = 1;
    std::uint16_t BitCount = 24;
    std::uint32_t Compression = 0;
    std::uint32_t SizeImage = 0;
    std::uint32_t ClrUsed = 0;
    // Written after a 40-byte header, or inside a longer one at byte 40.
    std::vector<std::uint32_t> Masks;
    std::vector<std::array<std::uint8_t, 3>> Table; // blue, green, red
    std::uint32_t GapAfterTable = 0;                // bytes the pixel offset skips
    std::vector<std::uint8_t> Pixels;
};

inline void PutLe(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

inline std::vector<std::uint8_t> BuildBmp(const BmpLayout& b) {
    const bool core = b.HeaderSize == 12;
    const bool masksInHeader = b.HeaderSize >= 52 && !b.Masks.empty();
    const std::uint32_t entry = core ? 3 : 4;
    const std::uint32_t masksAfter = masksInHeader ? 0 : std::uint32_t(b.Masks.size() * 4);
    const std::uint32_t offset =
        14 + b.HeaderSize + masksAfter + std::uint32_t(b.Table.size()) * entry + b.GapAfterTable;
    std::vector<std::uint8_t> out{'B', 'M'};
    PutLe(out, offset + std::uint32_t(b.Pixels.size()), 4);
    PutLe(out, 0, 4);
    PutLe(out, offset, 4);
    PutLe(out, b.HeaderSize, 4);
    if (core) {
        PutLe(out, std::uint32_t(b.Width), 2);
        PutLe(out, std::uint32_t(b.Height), 2);
        PutLe(out, b.Planes, 2);
        PutLe(out, b.BitCount, 2);
    } else {
        PutLe(out, std::uint32_t(b.Width), 4);
        PutLe(out, std::uint32_t(b.Height), 4);
        PutLe(out, b.Planes, 2);
        PutLe(out, b.BitCount, 2);
        PutLe(out, b.Compression, 4);
        PutLe(out, b.SizeImage, 4);
        PutLe(out, 2835, 4);
        PutLe(out, 2835, 4);
        PutLe(out, b.ClrUsed, 4);
        PutLe(out, 0, 4);
        std::uint32_t extra = b.HeaderSize > 40 ? b.HeaderSize - 40 : 0;
        if (masksInHeader) {
            for (auto m : b.Masks) {
                PutLe(out, m, 4);
            }
            extra -= std::uint32_t(b.Masks.size() * 4);
        }
        out.insert(out.end(), extra, 0);
    }
    if (!masksInHeader) {
        for (auto m : b.Masks) {
            PutLe(out, m, 4);
        }
    }
    for (const auto& e : b.Table) {
        out.insert(out.end(), e.begin(), e.end());
        if (!core) {
            out.push_back(0);
        }
    }
    out.insert(out.end(), b.GapAfterTable, 0xEE);
    out.insert(out.end(), b.Pixels.begin(), b.Pixels.end());
    return out;
}

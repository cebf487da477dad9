#include "BitmapImage.h"

#include "Exceptions.h"

#include <bit>
#include <cstdlib>
#include <cstring>
#include <new>

std::atomic<std::uint64_t> TBitmapImage::FLiveBytes{0};

bool TBitmapImage::ValidBitCount(int bitCount) {
    switch (bitCount) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
        return true;
    default:
        return false;
    }
}

std::uint64_t TBitmapImage::RowBytes(std::int64_t width, int bitCount) {
    if (width <= 0 || width > INT32_MAX || !ValidBitCount(bitCount)) {
        return 0;
    }
    const auto bits = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(bitCount);
    return (bits + 31) / 32 * 4;
}

void TBitmapImage::CheckSize(std::int64_t width, std::int64_t height, int bitCount) {
    const std::uint64_t rowBytes = RowBytes(width, bitCount);
    if (rowBytes == 0 || height <= 0 || height > INT32_MAX ||
        rowBytes > MaxPixelBytes / static_cast<std::uint64_t>(height)) {
        throw EInvalidGraphic(SInvalidBitmap);
    }
}

TBitmapImage::TBitmapImage(int width, int height, int bitCount, bool bottomUp, bool zeroed)
    : FWidth(width), FHeight(height), FBitCount(bitCount), FBottomUp(bottomUp) {
    CheckSize(width, height, bitCount);
    FStride = static_cast<std::size_t>(RowBytes(width, bitCount));
    FByteSize = FStride * static_cast<std::size_t>(height);
    FValidBytes = FByteSize;
    FBits = TLargeBuffer(FByteSize, zeroed);
    const std::size_t used = (static_cast<std::size_t>(width) * std::size_t(bitCount) + 7) / 8;
    if (!zeroed && used < FStride) {
        for (int y = 0; y < height; ++y) {
            std::memset(ScanLine(y) + used, 0, FStride - used);
        }
    }
    FLiveBytes += FByteSize;
}

TBitmapImage::TBitmapImage(const TBitmapImage& other)
    : ColorTable(other.ColorTable), Masks(other.Masks), AlphaChannel(other.AlphaChannel),
      Profile(other.Profile), ProfileRefused(other.ProfileRefused), FWidth(other.FWidth),
      FHeight(other.FHeight), FBitCount(other.FBitCount), FBottomUp(other.FBottomUp),
      FStride(other.FStride), FByteSize(other.FByteSize), FValidBytes(other.FValidBytes) {
    FBits = TLargeBuffer(FByteSize, false);
    std::memcpy(FBits.Data(), other.FBits.Data(), FByteSize);
    FLiveBytes += FByteSize;
}

TBitmapImage::~TBitmapImage() {
    FLiveBytes -= FByteSize;
}

std::uint8_t WidenChannel(std::uint32_t value, int bits) {
    if (bits <= 0) {
        return 0;
    }
    if (bits >= 8) {
        return static_cast<std::uint8_t>(value >> (bits - 8));
    }
    std::uint32_t result = value << (8 - bits);
    for (int filled = bits; filled < 8; filled += bits) {
        result |= result >> bits;
    }
    return static_cast<std::uint8_t>(result);
}

namespace {

std::uint8_t MaskedChannel(std::uint32_t value, std::uint32_t mask) {
    if (mask == 0) {
        return 0;
    }
    const int shift = std::countr_zero(mask);
    const std::uint32_t field = mask >> shift;
    const int bits = std::bit_width(field);
    return WidenChannel((value & mask) >> shift, bits);
}

} // namespace

TColor TBitmapImage::TableColor(unsigned index) const {
    if (index >= ColorTable.size()) {
        return clBlack;
    }
    const TRGBQuad& entry = ColorTable[index];
    return RGB(entry.Red, entry.Green, entry.Blue);
}

TColor TBitmapImage::MaskedColor(std::uint32_t value) const {
    return RGB(MaskedChannel(value, Masks.Red), MaskedChannel(value, Masks.Green),
               MaskedChannel(value, Masks.Blue));
}

TColor TBitmapImage::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= FWidth || y >= FHeight) {
        return CLR_INVALID;
    }
    const std::size_t offset =
        RowOffset(y) + static_cast<std::size_t>(x) * static_cast<std::size_t>(FBitCount) / 8;
    if (offset >= FValidBytes) {
        return clBlack;
    }
    const std::uint8_t* p = FBits.Data() + offset;
    switch (FBitCount) {
    case 1:
        return TableColor((*p >> (7 - (x & 7))) & 1);
    case 4:
        return TableColor((x & 1) ? (*p & 0x0F) : (*p >> 4));
    case 8:
        return TableColor(*p);
    case 16:
        return MaskedColor(static_cast<std::uint32_t>(p[0] | (p[1] << 8)));
    case 24:
        return RGB(p[2], p[1], p[0]);
    default:
        return MaskedColor(
            static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
            (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24));
    }
}

void AttachProfile(TBitmapImage& image, std::span<const std::uint8_t> icc, bool rgb) {
    image.Profile = nullptr;
    image.ProfileRefused.clear();
    if (!rgb) {
        image.ProfileRefused = "画像が RGB ではありません";
        return;
    }
    image.Profile = TColourProfile::FromIcc(icc, &image.ProfileRefused);
}

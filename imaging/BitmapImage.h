#pragma once

#include "Color.h"
#include "ColourProfile.h"
#include "LargeMemory.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

// One colour-table entry, in file order: blue, green, red.
struct TRGBQuad {
    std::uint8_t Blue = 0;
    std::uint8_t Green = 0;
    std::uint8_t Red = 0;
};

// Where the red, green and blue bits of a 16- or 32-bit pixel are.
struct TColorMasks {
    std::uint32_t Red = 0;
    std::uint32_t Green = 0;
    std::uint32_t Blue = 0;
};

// The pixel memory of a bitmap, shared between bitmaps until one changes it.
// Rows are kept in the order the source stored them (bottom-up or top-down),
// so a BMP file's rows can be read straight into this memory.
class TBitmapImage {
public:
    // The most pixel memory one bitmap may take.
    static constexpr std::uint64_t MaxPixelBytes = std::uint64_t{1} << 30;

    // Bytes of one row: width × bits per pixel, raised to a multiple of 32 bits.
    // Returns 0 for a width that cannot be stored.
    static std::uint64_t RowBytes(std::int64_t width, int bitCount);
    // Throws EInvalidGraphic unless a width × height bitmap of this depth fits
    // MaxPixelBytes. Does the arithmetic without overflow and allocates nothing.
    static void CheckSize(std::int64_t width, std::int64_t height, int bitCount);
    static bool ValidBitCount(int bitCount);
    // Pixel bytes held by all images alive in the process (measures copies).
    static std::uint64_t LiveBytes() { return FLiveBytes.load(); }

    // Zero-filled pixel memory; throws EInvalidGraphic for bad dimensions and
    // std::bad_alloc when the memory cannot be had. A reader that writes
    // every pixel before anyone reads one asks for it unzeroed (zeroed
    // false): only the padding at the end of each row is cleared, so that
    // memory of an earlier picture that the new one takes over is never
    // written twice.
    TBitmapImage(int width, int height, int bitCount, bool bottomUp, bool zeroed = true);
    ~TBitmapImage();
    TBitmapImage(const TBitmapImage& other);
    TBitmapImage& operator=(const TBitmapImage&) = delete;

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    int BitCount() const { return FBitCount; }
    std::size_t Stride() const { return FStride; }
    bool BottomUp() const { return FBottomUp; }
    std::size_t ByteSize() const { return FByteSize; }

    // The whole pixel memory in storage order.
    std::uint8_t* Bits() { return FBits.Data(); }
    const std::uint8_t* Bits() const { return FBits.Data(); }
    // Row y counted from the top of the picture.
    std::uint8_t* ScanLine(int y) { return FBits.Data() + RowOffset(y); }
    const std::uint8_t* ScanLine(int y) const { return FBits.Data() + RowOffset(y); }

    // How many bytes of Bits(), in storage order, hold pixels from the
    // source; pixels beyond read as black whatever the colour table says.
    std::size_t ValidBytes() const { return FValidBytes; }
    void SetValidBytes(std::size_t n) { FValidBytes = n < FByteSize ? n : FByteSize; }

    std::vector<TRGBQuad> ColorTable;
    TColorMasks Masks;
    // 32-bit pixels carry an alpha value in their top byte (0 transparent).
    // The view shows it over a checkerboard; a pixel's colour ignores it.
    bool AlphaChannel = false;
    // What the stored numbers mean, where the file says: none for sRGB.
    // A profile the file carried but that could not be used leaves none,
    // and why in ProfileRefused.
    std::shared_ptr<const TColourProfile> Profile;
    std::string ProfileRefused;

    // The colour of pixel (x, y) as 0x00BBGGRR; CLR_INVALID outside.
    TColor Pixel(int x, int y) const;
    // The colour of colour-table entry `index`; black past the table's end.
    TColor TableColor(unsigned index) const;
    // The colour of a 16- or 32-bit pixel value through the masks.
    TColor MaskedColor(std::uint32_t value) const;

private:
    std::size_t RowOffset(int y) const {
        const auto row = static_cast<std::size_t>(FBottomUp ? FHeight - 1 - y : y);
        return row * FStride;
    }
    int FWidth;
    int FHeight;
    int FBitCount;
    bool FBottomUp;
    std::size_t FStride;
    std::size_t FByteSize;
    std::size_t FValidBytes;
    TLargeBuffer FBits;

    static std::atomic<std::uint64_t> FLiveBytes;
};

// Widens an n-bit channel value to 8 bits by repeating its bits, so that the
// full value reads 255. Channels wider than 8 bits keep their top 8 bits.
std::uint8_t WidenChannel(std::uint32_t value, int bits);

// The 16-bit layout a bitmap has when its file gives no masks: 5-5-5.
constexpr TColorMasks DefaultMasks16{0x7C00, 0x03E0, 0x001F};
constexpr TColorMasks DefaultMasks32{0xFF0000, 0x00FF00, 0x0000FF};

// Keeps an ICC profile a file carries with its pixels: as the picture's
// colour space when it is a usable RGB one (rgb: the pixels are RGB), else
// as the reason it is left aside.
void AttachProfile(TBitmapImage& image, std::span<const std::uint8_t> icc, bool rgb);

#pragma once

#include "BitmapImage.h"

#include <cstddef>
#include <cstdint>
#include <memory>

struct TJPEGHeader {
    int Width = 0;
    int Height = 0;
    bool Grayscale = false;
    bool Progressive = false;
};

// Reads the header of the JPEG file held in memory; fails with EJPEG.
TJPEGHeader ReadJPEGHeader(const std::uint8_t* data, std::size_t size);

// How a decode may be split into bands decoded at once.
struct TJPEGBanding {
    // 0: as many bands as the process has cores, for pictures worth
    // splitting; 1: one pass; more: that many wherever the file allows it,
    // whatever the picture's size.
    int Bands = 0;
    // Set to the number of bands the result came from (1 for one pass).
    int* BandsUsed = nullptr;
};

// Decodes the whole image: 24 bits per pixel, or 8 bits with a colour table of
// at most 236 entries when quantising (8-bit output wanted, or a grey file).
// A 24-bit colour file of one scan may be decoded in bands on several
// threads; the result, and any failure, is the same as in one pass.
// Fails with EJPEG, or std::bad_alloc when memory cannot be had.
std::shared_ptr<TBitmapImage> DecodeJPEG(const std::uint8_t* data, std::size_t size,
                                         bool eightBitOutput, TJPEGBanding banding = {});

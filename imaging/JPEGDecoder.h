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

// Limits that keep a malformed file from taking the machine: libjpeg's working
// memory, and the number of scans of a progressive file.
constexpr long JPEGMaxMemory = 1L << 30;
constexpr int JPEGMaxScans = 1000;

// Reads the header of the JPEG file held in memory; fails with EJPEG.
TJPEGHeader ReadJPEGHeader(const std::uint8_t* data, std::size_t size);

// Decodes the whole image: 24 bits per pixel, or 8 bits with a colour table of
// at most 236 entries when quantising (8-bit output wanted, or a grey file).
// Fails with EJPEG, or std::bad_alloc when memory cannot be had.
std::shared_ptr<TBitmapImage> DecodeJPEG(const std::uint8_t* data, std::size_t size,
                                         bool eightBitOutput);

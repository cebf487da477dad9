#pragma once

#include "BitmapImage.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// A colour JPEG of one scan decoded in horizontal bands at once, one libjpeg
// decompressor per band on its own thread. A band's decompressor passes over
// the rows above its band, entropy-decoding them only, and decodes in full
// the row of blocks just above it, so that its first rows are upsampled from
// the same neighbours as in one pass: the result is the one-pass result, byte
// for byte.

// The share of a row's full decode that passing over it costs (entropy
// decoding only). It grows with the entropy-coded bits a pixel carries:
// measured on 24-megapixel 4:2:0 photos at quality 90, 0.375 for a smooth
// one of 0.09 bytes a pixel and 0.71 for a camera-like one of 0.34 bytes a
// pixel; the line through the two, kept within [0.3, 0.9].
double JPEGSkipCost(std::size_t fileBytes, std::int64_t pixels);
// Pictures smaller than this decode in one pass: splitting them gains less
// than it costs.
constexpr std::int64_t JPEGBandMinPixels = std::int64_t{1} << 20;

// The cores this process may run on: the machine's, limited by its CPU
// affinity mask; at least 1.
int UsableCores();

// The first row of each band, then `height`: bands that finish together,
// since each later band first passes over the rows above it at `skipCost` of
// a decode per row. Inner bounds fall on whole rows of blocks (`rowGroup`
// rows); there are fewer bands than asked when the picture is too short, and a
// single band ({0, height}) when it cannot be split.
std::vector<int> PlanJPEGBands(int height, int rowGroup, int bands, double skipCost);

// Decodes the bands between `bounds` at once into `image`, which the caller
// has sized for the whole picture (24 bits; the file neither quantised nor of
// several scans). Returns false when any band failed or met a warning: the
// image then holds no usable result, and the caller decodes in one pass,
// which gives the one-pass result and failure. Every thread it starts has
// ended when it returns.
bool DecodeJPEGBands(const std::uint8_t* data, std::size_t size, const std::vector<int>& bounds,
                     TBitmapImage& image);

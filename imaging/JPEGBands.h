#pragma once

#include "BitmapImage.h"
#include "UsableCores.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// A colour JPEG of one scan decoded in horizontal bands at once, one libjpeg
// decompressor per band on its own thread. A band needs the place in the
// entropy-coded data where the row of blocks above it starts: in a file of one
// interleaved scan without restart markers it reads the codes up to there
// itself (TJPEGEntropyScan) and decodes a file made to start there
// (TJPEGRowStream); otherwise its decompressor passes over the rows above,
// entropy-decoding them only. Either way it decodes in full the row of blocks
// just above the band, so that its first rows are upsampled from the same
// neighbours as in one pass: the result is the one-pass result, byte for byte.

// The share of a row's full decode that passing over it with libjpeg costs
// (entropy decoding only). It grows with the entropy-coded bits a pixel carries:
// measured on 24-megapixel 4:2:0 photos at quality 90, 0.375 for a smooth
// one of 0.09 bytes a pixel and 0.71 for a camera-like one of 0.34 bytes a
// pixel; the line through the two, kept within [0.3, 0.9].
double JPEGSkipCost(std::size_t fileBytes, std::int64_t pixels);
// The same for reading a row's codes without decoding them (TJPEGEntropyScan),
// which is how a band finds its first row in a file of one interleaved scan:
// 0.11, 0.26 and 0.36 of a decode measured on 24-megapixel 4:2:0 pictures at
// quality 90 of 0.008 (flat), 0.08 (smooth) and 0.35 (camera-like) bytes a
// pixel; the curve through the three.
double JPEGScanCost(std::size_t fileBytes, std::int64_t pixels);
// Pictures smaller than this decode in one pass: splitting them gains less
// than it costs.
constexpr std::int64_t JPEGBandMinPixels = std::int64_t{1} << 20;

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

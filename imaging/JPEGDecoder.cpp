#include "JPEGDecoder.h"

#include "Exceptions.h"
#include "JPEGBands.h"
#include "JPEGDecompressor.h"
#include "JPEGEntropyScan.h"

#include <jerror.h>

namespace {

void CopyColorMap(const jpeg_decompress_struct& c, TBitmapImage& image) {
    image.ColorTable.resize(static_cast<std::size_t>(c.actual_number_of_colors));
    for (int i = 0; i < c.actual_number_of_colors; ++i) {
        const JSAMPLE red = c.colormap[0][i];
        const bool grey = c.out_color_components == 1;
        const JSAMPLE green = grey ? red : c.colormap[1][i];
        const JSAMPLE blue = grey ? red : c.colormap[2][i];
        image.ColorTable[static_cast<std::size_t>(i)] = {blue, green, red};
    }
}

// The bands to split this decode into; a single band for one pass. Two-pass
// quantising runs its dither across the whole picture, a file of several
// scans is entropy-decoded whole before the first row comes out, and an
// arithmetic-coded one is rare enough to keep on the plain road.
std::vector<int> Bands(TJPEGDecompressor& d, std::size_t size, bool quantize, bool multipleScans,
                       int wanted) {
    const jpeg_decompress_struct& c = d.Info();
    const int height = static_cast<int>(c.output_height);
    if (quantize || multipleScans || c.arith_code || wanted == 1) {
        return {0, height};
    }
    const auto pixels = static_cast<std::int64_t>(c.output_width) * height;
    if (wanted == 0) {
        wanted = pixels < JPEGBandMinPixels ? 1 : UsableCores();
    }
    const double passCost =
        TJPEGEntropyScan::Follows(c) ? JPEGScanCost(size, pixels) : JPEGSkipCost(size, pixels);
    return PlanJPEGBands(height, c.max_v_samp_factor * c.min_DCT_scaled_size, wanted, passCost);
}

} // namespace

TJPEGHeader ReadJPEGHeader(const std::uint8_t* data, std::size_t size) {
    TJPEGDecompressor d(data, size);
    d.ReadHeader();
    const jpeg_decompress_struct& c = d.Info();
    return {static_cast<int>(c.image_width), static_cast<int>(c.image_height),
            c.jpeg_color_space == JCS_GRAYSCALE, d.HasMultipleScans()};
}

std::shared_ptr<TBitmapImage> DecodeJPEG(const std::uint8_t* data, std::size_t size,
                                         bool eightBitOutput, TJPEGBanding banding) {
    TJPEGDecompressor d(data, size);
    d.ReadHeader(true);
    const std::vector<std::uint8_t> profile = d.IccProfile();
    const bool quantize = SetDecodingParameters(d, eightBitOutput);
    const int bitCount = quantize ? 8 : 24;
    jpeg_decompress_struct& c = d.Info();
    // Refuse a picture too large to hold before libjpeg sets out to decode it.
    try {
        TBitmapImage::CheckSize(c.image_width, c.image_height, bitCount);
    } catch (const EInvalidGraphic&) {
        TJPEGDecompressor::Fail(JERR_IMAGE_TOO_BIG);
    }
    const bool multipleScans = d.HasMultipleScans();
    // Only the one-pass road starts this decompressor: bands start their own.
    d.CalculateOutputSize();
    // Every row is written, by the bands or by one pass, before the picture
    // is shown; a decode that fails leaves no picture.
    auto image =
        std::make_shared<TBitmapImage>(static_cast<int>(c.output_width),
                                       static_cast<int>(c.output_height), bitCount, false, false);
    // A grey or CMYK file's profile is of another colour model than the
    // RGB numbers shown, and is left aside with the rest.
    if (!profile.empty()) {
        AttachProfile(*image, profile,
                      c.jpeg_color_space == JCS_YCbCr || c.jpeg_color_space == JCS_RGB);
    }
    const std::vector<int> bands = Bands(d, size, quantize, multipleScans, banding.Bands);
    const int used = static_cast<int>(bands.size()) - 1;
    if (banding.BandsUsed) {
        *banding.BandsUsed = 1;
    }
    if (used > 1 && DecodeJPEGBands(data, size, bands, *image)) {
        if (banding.BandsUsed) {
            *banding.BandsUsed = used;
        }
        return image;
    }
    // One pass writes every row, so whatever bands that gave up wrote is
    // overwritten.
    d.Start();
    if (quantize) {
        CopyColorMap(c, *image);
    }
    ReadRowsInto(d, *image, c.output_height);
    d.Finish();
    return image;
}

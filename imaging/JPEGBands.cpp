#include "JPEGBands.h"

#include "JPEGDecompressor.h"
#include "JPEGEntropyScan.h"
#include "JPEGRowStream.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <system_error>
#include <thread>

namespace {

// Rows of blocks decoded in full, and dropped, above a band's first row, so
// that its first rows are upsampled from neighbours decoded in full whatever
// libjpeg's skip leaves in its context buffers. libjpeg-turbo 2.1.5 needs
// none; the one row of blocks costs under 1 % of a band.
constexpr int LeadGroups = 1;

// Decodes the decompressor's rows up to `end` into the image, its row y into
// the image's row y + offset, dropping the rows from `skip` to `first` after
// passing over those above; true when that went without a failure or a
// warning. The last band also finishes the decompression, as one pass does, so
// that a fault after the image data is met here too.
bool DecodeRows(TJPEGDecompressor& d, JDIMENSION skip, JDIMENSION first, JDIMENSION end, int offset,
                TBitmapImage& image) {
    SetDecodingParameters(d, false);
    d.Start();
    jpeg_decompress_struct& c = d.Info();
    if (skip > 0 && d.SkipRows(skip) != skip) {
        return false;
    }
    DiscardRows(d, first);
    ReadRowsInto(d, image, end, offset);
    if (c.output_scanline != end) {
        return false;
    }
    if (c.output_scanline == c.output_height) {
        d.Finish();
    }
    return d.Warnings() == 0;
}

// A band decoded from a file made to start a row of blocks above it
// (TJPEGRowStream), found by reading the codes above without decoding them.
// Nothing when the file is not one this reading follows; the band then passes
// over the rows above with libjpeg.
std::optional<bool> DecodeFromRow(TJPEGDecompressor& header, const std::uint8_t* data,
                                  std::size_t size, int first, int end, TBitmapImage& image) {
    const jpeg_decompress_struct& c = header.Info();
    const int group = c.max_v_samp_factor * DCTSIZE;
    const int row = first / group - LeadGroups;
    const std::size_t dataStart = header.BytesRead();
    TJPEGEntropyScan scan;
    if (row < 1 || c.min_DCT_scaled_size != DCTSIZE || !scan.Prepare(c, dataStart)) {
        return std::nullopt;
    }
    const std::optional<TJPEGRowStart> start = scan.FindRow(data, size, row);
    TJPEGRowStream stream;
    if (!start || !stream.Build(data, size, c, scan, dataStart, row, *start)) {
        return std::nullopt;
    }
    // The made-up row comes first, then the file's rows from `row` on.
    TJPEGDecompressor d(stream.Pieces());
    d.ReadHeader();
    const int offset = (row - 1) * group;
    return DecodeRows(d, JDIMENSION(group), JDIMENSION(first - offset), JDIMENSION(end - offset),
                      offset, image);
}

// Decodes the rows from first to end into the image; true when that went
// without a failure or a warning.
bool DecodeBand(const std::uint8_t* data, std::size_t size, int first, int end,
                TBitmapImage& image) noexcept {
    try {
        TJPEGDecompressor d(data, size);
        d.ReadHeader();
        if (first > 0) {
            if (const auto done = DecodeFromRow(d, data, size, first, end, image)) {
                return *done;
            }
        }
        const int group = d.Info().max_v_samp_factor * DCTSIZE;
        const auto skip = static_cast<JDIMENSION>(std::max(0, first - LeadGroups * group));
        return DecodeRows(d, skip, JDIMENSION(first), JDIMENSION(end), 0, image);
    } catch (...) {
        return false;
    }
}

} // namespace

double JPEGSkipCost(std::size_t fileBytes, std::int64_t pixels) {
    const double bytesPerPixel = pixels > 0 ? double(fileBytes) / double(pixels) : 0;
    return std::clamp(0.26 + 1.31 * bytesPerPixel, 0.3, 0.9);
}

double JPEGScanCost(std::size_t fileBytes, std::int64_t pixels) {
    const double bytesPerPixel = pixels > 0 ? double(fileBytes) / double(pixels) : 0;
    return (0.075 + 6.0 * bytesPerPixel) / (1.0 + 14.35 * bytesPerPixel);
}

std::vector<int> PlanJPEGBands(int height, int rowGroup, int bands, double skipCost) {
    bands = std::min(bands, height / std::max(1, rowGroup));
    if (bands < 2) {
        return {0, height};
    }
    // Band k starts at s(k) and costs skipCost × s(k) + its rows; equal costs
    // C give s(k + 1) = (1 − skipCost) × s(k) + C, summed up in closed form.
    const double keep = 1.0 - skipCost;
    const double cost = height * skipCost / (1.0 - std::pow(keep, bands));
    std::vector<int> bounds{0};
    for (int k = 1; k < bands; ++k) {
        const double start = cost * (1.0 - std::pow(keep, k)) / skipCost;
        const int aligned = static_cast<int>(std::lround(start / rowGroup)) * rowGroup;
        if (aligned > bounds.back() && aligned < height) {
            bounds.push_back(aligned);
        }
    }
    bounds.push_back(height);
    return bounds;
}

bool DecodeJPEGBands(const std::uint8_t* data, std::size_t size, const std::vector<int>& bounds,
                     TBitmapImage& image) {
    const std::size_t bands = bounds.size() - 1;
    // One byte per band, never a bit of a shared word: each thread writes its own.
    std::vector<char> done(bands, 0);
    auto decode = [&](std::size_t k) {
        done[k] = DecodeBand(data, size, bounds[k], bounds[k + 1], image);
    };
    std::size_t started = 1;
    {
        std::vector<std::jthread> workers;
        workers.reserve(bands - 1);
        try {
            for (; started < bands; ++started) {
                workers.emplace_back(decode, started);
            }
        } catch (const std::system_error&) {
            // No more threads to be had: the calling thread decodes the rest.
        }
        decode(0);
        for (std::size_t k = started; k < bands; ++k) {
            decode(k);
        }
    } // the workers are joined here
    return std::all_of(done.begin(), done.end(), [](char ok) { return ok != 0; });
}

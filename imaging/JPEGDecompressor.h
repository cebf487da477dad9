#pragma once

#include "BitmapImage.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include <jpeglib.h>

struct TJPEGSession;

// A run of a JPEG file's bytes in memory; a file may be read from several.
struct TJPEGPiece {
    const std::uint8_t* Data;
    std::size_t Size;
};

// Limits that keep a malformed file from taking the machine: libjpeg's working
// memory, and the number of scans of a progressive file.
constexpr long JPEGMaxMemory = 1L << 30;
constexpr int JPEGMaxScans = 1000;

// One libjpeg decompressor over a file's bytes in memory, with the program's
// error manager and data source. A step that libjpeg fails throws EJPEG with
// libjpeg's message code; the decompressor is destroyed on every way out.
// Several may decode the same bytes at once, each on its own thread.
class TJPEGDecompressor {
public:
    TJPEGDecompressor(const std::uint8_t* data, std::size_t size);
    // Reads the pieces one after another, as one file.
    explicit TJPEGDecompressor(std::vector<TJPEGPiece> pieces);
    ~TJPEGDecompressor();
    TJPEGDecompressor(const TJPEGDecompressor&) = delete;
    TJPEGDecompressor& operator=(const TJPEGDecompressor&) = delete;

    jpeg_decompress_struct& Info();
    // keepProfile: the APP2 markers are kept for IccProfile.
    void ReadHeader(bool keepProfile = false);
    // The ICC profile the APP2 markers carry, joined; empty when none or
    // when its pieces do not join up.
    std::vector<std::uint8_t> IccProfile();
    bool HasMultipleScans();
    // The output's size (output_width, output_height) and row grouping,
    // known before the decompression starts.
    void CalculateOutputSize();
    void Start();
    JDIMENSION ReadRows(JSAMPARRAY rows, JDIMENSION count);
    // Passes over rows without producing them: the rows above whole
    // rows of blocks are only entropy-decoded.
    JDIMENSION SkipRows(JDIMENSION count);
    void Finish();
    // The warnings libjpeg gave so far (corrupt data, a file cut short).
    // They never stop a decode and are never shown.
    int Warnings() const;
    // The bytes libjpeg has taken from the file so far: after the header,
    // where the scan's entropy-coded data begins.
    std::size_t BytesRead() const;
    [[noreturn]] static void Fail(int msgCode);

private:
    template <typename Step> void Run(Step step);

    std::unique_ptr<TJPEGSession> FSession;
};

// Sets the program's decoding parameters; everything else keeps libjpeg's
// defaults. Returns whether the output is quantised to a colour table (8-bit
// output wanted, or a grey file).
bool SetDecodingParameters(TJPEGDecompressor& d, bool eightBitOutput);

// Reads the rows from the decompressor's current one up to `end` into the
// same rows of the image, as blue, green, red or colour-table indexes; the
// decompressor's row y goes to the image's row y + `offset`.
void ReadRowsInto(TJPEGDecompressor& d, TBitmapImage& image, JDIMENSION end, int offset = 0);

// Decodes the rows up to `end` and drops them.
void DiscardRows(TJPEGDecompressor& d, JDIMENSION end);

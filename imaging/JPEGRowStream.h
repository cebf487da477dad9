#pragma once

#include "JPEGDecompressor.h"
#include "JPEGEntropyScan.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// A JPEG file that starts at a row of MCUs of another: the other's header with
// the rows above taken off its height, one made-up row of MCUs, then the
// other's entropy-coded data from that row on. The made-up row's blocks are
// flat, with DC differences that bring each component's prediction to the one
// the row is coded against, and as many bits as put the row's first bit where
// it lies in its byte. libjpeg decodes the rows after it as they decode in the
// whole file, byte for byte. The file is held as pieces: the other's bytes,
// unchanged, and a few bytes of its own.
class TJPEGRowStream {
public:
    // False when it cannot be made: a header this does not follow, a table
    // without the codes the made-up row needs, or a height that does not fit.
    bool Build(const std::uint8_t* data, std::size_t size, const jpeg_decompress_struct& c,
               const TJPEGEntropyScan& scan, std::size_t dataStart, int row,
               const TJPEGRowStart& start);

    // The file, in order. Refers to the other's bytes and to this object.
    const std::vector<TJPEGPiece>& Pieces() const { return FPieces; }

private:
    bool MakeRow(const TJPEGEntropyScan& scan, const TJPEGRowStart& start, std::uint8_t firstByte);

    std::array<std::uint8_t, 2> FHeight{};
    std::vector<std::uint8_t> FRow;
    std::vector<TJPEGPiece> FPieces;
};

#pragma once

#include "JPEGHuffmanCode.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <vector>

#include <jpeglib.h>

// Where a row of MCUs begins in a JPEG file's entropy-coded data, and the DC
// predictions its first blocks are coded against.
struct TJPEGRowStart {
    // The file byte that holds the row's first bit, and how many of its
    // bits (from the top) belong to the rows above.
    std::size_t Byte = 0;
    int Bit = 0;
    // Each scan component's DC prediction, in scan order.
    std::array<int, MAX_COMPS_IN_SCAN> Dc{};
};

// Reads the Huffman codes of a baseline file's one interleaved scan without
// decoding its blocks, to find where a row of MCUs starts: the way to the
// middle of a file at a fraction of libjpeg's cost, which decodes each
// coefficient it passes over. Only the symbols and the DC differences are
// read; the other coefficients' bits are stepped over.
class TJPEGEntropyScan {
public:
    // An AC table's symbols read several at a time: for each value of the
    // next RunBits bits, the codes (with their coefficients' bits) that lie
    // wholly in them, up to an end of block, packed in 16 bits: the bits they
    // take less 1, how far along the block all but the last move (63: not
    // one code fits), and how far all move, less 1 (63: to the end).
    static constexpr int RunBits = 14;
    using TAcRun = std::uint16_t;

    // Whether this reading follows the scan of a file whose header `c` has
    // read: one interleaved sequential Huffman scan of all components, with no
    // restart interval.
    static bool Follows(const jpeg_decompress_struct& c);
    // Set up from a decompressor that has read the file's header up to the
    // scan. False when the scan is not one it follows, or a table is missing
    // or malformed.
    bool Prepare(const jpeg_decompress_struct& c, std::size_t dataStart);

    // Finds the start of row `row` of MCUs in the file's bytes. Nothing when
    // the data before it ends, meets a marker or holds a code the tables do
    // not have: libjpeg would warn there, and the caller decodes otherwise.
    std::optional<TJPEGRowStart> FindRow(const std::uint8_t* data, std::size_t size, int row) const;

    int Components() const { return FComponents; }
    int McusPerRow() const { return FMcusPerRow; }
    // Each block of an MCU: its component's place in the scan.
    const std::vector<int>& McuBlocks() const { return FMcuBlocks; }
    const TJPEGHuffmanCode& DcCode(int component) const;
    const TJPEGHuffmanCode& AcCode(int component) const;

private:
    std::size_t FDataStart = 0;
    int FComponents = 0;
    int FMcusPerRow = 0;
    int FMcuRows = 0;
    std::vector<int> FMcuBlocks;
    std::array<int, MAX_COMPS_IN_SCAN> FDcTable{};
    std::array<int, MAX_COMPS_IN_SCAN> FAcTable{};
    std::array<TJPEGHuffmanCode, NUM_HUFF_TBLS> FDcCodes;
    std::array<TJPEGHuffmanCode, NUM_HUFF_TBLS> FAcCodes;
    std::array<std::vector<TAcRun>, NUM_HUFF_TBLS> FAcRuns;
};

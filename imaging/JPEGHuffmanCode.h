#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include <jpeglib.h>

// The canonical codes of one Huffman table of a JPEG file, for reading
// symbols from entropy-coded bits and for writing them. Built as libjpeg
// builds its own, so that a table libjpeg refuses is refused here too.
class TJPEGHuffmanCode {
public:
    // Symbols whose codes are this long or shorter are found by one look-up.
    static constexpr int LookBits = 10;

    // False when the table is not one libjpeg decodes with: more than 256
    // symbols, codes that run out of their length, or, for a DC table, a
    // symbol over 15.
    bool Build(const JHUFF_TBL& table, bool dc);

    // The code's length and symbol for the LookBits bits at the top of
    // `peek` (0 length: the code is longer, see DecodeLong).
    struct TLookup {
        std::uint8_t Length;
        std::uint8_t Symbol;
    };
    TLookup Look(std::uint64_t peek) const { return FLookup[peek >> (64 - LookBits)]; }
    // The symbol of a code longer than LookBits at the top of `bits`; a
    // length of 0 when no code of at most 16 bits matches.
    TLookup DecodeLong(std::uint64_t bits) const;

    bool Has(int symbol) const { return FLength[std::size_t(symbol)] != 0; }
    int Length(int symbol) const { return FLength[std::size_t(symbol)]; }
    unsigned Code(int symbol) const { return FCode[std::size_t(symbol)]; }

private:
    std::array<TLookup, std::size_t{1} << LookBits> FLookup{};
    // The largest code of each length (-1: none), and where that length's
    // symbols start in FValues, minus its first code.
    std::array<std::int32_t, 18> FMaxCode{};
    std::array<std::int32_t, 17> FOffset{};
    std::array<std::uint8_t, 256> FValues{};
    std::array<std::uint8_t, 256> FLength{};
    std::array<std::uint16_t, 256> FCode{};
};

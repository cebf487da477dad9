#include "JPEGHuffmanCode.h"

bool TJPEGHuffmanCode::Build(const JHUFF_TBL& table, bool dc) {
    FLookup.fill({0, 0});
    FLength.fill(0);
    FMaxCode.fill(-1);
    int count = 0;
    for (int length = 1; length <= 16; ++length) {
        count += table.bits[length];
    }
    if (count > 256) {
        return false;
    }
    std::int32_t code = 0;
    int index = 0;
    for (int length = 1; length <= 16; ++length) {
        FOffset[std::size_t(length)] = index - code;
        for (int i = 0; i < table.bits[length]; ++i, ++index, ++code) {
            // Every code must fit in its length, and the all-ones code stays free.
            if (code >= (std::int32_t{1} << length) - 1) {
                return false;
            }
            const std::uint8_t symbol = table.huffval[index];
            if (dc && symbol > 15) {
                return false;
            }
            FValues[std::size_t(index)] = symbol;
            // A repeated symbol keeps its first code, which is the one an
            // encoder writing from this table would use.
            if (FLength[symbol] == 0) {
                FLength[symbol] = std::uint8_t(length);
                FCode[symbol] = std::uint16_t(code);
            }
            if (length <= LookBits) {
                const int shift = LookBits - length;
                for (int fill = 0; fill < (1 << shift); ++fill) {
                    FLookup[std::size_t((code << shift) | fill)] = {std::uint8_t(length), symbol};
                }
            }
        }
        if (table.bits[length] > 0) {
            FMaxCode[std::size_t(length)] = code - 1;
        }
        code <<= 1;
    }
    return true;
}

TJPEGHuffmanCode::TLookup TJPEGHuffmanCode::DecodeLong(std::uint64_t bits) const {
    for (int length = LookBits + 1; length <= 16; ++length) {
        const auto code = static_cast<std::int32_t>(bits >> (64 - length));
        if (code <= FMaxCode[std::size_t(length)]) {
            return {std::uint8_t(length),
                    FValues[std::size_t(code + FOffset[std::size_t(length)])]};
        }
    }
    return {0, 0};
}

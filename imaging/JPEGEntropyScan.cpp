#include "JPEGEntropyScan.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

// Entropy-coded bits from the top of a 64-bit word, refilled from the file's
// bytes with their stuffed zeros taken out. A marker or the end of the bytes
// ends the data: the word then fills with zeros and `Bits` may go below 0,
// which tells that bits were read that the file does not hold.
class TBitReader {
public:
    TBitReader(const std::uint8_t* begin, const std::uint8_t* end) : FNext(begin), FEnd(end) {}

    std::uint64_t Peek() const { return FWord; }
    void Skip(int n) {
        FWord <<= n;
        FBits -= n;
    }
    unsigned Take(int n) {
        const auto value = static_cast<unsigned>(FWord >> (64 - n));
        Skip(n);
        return value;
    }
    int Bits() const { return FBits; }

    // At least 32 bits in the word, unless the data has ended.
    void Refill() {
        if (FBits >= 32 || FEnded) {
            return;
        }
        if (FEnd - FNext >= 8) {
            std::uint64_t eight;
            std::memcpy(&eight, FNext, 8);
            if (!HasFF(eight)) {
                const int n = (64 - FBits) / 8;
                std::uint64_t bytes = FromBigEndian(eight);
                if (n < 8) {
                    bytes &= ~(~std::uint64_t{0} >> (8 * n));
                }
                FWord |= bytes >> FBits;
                FBits += 8 * n;
                FNext += n;
                FLoaded += std::size_t(n);
                return;
            }
        }
        while (FBits <= 56) {
            if (FNext >= FEnd) {
                FEnded = true;
                return;
            }
            const std::uint8_t byte = *FNext;
            if (byte == 0xFF) {
                if (FEnd - FNext < 2 || FNext[1] != 0) {
                    FEnded = true; // a marker
                    return;
                }
                FStuffed.push_back(FLoaded);
                ++FNext;
            }
            ++FNext;
            FWord |= std::uint64_t{byte} << (56 - FBits);
            FBits += 8;
            ++FLoaded;
        }
    }

    // The data byte holding the next bit, counted without the stuffed zeros,
    // and the bits of it already read.
    std::size_t DataByte() const { return (FLoaded * 8 - std::size_t(FBits)) / 8; }
    int BitInByte() const { return static_cast<int>((FLoaded * 8 - std::size_t(FBits)) % 8); }
    // The file byte of a data byte: each stuffed zero before it moves it on.
    std::size_t FileByte(std::size_t dataByte) const {
        return dataByte + std::size_t(std::lower_bound(FStuffed.begin(), FStuffed.end(), dataByte) -
                                      FStuffed.begin());
    }

private:
    static bool HasFF(std::uint64_t eight) {
        const std::uint64_t inverted = ~eight;
        return ((inverted - 0x0101010101010101) & ~inverted & 0x8080808080808080) != 0;
    }
    static std::uint64_t FromBigEndian(std::uint64_t v) {
        if constexpr (std::endian::native == std::endian::little) {
            return __builtin_bswap64(v);
        }
        return v;
    }

    const std::uint8_t* FNext;
    const std::uint8_t* FEnd;
    std::uint64_t FWord = 0;
    int FBits = 0;
    bool FEnded = false;
    std::size_t FLoaded = 0;
    // The data bytes (0xFF) that a stuffed zero follows in the file.
    std::vector<std::size_t> FStuffed;
};

int Extend(unsigned bits, int size) {
    return bits < (1u << (size - 1)) ? int(bits) - (1 << size) + 1 : int(bits);
}

// One symbol of an AC table's code: the bits it takes with the coefficient's
// own bits, and how far it moves along the block (64: to its end).
struct TAcStep {
    int Bits;
    int Advance;
};

TAcStep AcStep(int length, int symbol) {
    const int run = symbol >> 4, size = symbol & 15;
    if (size != 0) {
        return {length + size, run + 1};
    }
    return {length, run == 15 ? 16 : 64};
}

using TAcRun = TJPEGEntropyScan::TAcRun;
constexpr int RunBits = TJPEGEntropyScan::RunBits;

constexpr TAcRun NoRun = 63 << 4;

TAcRun PackRun(int bits, int before, int all) {
    return TAcRun((bits - 1) | before << 4 | (std::min(all, 64) - 1) << 10);
}

std::vector<TAcRun> AcRuns(const TJPEGHuffmanCode& ac) {
    std::vector<TAcRun> runs(std::size_t{1} << RunBits, NoRun);
    for (std::uint64_t value = 0; value < runs.size(); ++value) {
        int used = 0, advance = 0;
        while (used < RunBits) {
            const auto code = ac.Look(value << (64 - RunBits + used));
            const TAcStep step = AcStep(code.Length, code.Symbol);
            // Runs that move a block 63 or more along are never taken whole.
            if (code.Length == 0 || used + step.Bits > RunBits || advance > 62) {
                break;
            }
            used += step.Bits;
            runs[value] = PackRun(used, advance, advance + step.Advance);
            advance += step.Advance;
            if (step.Advance == 64) {
                break;
            }
        }
    }
    return runs;
}

// Steps over one block's codes as libjpeg decodes them; false on a code the
// tables do not hold.
bool SkipBlock(TBitReader& in, const TJPEGHuffmanCode& dc, const TJPEGHuffmanCode& ac,
               const TAcRun* runs, int& prediction) {
    in.Refill();
    auto code = dc.Look(in.Peek());
    if (code.Length == 0 && (code = dc.DecodeLong(in.Peek())).Length == 0) {
        return false;
    }
    in.Skip(code.Length);
    if (code.Symbol != 0) {
        const int difference = Extend(in.Take(code.Symbol), code.Symbol);
        // Summed as libjpeg does, wrapping rather than overflowing.
        prediction = static_cast<int>(unsigned(prediction) + unsigned(difference));
    }
    for (int k = 1; k < 64;) {
        in.Refill();
        // Several codes at once, unless the block may end before the last.
        const TAcRun run = runs[in.Peek() >> (64 - RunBits)];
        if (k + ((run >> 4) & 63) < 64) {
            in.Skip((run & 15) + 1);
            k += (run >> 10) + 1;
            continue;
        }
        code = ac.Look(in.Peek());
        if (code.Length == 0 && (code = ac.DecodeLong(in.Peek())).Length == 0) {
            return false;
        }
        const TAcStep step = AcStep(code.Length, code.Symbol);
        in.Skip(step.Bits);
        k += step.Advance;
    }
    return in.Bits() >= 0;
}

} // namespace

bool TJPEGEntropyScan::Follows(const jpeg_decompress_struct& c) {
    return !c.arith_code && !c.progressive_mode && c.restart_interval == 0 && c.Ss == 0 &&
           c.Se == DCTSIZE2 - 1 && c.Ah == 0 && c.Al == 0 && c.comps_in_scan == c.num_components &&
           c.comps_in_scan >= 2 && c.comps_in_scan <= MAX_COMPS_IN_SCAN;
}

bool TJPEGEntropyScan::Prepare(const jpeg_decompress_struct& c, std::size_t dataStart) {
    if (!Follows(c)) {
        return false;
    }
    FDataStart = dataStart;
    FComponents = c.comps_in_scan;
    FMcuBlocks.clear();
    std::array<bool, NUM_HUFF_TBLS> built{};
    int maxH = 1, maxV = 1;
    for (int i = 0; i < c.num_components; ++i) {
        maxH = std::max(maxH, c.comp_info[i].h_samp_factor);
        maxV = std::max(maxV, c.comp_info[i].v_samp_factor);
    }
    for (int i = 0; i < FComponents; ++i) {
        const jpeg_component_info& component = *c.cur_comp_info[i];
        // The scan header may name any table number; libjpeg refuses those
        // past its tables only when the decode starts.
        if (component.dc_tbl_no < 0 || component.dc_tbl_no >= NUM_HUFF_TBLS ||
            component.ac_tbl_no < 0 || component.ac_tbl_no >= NUM_HUFF_TBLS) {
            return false;
        }
        const JHUFF_TBL* dc = c.dc_huff_tbl_ptrs[component.dc_tbl_no];
        const JHUFF_TBL* ac = c.ac_huff_tbl_ptrs[component.ac_tbl_no];
        const auto acTable = std::size_t(component.ac_tbl_no);
        if (!dc || !ac || !FDcCodes[std::size_t(component.dc_tbl_no)].Build(*dc, true)) {
            return false;
        }
        if (!built[acTable]) {
            if (!FAcCodes[acTable].Build(*ac, false)) {
                return false;
            }
            FAcRuns[acTable] = AcRuns(FAcCodes[acTable]);
            built[acTable] = true;
        }
        FDcTable[std::size_t(i)] = component.dc_tbl_no;
        FAcTable[std::size_t(i)] = component.ac_tbl_no;
        FMcuBlocks.insert(FMcuBlocks.end(),
                          std::size_t(component.h_samp_factor * component.v_samp_factor), i);
    }
    if (FMcuBlocks.size() > C_MAX_BLOCKS_IN_MCU) {
        return false;
    }
    const auto roundUp = [](long a, long b) { return static_cast<int>((a + b - 1) / b); };
    FMcusPerRow = roundUp(long(c.image_width), long(maxH) * DCTSIZE);
    FMcuRows = roundUp(long(c.image_height), long(maxV) * DCTSIZE);
    return true;
}

std::optional<TJPEGRowStart> TJPEGEntropyScan::FindRow(const std::uint8_t* data, std::size_t size,
                                                       int row) const {
    if (row < 0 || row >= FMcuRows || FDataStart > size) {
        return std::nullopt;
    }
    TBitReader in(data + FDataStart, data + size);
    TJPEGRowStart start;
    for (long mcu = 0, mcus = long(row) * FMcusPerRow; mcu < mcus; ++mcu) {
        for (const int i : FMcuBlocks) {
            const TAcRun* runs = FAcRuns[std::size_t(FAcTable[std::size_t(i)])].data();
            if (!SkipBlock(in, DcCode(i), AcCode(i), runs, start.Dc[std::size_t(i)])) {
                return std::nullopt;
            }
        }
    }
    start.Byte = FDataStart + in.FileByte(in.DataByte());
    start.Bit = in.BitInByte();
    return start;
}

const TJPEGHuffmanCode& TJPEGEntropyScan::DcCode(int component) const {
    return FDcCodes[std::size_t(FDcTable[std::size_t(component)])];
}

const TJPEGHuffmanCode& TJPEGEntropyScan::AcCode(int component) const {
    return FAcCodes[std::size_t(FAcTable[std::size_t(component)])];
}

#include "JPEGRowStream.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <optional>

namespace {

// Where the frame header's height lies, found by walking the markers before
// the scan; nothing for anything but one baseline or extended sequential frame.
std::optional<std::size_t> FrameHeight(const std::uint8_t* data, std::size_t dataStart) {
    if (dataStart < 4 || data[0] != 0xFF || data[1] != 0xD8) {
        return std::nullopt;
    }
    std::optional<std::size_t> height;
    for (std::size_t at = 2; at + 4 <= dataStart;) {
        if (data[at] != 0xFF) {
            return std::nullopt;
        }
        while (at < dataStart && data[at] == 0xFF) {
            ++at; // fill bytes
        }
        if (at + 3 > dataStart) {
            return std::nullopt;
        }
        const std::uint8_t marker = data[at++];
        if (marker == 0xDA) {
            return height;
        }
        const std::size_t length = std::size_t(data[at]) << 8 | data[at + 1];
        if (length < 2 || at + length > dataStart) {
            return std::nullopt;
        }
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if ((marker != 0xC0 && marker != 0xC1) || height || length < 8) {
                return std::nullopt;
            }
            height = at + 3; // after the length and the sample precision
        }
        at += length;
    }
    return std::nullopt;
}

// Bits written from the top of each byte, a zero stuffed after each 0xFF.
class TBitWriter {
public:
    explicit TBitWriter(std::vector<std::uint8_t>& out) : FOut(out) {}

    void Put(unsigned bits, int count) {
        for (int i = count - 1; i >= 0; --i) {
            FByte = std::uint8_t(FByte << 1 | ((bits >> i) & 1));
            if (++FFilled == 8) {
                PutByte(FByte);
                FByte = 0;
                FFilled = 0;
            }
        }
    }
    void PutByte(std::uint8_t byte) {
        FOut.push_back(byte);
        if (byte == 0xFF) {
            FOut.push_back(0);
        }
    }
    // The bits of the byte begun, and that byte with them at its top.
    int Filled() const { return FFilled; }
    std::uint8_t Partial() const { return std::uint8_t(FByte << (8 - FFilled)); }

private:
    std::vector<std::uint8_t>& FOut;
    std::uint8_t FByte = 0;
    int FFilled = 0;
};

int Category(int value) {
    return std::bit_width(unsigned(std::abs(value)));
}

// A value of a category the table codes that leaves a rest of one it codes
// too (or nothing): for a rest smaller than every category the table has, as
// the tables of an encoder that kept only the symbols it used can be.
std::optional<int> Overshoot(int rest, const TJPEGHuffmanCode& dc) {
    for (int category = 1; category <= 15; ++category) {
        if (!dc.Has(category)) {
            continue;
        }
        for (int magnitude = 1 << (category - 1); magnitude < (1 << category); ++magnitude) {
            for (const int value : {magnitude, -magnitude}) {
                const int left = rest - value;
                if (left == 0 || dc.Has(std::min(Category(left), 16))) {
                    return value;
                }
            }
        }
    }
    return std::nullopt;
}

// DC differences that sum to `target`, each of a category the table codes,
// at most `most` of them; nothing when there are none such.
std::optional<std::vector<int>> DcDifferences(int target, const TJPEGHuffmanCode& dc,
                                              std::size_t most) {
    // A prediction far beyond any coefficient's range has wrapped around in a
    // malformed file: not worth making up.
    if (target < -0xFFFF || target > 0xFFFF) {
        return std::nullopt;
    }
    std::vector<int> differences;
    for (int rest = target; rest != 0;) {
        if (differences.size() == most) {
            return std::nullopt;
        }
        int category = std::min(Category(rest), 15);
        while (category > 0 && !dc.Has(category)) {
            --category;
        }
        if (category > 0) {
            const int step = std::min(std::abs(rest), (1 << category) - 1);
            differences.push_back(rest < 0 ? -step : step);
        } else if (const auto value = Overshoot(rest, dc)) {
            differences.push_back(*value);
        } else {
            return std::nullopt;
        }
        rest -= differences.back();
    }
    return differences;
}

// AC symbols written before the end of block to lengthen a flat block by
// `extra` bits modulo 8: at most seven, each at most 8 coefficients on, so
// that the block still ends at its end-of-block code. Nothing when the table
// has no such symbols.
std::optional<std::vector<int>> Padding(const TJPEGHuffmanCode& ac, int extra) {
    std::vector<int> symbols;
    for (int symbol = 1; symbol < 256; ++symbol) {
        if (ac.Has(symbol) && (symbol & 15) != 0 && (symbol >> 4) < 8) {
            symbols.push_back(symbol);
        }
    }
    // The fewest symbols that reach each residue, found breadth first.
    std::array<std::optional<std::vector<int>>, 8> reach;
    reach[0] = std::vector<int>{};
    for (int round = 0; round < 7; ++round) {
        auto next = reach;
        for (int from = 0; from < 8; ++from) {
            if (!reach[std::size_t(from)] ||
                reach[std::size_t(from)]->size() != std::size_t(round)) {
                continue;
            }
            for (const int symbol : symbols) {
                const int to = (from + ac.Length(symbol) + (symbol & 15)) % 8;
                if (!next[std::size_t(to)]) {
                    next[std::size_t(to)] = reach[std::size_t(from)];
                    next[std::size_t(to)]->push_back(symbol);
                }
            }
        }
        reach = next;
    }
    return reach[std::size_t(extra)];
}

} // namespace

bool TJPEGRowStream::Build(const std::uint8_t* data, std::size_t size,
                           const jpeg_decompress_struct& c, const TJPEGEntropyScan& scan,
                           std::size_t dataStart, int row, const TJPEGRowStart& start) {
    const std::optional<std::size_t> heightAt = FrameHeight(data, std::min(dataStart, size));
    if (!heightAt || start.Byte >= size) {
        return false;
    }
    const unsigned fileHeight = unsigned(data[*heightAt]) << 8 | data[*heightAt + 1];
    int maxV = 1;
    for (int i = 0; i < c.num_components; ++i) {
        maxV = std::max(maxV, c.comp_info[i].v_samp_factor);
    }
    const long rowHeight = long(maxV) * DCTSIZE;
    const long height = long(c.image_height) - row * rowHeight + rowHeight;
    if (fileHeight != c.image_height || row < 0 || height <= rowHeight || height > 0xFFFF) {
        return false;
    }
    FHeight = {std::uint8_t(height >> 8), std::uint8_t(height)};
    if (!MakeRow(scan, start, data[start.Byte])) {
        return false;
    }
    // The first byte of the row's data is in the made-up row's last byte,
    // with the zero stuffed after it when it is 0xFF.
    std::size_t resume = start.Byte;
    if (start.Bit > 0) {
        resume += data[start.Byte] == 0xFF ? 2 : 1;
    }
    if (resume > size) {
        return false;
    }
    FPieces = {{data, *heightAt},
               {FHeight.data(), FHeight.size()},
               {data + *heightAt + 2, dataStart - *heightAt - 2},
               {FRow.data(), FRow.size()},
               {data + resume, size - resume}};
    return true;
}

bool TJPEGRowStream::MakeRow(const TJPEGEntropyScan& scan, const TJPEGRowStart& start,
                             std::uint8_t firstByte) {
    const std::vector<int>& blocks = scan.McuBlocks();
    const int components = scan.Components();
    const std::size_t mcus = std::size_t(scan.McusPerRow());
    std::array<std::vector<int>, MAX_COMPS_IN_SCAN> differences;
    long bits = 0;
    for (int i = 0; i < components; ++i) {
        const TJPEGHuffmanCode& dc = scan.DcCode(i);
        const TJPEGHuffmanCode& ac = scan.AcCode(i);
        const auto perMcu = std::size_t(std::count(blocks.begin(), blocks.end(), i));
        auto found = DcDifferences(start.Dc[std::size_t(i)], dc, perMcu * mcus);
        if (!found || !dc.Has(0) || !ac.Has(0)) {
            return false;
        }
        differences[std::size_t(i)] = *found;
        for (const int d : *found) {
            bits += dc.Length(Category(d)) + Category(d);
        }
        bits +=
            long(perMcu * mcus - found->size()) * dc.Length(0) + long(perMcu * mcus) * ac.Length(0);
    }
    // The made-up row ends with as many bits in its last byte as the real
    // row's first byte gives to the rows above.
    const int extra = static_cast<int>(((start.Bit - bits) % 8 + 8) % 8);
    int padded = -1;
    std::vector<int> padding;
    for (int i = 0; i < components && padded < 0; ++i) {
        if (auto found = Padding(scan.AcCode(i), extra)) {
            padded = i;
            padding = *found;
        }
    }
    if (padded < 0) {
        return false;
    }
    FRow.clear();
    TBitWriter out(FRow);
    std::array<std::size_t, MAX_COMPS_IN_SCAN> written{};
    bool padDone = false;
    for (std::size_t mcu = 0; mcu < mcus; ++mcu) {
        for (const int i : blocks) {
            const TJPEGHuffmanCode& dc = scan.DcCode(i);
            const TJPEGHuffmanCode& ac = scan.AcCode(i);
            const std::vector<int>& mine = differences[std::size_t(i)];
            const int d = written[std::size_t(i)] < mine.size() ? mine[written[std::size_t(i)]] : 0;
            ++written[std::size_t(i)];
            const int category = Category(d);
            out.Put(dc.Code(category), dc.Length(category));
            out.Put(unsigned(d >= 0 ? d : d + (1 << category) - 1), category);
            if (i == padded && !padDone) {
                for (const int symbol : padding) {
                    out.Put(ac.Code(symbol), ac.Length(symbol));
                    out.Put((1u << (symbol & 15)) - 1, symbol & 15);
                }
                padDone = true;
            }
            out.Put(ac.Code(0), ac.Length(0));
        }
    }
    if (out.Filled() != start.Bit) {
        return false;
    }
    if (start.Bit > 0) {
        out.PutByte(std::uint8_t(out.Partial() | (firstByte & (0xFF >> start.Bit))));
    }
    return true;
}

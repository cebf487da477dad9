#include "BmpReader.h"

#include "Exceptions.h"
#include "Stream.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr std::uint16_t BitmapType = 0x4D42; // "BM"
constexpr std::uint32_t CoreHeaderSize = 12;
constexpr std::uint32_t InfoHeaderSize = 40;
constexpr std::uint32_t V4HeaderSize = 108;
constexpr std::uint32_t V5HeaderSize = 124;
constexpr std::uint32_t SpaceCalibrated = 0;
constexpr std::uint32_t SpaceEmbedded = 0x4D424544; // 'MBED'
constexpr std::uint32_t SpaceLinked = 0x4C494E4B;   // 'LINK'
constexpr std::size_t FileHeaderSize = 14;
constexpr std::size_t MaxColorTable = 256;

enum Compression : std::uint32_t { BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3 };

std::uint16_t Le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
std::uint32_t Le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

[[noreturn]] void Invalid() {
    throw EInvalidGraphic(SInvalidBitmap);
}

// The fields of either header kind, the core header's missing ones zero.
struct BitmapHeader {
    std::uint32_t Size = 0;
    std::int64_t Width = 0;
    std::int64_t Height = 0; // negative: rows stored top row first
    std::uint16_t Planes = 0;
    std::uint16_t BitCount = 0;
    std::uint32_t Compression = BI_RGB;
    std::uint32_t SizeImage = 0;
    std::uint32_t ClrUsed = 0;
    TColorMasks Masks;
    // A V4 or V5 header's colour space: its kind, the calibrated end points
    // (2.30 fixed point) and gammas (16.16), an embedded profile's place
    // counted from the start of the header.
    std::uint32_t SpaceKind = 0;
    std::uint32_t EndPoints[9] = {};
    std::uint32_t Gammas[3] = {};
    std::uint32_t ProfileData = 0;
    std::uint32_t ProfileSize = 0;
    std::uint64_t HeaderStart = 0;

    bool Core() const { return Size == CoreHeaderSize; }
    bool RunLength() const { return Compression == BI_RLE8 || Compression == BI_RLE4; }
};

// A header that ends before its stated size is not a bitmap we read.
void ReadHeaderBytes(TStream& stream, std::uint8_t* buffer, std::size_t count) {
    if (stream.Read(buffer, count) != count) {
        Invalid();
    }
}

BitmapHeader ReadHeader(TStream& stream) {
    BitmapHeader h;
    h.HeaderStart = stream.Position();
    std::uint8_t size[4];
    ReadHeaderBytes(stream, size, sizeof size);
    h.Size = Le32(size);
    if (h.Size == CoreHeaderSize) {
        std::uint8_t core[8];
        ReadHeaderBytes(stream, core, sizeof core);
        h.Width = Le16(core);
        h.Height = Le16(core + 2);
        h.Planes = Le16(core + 4);
        h.BitCount = Le16(core + 6);
        return h;
    }
    if (h.Size < InfoHeaderSize) {
        Invalid();
    }
    std::uint8_t info[36];
    ReadHeaderBytes(stream, info, sizeof info);
    h.Width = static_cast<std::int32_t>(Le32(info));
    h.Height = static_cast<std::int32_t>(Le32(info + 4));
    h.Planes = Le16(info + 8);
    h.BitCount = Le16(info + 10);
    h.Compression = Le32(info + 12);
    h.SizeImage = Le32(info + 16);
    h.ClrUsed = Le32(info + 28);

    // A longer header carries the colour masks right after the 40 bytes.
    std::uint64_t extra = h.Size - InfoHeaderSize;
    if (extra > stream.Remaining()) {
        Invalid();
    }
    // The V4 and V5 fields past the masks, up to the V5 header's end.
    std::uint8_t more[V5HeaderSize - InfoHeaderSize] = {};
    const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(extra, sizeof more));
    ReadHeaderBytes(stream, more, n);
    if (n > 0 && h.Compression == BI_BITFIELDS) {
        h.Masks = {Le32(more), Le32(more + 4), Le32(more + 8)};
    }
    if (h.Size >= V4HeaderSize) {
        h.SpaceKind = Le32(more + 16);
        for (int i = 0; i < 9; ++i) {
            h.EndPoints[i] = Le32(more + 20 + 4 * i);
        }
        for (int i = 0; i < 3; ++i) {
            h.Gammas[i] = Le32(more + 56 + 4 * i);
        }
    }
    if (h.Size >= V5HeaderSize) {
        h.ProfileData = Le32(more + 72);
        h.ProfileSize = Le32(more + 76);
    }
    stream.Seek(stream.Position() + (extra - n));
    return h;
}

// Calibrated end points and gammas as a colour space; none when they are
// left zero, as many writers leave them.
std::shared_ptr<const TColourProfile> CalibratedSpace(const BitmapHeader& h) {
    double xyz[9];
    for (int i = 0; i < 9; ++i) {
        xyz[i] = h.EndPoints[i] / double(1u << 30);
    }
    auto xy = [](double x, double y, double z) {
        const double sum = x + y + z;
        return sum > 0 ? TColourProfile::TXy{x / sum, y / sum} : TColourProfile::TXy{};
    };
    const TColourProfile::TPrimaries primaries{
        xy(xyz[0] + xyz[3] + xyz[6], xyz[1] + xyz[4] + xyz[7], xyz[2] + xyz[5] + xyz[8]),
        xy(xyz[0], xyz[1], xyz[2]), xy(xyz[3], xyz[4], xyz[5]), xy(xyz[6], xyz[7], xyz[8])};
    const double gamma[3] = {h.Gammas[0] / 65536.0, h.Gammas[1] / 65536.0, h.Gammas[2] / 65536.0};
    if (gamma[0] <= 0 || gamma[1] <= 0 || gamma[2] <= 0) {
        return nullptr;
    }
    return TColourProfile::FromPrimaries(primaries, gamma, "キャリブレーション済み RGB");
}

// The colour space a V4 or V5 header names. A linked profile names a file
// elsewhere, which is never opened: the picture is then untagged.
void ReadColourSpace(TStream& stream, const BitmapHeader& h, TBitmapImage& image) {
    switch (h.SpaceKind) {
    case SpaceCalibrated:
        if (h.Size >= V4HeaderSize) {
            image.Profile = CalibratedSpace(h);
        }
        return;
    case SpaceEmbedded: {
        if (h.ProfileSize > TColourProfile::MaxIccBytes ||
            h.HeaderStart + h.ProfileData + h.ProfileSize > stream.Size()) {
            image.ProfileRefused = "埋め込まれたプロファイルがファイルに収まっていません";
            return;
        }
        std::vector<std::uint8_t> icc(h.ProfileSize);
        stream.Seek(h.HeaderStart + h.ProfileData);
        if (stream.Read(icc.data(), icc.size()) != icc.size()) {
            image.ProfileRefused = "埋め込まれたプロファイルを読めません";
            return;
        }
        AttachProfile(image, icc, true);
        return;
    }
    case SpaceLinked:
        image.ProfileRefused = "ほかのファイルにあるプロファイルは開きません";
        return;
    default: // sRGB, the system's space, or one unknown: sRGB
        return;
    }
}

bool CompressionFitsDepth(const BitmapHeader& h) {
    switch (h.Compression) {
    case BI_RGB:
        return true;
    case BI_RLE8:
        return h.BitCount == 8;
    case BI_RLE4:
        return h.BitCount == 4;
    case BI_BITFIELDS:
        return h.BitCount == 16 || h.BitCount == 32;
    default:
        return false;
    }
}

void Validate(const BitmapHeader& h) {
    if (!TBitmapImage::ValidBitCount(h.BitCount) || !CompressionFitsDepth(h)) {
        Invalid();
    }
    // Run-length data is always stored bottom row first.
    if (h.Height < 0 && h.RunLength()) {
        Invalid();
    }
    TBitmapImage::CheckSize(h.Width, std::llabs(h.Height), h.RunLength() ? 24 : h.BitCount);
}

std::vector<TRGBQuad> ReadColorTable(TStream& stream, const BitmapHeader& h) {
    std::uint64_t count = h.ClrUsed;
    if (count == 0 && h.BitCount <= 8) {
        count = std::uint64_t{1} << h.BitCount;
    }
    if (count > MaxColorTable) {
        Invalid();
    }
    const std::size_t entrySize = h.Core() ? 3 : 4;
    std::uint8_t raw[MaxColorTable * 4];
    stream.ReadBuffer(raw, static_cast<std::size_t>(count) * entrySize);
    std::vector<TRGBQuad> table(static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < table.size(); ++i) {
        const std::uint8_t* e = raw + i * entrySize;
        table[i] = {e[0], e[1], e[2]};
    }
    return table;
}

std::shared_ptr<TBitmapImage> ReadUncompressed(TStream& stream, const BitmapHeader& h,
                                               std::uint64_t imageSize) {
    const int height = static_cast<int>(std::llabs(h.Height));
    // The file's bytes go straight into the pixel memory; what a short file
    // leaves unread is cleared.
    auto image = std::make_shared<TBitmapImage>(static_cast<int>(h.Width), height, h.BitCount,
                                                h.Height > 0, false);
    const auto wanted =
        static_cast<std::size_t>(std::min<std::uint64_t>(imageSize, image->ByteSize()));
    image->SetValidBytes(stream.Read(image->Bits(), wanted));
    std::memset(image->Bits() + image->ValidBytes(), 0, image->ByteSize() - image->ValidBytes());
    return image;
}

// Paints run-length coded 8- or 4-bit pixels into a 24-bit picture through
// the colour table. Pixels the data never reaches stay black; writes outside
// the picture are dropped.
class RunLengthDecoder {
public:
    RunLengthDecoder(TBitmapImage& image, const std::vector<TRGBQuad>& table, bool fourBit)
        : FImage(image), FTable(table), FFourBit(fourBit) {}

    void Decode(const TLargeBuffer& data);

private:
    void Put(std::uint8_t index) {
        if (FX < FImage.Width() && FY < FImage.Height()) {
            // The image is stored bottom-up like the data: row FY of storage.
            std::uint8_t* p = FImage.Bits() + static_cast<std::size_t>(FY) * FImage.Stride() +
                              static_cast<std::size_t>(FX) * 3;
            if (index < FTable.size()) {
                p[0] = FTable[index].Blue;
                p[1] = FTable[index].Green;
                p[2] = FTable[index].Red;
            }
        }
        ++FX;
    }
    void EncodedRun(std::uint8_t count, std::uint8_t value);

    TBitmapImage& FImage;
    const std::vector<TRGBQuad>& FTable;
    bool FFourBit;
    std::int64_t FX = 0;
    std::int64_t FY = 0; // counted from the bottom row
};

void RunLengthDecoder::EncodedRun(std::uint8_t count, std::uint8_t value) {
    // Only the part of the run inside the row is painted; the rest just moves x.
    const std::int64_t inside = std::clamp<std::int64_t>(FImage.Width() - FX, 0, count);
    const std::int64_t end = FX + count;
    for (std::int64_t k = 0; k < inside; ++k) {
        Put(FFourBit ? static_cast<std::uint8_t>(k % 2 == 0 ? value >> 4 : value & 0x0F) : value);
    }
    FX = end;
}

void RunLengthDecoder::Decode(const TLargeBuffer& buffer) {
    const std::uint8_t* data = buffer.Data();
    const std::size_t n = buffer.Size();
    std::size_t i = 0;
    const std::int64_t height = FImage.Height();
    while (i + 1 < n && FY < height) {
        const std::uint8_t count = data[i];
        const std::uint8_t code = data[i + 1];
        i += 2;
        if (count > 0) {
            EncodedRun(count, code);
        } else if (code == 0) { // end of line
            FX = 0;
            ++FY;
        } else if (code == 1) { // end of bitmap
            break;
        } else if (code == 2) { // delta: move right and up
            if (i + 1 >= n) {
                break;
            }
            FX += data[i];
            FY += data[i + 1];
            i += 2;
        } else { // absolute run of `code` pixels, padded to a 16-bit boundary
            const std::size_t bytes = FFourBit ? (code + 1u) / 2 : code;
            if (i + bytes > n) {
                break;
            }
            for (std::size_t k = 0; k < code; ++k) {
                if (FFourBit) {
                    const std::uint8_t b = data[i + k / 2];
                    Put(static_cast<std::uint8_t>(k % 2 == 0 ? b >> 4 : b & 0x0F));
                } else {
                    Put(data[i + k]);
                }
            }
            i += bytes + (bytes & 1);
        }
    }
}

std::shared_ptr<TBitmapImage> ReadRunLength(TStream& stream, const BitmapHeader& h,
                                            const std::vector<TRGBQuad>& table,
                                            std::uint64_t imageSize) {
    auto image = std::make_shared<TBitmapImage>(static_cast<int>(h.Width),
                                                static_cast<int>(h.Height), 24, true);
    TLargeBuffer data(static_cast<std::size_t>(std::min(imageSize, stream.Remaining())), false);
    data.Shrink(stream.Read(data.Data(), data.Size()));
    RunLengthDecoder(*image, table, h.Compression == BI_RLE4).Decode(data);
    return image;
}

} // namespace

std::shared_ptr<TBitmapImage> ReadBMP(TStream& stream) {
    if (stream.Remaining() == 0) {
        return nullptr;
    }
    std::uint8_t fileHeader[FileHeaderSize];
    stream.ReadBuffer(fileHeader, sizeof fileHeader);
    if (Le16(fileHeader) != BitmapType) {
        Invalid();
    }
    // The rest of the file header, the pixel offset included, is not used:
    // pixels are taken from right after the colour table.
    BitmapHeader h = ReadHeader(stream);
    if (h.Planes != 1) {
        Invalid();
    }
    if (h.Size == InfoHeaderSize && h.Compression == BI_BITFIELDS &&
        (h.BitCount == 16 || h.BitCount == 32)) {
        std::uint8_t masks[12];
        stream.ReadBuffer(masks, sizeof masks);
        h.Masks = {Le32(masks), Le32(masks + 4), Le32(masks + 8)};
    }
    Validate(h);
    std::vector<TRGBQuad> table = ReadColorTable(stream, h);

    const std::uint64_t imageSize = h.SizeImage != 0
                                        ? h.SizeImage
                                        : TBitmapImage::RowBytes(h.Width, h.BitCount) *
                                              static_cast<std::uint64_t>(std::llabs(h.Height));
    if (h.RunLength()) {
        auto image = ReadRunLength(stream, h, table, imageSize);
        ReadColourSpace(stream, h, *image);
        return image;
    }
    auto image = ReadUncompressed(stream, h, imageSize);
    ReadColourSpace(stream, h, *image);
    if (h.BitCount <= 8) {
        image->ColorTable = std::move(table);
    } else if (h.Compression == BI_BITFIELDS) {
        image->Masks = h.Masks;
    } else {
        image->Masks = h.BitCount == 16 ? DefaultMasks16 : DefaultMasks32;
    }
    return image;
}

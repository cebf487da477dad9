#include "StretchDraw.h"

#include "ColourProfile.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace {

// 0x00BBGGRR to the 0xFFRRGGBB of a 32-bit screen pixel.
constexpr std::uint32_t ScreenPixel(TColor color) {
    const auto c = static_cast<std::uint32_t>(color);
    return 0xFF000000u | (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF);
}

bool DefaultMasks32(const TColorMasks& m) {
    return m.Red == 0xFF0000 && m.Green == 0x00FF00 && m.Blue == 0x0000FF;
}

bool SameMasks(const TColorMasks& a, const TColorMasks& b) {
    return a.Red == b.Red && a.Green == b.Green && a.Blue == b.Blue;
}

// Paints single picture rows into screen rows for one layout.
class RowPainter {
public:
    RowPainter(const TBitmapImage& image, TStretchScratch& scratch,
               const TColourProfile* shownThrough)
        : FImage(image), FShownThrough(shownThrough) {
        if (image.BitCount() <= 8) {
            for (unsigned i = 0; i < FTable.size(); ++i) {
                FTable[i] = ScreenPixel(image.TableColor(i));
            }
            // A colour table is converted once, in place of its pixels.
            ShowConverted(FTable.data(), int(FTable.size()));
            FConvertRows = false;
        } else if (image.BitCount() == 16) {
            PrepareColors16(scratch);
            FColors16 = scratch.Colors16.data();
        }
    }

    void Paint(int y, const int* columns, int count, std::uint32_t* out) const {
        PaintStored(y, columns, count, out);
        if (FConvertRows) {
            ShowConverted(out, count);
        }
    }

    // A picture with alpha, blended over the checkerboard square each view
    // pixel falls in; viewLeft and viewRow place the row in the view.
    void PaintOverChecker(int y, const int* columns, int count, int viewLeft, int viewRow,
                          std::uint32_t* out) const {
        const std::uint8_t* row = FImage.ScanLine(y);
        for (int i = 0; i < count; ++i) {
            std::memcpy(&out[i], row + std::size_t(columns[i]) * 4, 4);
        }
        ShowConverted(out, count); // alpha kept
        const bool darkRow = (viewRow / CheckerSize) % 2 != 0;
        for (int i = 0; i < count; ++i) {
            const std::uint32_t pixel = out[i];
            const bool dark = darkRow != ((viewLeft + i) / CheckerSize % 2 != 0);
            const unsigned under = dark ? CheckerDark : CheckerLight;
            const unsigned alpha = pixel >> 24;
            auto blend = [&](int shift) {
                const unsigned c = pixel >> shift & 0xFF;
                return (c * alpha + under * (255 - alpha) + 127) / 255 << shift;
            };
            out[i] = 0xFF000000u | blend(16) | blend(8) | blend(0);
        }
    }

private:
    void ShowConverted(std::uint32_t* out, int count) const {
        if (FShownThrough) {
            auto* bytes = reinterpret_cast<std::uint8_t*>(out);
            FShownThrough->ToSrgb8(bytes, bytes, std::size_t(count), 4);
        }
    }

    void PaintStored(int y, const int* columns, int count, std::uint32_t* out) const {
        const std::uint8_t* row = FImage.ScanLine(y);
        const std::size_t rowEnd = static_cast<std::size_t>(row - FImage.Bits()) + FImage.Stride();
        if (rowEnd > FImage.ValidBytes()) {
            PaintByPixel(y, columns, count, out); // part of the row has no data
            return;
        }
        switch (FImage.BitCount()) {
        case 1:
            for (int i = 0; i < count; ++i) {
                const int x = columns[i];
                out[i] = FTable[(row[x >> 3] >> (7 - (x & 7))) & 1];
            }
            break;
        case 4:
            for (int i = 0; i < count; ++i) {
                const int x = columns[i];
                const std::uint8_t b = row[x >> 1];
                out[i] = FTable[(x & 1) ? (b & 0x0F) : (b >> 4)];
            }
            break;
        case 8:
            for (int i = 0; i < count; ++i) {
                out[i] = FTable[row[columns[i]]];
            }
            break;
        case 16:
            for (int i = 0; i < count; ++i) {
                const std::uint8_t* p = row + std::size_t(columns[i]) * 2;
                out[i] = FColors16[p[0] | p[1] << 8];
            }
            break;
        case 24:
            for (int i = 0; i < count; ++i) {
                const std::uint8_t* p = row + std::size_t(columns[i]) * 3;
                out[i] = 0xFF000000u | std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
            }
            break;
        default:
            if (DefaultMasks32(FImage.Masks)) {
                for (int i = 0; i < count; ++i) {
                    const std::uint8_t* p = row + std::size_t(columns[i]) * 4;
                    out[i] =
                        0xFF000000u | std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
                }
            } else {
                for (int i = 0; i < count; ++i) {
                    const std::uint8_t* p = row + std::size_t(columns[i]) * 4;
                    std::uint32_t v;
                    std::memcpy(&v, p, 4);
                    out[i] = ScreenPixel(FImage.MaskedColor(v));
                }
            }
            break;
        }
    }

    void PaintByPixel(int y, const int* columns, int count, std::uint32_t* out) const {
        for (int i = 0; i < count; ++i) {
            out[i] = ScreenPixel(FImage.Pixel(columns[i], y));
        }
        if (!FConvertRows) {
            ShowConverted(out, count); // stored colours, not the converted table's
        }
    }

    // 16-bit pictures have only 65,536 pixel values: their colours are worked
    // out once per set of masks.
    void PrepareColors16(TStretchScratch& scratch) const {
        if (scratch.Colors16.size() == 0x10000 && SameMasks(scratch.Masks16, FImage.Masks)) {
            return;
        }
        scratch.Colors16.resize(0x10000);
        for (std::uint32_t v = 0; v < 0x10000; ++v) {
            scratch.Colors16[v] = ScreenPixel(FImage.MaskedColor(v));
        }
        scratch.Masks16 = FImage.Masks;
    }

    const TBitmapImage& FImage;
    const TColourProfile* FShownThrough;
    bool FConvertRows = true; // false where the colour table was converted
    std::array<std::uint32_t, 256> FTable{};
    const std::uint32_t* FColors16 = nullptr;
};

} // namespace

TDeviceSpan DeviceSpan(int start, int length, double ratio) {
    const long first = std::lround(start * ratio);
    const long end = std::lround((double(start) + length) * ratio);
    return {static_cast<int>(first), static_cast<int>(end - first)};
}

TViewRect DeviceRect(int left, int top, int width, int height, double ratio) {
    const TDeviceSpan columns = DeviceSpan(left, width, ratio);
    const TDeviceSpan rows = DeviceSpan(top, height, ratio);
    return {columns.Start, rows.Start, columns.Length, rows.Length};
}

void StretchDraw(const TBitmapImage& image, int viewWidth, int viewHeight, TViewRect area,
                 std::uint32_t* out, std::size_t stride, TStretchScratch& scratch,
                 const TColourProfile* shownThrough) {
    // Only the part of the area inside the view is painted.
    const int left = std::max(area.Left, 0);
    const int top = std::max(area.Top, 0);
    const int right = std::min<std::int64_t>(std::int64_t(area.Left) + area.Width, viewWidth);
    const int bottom = std::min<std::int64_t>(std::int64_t(area.Top) + area.Height, viewHeight);
    if (image.Width() == 0 || right <= left || bottom <= top) {
        return;
    }
    out += std::size_t(top - area.Top) * stride + std::size_t(left - area.Left);
    area = {left, top, right - left, bottom - top};
    const int width = image.Width();
    const int height = image.Height();
    if (scratch.Columns.size() < std::size_t(area.Width)) {
        scratch.Columns.resize(std::size_t(area.Width));
    }
    int* columns = scratch.Columns.data();
    for (int i = 0; i < area.Width; ++i) {
        columns[i] = PictureCoordinate(area.Left + i, width, viewWidth);
    }
    const RowPainter painter(image, scratch, shownThrough);
    if (image.AlphaChannel && image.BitCount() == 32 && image.ValidBytes() == image.ByteSize()) {
        for (int j = 0; j < area.Height; ++j) {
            const int y = PictureCoordinate(area.Top + j, height, viewHeight);
            painter.PaintOverChecker(y, columns, area.Width, area.Left, area.Top + j,
                                     out + std::size_t(j) * stride);
        }
        return;
    }
    int previous = -1;
    for (int j = 0; j < area.Height; ++j) {
        const int y = PictureCoordinate(area.Top + j, height, viewHeight);
        std::uint32_t* row = out + std::size_t(j) * stride;
        if (y == previous) {
            std::memcpy(row, row - stride, std::size_t(area.Width) * 4);
        } else {
            painter.Paint(y, columns, area.Width, row);
            previous = y;
        }
    }
}

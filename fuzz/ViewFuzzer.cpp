// The whole road of a picked file: the bytes loaded as a BMP or a JPEG (by
// their first byte, as an extension would choose), converted into a bitmap,
// a small exposed area of a zoomed view painted (through the picture's own
// colour profile, where it carries one), and picks made there. Every painted
// pixel must be the colour the pick at that point reads, converted by the
// profile: a mismatch stops the run.
#include "Bitmap.h"
#include "ColourProfile.h"
#include "Exceptions.h"
#include "JPEGImage.h"
#include "Stream.h"
#include "StretchDraw.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

constexpr std::array<int, 17> ZoomPercents{10,  20,  30,  40,  50,  60,  70,  80, 90,
                                           100, 200, 300, 400, 500, 600, 700, 800};

std::uint32_t ScreenPixel(TColor c, const TColourProfile* profile) {
    const auto v = static_cast<std::uint32_t>(c);
    std::uint32_t pixel = 0xFF000000u | (v & 0xFF) << 16 | (v & 0xFF00) | (v >> 16 & 0xFF);
    if (profile) {
        auto* bytes = reinterpret_cast<std::uint8_t*>(&pixel);
        profile->ToSrgb8(bytes, bytes, 1, 4);
    }
    return pixel;
}

void PaintAndPick(const TBitmap& bitmap, std::uint8_t choice) {
    if (bitmap.Empty()) {
        return;
    }
    const int percent = ZoomPercents[choice % ZoomPercents.size()];
    const int vw = int(std::int64_t(bitmap.Width()) * percent / 100);
    const int vh = int(std::int64_t(bitmap.Height()) * percent / 100);
    if (vw == 0 || vh == 0) {
        return; // nothing to show or click
    }
    // A 16 x 16 area at the view's bottom-right corner, where rounding bites.
    const TViewRect area{vw > 16 ? vw - 16 : 0, vh > 16 ? vh - 16 : 0, 16, 16};
    std::array<std::uint32_t, 16 * 16> out{};
    TStretchScratch scratch;
    const TColourProfile* profile = bitmap.Image()->Profile.get();
    StretchDraw(*bitmap.Image(), vw, vh, area, out.data(), 16, scratch, profile);
    for (int j = 0; j < 16 && area.Top + j < vh; ++j) {
        for (int i = 0; i < 16 && area.Left + i < vw; ++i) {
            const int x = PictureCoordinate(area.Left + i, bitmap.Width(), vw);
            const int y = PictureCoordinate(area.Top + j, bitmap.Height(), vh);
            if (x >= bitmap.Width() || y >= bitmap.Height() ||
                out[std::size_t(j) * 16 + std::size_t(i)] !=
                    ScreenPixel(bitmap.Pixel(x, y), profile)) {
                std::abort();
            }
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        TMemoryStream stream(data, size);
        const bool bmp = size >= 1 && data[0] == 'B';
        TBitmap bitmap;
        if (bmp) {
            bitmap.LoadFromStream(stream);
        } else {
            TJPEGImage jpeg;
            jpeg.LoadFromStream(stream);
            bitmap.Assign(jpeg);
        }
        PaintAndPick(bitmap, size > 0 ? data[size - 1] : 0);
    } catch (const Exception&) {
    } catch (const std::bad_alloc&) {
    }
    return 0;
}

#include "StretchDraw.h"
#include "BmpBuilder.h"
#include "ColourProfile.h"
#include "ColourProfileSupport.h"
#include "ImagingTestSupport.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

constexpr std::uint32_t ScreenPixel(TColor c) {
    const auto v = static_cast<std::uint32_t>(c);
    return 0xFF000000u | (v & 0xFF) << 16 | (v & 0xFF00) | (v >> 16 & 0xFF);
}

// A picture of every layout the reader makes, each pixel a different value
// where the layout allows.
std::vector<std::pair<const char*, TBitmap>> Layouts() {
    const int w = 13, h = 7;
    auto pixels = [&](int bitCount) {
        const std::size_t stride = (std::size_t(w) * bitCount + 31) / 32 * 4;
        std::vector<std::uint8_t> p(stride * h);
        for (std::size_t i = 0; i < p.size(); ++i) {
            p[i] = std::uint8_t(i * 37 + 11);
        }
        return p;
    };
    std::vector<std::array<std::uint8_t, 3>> table;
    for (int i = 0; i < 256; ++i) {
        table.push_back({std::uint8_t(i), std::uint8_t(255 - i), std::uint8_t(i * 7)});
    }
    std::vector<std::pair<const char*, TBitmap>> out;
    auto layout = [&](int bitCount) {
        BmpLayout b;
        b.Width = w;
        b.Height = h;
        b.BitCount = std::uint16_t(bitCount);
        b.Pixels = pixels(bitCount);
        if (bitCount <= 8) {
            b.Table = table;
        }
        return b;
    };
    auto add = [&](const char* name, const BmpLayout& b) {
        out.emplace_back(name, LoadBmpBytes(BuildBmp(b)));
    };
    BmpLayout b = layout(1);
    b.Table = {table[3], table[200]};
    add("1-bit", b);
    b = layout(4);
    b.Table.resize(5);
    add("4-bit, short table", b);
    add("8-bit, full table", layout(8));
    b = layout(8);
    b.Height = -h;
    add("8-bit, top-down", b);
    b = layout(8);
    b.Pixels.resize(30);
    add("8-bit, short data", b);
    add("16-bit 5-5-5", layout(16));
    b = layout(16);
    b.Compression = 3;
    b.Masks = {0xF800, 0x07E0, 0x001F};
    add("16-bit 5-6-5", b);
    add("24-bit", layout(24));
    add("32-bit", layout(32));
    b = layout(32);
    b.Compression = 3;
    b.Masks = {0x000003FF, 0x000FFC00, 0x3FF00000};
    add("32-bit, odd masks", b);
    b = layout(8);
    b.Compression = 1;
    b.Pixels = {3, 7, 0, 4, 1, 2, 3, 9, 0, 0, 5, 200, 0, 2, 2, 1, 4, 9, 0, 1};
    add("RLE8", b);
    auto alpha = std::make_shared<TBitmapImage>(w, h, 32, true, false);
    alpha->AlphaChannel = true;
    const std::vector<std::uint8_t> values = pixels(32);
    std::copy(values.begin(), values.end(), alpha->Bits());
    out.emplace_back("32-bit with alpha", TBitmap(alpha));
    return out;
}

// What the view shows for a picture pixel: through the profile's own 8-bit
// road when one is given, over the checkerboard where the picture has alpha.
std::uint32_t Shown(const TBitmapImage& image, int x, int y, int viewX, int viewY,
                    const TColourProfile* profile) {
    std::uint32_t pixel = ScreenPixel(image.Pixel(x, y));
    if (image.AlphaChannel) {
        std::memcpy(&pixel, image.ScanLine(y) + std::size_t(x) * 4, 4);
    }
    if (profile) {
        auto* bytes = reinterpret_cast<std::uint8_t*>(&pixel);
        profile->ToSrgb8(bytes, bytes, 1, 4);
    }
    if (!image.AlphaChannel) {
        return pixel;
    }
    const bool dark = (viewY / CheckerSize % 2 != 0) != (viewX / CheckerSize % 2 != 0);
    const unsigned under = dark ? CheckerDark : CheckerLight;
    const unsigned alpha = pixel >> 24;
    std::uint32_t blended = 0xFF000000u;
    for (int shift : {0, 8, 16}) {
        blended |= ((pixel >> shift & 0xFF) * alpha + under * (255 - alpha) + 127) / 255 << shift;
    }
    return blended;
}

} // namespace

// Of every layout, with and without a colour profile to paint through.
TEST(StretchDraw, EveryPaintedPixelIsThePixelAPickReads) {
    TStretchScratch scratch;
    const auto p3 = TColourProfile::FromIcc(DisplayP3Icc());
    for (const auto& [name, bitmap] : Layouts()) {
        for (const TColourProfile* profile :
             {static_cast<const TColourProfile*>(nullptr), p3.get()}) {
            const TBitmapImage& image = *bitmap.Image();
            for (int percent : {10, 30, 100, 300, 800}) {
                const int vw = image.Width() * percent / 100;
                const int vh = image.Height() * percent / 100;
                // The whole view, and an area hanging over its bottom-right edge.
                for (const TViewRect area :
                     {TViewRect{0, 0, vw, vh}, TViewRect{vw / 3, vh / 2, vw, vh}}) {
                    SCOPED_TRACE(std::string(name) + " at " + std::to_string(percent) + "%" +
                                 (profile ? " through Display P3" : ""));
                    const std::uint32_t untouched = 0x12345678;
                    std::vector<std::uint32_t> out(std::size_t(area.Width + 3) * area.Height + 1,
                                                   untouched);
                    StretchDraw(image, vw, vh, area, out.data(), std::size_t(area.Width + 3),
                                scratch, profile);
                    int wrong = 0;
                    for (int j = 0; j < area.Height; ++j) {
                        for (int i = 0; i < area.Width + 3; ++i) {
                            const int x = area.Left + i;
                            const int y = area.Top + j;
                            const std::uint32_t painted =
                                out[std::size_t(j) * (area.Width + 3) + i];
                            const bool inside = i < area.Width && x < vw && y < vh;
                            const std::uint32_t expected =
                                inside
                                    ? Shown(image, PictureCoordinate(x, image.Width(), vw),
                                            PictureCoordinate(y, image.Height(), vh), x, y, profile)
                                    : untouched;
                            wrong += painted != expected;
                        }
                    }
                    EXPECT_EQ(wrong, 0);
                }
            }
        }
    }
}

TEST(StretchDraw, PictureCoordinatesTruncateTowardZero) {
    struct Case {
        int V, Picture, View, Expected;
    };
    for (const Case& c : {Case{0, 100, 200, 0}, Case{1, 100, 200, 0}, Case{2, 100, 200, 1},
                          Case{3, 100, 200, 1}, Case{1, 25, 2, 12}, Case{-1, 100, 200, 0},
                          Case{-3, 100, 200, -1}, Case{199, 100, 200, 99}, Case{47, 640, 48, 626},
                          Case{16777214, INT32_MAX / 2, 16777215, INT32_MAX / 2 - 65}}) {
        EXPECT_EQ(PictureCoordinate(c.V, c.Picture, c.View), c.Expected)
            << c.V << " " << c.Picture << " " << c.View;
    }
    // The last column of any view maps inside the picture.
    for (int picture : {1, 7, 25, 640, 6000}) {
        for (int view : {1, 2, picture / 10 + 1, picture, picture * 8}) {
            EXPECT_LT(PictureCoordinate(view - 1, picture, view), picture);
        }
    }
}

// The device pixels Qt's backing store gave a 25-pixel-wide control at
// logical x 5 (and one at -1, scrolled) at each ratio, read off the store.
TEST(StretchDraw, DeviceSpansAreTheBackingStoresPixels) {
    struct Case {
        int Start, Length;
        double Ratio;
        int DeviceStart, DeviceLength;
    };
    for (const Case& c :
         {Case{5, 25, 1.0, 5, 25}, Case{5, 25, 1.25, 6, 32}, Case{5, 25, 1.5, 8, 37},
          Case{5, 25, 1.75, 9, 44}, Case{5, 25, 2.0, 10, 50}, Case{5, 25, 3.0, 15, 75},
          Case{4, 13, 1.5, 6, 20}, Case{-1, 10, 1.5, -2, 16}, Case{-3, 7, 1.25, -4, 9}}) {
        const TDeviceSpan span = DeviceSpan(c.Start, c.Length, c.Ratio);
        EXPECT_EQ(span.Start, c.DeviceStart) << c.Start << " at " << c.Ratio;
        EXPECT_EQ(span.Length, c.DeviceLength) << c.Start << " at " << c.Ratio;
    }
}

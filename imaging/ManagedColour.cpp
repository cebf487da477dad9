#include "ManagedColour.h"

#include "UsableCores.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

namespace {

bool NeedsConversion(const TBitmapImage& stored) {
    return stored.Profile && !stored.Profile->IsSrgb();
}

// The pixels as 32-bit blue, green, red and unused bytes, for layouts the
// conversion does not take as they are (16-bit, masks of other places).
std::shared_ptr<TBitmapImage> Widened(const TBitmapImage& stored) {
    auto wide = std::make_shared<TBitmapImage>(stored.Width(), stored.Height(), 32,
                                               stored.BottomUp(), false);
    wide->Masks = DefaultMasks32;
    for (int y = 0; y < stored.Height(); ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(wide->ScanLine(y));
        for (int x = 0; x < stored.Width(); ++x) {
            const TColor c = stored.Pixel(x, y);
            row[x] = std::uint32_t(GetBValue(c)) | std::uint32_t(GetGValue(c)) << 8 |
                     std::uint32_t(GetRValue(c)) << 16;
        }
    }
    return wide;
}

// Every row of `from` into `to`, in pieces of rows taken by whichever
// thread is free.
void ConvertRows(const TColourProfile& profile, const TBitmapImage& from, TBitmapImage& to,
                 int bytesPerPixel) {
    const int rows = from.Height();
    const int threads = std::clamp(UsableCores(), 1, std::max(1, rows / 16));
    constexpr int Piece = 64;
    std::atomic<int> next{0};
    auto work = [&] {
        for (int first; (first = next.fetch_add(Piece)) < rows;) {
            for (int y = first; y < std::min(first + Piece, rows); ++y) {
                profile.ToSrgb8(from.ScanLine(y), to.ScanLine(y), std::size_t(from.Width()),
                                bytesPerPixel);
            }
        }
    };
    std::vector<std::jthread> helpers;
    for (int i = 1; i < threads; ++i) {
        helpers.emplace_back(work);
    }
    work();
}

} // namespace

std::shared_ptr<TBitmapImage> ShownInSrgb(const TBitmapImage& stored) {
    if (!NeedsConversion(stored)) {
        return nullptr;
    }
    const TColourProfile& profile = *stored.Profile;
    if (stored.BitCount() <= 8) {
        auto shown = std::make_shared<TBitmapImage>(stored);
        for (TRGBQuad& entry : shown->ColorTable) {
            std::uint8_t bgr[3] = {entry.Blue, entry.Green, entry.Red};
            profile.ToSrgb8(bgr, bgr, 1, 3);
            entry = {bgr[0], bgr[1], bgr[2]};
        }
        return shown;
    }
    const bool direct =
        stored.BitCount() == 24 ||
        (stored.BitCount() == 32 && stored.Masks.Red == DefaultMasks32.Red &&
         stored.Masks.Green == DefaultMasks32.Green && stored.Masks.Blue == DefaultMasks32.Blue);
    std::shared_ptr<TBitmapImage> widened = direct ? nullptr : Widened(stored);
    const TBitmapImage& from = direct ? stored : *widened;
    auto shown = std::make_shared<TBitmapImage>(from.Width(), from.Height(), from.BitCount(),
                                                from.BottomUp(), false);
    shown->Masks = from.Masks;
    shown->AlphaChannel = from.AlphaChannel;
    shown->SetValidBytes(from.ValidBytes());
    ConvertRows(profile, from, *shown, from.BitCount() / 8);
    return shown;
}

TPictureColour PictureColourAt(const TBitmapImage& stored, const TColourProfile& profile, int x,
                               int y, int side) {
    const int half = std::max(side, 1) / 2;
    const int left = std::max(x - half, 0);
    const int right = std::min(x + half, stored.Width() - 1);
    const int top = std::max(y - half, 0);
    const int bottom = std::min(y + half, stored.Height() - 1);
    TPictureColour colour;
    if (left > right || top > bottom) {
        return colour;
    }
    double sum[3] = {};
    for (int row = top; row <= bottom; ++row) {
        for (int column = left; column <= right; ++column) {
            const TColor c = stored.Pixel(column, row);
            sum[0] += GetRValue(c);
            sum[1] += GetGValue(c);
            sum[2] += GetBValue(c);
        }
    }
    const double count = double(right - left + 1) * double(bottom - top + 1);
    colour.Stored = {sum[0] / count, sum[1] / count, sum[2] / count};
    colour.XyzD65 =
        profile.XyzD65Of({colour.Stored[0] / 255, colour.Stored[1] / 255, colour.Stored[2] / 255});
    colour.Valid = true;
    return colour;
}

TColor ShownColour(const TPictureColour& colour) {
    if (!colour.Valid) {
        return CLR_INVALID;
    }
    const TRgb8 shown = DisplayedOfXyzD65(colour.XyzD65);
    return RGB(shown.R, shown.G, shown.B);
}

TColor StoredRgb(const TPictureColour& colour) {
    auto channel = [](double v) { return int(std::floor(v + 0.5)); };
    return RGB(channel(colour.Stored[0]), channel(colour.Stored[1]), channel(colour.Stored[2]));
}

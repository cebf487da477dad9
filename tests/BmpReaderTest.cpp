#include "BmpBuilder.h"
#include "ColourProfileSupport.h"
#include "ImagingTestSupport.h"
#include "ManagedColour.h"

#include "Exceptions.h"

#include <gtest/gtest.h>

namespace {

using Table = std::vector<std::array<std::uint8_t, 3>>;
const Table FourColours = {
    {0x10, 0x20, 0x30}, {0x00, 0x00, 0xFF}, {0x00, 0xFF, 0x00}, {0xFF, 0x00, 0x00}};

// A 3 x 2 picture, 8 bits per pixel, rows given top row first.
BmpLayout EightBit(bool topDown) {
    BmpLayout b;
    b.Width = 3;
    b.Height = topDown ? -2 : 2;
    b.BitCount = 8;
    b.Table = FourColours;
    b.ClrUsed = 4;
    const std::vector<std::uint8_t> top{1, 2, 3, 0}, bottom{0, 3, 1, 0};
    const auto& first = topDown ? top : bottom;
    const auto& second = topDown ? bottom : top;
    b.Pixels.insert(b.Pixels.end(), first.begin(), first.end());
    b.Pixels.insert(b.Pixels.end(), second.begin(), second.end());
    return b;
}

template <typename E> void ExpectFailure(const std::vector<std::uint8_t>& bytes, const char* text) {
    try {
        LoadBmpBytes(bytes);
        FAIL() << "loaded, expected " << text;
    } catch (const E& e) {
        EXPECT_EQ(e.Message(), text);
    }
}

} // namespace

TEST(BmpReader, NoBytesGiveAnEmptyBitmap) {
    const TBitmap bitmap = LoadBmpBytes({});
    EXPECT_TRUE(bitmap.Empty());
    EXPECT_EQ(bitmap.Width(), 0);
    EXPECT_EQ(bitmap.Height(), 0);
    EXPECT_EQ(bitmap.Pixel(0, 0), CLR_INVALID);
}

TEST(BmpReader, BottomUpAndTopDownRowsGiveTheSamePicture) {
    for (bool topDown : {false, true}) {
        SCOPED_TRACE(topDown ? "top-down" : "bottom-up");
        const TBitmap bitmap = LoadBmpBytes(BuildBmp(EightBit(topDown)));
        ASSERT_EQ(bitmap.Width(), 3);
        ASSERT_EQ(bitmap.Height(), 2);
        EXPECT_EQ(bitmap.Pixel(0, 0), clRed);
        EXPECT_EQ(bitmap.Pixel(1, 0), clLime);
        EXPECT_EQ(bitmap.Pixel(2, 0), clBlue);
        EXPECT_EQ(bitmap.Pixel(0, 1), RGB(0x30, 0x20, 0x10));
        EXPECT_EQ(bitmap.Pixel(1, 1), clBlue);
        EXPECT_EQ(bitmap.Pixel(3, 0), CLR_INVALID);
        EXPECT_EQ(bitmap.Pixel(0, -1), CLR_INVALID);
    }
}

TEST(BmpReader, IndexedDepthsReadTheirColourTables) {
    BmpLayout one;
    one.Width = 10;
    one.Height = 1;
    one.BitCount = 1;
    one.Table = {{0, 0, 0}, {0xFF, 0xFF, 0xFF}};
    one.Pixels = {0b10100000, 0b01000000, 0, 0};
    TBitmap bitmap = LoadBmpBytes(BuildBmp(one));
    EXPECT_EQ(bitmap.BitCount(), 1);
    EXPECT_EQ(bitmap.Pixel(0, 0), clWhite);
    EXPECT_EQ(bitmap.Pixel(1, 0), clBlack);
    EXPECT_EQ(bitmap.Pixel(2, 0), clWhite);
    EXPECT_EQ(bitmap.Pixel(9, 0), clWhite);
    EXPECT_EQ(bitmap.Pixel(8, 0), clBlack);

    BmpLayout four;
    four.Width = 3;
    four.Height = 1;
    four.BitCount = 4;
    four.ClrUsed = 4;
    four.Table = FourColours;
    four.Pixels = {0x12, 0x30, 0, 0};
    bitmap = LoadBmpBytes(BuildBmp(four));
    EXPECT_EQ(bitmap.Pixel(0, 0), clRed);
    EXPECT_EQ(bitmap.Pixel(1, 0), clLime);
    EXPECT_EQ(bitmap.Pixel(2, 0), clBlue);
}

TEST(BmpReader, DefaultTableSizeFollowsTheDepthAndMissingEntriesAreBlack) {
    // colours used 0 with 4 bits: a table of 16 entries precedes the pixels.
    BmpLayout four;
    four.Width = 2;
    four.Height = 1;
    four.BitCount = 4;
    four.Table.assign(16, {0x40, 0x40, 0x40});
    four.Table[15] = {0, 0, 0xFF};
    four.Pixels = {0xF0, 0, 0, 0};
    TBitmap bitmap = LoadBmpBytes(BuildBmp(four));
    EXPECT_EQ(bitmap.Pixel(0, 0), clRed);
    EXPECT_EQ(bitmap.Pixel(1, 0), RGB(0x40, 0x40, 0x40));

    // A one-entry table: index 1 has no colour and reads black.
    BmpLayout one;
    one.Width = 2;
    one.Height = 1;
    one.BitCount = 1;
    one.ClrUsed = 1;
    one.Table = {{0xFF, 0xFF, 0xFF}};
    one.Pixels = {0b01000000, 0, 0, 0};
    bitmap = LoadBmpBytes(BuildBmp(one));
    EXPECT_EQ(bitmap.Pixel(0, 0), clWhite);
    EXPECT_EQ(bitmap.Pixel(1, 0), clBlack);
}

TEST(BmpReader, DirectColourDepths) {
    BmpLayout b24;
    b24.Width = 2;
    b24.Height = 1;
    b24.Pixels = {0x01, 0x02, 0x03, 0xFF, 0x80, 0x00, 0, 0};
    TBitmap bitmap = LoadBmpBytes(BuildBmp(b24));
    EXPECT_EQ(bitmap.Pixel(0, 0), RGB(3, 2, 1));
    EXPECT_EQ(bitmap.Pixel(1, 0), RGB(0, 0x80, 0xFF));

    BmpLayout b32;
    b32.Width = 1;
    b32.Height = 1;
    b32.BitCount = 32;
    b32.Pixels = {0x11, 0x22, 0x33, 0xAA};
    EXPECT_EQ(LoadBmpBytes(BuildBmp(b32)).Pixel(0, 0), RGB(0x33, 0x22, 0x11));

    // 16 bits default to 5-5-5, widened so that full intensity reads 255.
    BmpLayout b16;
    b16.Width = 3;
    b16.Height = 1;
    b16.BitCount = 16;
    b16.Pixels = {0x00, 0x7C, 0xFF, 0x7F, 0x10, 0x42, 0, 0};
    bitmap = LoadBmpBytes(BuildBmp(b16));
    EXPECT_EQ(bitmap.Pixel(0, 0), clRed);
    EXPECT_EQ(bitmap.Pixel(1, 0), clWhite);
    EXPECT_EQ(bitmap.Pixel(2, 0), RGB(0x84, 0x84, 0x84)); // 10000 in each channel
}

TEST(BmpReader, BitFieldMasksAfterTheHeaderOrInsideALongerOne) {
    BmpLayout b565;
    b565.Width = 2;
    b565.Height = 1;
    b565.BitCount = 16;
    b565.Compression = 3;
    b565.Masks = {0xF800, 0x07E0, 0x001F};
    b565.Pixels = {0xE0, 0x07, 0xFF, 0xFF};
    TBitmap bitmap = LoadBmpBytes(BuildBmp(b565));
    EXPECT_EQ(bitmap.Pixel(0, 0), clLime);
    EXPECT_EQ(bitmap.Pixel(1, 0), clWhite);

    // An unusual channel order in a 108-byte header.
    BmpLayout v4;
    v4.HeaderSize = 108;
    v4.Width = 1;
    v4.Height = 1;
    v4.BitCount = 32;
    v4.Compression = 3;
    v4.Masks = {0x000000FF, 0xFF000000, 0x0000FF00};
    v4.Pixels = {0x11, 0x22, 0x33, 0x44};
    EXPECT_EQ(LoadBmpBytes(BuildBmp(v4)).Pixel(0, 0), RGB(0x11, 0x44, 0x22));
}

TEST(BmpReader, CoreHeaderHasThreeByteTableEntries) {
    BmpLayout core;
    core.HeaderSize = 12;
    core.Width = 2;
    core.Height = 2;
    core.BitCount = 8;
    core.Table.assign(256, {0, 0, 0});
    core.Table[7] = {0x00, 0xFF, 0xFF};
    core.Table[9] = {0xFF, 0x00, 0x00};
    core.Pixels = {7, 9, 0, 0, 9, 7, 0, 0};
    const TBitmap bitmap = LoadBmpBytes(BuildBmp(core));
    EXPECT_EQ(bitmap.Pixel(0, 1), clYellow);
    EXPECT_EQ(bitmap.Pixel(1, 1), clBlue);
    EXPECT_EQ(bitmap.Pixel(0, 0), clBlue);
}

TEST(BmpReader, PixelsComeFromRightAfterTheColourTable) {
    // The pixel offset skips four bytes of 0xEE; they are read as pixels and
    // the picture shifts by one 32-bit pixel.
    BmpLayout b;
    b.Width = 2;
    b.Height = 1;
    b.BitCount = 32;
    b.GapAfterTable = 4;
    b.Pixels = {0x00, 0x00, 0xFF, 0, 0xFF, 0, 0, 0};
    const TBitmap bitmap = LoadBmpBytes(BuildBmp(b));
    EXPECT_EQ(bitmap.Pixel(0, 0), RGB(0xEE, 0xEE, 0xEE));
    EXPECT_EQ(bitmap.Pixel(1, 0), clRed);
}

TEST(BmpReader, ShortDataLeavesBlackAndExtraDataIsIgnored) {
    // Palette entry 0 is not black, yet the pixels without data read black.
    BmpLayout b = EightBit(true);
    b.Pixels.resize(2);
    TBitmap bitmap = LoadBmpBytes(BuildBmp(b));
    EXPECT_EQ(bitmap.Pixel(0, 0), clRed);
    EXPECT_EQ(bitmap.Pixel(1, 0), clLime);
    EXPECT_EQ(bitmap.Pixel(2, 0), clBlack);
    EXPECT_EQ(bitmap.Pixel(0, 1), clBlack);

    b = EightBit(true);
    b.Pixels.insert(b.Pixels.end(), 100, 3);
    bitmap = LoadBmpBytes(BuildBmp(b));
    EXPECT_EQ(bitmap.Pixel(0, 1), RGB(0x30, 0x20, 0x10));

    // An image size smaller than the rows takes only that many bytes.
    b = EightBit(true);
    b.SizeImage = 4;
    bitmap = LoadBmpBytes(BuildBmp(b));
    EXPECT_EQ(bitmap.Pixel(2, 0), clBlue);
    EXPECT_EQ(bitmap.Pixel(1, 1), clBlack);
}

TEST(BmpReader, RunLength8WithRunsDeltaAndAbsoluteRuns) {
    BmpLayout b;
    b.Width = 6;
    b.Height = 3;
    b.BitCount = 8;
    b.Compression = 1;
    b.ClrUsed = 4;
    b.Table = FourColours;
    b.Pixels = {
        3, 1,          // bottom row: three red
        0, 0,          // end of line
        0, 3, 2, 3, 1, // absolute run of three (odd: one pad byte)
        0,             //
        0, 2, 1, 1,    // delta: one right, one up
        2, 2,          // top row, x 4 and 5: green
        0, 1,          // end of bitmap
        9, 9,          // never read
    };
    const TBitmap bitmap = LoadBmpBytes(BuildBmp(b));
    EXPECT_EQ(bitmap.BitCount(), 24);
    // Bottom row (y 2).
    EXPECT_EQ(bitmap.Pixel(0, 2), clRed);
    EXPECT_EQ(bitmap.Pixel(2, 2), clRed);
    EXPECT_EQ(bitmap.Pixel(3, 2), clBlack);
    // Middle row: the absolute run, then untouched pixels are black.
    EXPECT_EQ(bitmap.Pixel(0, 1), clLime);
    EXPECT_EQ(bitmap.Pixel(1, 1), clBlue);
    EXPECT_EQ(bitmap.Pixel(2, 1), clRed);
    EXPECT_EQ(bitmap.Pixel(3, 1), clBlack);
    // Top row: the delta moved from x 3 to x 4.
    EXPECT_EQ(bitmap.Pixel(3, 0), clBlack);
    EXPECT_EQ(bitmap.Pixel(4, 0), clLime);
    EXPECT_EQ(bitmap.Pixel(5, 0), clLime);
}

TEST(BmpReader, RunLength4AlternatesNibbles) {
    BmpLayout b;
    b.Width = 8;
    b.Height = 1;
    b.BitCount = 4;
    b.Compression = 2;
    b.ClrUsed = 4;
    b.Table = FourColours;
    b.Pixels = {
        3, 0x12,             // red, green, red
        0, 3,    0x31, 0x20, // absolute: blue, red, green (two bytes, no pad)
        4, 0x30,             // blue, entry 0, blue, entry 0 ... only two fit
        0, 1,
    };
    // Without an image size only one uncompressed picture's worth of bytes
    // (4 here) would be read.
    b.SizeImage = std::uint32_t(b.Pixels.size());
    const TBitmap bitmap = LoadBmpBytes(BuildBmp(b));
    const TColor expected[] = {clRed, clLime, clRed,  clBlue,
                               clRed, clLime, clBlue, RGB(0x30, 0x20, 0x10)};
    for (int x = 0; x < 8; ++x) {
        EXPECT_EQ(bitmap.Pixel(x, 0), expected[x]) << "x " << x;
    }
}

TEST(BmpReader, RunLengthThatOverrunsIsClipped) {
    BmpLayout b;
    b.Width = 2;
    b.Height = 1;
    b.BitCount = 8;
    b.Compression = 1;
    b.ClrUsed = 4;
    b.Table = FourColours;
    b.Pixels = {255, 1, 255, 2, 0,   2, 200,
                200, 5, 3,   0, 200, 1}; // runs past the row, far delta, cut absolute
    const TBitmap bitmap = LoadBmpBytes(BuildBmp(b));
    EXPECT_EQ(bitmap.Pixel(0, 0), clRed);
    EXPECT_EQ(bitmap.Pixel(1, 0), clRed);
}

TEST(BmpReader, FailuresAndTheirTexts) {
    const auto good = BuildBmp(EightBit(false));

    auto bytes = good;
    bytes[0] = 'X';
    ExpectFailure<EInvalidGraphic>(bytes, SInvalidBitmap);

    ExpectFailure<EReadError>({'B', 'M', 0, 0}, SReadError); // inside the file header
    ExpectFailure<EInvalidGraphic>({good.begin(), good.begin() + 30}, SInvalidBitmap); // header cut

    BmpLayout b = EightBit(false);
    b.Planes = 2;
    ExpectFailure<EInvalidGraphic>(BuildBmp(b), SInvalidBitmap);

    bytes = good; // colour table cut short
    bytes.resize(14 + 40 + 6);
    ExpectFailure<EReadError>(bytes, SReadError);

    b = EightBit(false); // masks cut short
    b.BitCount = 16;
    b.Compression = 3;
    b.Table.clear();
    b.ClrUsed = 0;
    auto masked = BuildBmp(b);
    masked.resize(14 + 40 + 5);
    ExpectFailure<EReadError>(masked, SReadError);
}

TEST(BmpReader, HeadersOutsideWhatIsReadAreInvalid) {
    auto invalid = [](BmpLayout b) {
        SCOPED_TRACE(testing::Message()
                     << "header " << b.HeaderSize << " bpp " << b.BitCount << " compression "
                     << b.Compression << " " << b.Width << "x" << b.Height);
        EXPECT_THROW(LoadBmpBytes(BuildBmp(b)), EInvalidGraphic);
    };
    auto base = [] { return EightBit(false); };
    BmpLayout b = base();
    b.HeaderSize = 20;
    invalid(b);
    b = base();
    b.ClrUsed = 300;
    invalid(b);
    b = base();
    b.Compression = 4;
    invalid(b);
    b = base();
    b.Compression = 2; // run-length 4 on 8-bit pixels
    invalid(b);
    b = base();
    b.Compression = 3; // bit fields on 8-bit pixels
    invalid(b);
    b = base();
    b.Compression = 1;
    b.Height = -2; // run-length data stored top-down
    invalid(b);
    b = base();
    b.BitCount = 2;
    invalid(b);
    b = base();
    b.Width = 0;
    invalid(b);
    b = base();
    b.Width = -3;
    invalid(b);
    b = base();
    b.Height = 0;
    invalid(b);
    b = base();
    b.Height = INT32_MIN;
    invalid(b);

    auto longHeader = BuildBmp(base()); // a header longer than the file
    longHeader[14 + 3] = 0x7F;
    EXPECT_THROW(LoadBmpBytes(longHeader), EInvalidGraphic);
}

TEST(BmpReader, OversizedDimensionsFailBeforeAnyAllocation) {
    const auto before = TBitmapImage::LiveBytes();
    for (auto [w, h, bpp] : {std::tuple{70000, 70000, 24},
                             {INT32_MAX, INT32_MAX, 32},
                             {INT32_MAX, 1, 32},
                             {20000, 20000, 24}}) {
        BmpLayout b;
        b.Width = w;
        b.Height = h;
        b.BitCount = std::uint16_t(bpp);
        EXPECT_THROW(LoadBmpBytes(BuildBmp(b)), EInvalidGraphic) << w << "x" << h;
    }
    EXPECT_EQ(TBitmapImage::LiveBytes(), before);

    // Just under the limit is accepted: a 1 GiB picture is not refused.
    EXPECT_NO_THROW(TBitmapImage::CheckSize(16384, 16384, 32));
    EXPECT_THROW(TBitmapImage::CheckSize(16385, 16384, 32), EInvalidGraphic);
}

TEST(BitmapImage, WidenChannelRepeatsBits) {
    EXPECT_EQ(WidenChannel(31, 5), 255);
    EXPECT_EQ(WidenChannel(0, 5), 0);
    EXPECT_EQ(WidenChannel(16, 5), 0x84);
    EXPECT_EQ(WidenChannel(63, 6), 255);
    EXPECT_EQ(WidenChannel(1, 1), 255);
    EXPECT_EQ(WidenChannel(5, 3), 0b10110110);
    EXPECT_EQ(WidenChannel(2, 2), 0b10101010);
    EXPECT_EQ(WidenChannel(0x3FF, 10), 255);
    EXPECT_EQ(WidenChannel(0x200, 10), 0x80);
    EXPECT_EQ(WidenChannel(7, 0), 0);
}

TEST(Bitmap, AssignSharesAndWritingCopies) {
    TBitmap source = LoadBmpBytes(BuildBmp(EightBit(false)));
    const auto oneCopy = TBitmapImage::LiveBytes();
    TBitmap target;
    target.Assign(source);
    EXPECT_TRUE(target.SharesPixelsWith(source));
    EXPECT_EQ(TBitmapImage::LiveBytes(), oneCopy);

    target.MutableImage().ScanLine(0)[0] = 3;
    EXPECT_FALSE(target.SharesPixelsWith(source));
    EXPECT_EQ(target.Pixel(0, 0), clBlue);
    EXPECT_EQ(source.Pixel(0, 0), clRed);
}

namespace {

constexpr std::uint32_t Linked = 0x4C494E4B, Srgb = 0x73524742, Calibrated = 0;

} // namespace

// A V5 header's embedded profile, found from the start of the header, and
// calibrated end points are the picture's colour space, picked as Little
// CMS converts them; sRGB and a linked profile's name leave it untagged,
// and a profile past the file's end is refused without reading it.
TEST(BmpReader, V4AndV5HeadersNameTheColourSpace) {
    for (const auto& icc : {DisplayP3Icc(), AdobeRgbIcc()}) {
        const TBitmap bitmap = LoadBmpBytes(V5Bitmap(EmbeddedProfile, icc));
        ASSERT_TRUE(bitmap.Image()->Profile);
        EXPECT_EQ(PicksUnlikeLcms(*bitmap.Image(), icc), 0);
    }
    const TBitmap calibrated = LoadBmpBytes(V5Bitmap(Calibrated, {}));
    ASSERT_TRUE(calibrated.Image()->Profile);
    EXPECT_FALSE(calibrated.Image()->Profile->IsSrgb());
    // Its end points are Adobe RGB's, adapted to D50 as ICC profiles keep
    // them: it picks within a level of the Adobe RGB profile.
    const TLcmsPick adobe(AdobeRgbIcc());
    for (int x = 0; x < 4; ++x) {
        const TColor stored = calibrated.Pixel(x, 0);
        const TRgb8 expected = adobe(
            {GetRValue(stored) / 255.0, GetGValue(stored) / 255.0, GetBValue(stored) / 255.0});
        const TColor picked = ShownColour(
            PictureColourAt(*calibrated.Image(), *calibrated.Image()->Profile, x, 0, 1));
        EXPECT_LE(std::abs(GetRValue(picked) - expected.R) +
                      std::abs(GetGValue(picked) - expected.G) +
                      std::abs(GetBValue(picked) - expected.B),
                  2)
            << x;
    }
    const std::string linkName = "C:\\profiles\\p3.icc";
    for (const auto& [kind, profile, declared, refused] :
         std::vector<std::tuple<std::uint32_t, std::vector<std::uint8_t>, std::uint32_t, bool>>{
             {Srgb, {}, 0, false},
             {Linked, std::vector<std::uint8_t>(linkName.begin(), linkName.end()), 0, true},
             {EmbeddedProfile, DisplayP3Icc(), 1u << 30, true},
             {EmbeddedProfile, {}, 0, true}, // a profile of no bytes
             {EmbeddedProfile, GreyIcc(), 0, true}}) {
        const TBitmap bitmap = LoadBmpBytes(V5Bitmap(kind, profile, declared));
        EXPECT_FALSE(bitmap.Image()->Profile) << kind;
        EXPECT_EQ(!bitmap.Image()->ProfileRefused.empty(), refused) << kind;
        EXPECT_EQ(bitmap.Pixel(1, 0), LoadBmpBytes(V5Bitmap(Srgb, {})).Pixel(1, 0));
    }
}

#include "ColourProfileSupport.h"
#include "ImagingTestSupport.h"

#include "Exceptions.h"
#include "JPEGBands.h"
#include "JPEGDecoder.h"
#include "JPEGDecompressor.h"
#include "JPEGEntropyScan.h"
#include "JPEGImage.h"
#include "JPEGRowStream.h"
#include "LargeMemory.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <jerror.h>
#include <jpeglib.h>
#include <sched.h>
#include <set>
#include <thread>

namespace {

TJPEGImage LoadJpegBytes(const std::vector<std::uint8_t>& bytes,
                         TJPEGPixelFormat format = TJPEGPixelFormat::Bit24) {
    TMemoryStream stream(bytes.data(), bytes.size());
    TJPEGImage jpeg;
    jpeg.SetPixelFormat(format);
    jpeg.LoadFromStream(stream);
    return jpeg;
}

TJPEGImage LoadFixture(const std::string& name, TJPEGPixelFormat format = TJPEGPixelFormat::Bit24) {
    return LoadJpegBytes(ReadFileBytes(FixturePath("jpeg/" + name)), format);
}

void ExpectSameAsReference(const TBitmap& bitmap, const std::string& reference) {
    const Pnm expected = ReadPnm(FixturePath("jpeg/" + reference));
    ASSERT_EQ(bitmap.Width(), expected.Width);
    ASSERT_EQ(bitmap.Height(), expected.Height);
    int mismatches = 0;
    for (int y = 0; y < expected.Height; ++y) {
        for (int x = 0; x < expected.Width; ++x) {
            if (bitmap.Pixel(x, y) != expected.At(x, y) && ++mismatches <= 5) {
                ADD_FAILURE() << reference << " differs at " << x << "," << y << ": " << std::hex
                              << bitmap.Pixel(x, y) << " vs " << expected.At(x, y);
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
}

std::size_t FindMarker(const std::vector<std::uint8_t>& bytes, std::uint8_t marker) {
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i) {
        if (bytes[i] == 0xFF && bytes[i + 1] == marker) {
            return i;
        }
    }
    return bytes.size();
}

// How a test picture is coded; 0 keeps libjpeg's default.
struct Coding {
    bool Progressive = false;
    bool AdobeMarker = false;
    int HorizontalSampling = 0; // of the first component, the others at 1
    int VerticalSampling = 0;
    int RestartRows = 0;
    bool RgbCoded = false;  // red, green and blue stored without a transform
    bool Optimized = false; // Huffman tables holding only the symbols used
    int Quality = 100;
    std::vector<std::uint8_t> Icc{}; // an ICC profile in APP2 markers
};

// Compresses a picture with libjpeg; row(y, samples) fills one row.
template <typename Row>
std::vector<std::uint8_t> Compress(int width, int height, int components, J_COLOR_SPACE space,
                                   Row row, Coding coding = {}) {
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = JDIMENSION(width);
    c.image_height = JDIMENSION(height);
    c.input_components = components;
    c.in_color_space = space;
    jpeg_set_defaults(&c);
    jpeg_set_colorspace(&c, space == JCS_CMYK  ? JCS_CMYK
                            : coding.RgbCoded  ? JCS_RGB
                            : space == JCS_RGB ? JCS_YCbCr
                                               : space);
    c.write_Adobe_marker = coding.AdobeMarker;
    if (coding.HorizontalSampling) {
        c.comp_info[0].h_samp_factor = coding.HorizontalSampling;
        c.comp_info[0].v_samp_factor = coding.VerticalSampling;
        for (int i = 1; i < c.num_components; ++i) {
            c.comp_info[i].h_samp_factor = c.comp_info[i].v_samp_factor = 1;
        }
    }
    c.restart_in_rows = coding.RestartRows;
    if (coding.Progressive) {
        jpeg_simple_progression(&c);
    } else {
        jpeg_set_quality(&c, coding.Quality, TRUE);
    }
    c.optimize_coding = coding.Optimized;
    jpeg_start_compress(&c, TRUE);
    if (!coding.Icc.empty()) {
        jpeg_write_icc_profile(&c, coding.Icc.data(), unsigned(coding.Icc.size()));
    }
    std::vector<JSAMPLE> samples(std::size_t(width) * std::size_t(components));
    while (c.next_scanline < c.image_height) {
        row(int(c.next_scanline), samples);
        JSAMPROW rows[1] = {samples.data()};
        jpeg_write_scanlines(&c, rows, 1);
    }
    jpeg_finish_compress(&c);
    std::vector<std::uint8_t> bytes(out, out + size);
    jpeg_destroy_compress(&c);
    free(out);
    return bytes;
}

// One flat 8 x 8 four-component picture.
std::vector<std::uint8_t> FlatCMYK(std::array<std::uint8_t, 4> ink, bool adobeMarker) {
    return Compress(8, 8, 4, JCS_CMYK,
                    [&](int, std::vector<JSAMPLE>& samples) {
                        for (std::size_t i = 0; i < samples.size(); ++i) {
                            samples[i] = ink[i % 4];
                        }
                    },
                    {.AdobeMarker = adobeMarker});
}

bool Near(TColor a, TColor b, int tolerance) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance &&
           std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

} // namespace

TEST(JPEGImage, LoadingReadsTheHeaderOnly) {
    const TJPEGImage jpeg = LoadFixture("progressive.jpg");
    EXPECT_EQ(jpeg.Width(), 24);
    EXPECT_EQ(jpeg.Height(), 16);
    EXPECT_FALSE(jpeg.Grayscale());
    EXPECT_TRUE(jpeg.ProgressiveEncoding());
    EXPECT_FALSE(jpeg.Empty());

    const TJPEGImage grey = LoadFixture("grey.jpg");
    EXPECT_TRUE(grey.Grayscale());
    EXPECT_FALSE(grey.ProgressiveEncoding());
}

TEST(JPEGImage, DecodesLikeDjpegWithFloatDct) {
    for (const char* name : {"baseline", "progressive", "rgb", "column", "row"}) {
        SCOPED_TRACE(name);
        const TJPEGImage jpeg = LoadFixture(std::string(name) + ".jpg");
        const TBitmap& bitmap = jpeg.Bitmap();
        EXPECT_EQ(bitmap.BitCount(), 24);
        ExpectSameAsReference(bitmap, std::string(name) + ".ppm");
    }
}

TEST(JPEGImage, GreyFilesAreQuantisedAndDithered) {
    const TJPEGImage jpeg = LoadFixture("grey.jpg");
    const TBitmap& bitmap = jpeg.Bitmap();
    ASSERT_EQ(bitmap.BitCount(), 8);
    EXPECT_LE(bitmap.Image()->ColorTable.size(), 236u);
    for (const TRGBQuad& entry : bitmap.Image()->ColorTable) {
        EXPECT_TRUE(entry.Red == entry.Green && entry.Green == entry.Blue);
    }
    ExpectSameAsReference(bitmap, "grey.pgm");
}

TEST(JPEGImage, EightBitScreensGetAColourTable) {
    const TJPEGImage jpeg = LoadFixture("baseline.jpg", TJPEGPixelFormat::Bit8);
    const TBitmap& bitmap = jpeg.Bitmap();
    ASSERT_EQ(bitmap.BitCount(), 8);
    EXPECT_LE(bitmap.Image()->ColorTable.size(), 236u);
    ExpectSameAsReference(bitmap, "baseline-236.ppm");
}

TEST(JPEGImage, DefaultsFollowTheScreenDepth) {
    InitJPEGDefaults(8);
    EXPECT_EQ(TJPEGImage().PixelFormat(), TJPEGPixelFormat::Bit8);
    InitJPEGDefaults(32);
    EXPECT_EQ(TJPEGImage().PixelFormat(), TJPEGPixelFormat::Bit24);
    EXPECT_EQ(JPEGDefaults.CompressionQuality, 90);
    EXPECT_TRUE(JPEGDefaults.Smoothing);
}

TEST(JPEGImage, DecodesOnceAndKeepsTheBitmap) {
    const TJPEGImage jpeg = LoadFixture("baseline.jpg");
    const TBitmap& first = jpeg.Bitmap();
    EXPECT_EQ(&jpeg.Bitmap(), &first);
    TBitmap target;
    target.Assign(jpeg);
    EXPECT_TRUE(target.SharesPixelsWith(first));
}

TEST(JPEGImage, TruncatedInsideTheScanDecodes) {
    auto bytes = ReadFileBytes(FixturePath("jpeg/baseline.jpg"));
    const std::size_t scan = FindMarker(bytes, 0xDA);
    ASSERT_LT(scan, bytes.size());
    bytes.resize(scan + (bytes.size() - scan) / 2);
    const TJPEGImage jpeg = LoadJpegBytes(bytes);
    const TBitmap& bitmap = jpeg.Bitmap();
    EXPECT_EQ(bitmap.Width(), 24);
    EXPECT_EQ(bitmap.Height(), 16);
    // The top rows decode as in the whole file.
    const Pnm whole = ReadPnm(FixturePath("jpeg/baseline.ppm"));
    EXPECT_EQ(bitmap.Pixel(0, 0), whole.At(0, 0));
}

TEST(JPEGImage, TruncatedBeforeTheScanFailsAtLoading) {
    const auto whole = ReadFileBytes(FixturePath("jpeg/baseline.jpg"));
    for (std::size_t cut : {FindMarker(whole, 0xDA), FindMarker(whole, 0xC0) + 4}) {
        const std::vector<std::uint8_t> bytes(whole.begin(), whole.begin() + std::ptrdiff_t(cut));
        EXPECT_THROW(LoadJpegBytes(bytes), EJPEG) << "cut at " << cut;
    }
}

TEST(JPEGImage, NotAJpegFailsAtLoadingWithLibjpegsCode) {
    const std::vector<std::uint8_t> bytes{'B', 'M', 1, 2, 3, 4, 5, 6};
    try {
        LoadJpegBytes(bytes);
        FAIL() << "loaded";
    } catch (const EJPEG& e) {
        EXPECT_EQ(e.MsgCode(), JERR_NO_SOI);
        EXPECT_EQ(e.Message(), "JPEG エラー #" + std::to_string(JERR_NO_SOI));
    }
}

TEST(JPEGImage, NoBytesLoadButFailToDecode) {
    const TJPEGImage jpeg = LoadJpegBytes({});
    EXPECT_TRUE(jpeg.Empty());
    try {
        jpeg.Bitmap();
        FAIL() << "decoded";
    } catch (const EJPEG& e) {
        EXPECT_EQ(e.MsgCode(), JERR_INPUT_EMPTY);
    }
}

TEST(JPEGImage, FourComponentFilesBecomeRedGreenBlue) {
    // Red as plain CMYK, and as the inverted inks that files with an Adobe
    // marker carry.
    const TJPEGImage plain = LoadJpegBytes(FlatCMYK({0, 255, 255, 0}, false));
    EXPECT_TRUE(Near(plain.Bitmap().Pixel(3, 3), clRed, 2))
        << std::hex << plain.Bitmap().Pixel(3, 3);
    const TJPEGImage adobe = LoadJpegBytes(FlatCMYK({255, 0, 0, 255}, true));
    EXPECT_TRUE(Near(adobe.Bitmap().Pixel(3, 3), clRed, 2))
        << std::hex << adobe.Bitmap().Pixel(3, 3);
    const TJPEGImage grey = LoadJpegBytes(FlatCMYK({0, 0, 0, 128}, false));
    EXPECT_TRUE(Near(grey.Bitmap().Pixel(0, 0), RGB(127, 127, 127), 2));
}

TEST(JPEGImage, AdobeYcckFileMatchesItsRgbTwin) {
    const auto dir = SharedTestData() / "jpeg/pillow";
    if (!std::filesystem::exists(dir / "pil_sample_cmyk.jpg")) {
        GTEST_SKIP() << "shared test data not present";
    }
    const TJPEGImage cmyk = LoadJpegBytes(ReadFileBytes(dir / "pil_sample_cmyk.jpg"));
    const TJPEGImage rgb = LoadJpegBytes(ReadFileBytes(dir / "pil_sample_rgb.jpg"));
    ASSERT_EQ(cmyk.Bitmap().Width(), rgb.Bitmap().Width());
    int far = 0;
    for (int y = 0; y < 100; y += 7) {
        for (int x = 0; x < 100; x += 7) {
            far += !Near(cmyk.Bitmap().Pixel(x, y), rgb.Bitmap().Pixel(x, y), 32);
        }
    }
    EXPECT_LE(far, 5);
    EXPECT_GT(GetRValue(cmyk.Bitmap().Pixel(2, 2)), 200); // red top-left
}

TEST(JPEGImage, ImagesTooLargeToHoldAreRefusedAtOnce) {
    // The frame header of a small file, rewritten to claim 60000 x 60000.
    auto bytes = ReadFileBytes(FixturePath("jpeg/baseline.jpg"));
    const std::size_t sof = FindMarker(bytes, 0xC0);
    bytes[sof + 5] = 0xEA;
    bytes[sof + 6] = 0x60;
    bytes[sof + 7] = 0xEA;
    bytes[sof + 8] = 0x60;
    const TJPEGImage jpeg = LoadJpegBytes(bytes);
    EXPECT_EQ(jpeg.Width(), 60000);
    const auto before = TBitmapImage::LiveBytes();
    try {
        jpeg.Bitmap();
        FAIL() << "decoded";
    } catch (const EJPEG& e) {
        EXPECT_EQ(e.MsgCode(), JERR_IMAGE_TOO_BIG);
    }
    EXPECT_EQ(TBitmapImage::LiveBytes(), before);
}

TEST(JPEGImage, ProgressiveFilesStopAfterAThousandScans) {
    // The last scan of a progressive file repeated: each repeat is only a
    // warning to libjpeg, so the count of scans is what stops it.
    const auto bytes = ReadFileBytes(FixturePath("jpeg/progressive.jpg"));
    std::size_t lastScan = 0;
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i) {
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xDA) {
            lastScan = i;
        }
    }
    const std::size_t end = bytes.size() - 2; // the end-of-image marker
    auto repeated = [&](int times) {
        std::vector<std::uint8_t> out(bytes.begin(), bytes.begin() + std::ptrdiff_t(end));
        for (int i = 0; i < times; ++i) {
            out.insert(out.end(), bytes.begin() + std::ptrdiff_t(lastScan),
                       bytes.begin() + std::ptrdiff_t(end));
        }
        out.push_back(0xFF);
        out.push_back(0xD9);
        return out;
    };
    EXPECT_NO_THROW(LoadJpegBytes(repeated(10)).Bitmap());
    EXPECT_NO_THROW(LoadJpegBytes(repeated(980)).Bitmap()); // 990 scans in all
    try {
        LoadJpegBytes(repeated(1000)).Bitmap();
        FAIL() << "decoded";
    } catch (const EJPEG& e) {
        EXPECT_EQ(e.MsgCode(), JERR_BAD_PROGRESSION);
    }
}

TEST(JPEGImage, LibjpegsLargeBuffersComeFromLargeMemoryAndGoBack) {
    // A progressive file keeps all its coefficients until the last scan: the
    // luminance alone takes 1600 x 1600 x 2 bytes, a block LargeMemory maps.
    const auto bytes = Compress(1600, 1600, 3, JCS_RGB,
                                [](int y, std::vector<JSAMPLE>& samples) {
                                    for (std::size_t i = 0; i < samples.size(); ++i) {
                                        samples[i] = JSAMPLE((i + std::size_t(y)) & 0xFF);
                                    }
                                },
                                {.Progressive = true});

    LargeMemory::ReleaseSpares();
    const auto before = LargeMemory::Statistics();
    {
        const TJPEGImage jpeg = LoadJpegBytes(bytes);
        const TBitmap& bitmap = jpeg.Bitmap();
        EXPECT_TRUE(Near(bitmap.Pixel(40, 0), RGB(120, 121, 122), 12));
        const auto after = LargeMemory::Statistics();
        // The bitmap's pixels, and at least one buffer of libjpeg's own.
        EXPECT_GE(after.TotalBlocks - before.TotalBlocks, 2u);
        // Only the bitmap is in use; libjpeg's buffers are spares now.
        EXPECT_EQ(after.MappedBlocks - after.SpareBlocks, before.MappedBlocks + 1);
    }
    LargeMemory::ReleaseSpares();
    EXPECT_EQ(LargeMemory::Statistics().MappedBytes, before.MappedBytes);
}

namespace {

// A photo-like picture: gradients and texture in every component, so that
// upsampled chroma differs from row to row.
std::vector<std::uint8_t> Textured(int width, int height, int components, J_COLOR_SPACE space,
                                   Coding coding = {}) {
    return Compress(
        width, height, components, space,
        [&](int y, std::vector<JSAMPLE>& samples) {
            for (int x = 0; x < width; ++x) {
                for (int i = 0; i < components; ++i) {
                    const unsigned noise = unsigned(x * 7919 + y * 104729 + i * 31) * 2654435761u;
                    samples[std::size_t(x * components + i)] =
                        JSAMPLE((x * (i + 1) + y * (3 - i) + (noise >> 27)) & 0xFF);
                }
            }
        },
        coding);
}

struct BandCase {
    const char* Name;
    int Width;
    int Height;
    Coding How;
    J_COLOR_SPACE Space = JCS_RGB;
};

// Colour files of every sampling and coding a band may meet.
const BandCase BandCases[] = {
    {"4:2:0", 61, 83, {.HorizontalSampling = 2, .VerticalSampling = 2}},
    {"4:2:0, whole blocks", 64, 96, {.HorizontalSampling = 2, .VerticalSampling = 2}},
    {"4:4:4", 45, 70, {.HorizontalSampling = 1, .VerticalSampling = 1}},
    {"4:2:2", 50, 77, {.HorizontalSampling = 2, .VerticalSampling = 1}},
    {"4:4:0", 50, 77, {.HorizontalSampling = 1, .VerticalSampling = 2}},
    {"4:1:1", 67, 61, {.HorizontalSampling = 4, .VerticalSampling = 1}},
    {"4:2:0, restart every row",
     61,
     83,
     {.HorizontalSampling = 2, .VerticalSampling = 2, .RestartRows = 1}},
    {"4:4:0, restart every 3 rows",
     33,
     100,
     {.HorizontalSampling = 1, .VerticalSampling = 2, .RestartRows = 3}},
    {"one pixel wide", 1, 90, {}},
    {"one pixel high", 90, 1, {}},
    {"RGB-coded", 40, 50, {.RgbCoded = true}},
    {"CMYK", 30, 41, {}, JCS_CMYK},
    {"CMYK, Adobe", 30, 41, {.AdobeMarker = true}, JCS_CMYK},
    {"progressive", 40, 50, {.Progressive = true}},
    {"grey", 40, 50, {}, JCS_GRAYSCALE},
    {"4:2:0, tables of the symbols used only",
     90,
     200,
     {.HorizontalSampling = 2, .VerticalSampling = 2, .Optimized = true, .Quality = 90}},
    {"4:4:4, one MCU wide, tables of the symbols used only",
     8,
     120,
     {.HorizontalSampling = 1, .VerticalSampling = 1, .Optimized = true, .Quality = 50}},
};

} // namespace

TEST(JPEGBands, DecodeLikeOnePassByteForByte) {
    for (const BandCase& c : BandCases) {
        SCOPED_TRACE(c.Name);
        const int components = c.Space == JCS_CMYK ? 4 : c.Space == JCS_GRAYSCALE ? 1 : 3;
        const auto bytes = Textured(c.Width, c.Height, components, c.Space, c.How);
        const int bands = ExpectBandsLikeOnePass(bytes);
        // Every colour file of one scan tall enough for two rows of blocks is
        // split; quantised and multi-scan ones are not.
        const bool splittable = c.Height >= 32 && !c.How.Progressive && c.Space != JCS_GRAYSCALE;
        EXPECT_EQ(bands > 1, splittable) << bands << " bands";
        // On an 8-bit screen colour files are quantised; four-component ones
        // still come out in 24 bits.
        EXPECT_EQ(ExpectBandsLikeOnePass(bytes, true) > 1, splittable && components == 4);
    }
}

TEST(JPEGBands, FilesCutShortOrCorruptDecodeLikeOnePass) {
    // With restart markers a band passes over the rows above with libjpeg;
    // without them it reads their codes itself.
    for (int restartRows : {2, 0}) {
        SCOPED_TRACE("restart every " + std::to_string(restartRows) + " rows");
        const auto whole =
            Textured(61, 200, 3, JCS_RGB,
                     {.HorizontalSampling = 2, .VerticalSampling = 2, .RestartRows = restartRows});
        const std::size_t scan = FindMarker(whole, 0xDA);
        for (int tenths : {1, 3, 5, 8, 9}) {
            SCOPED_TRACE("cut at " + std::to_string(tenths) + "/10 of the scan");
            const std::size_t cut = scan + (whole.size() - scan) * std::size_t(tenths) / 10;
            const std::vector<std::uint8_t> bytes(whole.begin(),
                                                  whole.begin() + std::ptrdiff_t(cut));
            // The end of the data is a warning: the whole decode goes the one-pass way.
            EXPECT_EQ(ExpectBandsLikeOnePass(bytes), 1);
        }
        for (std::size_t at : {scan + 40, (scan + whole.size()) / 2, whole.size() - 30}) {
            SCOPED_TRACE("byte " + std::to_string(at) + " broken");
            auto bytes = whole;
            bytes[at] = 0xFF; // a marker where data should be
            bytes[at + 1] = 0xD0 + std::uint8_t(at % 8);
            ExpectBandsLikeOnePass(bytes);
        }
    }
}

namespace {

struct TRowStart {
    bool Found = false;
    int Bit = 0;
};

// Decodes the rows below row `row` of MCUs (and the row's own last rows)
// from a file made to start at that row, into the same rows of `image`.
TRowStart DecodeFromRow(const std::vector<std::uint8_t>& bytes, int row, TBitmapImage& image) {
    TJPEGDecompressor header(bytes.data(), bytes.size());
    header.ReadHeader();
    TJPEGEntropyScan scan;
    if (!scan.Prepare(header.Info(), header.BytesRead())) {
        return {};
    }
    const auto start = scan.FindRow(bytes.data(), bytes.size(), row);
    TJPEGRowStream stream;
    if (!start || !stream.Build(bytes.data(), bytes.size(), header.Info(), scan, header.BytesRead(),
                                row, *start)) {
        return {};
    }
    TJPEGDecompressor d(stream.Pieces());
    d.ReadHeader();
    SetDecodingParameters(d, false);
    d.Start();
    const int group = d.Info().max_v_samp_factor * DCTSIZE;
    DiscardRows(d, JDIMENSION(2 * group));
    ReadRowsInto(d, image, d.Info().output_height, (row - 1) * group);
    EXPECT_EQ(d.Info().output_scanline, d.Info().output_height);
    d.Finish();
    EXPECT_EQ(d.Warnings(), 0);
    return {true, start->Bit};
}

} // namespace

TEST(JPEGRowStream, StartsAtEveryRowOfBlocksAsTheWholeFileDecodesIt) {
    std::set<int> bits;
    for (const BandCase& c : BandCases) {
        // Restart markers, several scans and one component are left to libjpeg.
        if (c.How.RestartRows != 0 || c.How.Progressive || c.Space == JCS_GRAYSCALE) {
            continue;
        }
        SCOPED_TRACE(c.Name);
        const int components = c.Space == JCS_CMYK ? 4 : 3;
        const auto bytes = Textured(c.Width, c.Height, components, c.Space, c.How);
        const auto whole = DecodeJPEG(bytes.data(), bytes.size(), false, {1});
        TJPEGDecompressor header(bytes.data(), bytes.size());
        header.ReadHeader();
        const int group = header.Info().max_v_samp_factor * DCTSIZE;
        int rows = 0, made = 0;
        for (int row = 1; (row + 1) * group < c.Height; ++row, ++rows) {
            SCOPED_TRACE("row " + std::to_string(row));
            TBitmapImage image(whole->Width(), whole->Height(), 24, false, true);
            const TRowStart start = DecodeFromRow(bytes, row, image);
            // Tables of only the symbols used may lack the DC differences a
            // made-up row of few blocks needs; standard tables never do.
            ASSERT_TRUE(start.Found || c.How.Optimized);
            if (!start.Found) {
                continue;
            }
            ++made;
            bits.insert(start.Bit);
            for (int y = (row + 1) * group; y < whole->Height(); ++y) {
                ASSERT_EQ(std::memcmp(image.ScanLine(y), whole->ScanLine(y),
                                      std::size_t(whole->Width()) * 3),
                          0)
                    << "row " << y << " differs";
            }
        }
        EXPECT_GE(made, rows * 3 / 4);
    }
    // Every place in its byte a row may start at was met, and made up for.
    EXPECT_EQ(bits.size(), 8u);
}

TEST(JPEGRowStream, FindsNoRowWhereLibjpegWouldWarnOrCannotBeFollowed) {
    const Coding twoByTwo{.HorizontalSampling = 2, .VerticalSampling = 2};
    const auto whole = Textured(61, 200, 3, JCS_RGB, twoByTwo);
    const std::size_t scan = FindMarker(whole, 0xDA);
    auto findRow = [](const std::vector<std::uint8_t>& bytes, int row) {
        TJPEGDecompressor header(bytes.data(), bytes.size());
        header.ReadHeader();
        TJPEGEntropyScan entropy;
        return entropy.Prepare(header.Info(), header.BytesRead()) &&
               entropy.FindRow(bytes.data(), bytes.size(), row).has_value();
    };
    EXPECT_TRUE(findRow(whole, 12));
    EXPECT_FALSE(findRow(whole, 13)) << "past the last row";
    TJPEGDecompressor header(whole.data(), whole.size());
    header.ReadHeader();
    TJPEGEntropyScan entropy;
    ASSERT_TRUE(entropy.Prepare(header.Info(), header.BytesRead()));
    EXPECT_EQ(header.BytesRead(), scan + 14) << "the scan header of three components";
    const auto sixth = entropy.FindRow(whole.data(), whole.size(), 6);
    ASSERT_TRUE(sixth);
    const std::vector<std::uint8_t> cut(whole.begin(),
                                        whole.begin() + std::ptrdiff_t(sixth->Byte + 1));
    EXPECT_TRUE(findRow(cut, 6));
    EXPECT_FALSE(findRow(cut, 7)) << "the data ends before the row";
    auto marked = whole;
    marked[scan + 200] = 0xFF;
    marked[scan + 201] = 0xD3;
    EXPECT_FALSE(findRow(marked, 12)) << "a marker before the row";
    for (const Coding& other : {Coding{.Progressive = true}, Coding{.RestartRows = 1}}) {
        EXPECT_FALSE(findRow(Textured(40, 50, 3, JCS_RGB, other), 1));
    }
    EXPECT_FALSE(findRow(Textured(40, 50, 1, JCS_GRAYSCALE), 1)) << "one component";
    // A scan header may name a table past libjpeg's four, which libjpeg
    // refuses only when the decode starts.
    auto unknownTable = whole;
    unknownTable[scan + 6] = 0x0F; // the first component's DC table 0, AC table 15
    EXPECT_FALSE(findRow(unknownTable, 1));
    EXPECT_EQ(ExpectBandsLikeOnePass(unknownTable), 1);
}

TEST(JPEGBands, PlansBandsThatFinishTogether) {
    for (int bands = 2; bands <= 8; ++bands) {
        SCOPED_TRACE(std::to_string(bands) + " bands");
        const std::vector<int> bounds = PlanJPEGBands(4000, 16, bands, 0.33);
        ASSERT_EQ(bounds.size(), std::size_t(bands) + 1);
        EXPECT_EQ(bounds.front(), 0);
        EXPECT_EQ(bounds.back(), 4000);
        double least = 1e9, most = 0;
        for (int k = 0; k < bands; ++k) {
            EXPECT_LT(bounds[k], bounds[k + 1]);
            EXPECT_EQ(bounds[k] % 16, 0);
            const double cost = 0.33 * bounds[k] + (bounds[k + 1] - bounds[k]);
            least = std::min(least, cost);
            most = std::max(most, cost);
        }
        EXPECT_LE(most - least, 2 * 16) << "later bands pay for passing over the rows above";
        EXPECT_GT(bounds[1] - bounds[0], bounds[bands] - bounds[bands - 1]);
    }
    // Too short to split, or to split as often as asked.
    EXPECT_EQ(PlanJPEGBands(20, 16, 4, 0.33), (std::vector<int>{0, 20}));
    EXPECT_EQ(PlanJPEGBands(1, 8, 2, 0.33), (std::vector<int>{0, 1}));
    EXPECT_LE(PlanJPEGBands(40, 16, 8, 0.33).size(), 3u);
}

TEST(JPEGBands, UseTheCoresTheProcessMayRunOn) {
    cpu_set_t all;
    ASSERT_EQ(sched_getaffinity(0, sizeof(all), &all), 0);
    EXPECT_EQ(UsableCores(),
              std::min<int>(CPU_COUNT(&all), int(std::thread::hardware_concurrency())));
    cpu_set_t one;
    CPU_ZERO(&one);
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
        if (CPU_ISSET(cpu, &all)) {
            CPU_SET(cpu, &one);
            break;
        }
    }
    ASSERT_EQ(sched_setaffinity(0, sizeof(one), &one), 0);
    EXPECT_EQ(UsableCores(), 1);
    EXPECT_EQ(sched_setaffinity(0, sizeof(all), &all), 0);
}

// A colour photo's embedded profile, spread over several APP2 markers
// (Little CMS's LUT profile is larger than one), stays with its pixels
// decoded in one pass or in bands, and its picks are Little CMS's
// conversion of the stored numbers; a grey file's profile, a foreign one
// and a broken one leave the picture untagged, saying why.
TEST(JPEGImage, KeepsTheEmbeddedColourProfile) {
    auto patches = [](int y, std::vector<JSAMPLE>& samples) {
        for (std::size_t i = 0; i < samples.size(); ++i) {
            samples[i] = JSAMPLE((i * 37 + std::size_t(y) * 11) % 256);
        }
    };
    std::vector<std::uint8_t> big = DisplayP3LutIcc();
    big.resize(70000, 0); // padding after the tags, which a reader ignores
    big[0] = 0x00, big[1] = 0x01, big[2] = 0x11, big[3] = 0x70; // its declared size
    for (const auto& icc : {DisplayP3Icc(), AdobeRgbIcc(), big}) {
        Coding coding;
        coding.RgbCoded = true;
        coding.Icc = icc;
        const auto bytes = Compress(96, 64, 3, JCS_RGB, patches, coding);
        for (const int bands : {1, 3}) {
            int used = 0;
            const auto image = DecodeJPEG(bytes.data(), bytes.size(), false, {bands, &used});
            EXPECT_EQ(used, bands);
            ASSERT_TRUE(image->Profile) << image->ProfileRefused;
            EXPECT_EQ(PicksUnlikeLcms(*image, icc), 0) << image->Profile->Name();
        }
    }
    struct Untagged {
        J_COLOR_SPACE Space;
        int Components;
        std::vector<std::uint8_t> Icc;
        const char* Why;
    };
    std::vector<std::uint8_t> cut = DisplayP3Icc();
    cut.resize(cut.size() / 2);
    for (const auto& [space, components, icc, why] :
         {Untagged{JCS_GRAYSCALE, 1, DisplayP3Icc(), "画像が RGB ではありません"},
          Untagged{JCS_RGB, 3, GreyIcc(), "RGB のプロファイルではありません"},
          Untagged{JCS_RGB, 3, cut, "Little CMS がプロファイルを読めません"}}) {
        Coding coding;
        coding.Icc = icc;
        const auto bytes = Compress(16, 16, components, space, patches, coding);
        const auto image = DecodeJPEG(bytes.data(), bytes.size(), false, {1});
        EXPECT_FALSE(image->Profile);
        EXPECT_EQ(image->ProfileRefused, why);
    }
}

#include "ImagingTestSupport.h"

#include "Exceptions.h"
#include "JPEGDecoder.h"
#include "JPEGImage.h"
#include "LargeMemory.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <jerror.h>
#include <jpeglib.h>

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

// Compresses a picture with libjpeg; row(y, samples) fills one row.
template <typename Row>
std::vector<std::uint8_t> Compress(int width, int height, int components, J_COLOR_SPACE space,
                                   Row row, bool progressive = false, bool adobeMarker = false) {
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
    jpeg_set_colorspace(&c, space == JCS_CMYK ? JCS_CMYK : space == JCS_RGB ? JCS_YCbCr : space);
    c.write_Adobe_marker = adobeMarker;
    if (progressive) {
        jpeg_simple_progression(&c);
    } else {
        jpeg_set_quality(&c, 100, TRUE);
    }
    jpeg_start_compress(&c, TRUE);
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
    return Compress(
        8, 8, 4, JCS_CMYK,
        [&](int, std::vector<JSAMPLE>& samples) {
            for (std::size_t i = 0; i < samples.size(); ++i) {
                samples[i] = ink[i % 4];
            }
        },
        false, adobeMarker);
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
    const auto bytes = Compress(
        1600, 1600, 3, JCS_RGB,
        [](int y, std::vector<JSAMPLE>& samples) {
            for (std::size_t i = 0; i < samples.size(); ++i) {
                samples[i] = JSAMPLE((i + std::size_t(y)) & 0xFF);
            }
        },
        true);

    const auto before = LargeMemory::Statistics();
    {
        const TJPEGImage jpeg = LoadJpegBytes(bytes);
        const TBitmap& bitmap = jpeg.Bitmap();
        EXPECT_TRUE(Near(bitmap.Pixel(40, 0), RGB(120, 121, 122), 12));
        const auto after = LargeMemory::Statistics();
        // The bitmap's pixels, and at least one buffer of libjpeg's own.
        EXPECT_GE(after.TotalBlocks - before.TotalBlocks, 2u);
        EXPECT_EQ(after.MappedBlocks, before.MappedBlocks + 1); // only the bitmap is left
    }
    EXPECT_EQ(LargeMemory::Statistics().MappedBytes, before.MappedBytes);
}

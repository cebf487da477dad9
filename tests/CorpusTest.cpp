// Runs the readers over the public test pictures kept beside the repository:
// good files must load, and nothing, however malformed, may crash or hang.

#include "ColourProfileSupport.h"
#include "ImagingTestSupport.h"

#include "Exceptions.h"
#include "JPEGDecoder.h"
#include "JPEGImage.h"
#include "ManagedColour.h"
#include "PNGImage.h"

#include <jpeglib.h>
#include <png.h>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

namespace {

namespace fs = std::filesystem;

// Decodes as the program does; returns the failure text, empty on success.
std::string TryBmp(const std::vector<std::uint8_t>& bytes) {
    try {
        const TBitmap bitmap = LoadBmpBytes(bytes);
        if (!bitmap.Empty()) {
            bitmap.Pixel(bitmap.Width() - 1, bitmap.Height() - 1);
            bitmap.Pixel(0, 0);
        }
        return {};
    } catch (const Exception& e) {
        return e.Message();
    }
}

std::string TryJpeg(const std::vector<std::uint8_t>& bytes, TJPEGPixelFormat format) {
    try {
        TMemoryStream stream(bytes.data(), bytes.size());
        TJPEGImage jpeg;
        jpeg.SetPixelFormat(format);
        jpeg.LoadFromStream(stream);
        const TBitmap& bitmap = jpeg.Bitmap();
        bitmap.Pixel(bitmap.Width() / 2, bitmap.Height() / 2);
        return {};
    } catch (const Exception& e) {
        return e.Message();
    }
}

// djpeg's verdict on each JPEG file, recorded with the test data.
std::map<std::string, int> DjpegResults() {
    std::map<std::string, int> results;
    std::ifstream table(SharedTestData() / "jpeg/EXPECTED-djpeg-2.1.5.tsv");
    std::string line;
    while (std::getline(table, line)) {
        if (line.empty() || line[0] == '#' || line.rfind("path", 0) == 0) {
            continue;
        }
        std::istringstream fields(line);
        std::string path, bytes, group, markers, rc;
        std::getline(fields, path, '\t');
        std::getline(fields, bytes, '\t');
        std::getline(fields, group, '\t');
        std::getline(fields, markers, '\t');
        std::getline(fields, rc, '\t');
        results[path] = std::atoi(rc.c_str());
    }
    return results;
}

class BmpCorpus : public testing::TestWithParam<CorpusFile> {};
class JpegCorpus : public testing::TestWithParam<CorpusFile> {};

} // namespace

TEST_P(BmpCorpus, LoadsOrFailsCleanly) {
    const CorpusFile& file = GetParam();
    const std::string failure = TryBmp(ReadFileBytes(SharedTestData() / file.Path));
    if (file.Group == "bmp/good") {
        EXPECT_EQ(failure, "") << file.Path;
    }
}

TEST_P(JpegCorpus, DecodesWhereDjpegDoes) {
    static const std::map<std::string, int> djpeg = DjpegResults();
    const CorpusFile& file = GetParam();
    const auto bytes = ReadFileBytes(SharedTestData() / file.Path);
    const std::string failure = TryJpeg(bytes, TJPEGPixelFormat::Bit24);
    TryJpeg(bytes, TJPEGPixelFormat::Bit8);
    const auto verdict = djpeg.find(file.Path);
    if (verdict != djpeg.end() && verdict->second != 1) {
        EXPECT_EQ(failure, "") << file.Path << " decodes with djpeg";
    }
}

TEST_P(JpegCorpus, DecodesInBandsLikeInOnePass) {
    ExpectBandsLikeOnePass(ReadFileBytes(SharedTestData() / GetParam().Path));
}

INSTANTIATE_TEST_SUITE_P(Shared, BmpCorpus, testing::ValuesIn(Corpus("bmp/")), CorpusTestName);
INSTANTIATE_TEST_SUITE_P(Shared, JpegCorpus, testing::ValuesIn(Corpus("jpeg/")), CorpusTestName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(BmpCorpus);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(JpegCorpus);

namespace {

// A PNG of 16 × 16 pixels of many colours, its chunks set by `tag`.
template <typename Tag> std::vector<std::uint8_t> MadePng(Tag tag) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<std::uint8_t> bytes;
    png_set_write_fn(
        png, &bytes,
        [](png_structp p, png_bytep data, png_size_t n) {
            auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(p));
            out->insert(out->end(), data, data + n);
        },
        nullptr);
    png_set_IHDR(png, info, 16, 16, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    tag(png, info);
    png_write_info(png, info);
    std::vector<png_byte> row(16 * 3);
    for (int y = 0; y < 16; ++y) {
        for (std::size_t i = 0; i < row.size(); ++i) {
            row[i] = png_byte((i * 53 + std::size_t(y) * 17) % 256);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return bytes;
}

std::vector<std::uint8_t> JpegIcc(const std::vector<std::uint8_t>& bytes) {
    jpeg_decompress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_decompress(&c);
    jpeg_mem_src(&c, bytes.data(), bytes.size());
    jpeg_save_markers(&c, JPEG_APP0 + 2, 0xFFFF);
    jpeg_read_header(&c, TRUE);
    JOCTET* icc = nullptr;
    unsigned int length = 0;
    std::vector<std::uint8_t> profile;
    if (jpeg_read_icc_profile(&c, &icc, &length)) {
        profile.assign(icc, icc + length);
        free(icc);
    }
    jpeg_destroy_decompress(&c);
    return profile;
}

std::uint32_t Le32At(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return std::uint32_t(bytes[at]) | std::uint32_t(bytes[at + 1]) << 8 |
           std::uint32_t(bytes[at + 2]) << 16 | std::uint32_t(bytes[at + 3]) << 24;
}

constexpr double P3Xy[8] = {0.3127, 0.3290, 0.680, 0.320, 0.265, 0.690, 0.150, 0.060};

} // namespace

// PNG names its colour space in four ways, cICP first, then iCCP, sRGB,
// cHRM with gAMA; each picks as Little CMS converts the stored numbers.
TEST(PngColourSpace, CicpThenIccpThenSrgbThenChrmWithGama) {
    const auto p3 = DisplayP3Icc();
    auto iccp = [&](png_structp png, png_infop info) {
        png_set_iCCP(png, info, "Display P3", 0, p3.data(), png_uint_32(p3.size()));
    };
    auto cicp = [](png_structp png, png_infop info) {
        static png_byte code[4] = {12, 13, 0, 1};
        png_unknown_chunk chunk{};
        std::memcpy(chunk.name, "cICP", 5);
        chunk.data = code;
        chunk.size = 4;
        chunk.location = PNG_HAVE_IHDR;
        png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_ALWAYS,
                                    reinterpret_cast<png_const_bytep>("cICP"), 1);
        png_set_unknown_chunks(png, info, &chunk, 1);
        png_set_sRGB(png, info, 0); // cICP comes first
    };
    auto chrm = [](png_structp png, png_infop info) {
        png_set_cHRM(png, info, P3Xy[0], P3Xy[1], P3Xy[2], P3Xy[3], P3Xy[4], P3Xy[5], P3Xy[6],
                     P3Xy[7]);
        png_set_gAMA(png, info, 1 / 2.2);
    };
    const TBitmap fromIccp = DecodePNG(MadePng(iccp).data(), MadePng(iccp).size());
    EXPECT_EQ(PicksUnlikeLcms(*fromIccp.Image(), p3), 0);
    const auto cicpBytes = MadePng(cicp);
    const TBitmap fromCicp = DecodePNG(cicpBytes.data(), cicpBytes.size());
    ASSERT_TRUE(fromCicp.Image()->Profile);
    EXPECT_EQ(fromCicp.Image()->Profile->Name(), "Display P3");
    EXPECT_EQ(PicksUnlikeLcms(*fromCicp.Image(), p3, 1), 0);
    const auto chrmBytes = MadePng(chrm);
    const TBitmap fromChrm = DecodePNG(chrmBytes.data(), chrmBytes.size());
    EXPECT_EQ(PicksUnlikeLcms(*fromChrm.Image(), IccOfPrimaries(P3Xy, 2.2), 1), 0);
    const auto srgbBytes =
        MadePng([](png_structp png, png_infop info) { png_set_sRGB(png, info, 0); });
    const TBitmap fromSrgb = DecodePNG(srgbBytes.data(), srgbBytes.size());
    ASSERT_TRUE(fromSrgb.Image()->Profile);
    EXPECT_TRUE(fromSrgb.Image()->Profile->IsSrgb());
    const auto plainBytes = MadePng([](png_structp, png_infop) {});
    EXPECT_FALSE(DecodePNG(plainBytes.data(), plainBytes.size()).Image()->Profile);
}

// The tagged files of the shared pictures: each picks as Little CMS
// converts it (bmpsuite's swapped picture comes back to its untagged twin);
// a linked profile, a CMYK file's and PngSuite's gamma-only files.
TEST(SharedColourSpaces, TaggedFilesPickAsLittleCmsConvertsThem) {
    const fs::path data = SharedTestData();
    if (!fs::exists(data / "bmp/bmpsuite-2.8/q/rgb24prof.bmp")) {
        GTEST_SKIP() << "no shared test data";
    }
    for (const char* name : {"rgb24prof.bmp", "rgb24prof2.bmp"}) {
        const auto bytes = ReadFileBytes(data / "bmp/bmpsuite-2.8/q" / name);
        const std::size_t at = 14 + Le32At(bytes, 14 + 112);
        const std::vector<std::uint8_t> icc(bytes.begin() + std::ptrdiff_t(at),
                                            bytes.begin() +
                                                std::ptrdiff_t(at + Le32At(bytes, 14 + 116)));
        const TBitmap bitmap = LoadBmpBytes(bytes);
        EXPECT_EQ(PicksUnlikeLcms(*bitmap.Image(), icc), 0) << name;
    }
    const TBitmap twin = LoadBmpBytes(ReadFileBytes(data / "bmp/bmpsuite-2.8/g/rgb24.bmp"));
    const TBitmap swapped = LoadBmpBytes(ReadFileBytes(data / "bmp/bmpsuite-2.8/q/rgb24prof2.bmp"));
    int far = 0;
    for (int y = 0; y < twin.Height(); y += 3) {
        for (int x = 0; x < twin.Width(); x += 3) {
            const TColor picked =
                ShownColour(PictureColourAt(*swapped.Image(), *swapped.Image()->Profile, x, y, 1));
            const TColor expected = twin.Pixel(x, y);
            // Its profile is not quite sRGB's (its curve is a plain
            // gamma): a pick lands a few levels from the twin's colour, its
            // strongest channel the twin's, never the swapped one.
            auto strongest = [](TColor c, int by) {
                const int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
                return r > g + by && r > b + by   ? 0
                       : g > r + by && g > b + by ? 1
                       : b > r + by && b > g + by ? 2
                                                  : -1;
            };
            const int channel = strongest(expected, 24);
            far += channel >= 0 && strongest(picked, 0) != channel;
        }
    }
    EXPECT_EQ(far, 0);
    const TBitmap linked = LoadBmpBytes(ReadFileBytes(data / "bmp/bmpsuite-2.8/q/rgb24lprof.bmp"));
    EXPECT_FALSE(linked.Image()->Profile);
    EXPECT_FALSE(linked.Image()->ProfileRefused.empty());

    const auto rgbJpeg = ReadFileBytes(
        data / "jpeg/ljt-seed-corpora/8bit__testorig_rgb_444_floatdct_q100_test3icc.jpg");
    const auto decoded = DecodeJPEG(rgbJpeg.data(), rgbJpeg.size(), false, {});
    EXPECT_EQ(PicksUnlikeLcms(*decoded, JpegIcc(rgbJpeg)), 0);
    const auto cmyk = ReadFileBytes(
        data / "jpeg/ljt-seed-corpora/8bit__testorig_rot180_cmyk_411_q50_opt_rst1B_test1icc.jpg");
    EXPECT_FALSE(DecodeJPEG(cmyk.data(), cmyk.size(), false, {})->Profile);

    for (const char* name : {"g03n2c08.png", "g10n2c08.png", "g25n2c08.png", "ccwn2c08.png"}) {
        const auto bytes = ReadFileBytes(data / "png/pngsuite" / name);
        const TBitmap bitmap = DecodePNG(bytes.data(), bytes.size());
        ASSERT_TRUE(bitmap.Image()->Profile) << name;
        EXPECT_FALSE(bitmap.Image()->Profile->IsSrgb()) << name;
    }
}

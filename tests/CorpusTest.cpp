// Runs the readers over the public test pictures kept beside the repository:
// good files must load, and nothing, however malformed, may crash or hang.

#include "ImagingTestSupport.h"

#include "Exceptions.h"
#include "JPEGImage.h"

#include <gtest/gtest.h>

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

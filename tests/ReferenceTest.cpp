// The good BMP files of the shared test pictures against the reference
// renderings that come with them (PNG, read here through Qt), pixel by pixel
// through the bitmap's own pixel read.

#include "Bitmap.h"
#include "ImagingTestSupport.h"

#include <QImage>
#include <gtest/gtest.h>
#include <map>
#include <regex>
#include <sstream>

namespace fs = std::filesystem;

namespace {

struct Pair {
    fs::path Bmp;
    std::vector<fs::path> Pngs; // one of them has the bitmap's size
};

// The suite's README names each file's references: "[hdr ver 3; ref pal1.png]",
// "[…; ref pal8nonsquare-v.png,pal8nonsquare-e.png]".
std::vector<Pair> ReferencePairs() {
    std::vector<Pair> pairs;
    const fs::path bmp = SharedTestData() / "bmp";
    std::ifstream readme(bmp / "README.md");
    const std::regex row(R"(\| (bmpsuite-2\.8/g/[^ ]+\.bmp) \|.*ref ([^\]; ]+\.png)\])");
    std::string line;
    std::smatch m;
    while (std::getline(readme, line)) {
        if (std::regex_search(line, m, row)) {
            Pair pair{bmp / m[1].str(), {}};
            std::stringstream names(m[2].str());
            for (std::string png; std::getline(names, png, ',');) {
                pair.Pngs.push_back(bmp / "bmpsuite-2.8/html" / png);
            }
            pairs.push_back(pair);
        }
    }
    for (const auto& entry : fs::directory_iterator(bmp / "extra/good")) {
        const fs::path png = bmp / "extra/reference" / (entry.path().filename().string() + ".png");
        if (fs::exists(png)) {
            pairs.push_back({entry.path(), {png}});
        }
    }
    std::sort(pairs.begin(), pairs.end(),
              [](const Pair& a, const Pair& b) { return a.Bmp < b.Bmp; });
    return pairs;
}

// Where the reader's rules differ from the reference on purpose: 16-bit
// channels are widened by repeating their bits (5 bits: 17 gives 140), where
// these references round the scaled value, so a channel may differ by 1.
const char* const Widened = "16-bit channels widened by bit repetition";
const std::map<std::string, std::string> DeliberateDifferences = {
    {"rgb16-565.bmp", Widened},
    {"rgb16-565pal.bmp", Widened},
    {"rgb16.bmp", Widened},
    {"rgb16bfdef.bmp", Widened},
    {"imagers_V4_R5_G6_B5.bmp", Widened},
    {"imagers_V5_A1_R5_G5_B5.bmp", Widened},
};

} // namespace

TEST(ReferencePictures, GoodBmpFilesReadLikeTheirReferences) {
    if (!fs::exists(SharedTestData() / "bmp/README.md")) {
        GTEST_SKIP() << "shared test data not present";
    }
    const std::vector<Pair> pairs = ReferencePairs();
    EXPECT_GE(pairs.size(), 50u);
    for (const Pair& pair : pairs) {
        const std::string name = pair.Bmp.filename().string();
        SCOPED_TRACE(name);
        TBitmap bitmap;
        bitmap.LoadFromFile(pair.Bmp.string());
        QImage reference;
        for (const fs::path& png : pair.Pngs) {
            const QImage candidate(QString::fromStdString(png.string()));
            if (candidate.size() == QSize(bitmap.Width(), bitmap.Height())) {
                reference = candidate.convertToFormat(QImage::Format_ARGB32);
            }
        }
        if (reference.isNull()) {
            ADD_FAILURE() << "no reference of the bitmap's size";
            continue;
        }
        int differing = 0;
        int largest = 0;
        for (int y = 0; y < reference.height(); ++y) {
            for (int x = 0; x < reference.width(); ++x) {
                const QRgb want = reference.pixel(x, y);
                const TColor got = bitmap.Pixel(x, y);
                const int d = std::max({std::abs(qRed(want) - GetRValue(got)),
                                        std::abs(qGreen(want) - GetGValue(got)),
                                        std::abs(qBlue(want) - GetBValue(got))});
                differing += d != 0;
                largest = std::max(largest, d);
            }
        }
        const auto deliberate = DeliberateDifferences.find(name);
        if (deliberate == DeliberateDifferences.end()) {
            EXPECT_EQ(differing, 0) << "largest difference " << largest;
        } else {
            EXPECT_GT(differing, 0) << "listed as differing: " << deliberate->second;
            EXPECT_LE(largest, 1);
        }
    }
}

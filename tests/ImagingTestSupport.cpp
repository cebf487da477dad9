#include "ImagingTestSupport.h"

#include "Exceptions.h"
#include "JPEGDecoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "irochi-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        throw std::runtime_error("cannot make a temporary folder");
    }
    FPath = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(FPath, ignored);
}

Pnm ReadPnm(const std::filesystem::path& path) {
    const auto bytes = ReadFileBytes(path);
    std::string head(bytes.begin(), bytes.begin() + std::min<std::size_t>(bytes.size(), 64));
    std::istringstream in(head);
    std::string magic;
    int maxValue = 0;
    Pnm pnm;
    in >> magic >> pnm.Width >> pnm.Height >> maxValue;
    if ((magic != "P5" && magic != "P6") || maxValue != 255) {
        throw std::runtime_error("not a binary 8-bit PNM: " + path.string());
    }
    const std::size_t start = std::size_t(in.tellg()) + 1;
    const int channels = magic == "P6" ? 3 : 1;
    const std::uint8_t* p = bytes.data() + start;
    for (int i = 0; i < pnm.Width * pnm.Height; ++i, p += channels) {
        pnm.Pixels.push_back(channels == 3 ? RGB(p[0], p[1], p[2]) : RGB(p[0], p[0], p[0]));
    }
    return pnm;
}

void PrintTo(const CorpusFile& file, std::ostream* out) {
    *out << file.Path;
}

std::vector<CorpusFile> Corpus(const std::string& prefix) {
    std::vector<CorpusFile> files;
    std::ifstream manifest(SharedTestData() / "MANIFEST.tsv");
    std::string line;
    std::getline(manifest, line);
    while (std::getline(manifest, line)) {
        std::istringstream fields(line);
        std::string path, bytes, sha, group;
        std::getline(fields, path, '\t');
        std::getline(fields, bytes, '\t');
        std::getline(fields, sha, '\t');
        std::getline(fields, group, '\t');
        if (group.rfind(prefix, 0) == 0) {
            files.push_back({path, group});
        }
    }
    return files;
}

std::string CorpusTestName(const testing::TestParamInfo<CorpusFile>& info) {
    std::string name =
        std::to_string(info.index) + "_" + std::filesystem::path(info.param.Path).stem().string();
    for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) {
            c = '_';
        }
    }
    return name.substr(0, 60);
}

namespace {

struct Decoded {
    std::shared_ptr<TBitmapImage> Image;
    std::string Failure;
    int Bands = 0;
};

Decoded DecodeIn(const std::vector<std::uint8_t>& bytes, int bands, bool eightBit) {
    Decoded result;
    try {
        result.Image = DecodeJPEG(bytes.data(), bytes.size(), eightBit, {bands, &result.Bands});
    } catch (const EJPEG& e) {
        result.Failure = e.Message();
    }
    return result;
}

} // namespace

int ExpectBandsLikeOnePass(const std::vector<std::uint8_t>& bytes, bool eightBit) {
    const Decoded one = DecodeIn(bytes, 1, eightBit);
    int most = 1;
    for (int bands : {2, 3, 7}) {
        SCOPED_TRACE(std::to_string(bands) + " bands");
        const Decoded split = DecodeIn(bytes, bands, eightBit);
        most = std::max(most, split.Bands);
        EXPECT_EQ(split.Failure, one.Failure);
        if (!one.Image || !split.Image) {
            EXPECT_EQ(!one.Image, !split.Image);
            continue;
        }
        const TBitmapImage& a = *one.Image;
        const TBitmapImage& b = *split.Image;
        EXPECT_EQ(b.Width(), a.Width());
        EXPECT_EQ(b.Height(), a.Height());
        EXPECT_EQ(b.BitCount(), a.BitCount());
        EXPECT_EQ(b.BottomUp(), a.BottomUp());
        EXPECT_EQ(b.ByteSize(), a.ByteSize());
        EXPECT_TRUE(b.ByteSize() == a.ByteSize() &&
                    std::memcmp(b.Bits(), a.Bits(), a.ByteSize()) == 0)
            << "the pixels differ";
        EXPECT_EQ(b.ColorTable.size(), a.ColorTable.size());
    }
    return most;
}

#include "ImagingTestSupport.h"

#include <cstdlib>
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

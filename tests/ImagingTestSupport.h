#pragma once

#include "Bitmap.h"
#include "Stream.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

inline std::vector<std::uint8_t> ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteFileBytes(const std::filesystem::path& path,
                           const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline TBitmap LoadBmpBytes(const std::vector<std::uint8_t>& bytes) {
    TMemoryStream stream(bytes.data(), bytes.size());
    TBitmap bitmap;
    bitmap.LoadFromStream(stream);
    return bitmap;
}

// The committed fixtures of this repository.
inline std::filesystem::path FixturePath(const std::string& name) {
    return std::filesystem::path(IROCHI_FIXTURE_DIR) / name;
}

// The public test pictures kept beside the repository; may be absent.
inline std::filesystem::path SharedTestData() {
    return IROCHI_TEST_DATA_DIR;
}

// A fresh folder for one test's files, removed with the object.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    const std::filesystem::path& Path() const { return FPath; }
    std::filesystem::path operator/(const std::string& name) const { return FPath / name; }

private:
    std::filesystem::path FPath;
};

// A binary PNM (P5 grey or P6 colour) as colour values, row by row.
struct Pnm {
    int Width = 0;
    int Height = 0;
    std::vector<TColor> Pixels;
    TColor At(int x, int y) const { return Pixels[std::size_t(y) * Width + x]; }
};
Pnm ReadPnm(const std::filesystem::path& path);

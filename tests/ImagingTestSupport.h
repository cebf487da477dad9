#pragma once

#include "Bitmap.h"
#include "Stream.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/resource.h>
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

// One file of the shared test pictures, as MANIFEST.tsv lists it.
struct CorpusFile {
    std::string Path; // relative to the shared test data
    std::string Group;
};
void PrintTo(const CorpusFile& file, std::ostream* out);
// The files whose group starts with the prefix ("png/", "jpeg/good").
std::vector<CorpusFile> Corpus(const std::string& prefix);
// A test's name for the file: its place in the list and its stem.
std::string CorpusTestName(const testing::TestParamInfo<CorpusFile>& info);

// Decodes a JPEG file in one pass and forced into 2, 3 and 7 bands, and
// expects the same pixels, layout and colour table, or the same failure.
// Returns the most bands a decode used.
int ExpectBandsLikeOnePass(const std::vector<std::uint8_t>& bytes, bool eightBit = false);

// Runs f with the process's file-size limit lowered to `bytes`: a write past
// it fails (EFBIG) as it would on a full disk, root or not.
template <typename F> void WithFileSizeLimit(rlim_t bytes, F f) {
    struct rlimit saved {};
    getrlimit(RLIMIT_FSIZE, &saved);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &small);
    f();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
}

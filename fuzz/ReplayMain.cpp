// A plain main for the fuzz targets: runs each file named on the command
// line, and every file under each folder named, through the target once, so
// a crash reproduces without the fuzzer. Exits with 77 (skipped) when a
// named folder is absent.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

bool Run(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot open %s\n", path.c_str());
        return false;
    }
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    return true;
}

} // namespace

int main(int argc, char** argv) {
    int count = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path path = argv[i];
        if (!std::filesystem::exists(path)) {
            std::printf("skipped: %s is absent\n", argv[i]);
            return 77;
        }
        if (!std::filesystem::is_directory(path)) {
            count += Run(path) ? 1 : 0;
            continue;
        }
        for (const auto& entry : std::filesystem::recursive_directory_iterator(path)) {
            if (entry.is_regular_file() && !Run(entry.path())) {
                return 1;
            }
            count += entry.is_regular_file() ? 1 : 0;
        }
    }
    std::printf("ran %d files\n", count);
    return 0;
}

#pragma once

#include "LargeMemory.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

// The benchmarks' 24-megapixel photo and libjpeg's own decode of it, the
// floor that loads are measured against.

constexpr int PhotoWidth = 6000;
constexpr int PhotoHeight = 4000;

// One row of a photo-like picture (blue, green, red): smooth gradients with
// some texture and a camera sensor's noise, so that the photo's JPEG at
// quality 90 takes about 8 MB, as a camera's does, and decodes as slowly:
// a smooth picture's 2 MB would flatter every decode.
std::vector<std::uint8_t> PhotoRow(int y);

// The photo as a JPEG file at quality 90 (4:2:0 colour, or grey); flipped,
// its rows in reverse order: another picture of the same size and cost;
// with an ICC profile in its APP2 markers when `icc` has one.
std::vector<std::uint8_t> CompressPhoto(bool grey, bool progressive, bool flipped = false,
                                        const std::vector<std::uint8_t>& icc = {});

// Output memory allocated and touched once, before any clock starts.
std::uint8_t* FaultedOutput(std::size_t bytes);

// libjpeg's working buffers in the floors stay on ordinary pages.
struct OrdinaryPages {
    OrdinaryPages() { LargeMemory::SetHugePagesWanted(false); }
    ~OrdinaryPages() { LargeMemory::SetHugePagesWanted(true); }
};

enum class Output { Faulted, Fresh };

// libjpeg decoding the bytes in one pass with the program's parameters into
// `output`: faulted-in memory, or fresh ordinary memory.
void DecodeWithLibjpeg(const std::vector<std::uint8_t>& bytes, bool quantise, Output output);

// Times `work` and `floor` one after the other in every iteration, so that a
// slow or fast spell of a shared machine falls on both alike. The iteration
// time is the work's (the benchmark must UseManualTime); the counters give
// the floor's time and the ratio of the two totals.
template <typename Work, typename Floor>
void AgainstFloor(benchmark::State& state, Work work, Floor floor) {
    using Clock = std::chrono::steady_clock;
    double workSeconds = 0;
    double floorSeconds = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        floor();
        const auto between = Clock::now();
        work();
        const auto end = Clock::now();
        const double seconds = std::chrono::duration<double>(end - between).count();
        state.SetIterationTime(seconds);
        workSeconds += seconds;
        floorSeconds += std::chrono::duration<double>(between - start).count();
    }
    state.counters["floor_ms"] = 1000 * floorSeconds / double(state.iterations());
    state.counters["ratio"] = workSeconds / floorSeconds;
}

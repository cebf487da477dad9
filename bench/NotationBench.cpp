// The colour menu's work, every notation of one colour, against one snprintf
// of its hex, timed in the same iterations; and with --exhaustive, every
// notation of all 16,777,216 colours written and read back.
#include "BenchPhoto.h"
#include "ColorNotation.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

namespace {

void MenuNotations(benchmark::State& state) {
    TColor colour = 0x405B3A;
    std::size_t length = 0;
    AgainstFloor(
        state,
        [&] {
            for (const TNotationText& n : ColourNotations(colour)) {
                length += n.Text.size();
            }
        },
        [&] {
            char hex[8];
            std::snprintf(hex, sizeof hex, "#%06X", unsigned(colour));
            length += std::strlen(hex);
            colour = (colour * 1103515245 + 12345) & 0xFFFFFF; // the next colour for both
        });
    benchmark::DoNotOptimize(length);
}
BENCHMARK(MenuNotations)->UseManualTime()->Unit(benchmark::kMicrosecond);

// Writes every exact notation of each colour and reads it back; returns how
// many texts did not read back as their colour (the integer text as the very
// value).
long Mismatches(TColor first, TColor end, std::atomic<long>& texts) {
    long wrong = 0;
    for (TColor colour = first; colour < end; ++colour) {
        for (const TNotationText& n : ColourNotations(colour)) {
            if (!n.Exact) {
                continue;
            }
            const auto back = ReadColour(n.Text);
            const bool same =
                back &&
                (n.Kind == TNotation::IntegerText ? *back == colour : (*back & 0xFFFFFF) == colour);
            if (!same && ++wrong <= 10) {
                std::printf("MISMATCH: %06X written %s\n", unsigned(colour), n.Text.c_str());
            }
            texts.fetch_add(1, std::memory_order_relaxed);
        }
    }
    return wrong;
}

int Exhaustive() {
    const auto start = std::chrono::steady_clock::now();
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    std::atomic<long> texts = 0;
    std::vector<long> wrong(cores);
    {
        std::vector<std::jthread> threads;
        for (unsigned t = 0; t < cores; ++t) {
            threads.emplace_back([&, t] {
                wrong[t] = Mismatches(TColor(0x1000000ll * t / cores),
                                      TColor(0x1000000ll * (t + 1) / cores), texts);
            });
        }
    }
    long mismatches = 0;
    for (const long w : wrong) {
        mismatches += w;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("every colour: 16777216 colours, %ld texts written and read back, %ld read as "
                "another colour; %.0f s on %u cores\n",
                texts.load(), mismatches, seconds, cores);
    return mismatches == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--exhaustive") == 0) {
        return Exhaustive();
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

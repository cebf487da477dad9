#include "LargeMemory.h"

#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

namespace {

// Resident bytes of this process.
std::uint64_t ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    std::uint64_t size = 0, resident = 0;
    statm >> size >> resident;
    return resident * std::uint64_t(sysconf(_SC_PAGESIZE));
}

bool HugePagesOffered() {
    std::ifstream mode("/sys/kernel/mm/transparent_hugepage/enabled");
    std::string text;
    std::getline(mode, text);
    return !text.empty() && text.find("[never]") == std::string::npos;
}

} // namespace

TEST(LargeMemory, BigBlocksAreZeroedAlignedAndGivenBackWhenFreed) {
    for (bool hugePages : {true, false}) {
        SCOPED_TRACE(hugePages ? "huge pages wanted" : "huge pages refused");
        LargeMemory::SetHugePagesWanted(hugePages);
        const auto before = LargeMemory::Statistics();
        const std::uint64_t residentBefore = ResidentBytes();
        const std::size_t size = 64u << 20;
        {
            TLargeBuffer buffer(size + 123);
            const auto during = LargeMemory::Statistics();
            EXPECT_EQ(during.MappedBlocks, before.MappedBlocks + 1);
            if (hugePages) {
                EXPECT_EQ(reinterpret_cast<std::uintptr_t>(buffer.Data()) %
                              LargeMemory::HugePageSize,
                          0u);
            }
            EXPECT_EQ(during.AdvisedBlocks - before.AdvisedBlocks,
                      hugePages && HugePagesOffered() ? 1u : 0u);
            bool zero = true;
            for (std::size_t i = 0; i < buffer.Size(); i += 4096) {
                zero = zero && buffer.Data()[i] == 0;
                buffer.Data()[i] = 1; // touch every page
            }
            EXPECT_TRUE(zero);
            EXPECT_GE(ResidentBytes(), residentBefore + size / 2);
        }
        EXPECT_EQ(LargeMemory::Statistics().MappedBytes, before.MappedBytes);
        EXPECT_LT(ResidentBytes(), residentBefore + (8u << 20));
    }
    LargeMemory::SetHugePagesWanted(true);
}

TEST(LargeMemory, SmallBlocksStayOrdinaryAndBuffersMove) {
    const auto before = LargeMemory::Statistics();
    TLargeBuffer small(1000);
    EXPECT_EQ(LargeMemory::Statistics().MappedBlocks, before.MappedBlocks);
    EXPECT_EQ(small.Data()[999], 0);
    TLargeBuffer moved(std::move(small));
    EXPECT_EQ(moved.Size(), 1000u);
    EXPECT_EQ(small.Size(), 0u);
    moved.Shrink(10);
    EXPECT_EQ(moved.Size(), 10u);
    TLargeBuffer big(LargeMemory::HugeThreshold);
    moved = std::move(big); // the small block is freed, the big one kept
    EXPECT_EQ(LargeMemory::Statistics().MappedBlocks, before.MappedBlocks + 1);
    EXPECT_EQ(TLargeBuffer(0).Size(), 0u);
}

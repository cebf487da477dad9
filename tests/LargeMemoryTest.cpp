#include "LargeMemory.h"

#include <cerrno>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace {

// How many pages of the range are resident; nothing when the range is no
// longer mapped at all. Asked of the range itself, so a sanitizer's own
// bookkeeping elsewhere in the process does not count.
std::optional<std::size_t> ResidentPages(const void* start, std::size_t bytes) {
    const std::size_t page = std::size_t(sysconf(_SC_PAGESIZE));
    std::vector<unsigned char> flags((bytes + page - 1) / page);
    if (mincore(const_cast<void*>(start), bytes, flags.data()) != 0) {
        EXPECT_EQ(errno, ENOMEM);
        return std::nullopt;
    }
    std::size_t resident = 0;
    for (unsigned char flag : flags) {
        resident += flag & 1;
    }
    return resident;
}

// Whether the kernel offers transparent huge pages; unknown where /sys is
// not there to ask (a package build's chroot).
std::optional<bool> HugePagesOffered() {
    std::ifstream mode("/sys/kernel/mm/transparent_hugepage/enabled");
    std::string text;
    if (!std::getline(mode, text) || text.empty()) {
        return std::nullopt;
    }
    return text.find("[never]") == std::string::npos;
}

} // namespace

TEST(LargeMemory, BigBlocksAreZeroedAlignedKeptForTheNextAndGivenBackOnRelease) {
    for (bool hugePages : {true, false}) {
        SCOPED_TRACE(hugePages ? "huge pages wanted" : "huge pages refused");
        LargeMemory::SetHugePagesWanted(hugePages);
        LargeMemory::ReleaseSpares();
        const auto before = LargeMemory::Statistics();
        const std::size_t size = 32u << 20; // with the smaller one below, within SpareLimit
        const std::size_t pages = size / std::size_t(sysconf(_SC_PAGESIZE));
        const std::uint8_t* block = nullptr;
        {
            TLargeBuffer buffer(size + 123);
            const auto during = LargeMemory::Statistics();
            EXPECT_EQ(during.MappedBlocks, before.MappedBlocks + 1);
            if (hugePages) {
                EXPECT_EQ(reinterpret_cast<std::uintptr_t>(buffer.Data()) %
                              LargeMemory::HugePageSize,
                          0u);
            }
            if (const std::optional<bool> offered = HugePagesOffered(); offered || !hugePages) {
                EXPECT_EQ(during.AdvisedBlocks - before.AdvisedBlocks,
                          hugePages && *offered ? 1u : 0u);
            }
            bool zero = true;
            for (std::size_t i = 0; i < buffer.Size(); i += 4096) {
                zero = zero && buffer.Data()[i] == 0;
                buffer.Data()[i] = 1; // touch every page
            }
            EXPECT_TRUE(zero);
            block = buffer.Data();
            EXPECT_EQ(ResidentPages(block, size), pages);
        }
        // Freed, the block stays resident as a spare, and the next block of
        // its size takes it over: zeroed again when asked, the same pages.
        EXPECT_EQ(LargeMemory::Statistics().SpareBlocks, 1u);
        EXPECT_EQ(ResidentPages(block, size), pages);
        {
            const TLargeBuffer smaller(size / 2); // too small to pin it
            EXPECT_NE(smaller.Data(), block);
        }
        {
            TLargeBuffer next(size);
            EXPECT_EQ(next.Data(), block);
            bool zero = true;
            for (std::size_t i = 0; i < next.Size(); i += 4096) {
                zero = zero && next.Data()[i] == 0;
            }
            EXPECT_TRUE(zero);
        }
        EXPECT_GE(LargeMemory::Statistics().ReusedBlocks, before.ReusedBlocks + 1);
        // Released, every spare is given back to the system.
        LargeMemory::ReleaseSpares();
        EXPECT_EQ(LargeMemory::Statistics().MappedBytes, before.MappedBytes);
        const std::optional<std::size_t> after = ResidentPages(block, size);
        EXPECT_TRUE(!after || *after == 0) << *after << " pages still resident";
    }
    LargeMemory::SetHugePagesWanted(true);
}

TEST(LargeMemory, SparesStayWithinTheirLimitOldestGivenBackFirst) {
    LargeMemory::ReleaseSpares();
    const std::size_t block = 40u << 20;
    { TLargeBuffer a(block), b(block), c(block); }
    EXPECT_LE(LargeMemory::Statistics().SpareBytes, LargeMemory::SpareLimit);
    EXPECT_EQ(LargeMemory::Statistics().SpareBlocks, 2u);
    LargeMemory::TrimSpares(block);
    EXPECT_EQ(LargeMemory::Statistics().SpareBytes, block);
    LargeMemory::ReleaseSpares();
    EXPECT_EQ(LargeMemory::Statistics().SpareBytes, 0u);
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
    EXPECT_EQ(LargeMemory::Statistics().MappedBlocks - LargeMemory::Statistics().SpareBlocks,
              before.MappedBlocks - before.SpareBlocks + 1);
    EXPECT_EQ(TLargeBuffer(0).Size(), 0u);
}

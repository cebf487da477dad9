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

TEST(LargeMemory, BigBlocksAreZeroedAlignedAndGivenBackWhenFreed) {
    for (bool hugePages : {true, false}) {
        SCOPED_TRACE(hugePages ? "huge pages wanted" : "huge pages refused");
        LargeMemory::SetHugePagesWanted(hugePages);
        const auto before = LargeMemory::Statistics();
        const std::size_t size = 64u << 20;
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
            const std::size_t pages = size / std::size_t(sysconf(_SC_PAGESIZE));
            EXPECT_EQ(ResidentPages(block, size), pages);
        }
        EXPECT_EQ(LargeMemory::Statistics().MappedBytes, before.MappedBytes);
        // Given back to the system, not kept for later: the block's pages are
        // gone (unmapped, or at least not one of them resident).
        const std::optional<std::size_t> after = ResidentPages(block, size);
        EXPECT_TRUE(!after || *after == 0) << *after << " pages still resident";
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

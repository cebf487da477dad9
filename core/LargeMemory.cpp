#include "LargeMemory.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <sys/mman.h>
#include <utility>
#include <vector>

namespace LargeMemory {
namespace {

std::atomic<bool> HugePagesWanted{true};
std::atomic<std::uint64_t> MappedBytes{0};
std::atomic<std::uint64_t> MappedBlocks{0};
std::atomic<std::uint64_t> TotalBlocks{0};
std::atomic<std::uint64_t> AdvisedBlocks{0};
std::atomic<std::uint64_t> ReusedBlocks{0};

// A freed mapping kept whole, its pages resident, oldest first.
struct TSpare {
    void* Block;
    std::size_t Length;
};
std::mutex SpareLock;
std::vector<TSpare> Spares;
std::size_t SpareBytes = 0;

void Unmap(void* block, std::size_t length) {
    ::munmap(block, length);
    MappedBytes -= length;
    --MappedBlocks;
}

// Unmaps the oldest spares until they hold at most `bytes`; SpareLock held.
void TrimLocked(std::size_t bytes) {
    while (SpareBytes > bytes) {
        const TSpare oldest = Spares.front();
        Spares.erase(Spares.begin());
        SpareBytes -= oldest.Length;
        Unmap(oldest.Block, oldest.Length);
    }
}

// A spare of this length or a little more (a quarter at most, so that a
// small block never pins a large mapping), taken out of the spares.
void* TakeSpare(std::size_t length) {
    const std::lock_guard lock(SpareLock);
    const auto fits = std::find_if(Spares.begin(), Spares.end(), [&](const TSpare& spare) {
        return spare.Length >= length && spare.Length <= length + length / 4;
    });
    if (fits == Spares.end()) {
        return nullptr;
    }
    void* block = fits->Block;
    // The tail beyond what is asked for is given back.
    if (fits->Length > length) {
        ::munmap(static_cast<char*>(block) + length, fits->Length - length);
        MappedBytes -= fits->Length - length;
    }
    SpareBytes -= fits->Length;
    Spares.erase(fits);
    ++ReusedBlocks;
    return block;
}

void KeepSpare(void* block, std::size_t length) {
    const std::lock_guard lock(SpareLock);
    if (length > SpareLimit) {
        Unmap(block, length);
        return;
    }
    Spares.push_back({block, length});
    SpareBytes += length;
    TrimLocked(SpareLimit);
}

std::size_t RoundUp(std::size_t bytes, std::size_t unit) {
    return (bytes + unit - 1) / unit * unit;
}

// The length of the mapping made for a block of this size.
std::size_t MappingLength(std::size_t bytes) {
    return RoundUp(bytes, HugePageSize);
}

// A fresh anonymous mapping starting on a 2 MiB boundary: the kernel can only
// back whole aligned 2 MiB ranges with huge pages, so a bit more is mapped and
// the unaligned ends are given back at once.
void* MapAligned(std::size_t length) {
    const std::size_t padded = length + HugePageSize;
    void* raw = ::mmap(nullptr, padded, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) {
        return nullptr;
    }
    const auto start = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t aligned = RoundUp(start, HugePageSize);
    const std::size_t head = aligned - start;
    const std::size_t tail = padded - head - length;
    if (head != 0) {
        ::munmap(raw, head);
    }
    if (tail != 0) {
        ::munmap(reinterpret_cast<void*>(aligned + length), tail);
    }
    return reinterpret_cast<void*>(aligned);
}

void* MapBlock(std::size_t bytes) {
    const std::size_t length = MappingLength(bytes);
    void* block = nullptr;
    if (HugePagesWanted.load(std::memory_order_relaxed)) {
        block = MapAligned(length);
        // A kernel without transparent huge pages refuses the advice; the
        // mapping then stays on ordinary pages, which is all we can have.
        if (block && ::madvise(block, length, MADV_HUGEPAGE) == 0) {
            ++AdvisedBlocks;
        }
    } else {
        block = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        block = block == MAP_FAILED ? nullptr : block;
    }
    if (block) {
        MappedBytes += length;
        ++MappedBlocks;
        ++TotalBlocks;
    }
    return block;
}

} // namespace

void* Allocate(std::size_t bytes) noexcept {
    if (bytes >= HugeThreshold) {
        if (void* spare = TakeSpare(MappingLength(bytes))) {
            return std::memset(spare, 0, bytes);
        }
        return MapBlock(bytes); // fresh mappings read as zero
    }
    return std::calloc(bytes == 0 ? 1 : bytes, 1);
}

void* AllocateUninitialised(std::size_t bytes) noexcept {
    if (bytes >= HugeThreshold) {
        if (void* spare = TakeSpare(MappingLength(bytes))) {
            return spare;
        }
        return MapBlock(bytes);
    }
    return std::malloc(bytes == 0 ? 1 : bytes);
}

void Free(void* block, std::size_t bytes) noexcept {
    if (!block) {
        return;
    }
    if (bytes < HugeThreshold) {
        std::free(block);
        return;
    }
    KeepSpare(block, MappingLength(bytes));
}

void TrimSpares(std::size_t bytes) noexcept {
    const std::lock_guard lock(SpareLock);
    TrimLocked(bytes);
}

void SetHugePagesWanted(bool wanted) noexcept {
    HugePagesWanted = wanted;
}

TStatistics Statistics() noexcept {
    const std::lock_guard lock(SpareLock);
    return {MappedBytes.load(), MappedBlocks.load(), TotalBlocks.load(), AdvisedBlocks.load(),
            SpareBytes,         Spares.size(),       ReusedBlocks.load()};
}

} // namespace LargeMemory

TLargeBuffer::TLargeBuffer(std::size_t bytes, bool zeroed) {
    void* block = zeroed ? LargeMemory::Allocate(bytes) : LargeMemory::AllocateUninitialised(bytes);
    if (!block) {
        throw std::bad_alloc();
    }
    FData = static_cast<std::uint8_t*>(block);
    FSize = bytes;
    FCapacity = bytes;
}

void TLargeBuffer::Swap(TLargeBuffer& other) noexcept {
    std::swap(FData, other.FData);
    std::swap(FSize, other.FSize);
    std::swap(FCapacity, other.FCapacity);
}

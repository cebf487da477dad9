#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>

// Memory for the big buffers on a picture's road: a file's bytes, a bitmap's
// pixels, libjpeg's whole-image buffers. A first touch of an ordinary 4 KiB
// page costs a page fault, and a 24-megapixel bitmap has 17,600 of them, more
// than the decode itself costs. Blocks of HugeThreshold bytes or more are
// therefore mapped on their own, aligned to 2 MiB and advised for transparent
// huge pages. Smaller blocks come from malloc as usual. Where huge pages
// cannot be had the same mapping simply stays on ordinary pages.
//
// Even a huge page costs its fault and its zeroing on first touch, several
// milliseconds a megabyte on a virtual machine, and a picture viewer frees a
// 72 MB picture at the very moment it makes the next one. So a freed mapping
// is kept as a spare, its pages resident, and the next block of about its
// size takes it over: decoding into it costs no fault at all. Spares are
// bounded (SpareLimit) and given back on request (ReleaseSpares).
namespace LargeMemory {

constexpr std::size_t HugePageSize = std::size_t{2} << 20;
constexpr std::size_t HugeThreshold = HugePageSize;

// Zero-filled memory of at least one byte; nullptr when none can be had.
void* Allocate(std::size_t bytes) noexcept;
// Memory whose content is left undefined (small blocks skip the zeroing).
void* AllocateUninitialised(std::size_t bytes) noexcept;
// Gives back a block from Allocate; bytes must be the size it was asked for.
void Free(void* block, std::size_t bytes) noexcept;

// The most that spares hold at once, while a picture is being replaced.
constexpr std::size_t SpareLimit = std::size_t{96} << 20;
// Gives back spares, oldest first, until they hold at most `bytes`.
void TrimSpares(std::size_t bytes) noexcept;
// Gives every spare back to the system.
inline void ReleaseSpares() noexcept {
    TrimSpares(0);
}

// Trims the spares to `bytes` on every way out of a scope: what a finished
// load leaves behind stays within that.
class TTrimSpares {
public:
    explicit TTrimSpares(std::size_t bytes) : FBytes(bytes) {}
    ~TTrimSpares() { TrimSpares(FBytes); }
    TTrimSpares(const TTrimSpares&) = delete;
    TTrimSpares& operator=(const TTrimSpares&) = delete;

private:
    std::size_t FBytes;
};

// Whether blocks are advised for huge pages. On by default; tests turn it
// off to take the path of a system that refuses them.
void SetHugePagesWanted(bool wanted) noexcept;

struct TStatistics {
    std::uint64_t MappedBytes = 0;   // bytes of separate mappings alive now
    std::uint64_t MappedBlocks = 0;  // separate mappings alive now
    std::uint64_t TotalBlocks = 0;   // mappings made, ever
    std::uint64_t AdvisedBlocks = 0; // mappings the kernel took the advice for, ever
    std::uint64_t SpareBytes = 0;    // bytes of freed mappings kept for reuse now
    std::uint64_t SpareBlocks = 0;   // freed mappings kept for reuse now
    std::uint64_t ReusedBlocks = 0;  // blocks that took over a spare, ever
};
TStatistics Statistics() noexcept;

} // namespace LargeMemory

// A block of memory from LargeMemory with its size; owns it, moves, never
// copies.
class TLargeBuffer {
public:
    TLargeBuffer() = default;
    // Throws std::bad_alloc when the memory cannot be had.
    explicit TLargeBuffer(std::size_t bytes, bool zeroed = true);
    ~TLargeBuffer() { LargeMemory::Free(FData, FCapacity); }
    TLargeBuffer(TLargeBuffer&& other) noexcept { Swap(other); }
    TLargeBuffer& operator=(TLargeBuffer&& other) noexcept {
        TLargeBuffer old(std::move(*this));
        Swap(other);
        return *this;
    }
    TLargeBuffer(const TLargeBuffer&) = delete;
    TLargeBuffer& operator=(const TLargeBuffer&) = delete;

    std::uint8_t* Data() { return FData; }
    const std::uint8_t* Data() const { return FData; }
    std::size_t Size() const { return FSize; }
    bool Empty() const { return FSize == 0; }
    // Keeps only the first n bytes; the memory itself is held to the end.
    void Shrink(std::size_t n) { FSize = n < FSize ? n : FSize; }

private:
    void Swap(TLargeBuffer& other) noexcept;

    std::uint8_t* FData = nullptr;
    std::size_t FSize = 0;
    std::size_t FCapacity = 0;
};

#pragma once

#include "LargeMemory.h"

#include <cstddef>
#include <cstdint>
#include <string>

// A readable sequence of bytes with a position, the way the picture readers
// see a file: from its first byte to its last.
class TStream {
public:
    virtual ~TStream() = default;

    // Reads up to count bytes; returns how many were read (0 at the end).
    virtual std::size_t Read(void* buffer, std::size_t count) = 0;
    virtual std::uint64_t Size() const = 0;
    virtual std::uint64_t Position() const = 0;
    // Moves to an absolute position; positions past the end read nothing.
    virtual void Seek(std::uint64_t position) = 0;

    std::uint64_t Remaining() const;
    // Reads exactly count bytes or fails with EReadError.
    void ReadBuffer(void* buffer, std::size_t count);
    // Skips count bytes; fails with EReadError when fewer remain.
    void SkipBuffer(std::uint64_t count);
    // Everything from the position to the end, in large-buffer memory.
    TLargeBuffer ReadRest();
};

// Reads bytes that the caller owns and keeps alive.
class TMemoryStream final : public TStream {
public:
    TMemoryStream(const void* data, std::size_t size);

    std::size_t Read(void* buffer, std::size_t count) override;
    std::uint64_t Size() const override { return FSize; }
    std::uint64_t Position() const override { return FPosition; }
    void Seek(std::uint64_t position) override { FPosition = position; }

private:
    const std::uint8_t* FData;
    std::size_t FSize;
    std::uint64_t FPosition = 0;
};

// A regular file opened for reading. Opening anything else (a folder, a pipe)
// fails as an open error, so a reader never blocks or reads a directory.
class TFileStream final : public TStream {
public:
    explicit TFileStream(const std::string& path);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    std::size_t Read(void* buffer, std::size_t count) override;
    std::uint64_t Size() const override { return FSize; }
    std::uint64_t Position() const override { return FPosition; }
    void Seek(std::uint64_t position) override;

private:
    int FHandle = -1;
    std::uint64_t FSize = 0;
    std::uint64_t FPosition = 0;
};

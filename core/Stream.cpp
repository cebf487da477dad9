#include "Stream.h"

#include "Exceptions.h"
#include "UsableCores.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

std::uint64_t TStream::Remaining() const {
    const auto size = Size();
    const auto position = Position();
    return position < size ? size - position : 0;
}

void TStream::ReadBuffer(void* buffer, std::size_t count) {
    if (count != 0 && Read(buffer, count) != count) {
        throw EReadError();
    }
}

void TStream::SkipBuffer(std::uint64_t count) {
    if (count > Remaining()) {
        throw EReadError();
    }
    Seek(Position() + count);
}

TLargeBuffer TStream::ReadRest() {
    TLargeBuffer bytes(static_cast<std::size_t>(Remaining()), false);
    bytes.Shrink(Read(bytes.Data(), bytes.Size()));
    return bytes;
}

TMemoryStream::TMemoryStream(const void* data, std::size_t size)
    : FData(static_cast<const std::uint8_t*>(data)), FSize(size) {}

std::size_t TMemoryStream::Read(void* buffer, std::size_t count) {
    if (FPosition >= FSize || count == 0) { // an empty buffer may be null
        return 0;
    }
    const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(count, FSize - FPosition));
    std::memcpy(buffer, FData + FPosition, n);
    FPosition += n;
    return n;
}

TFileStream::TFileStream(const std::string& path) {
    FHandle = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (FHandle < 0) {
        throw EFOpenError(path, errno);
    }
    struct stat info {};
    if (::fstat(FHandle, &info) != 0 || !S_ISREG(info.st_mode)) {
        const int error = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        ::close(FHandle);
        throw EFOpenError(path, error);
    }
    FSize = static_cast<std::uint64_t>(info.st_size);
}

TFileStream::~TFileStream() {
    ::close(FHandle);
}

namespace {

// Reads this large are split among the cores: a read from the page cache is a
// copy bound by one core's speed, and a 72 MB picture's pixels come in at
// about twice the speed on two. The file is read in pieces that each thread
// takes in turn as it becomes free: a helper that a busy or waking core starts
// late, or that runs slower beside another program, then takes fewer pieces
// instead of holding up the end of the read.
constexpr std::size_t PartedReadBytes = std::size_t{16} << 20;
constexpr std::size_t PieceBytes = std::size_t{2} << 20;

// Reads up to `count` bytes at `offset`, fewer only at the end of the file;
// throws EReadError. With `cachedOnly`, stops short instead of waiting for
// the disk: the piece is then finished in order after the others.
std::size_t ReadAt(int handle, char* out, std::size_t count, std::uint64_t offset,
                   bool cachedOnly) {
    std::size_t done = 0;
    while (done < count) {
        iovec piece{out + done, count - done};
        const ssize_t n = ::preadv2(handle, &piece, 1, static_cast<off_t>(offset + done),
                                    cachedOnly ? RWF_NOWAIT : 0);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && cachedOnly) {
            break; // EAGAIN, or a kernel without the flag
        }
        if (n < 0) {
            throw EReadError();
        }
        if (n == 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    return done;
}

// A large read by the calling thread and `threads` - 1 helpers, each taking
// the next piece not yet taken, from the page cache only. What could not be
// had from the cache, and the pieces that failed, are then read on the
// calling thread in order, so that a file on a slow disk is still read from
// start to end, and a failure is reported by the calling thread.
std::size_t ReadInParts(int handle, char* out, std::size_t count, std::uint64_t offset,
                        std::size_t threads) {
    const std::size_t pieces = (count + PieceBytes - 1) / PieceBytes;
    auto pieceSize = [&](std::size_t k) { return std::min(PieceBytes, count - k * PieceBytes); };
    std::vector<std::size_t> got(pieces, 0);
    std::atomic<std::size_t> next{0};
    auto takePieces = [&] {
        for (std::size_t k; (k = next.fetch_add(1, std::memory_order_relaxed)) < pieces;) {
            try {
                got[k] = ReadAt(handle, out + k * PieceBytes, pieceSize(k), offset + k * PieceBytes,
                                true);
            } catch (...) {
                got[k] = 0; // read again, and failed there, below
            }
        }
    };
    {
        std::vector<std::jthread> helpers;
        try {
            for (std::size_t t = 1; t < threads; ++t) {
                helpers.emplace_back(takePieces);
            }
        } catch (const std::system_error&) {
            // No thread to be had: the calling thread takes every piece.
        }
        takePieces();
    } // the helpers are joined here
    std::size_t done = 0;
    for (std::size_t k = 0; k < pieces; ++k) {
        const std::size_t size = pieceSize(k);
        if (got[k] < size) {
            got[k] += ReadAt(handle, out + k * PieceBytes + got[k], size - got[k],
                             offset + k * PieceBytes + got[k], false);
        }
        done += got[k];
        if (got[k] < size) {
            break; // the end of the file
        }
    }
    return done;
}

} // namespace

std::size_t TFileStream::Read(void* buffer, std::size_t count) {
    auto* out = static_cast<char*>(buffer);
    const auto threads =
        static_cast<std::size_t>(count >= PartedReadBytes ? std::min(UsableCores(), 4) : 1);
    const std::size_t done = threads > 1 ? ReadInParts(FHandle, out, count, FPosition, threads)
                                         : ReadAt(FHandle, out, count, FPosition, false);
    FPosition += done;
    return done;
}

void TFileStream::Seek(std::uint64_t position) {
    FPosition = position;
}

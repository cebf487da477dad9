#include "Stream.h"

#include "Exceptions.h"
#include "UsableCores.h"

#include <algorithm>
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
    if (FPosition >= FSize) {
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
// about twice the speed on two.
constexpr std::size_t PartedReadBytes = std::size_t{16} << 20;
constexpr std::size_t PartAlignment = 4096;

// Reads up to `count` bytes at `offset`, fewer only at the end of the file;
// throws EReadError. With `cachedOnly`, stops short instead of waiting for
// the disk: the part then comes in order after the others.
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

// A large read in parts, one per core, each on its own thread but the first.
// What the others could not take from the page cache, and the parts of a
// file that failed, are read on the calling thread after its own part, so
// that a file on a slow disk is still read from start to end.
std::size_t ReadInParts(int handle, char* out, std::size_t count, std::uint64_t offset,
                        std::size_t parts) {
    const std::size_t step = (count / parts + PartAlignment - 1) / PartAlignment * PartAlignment;
    std::vector<std::size_t> got(parts, 0);
    {
        std::vector<std::jthread> helpers;
        try {
            for (std::size_t k = 1; k < parts && k * step < count; ++k) {
                helpers.emplace_back([&, k] {
                    try {
                        got[k] = ReadAt(handle, out + k * step, std::min(step, count - k * step),
                                        offset + k * step, true);
                    } catch (...) {
                        got[k] = 0; // read again, and failed there, below
                    }
                });
            }
        } catch (const std::system_error&) {
            // No thread to be had: the rest is read below.
        }
        got[0] = ReadAt(handle, out, std::min(step, count), offset, false);
    } // the helpers are joined here
    std::size_t done = 0;
    for (std::size_t k = 0; k < parts && k * step < count; ++k) {
        const std::size_t size = std::min(step, count - k * step);
        if (got[k] < size) {
            got[k] += ReadAt(handle, out + k * step + got[k], size - got[k],
                             offset + k * step + got[k], false);
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
    const auto parts =
        static_cast<std::size_t>(count >= PartedReadBytes ? std::min(UsableCores(), 4) : 1);
    const std::size_t done = parts > 1 ? ReadInParts(FHandle, out, count, FPosition, parts)
                                       : ReadAt(FHandle, out, count, FPosition, false);
    FPosition += done;
    return done;
}

void TFileStream::Seek(std::uint64_t position) {
    FPosition = position;
}

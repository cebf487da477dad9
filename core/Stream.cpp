#include "Stream.h"

#include "Exceptions.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

std::size_t TFileStream::Read(void* buffer, std::size_t count) {
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n =
            ::pread(FHandle, out + done, count - done, static_cast<off_t>(FPosition + done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            throw EReadError();
        }
        if (n == 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    FPosition += done;
    return done;
}

void TFileStream::Seek(std::uint64_t position) {
    FPosition = position;
}

#include "TextFile.h"

#include "Exceptions.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void Fail(const std::string& what, const std::string& path, int error) {
    throw EInOutError("ファイル " + path + " " + what + ": " + std::strerror(error));
}

class TReadStream final : public TTextStream {
public:
    explicit TReadStream(const std::string& path) : FPath(path) {
        // Non-blocking, so that a pipe under that name cannot hang the program.
        FHandle = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (FHandle < 0) {
            Fail("を開けません", path, errno);
        }
        struct stat info {};
        if (::fstat(FHandle, &info) != 0 || !S_ISREG(info.st_mode)) {
            ::close(FHandle);
            Fail("を開けません", path, S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
        }
    }
    ~TReadStream() override { Close(); }

    std::string ReadAll() override {
        std::string text;
        char buffer[4096];
        for (;;) {
            const ssize_t n = ::read(FHandle, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0) {
                Fail("を読めません", FPath, errno);
            }
            if (n == 0) {
                return text;
            }
            text.append(buffer, std::size_t(n));
            if (text.size() > TFileSystemObject::MaxReadBytes) {
                Fail("を読めません", FPath, EFBIG);
            }
        }
    }
    void Write(const std::string&) override { Fail("に書き込めません", FPath, EBADF); }
    void Close() override {
        if (FHandle >= 0) {
            ::close(FHandle);
            FHandle = -1;
        }
    }

private:
    std::string FPath;
    int FHandle = -1;
};

// Writes into a temporary file beside the target and renames it over the
// target on Close, so the old file is whole until the new one is complete.
class TWriteStream final : public TTextStream {
public:
    explicit TWriteStream(const std::string& path) : FPath(path), FTemporary(path + ".XXXXXX") {
        FHandle = ::mkstemp(FTemporary.data());
        if (FHandle < 0) {
            Fail("を作成できません", path, errno);
        }
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(FHandle, 0666 & ~mask);
    }
    ~TWriteStream() override {
        if (FHandle >= 0) {
            ::close(FHandle);
            ::unlink(FTemporary.c_str());
        }
    }

    std::string ReadAll() override { Fail("を読めません", FPath, EBADF); }
    void Write(const std::string& text) override {
        std::size_t done = 0;
        while (done < text.size()) {
            const ssize_t n = ::write(FHandle, text.data() + done, text.size() - done);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0) {
                Fail("に書き込めません", FPath, errno);
            }
            done += std::size_t(n);
        }
    }
    void Close() override {
        if (FHandle < 0) {
            return;
        }
        if (::fsync(FHandle) != 0) {
            Fail("に書き込めません", FPath, errno);
        }
        const int handle = FHandle;
        FHandle = -1;
        if (::close(handle) != 0) {
            const int error = errno;
            ::unlink(FTemporary.c_str());
            Fail("に書き込めません", FPath, error);
        }
        if (::rename(FTemporary.c_str(), FPath.c_str()) != 0) {
            const int error = errno;
            ::unlink(FTemporary.c_str());
            Fail("に書き込めません", FPath, error);
        }
    }

private:
    std::string FPath;
    std::string FTemporary;
    int FHandle = -1;
};

} // namespace

bool TFileSystemObject::FileExists(const std::string& path) const {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

std::unique_ptr<TTextStream> TFileSystemObject::OpenTextFile(const std::string& path,
                                                             int ioMode) const {
    if (ioMode != 1) {
        Fail("を開けません", path, EINVAL);
    }
    return std::make_unique<TReadStream>(path);
}

std::unique_ptr<TTextStream> TFileSystemObject::CreateTextFile(const std::string& path,
                                                               bool overwrite) const {
    if (!overwrite && FileExists(path)) {
        Fail("を作成できません", path, EEXIST);
    }
    return std::make_unique<TWriteStream>(path);
}

std::string ReadTextFile(const std::string& path) {
    const TFileSystemObject files;
    if (!files.FileExists(path)) {
        return {};
    }
    std::unique_ptr<TTextStream> stream;
    try {
        stream = files.OpenTextFile(path, 1);
    } catch (const Exception&) {
        return {};
    }
    std::string text;
    try {
        text = stream->ReadAll();
    } catch (const Exception&) {
        stream->Close();
        return {};
    }
    stream->Close();
    return text;
}

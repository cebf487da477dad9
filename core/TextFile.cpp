#include "TextFile.h"

#include "DisplayName.h"
#include "Exceptions.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void Fail(const std::string& what, const std::string& path, int error) {
    throw EInOutError("ファイル " + DisplayPath(path) + " " + what + ": " + std::strerror(error));
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

// The folder part of a path, "." for a bare name.
std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// Whether a name is one of the target's temporary names: the target's name,
// a ".", and six letters or digits.
bool IsTemporaryName(const std::string& name, const std::string& target) {
    constexpr std::size_t Suffix = 6;
    if (name.size() != target.size() + 1 + Suffix || name.compare(0, target.size(), target) != 0 ||
        name[target.size()] != '.') {
        return false;
    }
    return std::all_of(name.end() - Suffix, name.end(),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)); });
}

// Removes what an earlier save of the target that was cut short left beside
// it: files of its temporary names that belong to this user.
void RemoveStaleTemporaries(const std::string& path) {
    const std::string folder = FolderOf(path);
    const std::string target = path.substr(path.rfind('/') + 1);
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir) {
        return;
    }
    const int handle = ::dirfd(dir.get());
    while (const dirent* entry = ::readdir(dir.get())) {
        struct stat info {};
        if (IsTemporaryName(entry->d_name, target) &&
            ::fstatat(handle, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(info.st_mode) && info.st_uid == ::geteuid()) {
            ::unlinkat(handle, entry->d_name, 0);
        }
    }
}

// Writes into a temporary file beside the target and renames it over the
// target on Close, so the old file is whole until the new one is complete.
// Where the file system allows, the temporary file has no name while it is
// written and gets one only for the rename, so that a save cut short leaves
// nothing behind; a name left by an earlier one is removed by the next save.
class TWriteStream final : public TTextStream {
public:
    explicit TWriteStream(const std::string& path) : FPath(path) {
        RemoveStaleTemporaries(path);
        // The file's handle names it through /proc once it is complete.
        if (::access("/proc/self/fd", X_OK) == 0) {
            FHandle = ::open(FolderOf(path).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        }
        if (FHandle < 0) {
            FTemporary = path + ".XXXXXX";
            FHandle = ::mkstemp(FTemporary.data());
            if (FHandle < 0) {
                Fail("を作成できません", path, errno);
            }
            const mode_t mask = ::umask(0);
            ::umask(mask);
            ::fchmod(FHandle, 0666 & ~mask);
        }
    }
    ~TWriteStream() override {
        if (FHandle >= 0) {
            ::close(FHandle);
            RemoveTemporary();
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
        if (::fsync(FHandle) != 0 || (FTemporary.empty() && !NameTemporary())) {
            Fail("に書き込めません", FPath, errno);
        }
        const int handle = FHandle;
        FHandle = -1;
        if (::close(handle) != 0) {
            const int error = errno;
            RemoveTemporary();
            Fail("に書き込めません", FPath, error);
        }
        if (::rename(FTemporary.c_str(), FPath.c_str()) != 0) {
            const int error = errno;
            RemoveTemporary();
            Fail("に書き込めません", FPath, error);
        }
    }

private:
    // Gives the unnamed file a temporary name of its own beside the target.
    bool NameTemporary() {
        static const char letters[] =
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
        std::random_device random;
        std::uniform_int_distribution<std::size_t> pick(0, sizeof letters - 2);
        const std::string handle = "/proc/self/fd/" + std::to_string(FHandle);
        for (int attempt = 0; attempt < 100; ++attempt) {
            std::string name = FPath + ".";
            for (int i = 0; i < 6; ++i) {
                name += letters[pick(random)];
            }
            if (::linkat(AT_FDCWD, handle.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) ==
                0) {
                FTemporary = std::move(name);
                return true;
            }
            if (errno != EEXIST) {
                return false;
            }
        }
        return false;
    }
    void RemoveTemporary() {
        if (!FTemporary.empty()) {
            ::unlink(FTemporary.c_str());
        }
    }

    std::string FPath;
    std::string FTemporary; // empty while the file has no name
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

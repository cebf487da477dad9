#include "FileSystem.h"

#include "Conversions.h"
#include "DisplayName.h"
#include "Exceptions.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void FolderFailure(const std::string& folder, int error) {
    throw EInOutError("フォルダ " + DisplayPath(folder) + " を開けません: " + std::strerror(error));
}

// Iterative matching with one backtracking point: linear for the usual masks,
// never exponential for odd ones.
bool Match(const char* name, const char* pattern) {
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*name) {
        if (*pattern == '*') {
            star = pattern++;
            resume = name;
        } else if (*pattern == '?' || (*pattern && LowerAscii(*pattern) == LowerAscii(*name))) {
            ++pattern;
            ++name;
        } else if (star) {
            pattern = star + 1;
            name = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == '*') {
        ++pattern;
    }
    return *pattern == '\0';
}

bool IsPlainFile(int folder, const dirent& entry) {
    if (entry.d_type == DT_REG) {
        return true;
    }
    if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN) {
        return false;
    }
    struct stat info {};
    return ::fstatat(folder, entry.d_name, &info, 0) == 0 && S_ISREG(info.st_mode);
}

} // namespace

bool DirectoryExists(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool RegularFileExists(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool FolderListable(const std::string& path) {
    if (!DirectoryExists(path) || ::access(path.c_str(), X_OK) != 0) {
        return false;
    }
    const int handle = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (handle < 0) {
        return false;
    }
    ::close(handle);
    return true;
}

bool FolderWritable(const std::string& folder) {
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

void ForceFolders(const std::string& folder) {
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (!part.empty() && ::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) {
            throw EInOutError("フォルダ " + DisplayPath(part) +
                              " を作成できません: " + std::strerror(errno));
        }
        if (slash == std::string::npos) {
            break;
        }
    }
    if (!DirectoryExists(folder)) {
        throw EInOutError("フォルダ " + DisplayPath(folder) +
                          " を作成できません: " + std::strerror(ENOTDIR));
    }
}

std::string NormalFolderPath(const std::string& path) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos) {
            end = path.size();
        }
        const std::string part = path.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) {
                parts.pop_back();
            }
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string normal;
    for (const std::string& part : parts) {
        normal += "/" + part;
    }
    return normal.empty() ? "/" : normal;
}

std::string EnterFolder(const std::string& folder) {
    if (folder.empty() || ::chdir(folder.c_str()) != 0) {
        FolderFailure(folder, folder.empty() ? ENOENT : errno);
    }
    std::unique_ptr<char, void (*)(void*)> current(::getcwd(nullptr, 0), std::free);
    return current ? std::string(current.get()) : folder;
}

bool MatchesMask(const std::string& name, const std::string& pattern) {
    return Match(name.c_str(), pattern.c_str());
}

std::vector<std::string> SplitMask(const std::string& mask) {
    std::vector<std::string> patterns;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = mask.find(';', start);
        std::string pattern = mask.substr(start, end - start);
        if (!pattern.empty()) {
            patterns.push_back(std::move(pattern));
        }
        if (end == std::string::npos) {
            return patterns;
        }
        start = end + 1;
    }
}

bool FileNameLess(const std::string& a, const std::string& b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(LowerAscii(a[i]));
        const auto y = static_cast<unsigned char>(LowerAscii(b[i]));
        if (x != y) {
            return x < y;
        }
    }
    if (a.size() != b.size()) {
        return a.size() < b.size();
    }
    return a < b;
}

namespace {

// Calls visit(folder handle, entry) for every entry of the folder but the
// hidden ones (names starting with "."), in the order the system gives them.
template <typename Visit> void ForEachVisibleEntry(const std::string& folder, Visit visit) {
    const int handle = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (handle < 0) {
        FolderFailure(folder, errno);
    }
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::fdopendir(handle), ::closedir);
    if (!dir) {
        const int error = errno;
        ::close(handle);
        FolderFailure(folder, error);
    }
    while (const dirent* entry = ::readdir(dir.get())) {
        if (entry->d_name[0] != '.') {
            visit(handle, *entry);
        }
    }
}

bool IsFolder(int folder, const dirent& entry) {
    if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN) {
        return entry.d_type == DT_DIR;
    }
    struct stat info {};
    return ::fstatat(folder, entry.d_name, &info, 0) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

std::vector<std::string> ListMatchingFiles(const std::string& folder,
                                           const std::vector<std::string>& patterns) {
    std::vector<std::string> names;
    ForEachVisibleEntry(folder, [&](int handle, const dirent& entry) {
        bool plain = false;
        bool checked = false;
        for (const std::string& pattern : patterns) {
            if (!Match(entry.d_name, pattern.c_str())) {
                continue;
            }
            if (!checked) {
                plain = IsPlainFile(handle, entry);
                checked = true;
            }
            if (plain) {
                names.emplace_back(entry.d_name);
            }
        }
    });
    std::sort(names.begin(), names.end(), FileNameLess);
    return names;
}

std::vector<std::string> ListSubFolders(const std::string& folder) {
    std::vector<std::string> names;
    ForEachVisibleEntry(folder, [&](int handle, const dirent& entry) {
        if (IsFolder(handle, entry)) {
            names.emplace_back(entry.d_name);
        }
    });
    std::sort(names.begin(), names.end(), FileNameLess);
    return names;
}

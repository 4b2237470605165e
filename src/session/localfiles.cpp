#include "session/localfiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <vector>

namespace tarnwick {

namespace {

// Deeper than this a folder is not emptied: each level holds a descriptor open.
constexpr int kMaxRemoveDepth = 64;

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

// Removes everything in the directory open at `dirFd` (taken over and closed). Each folder
// inside is opened by name relative to its parent and never through a link, so a link put in
// place of a folder meanwhile is refused rather than followed.
bool EmptyDirectory(int dirFd, int depth, int& error)
{
    const std::unique_ptr<DIR, DirCloser> dir(::fdopendir(dirFd));
    if (!dir) {
        error = errno;
        ::close(dirFd);
        return false;
    }
    // The names first: removing while reading may pass over entries.
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    }
    for (const std::string& name : names) {
        if (::unlinkat(dirFd, name.c_str(), 0) == 0 || errno == ENOENT) {
            continue;
        }
        if (errno != EISDIR && errno != EPERM) {
            error = errno;
            return false;
        }
        if (depth >= kMaxRemoveDepth) {
            error = ELOOP;
            return false;
        }
        const int inner =
            ::openat(dirFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (inner < 0) {
            error = errno;
            return false;
        }
        if (!EmptyDirectory(inner, depth + 1, error)) {
            return false;
        }
        if (::unlinkat(dirFd, name.c_str(), AT_REMOVEDIR) != 0) {
            error = errno;
            return false;
        }
    }
    return true;
}

} // namespace

bool LocalFileOpens(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    ::close(fd);
    return true;
}

std::int64_t LocalFileLength(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return 0;
    }
    return static_cast<std::int64_t>(info.st_size);
}

bool SetLocalModifyTime(const std::string& path, std::int64_t seconds)
{
    // The access time is left as it is.
    const struct timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(seconds), 0}};
    return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

bool IsLocalDirectory(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

void LocalFileFacts(const std::string& path, std::int64_t& size, std::int64_t& modifyTime)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        size = -1;
        modifyTime = -1;
        return;
    }
    size = S_ISREG(info.st_mode) ? static_cast<std::int64_t>(info.st_size) : -1;
    modifyTime = static_cast<std::int64_t>(info.st_mtime);
}

bool RenameLocal(const std::string& dir, const std::string& from, const std::string& to,
                 bool replace, int& error)
{
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return false;
    }
    int result = ::renameat2(fd, from.c_str(), fd, to.c_str(), replace ? 0 : RENAME_NOREPLACE);
    if (result != 0 && errno == EINVAL && !replace) {
        // A file system without RENAME_NOREPLACE: looked at first, then renamed.
        struct stat info {};
        if (::fstatat(fd, to.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0) {
            errno = EEXIST;
        } else {
            result = ::renameat(fd, from.c_str(), fd, to.c_str());
        }
    }
    error = result == 0 ? 0 : errno;
    ::close(fd);
    return result == 0;
}

bool RemoveLocalTree(const std::string& path, int& error)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        error = errno;
        return false;
    }
    if (!S_ISDIR(info.st_mode)) {
        if (::unlink(path.c_str()) == 0) {
            return true;
        }
        error = errno;
        return false;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return false;
    }
    if (!EmptyDirectory(fd, 0, error)) {
        return false;
    }
    if (::rmdir(path.c_str()) != 0) {
        error = errno;
        return false;
    }
    return true;
}

} // namespace tarnwick

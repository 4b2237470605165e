#include "session/localtreetarget.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

namespace tarnwick {

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// "a/b/c" -> "a/b"; "c" -> "."; "/c" -> "/".
std::string Parent(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string Base(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// What stands at `name` in the folder `dirFd`, never through a link: 0 (nothing there or a
// file of `type`), ELOOP for a link, or `wrong` for another kind of thing.
int WhatStands(int dirFd, const std::string& name, mode_t type, int wrong)
{
    struct stat info {};
    if (::fstatat(dirFd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        return errno == ENOENT ? 0 : errno;
    }
    if (S_ISLNK(info.st_mode)) {
        return ELOOP;
    }
    return (info.st_mode & S_IFMT) == type ? 0 : wrong;
}

} // namespace

int CLocalTreeTarget::Enter(const std::string& path)
{
    const std::string parent = Parent(path);
    while (!m_chain.empty() && m_chain.back().first != parent) {
        m_chain.pop_back();
    }
    if (m_chain.empty()) {
        // Only the top's folder is opened by its path; anything else outside the folders
        // entered is no part of the walk.
        if (m_bStarted) {
            return ENOENT;
        }
        m_bStarted = true;
        CFd top(::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!top.Valid()) {
            return errno;
        }
        m_chain.emplace_back(parent, std::move(top));
    }
    const int dirFd = m_chain.back().second.Get();
    const std::string name = Base(path);
    if (::mkdirat(dirFd, name.c_str(), 0777) != 0 && errno != EEXIST) {
        return errno;
    }
    if (const int standing = WhatStands(dirFd, name, S_IFDIR, ENOTDIR); standing != 0) {
        return standing;
    }
    CFd folder(::openat(dirFd, name.c_str(), kFolderFlags));
    if (!folder.Valid()) {
        return errno;
    }
    m_chain.emplace_back(path, std::move(folder));
    return 0;
}

int CLocalTreeTarget::CheckFile(const std::string& path) const
{
    if (m_chain.empty() || m_chain.back().first != Parent(path)) {
        return ENOENT;
    }
    // The file is written by its path: the path must still lead to the folder opened.
    struct stat opened {};
    struct stat named {};
    const int dirFd = m_chain.back().second.Get();
    if (::fstat(dirFd, &opened) != 0 || ::lstat(Parent(path).c_str(), &named) != 0) {
        return errno;
    }
    if (opened.st_dev != named.st_dev || opened.st_ino != named.st_ino) {
        return ELOOP;
    }
    return WhatStands(dirFd, Base(path), S_IFREG, 0);
}

} // namespace tarnwick

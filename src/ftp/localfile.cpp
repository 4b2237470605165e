#include "ftp/localfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace tarnwick {

CDownloadTarget::CDownloadTarget(const std::string& targetPath, std::int64_t resumeFrom)
    : m_target(targetPath)
{
    if (resumeFrom > 0) {
        m_temp = PartialPath(targetPath);
        m_bResumed = true;
        m_fd = ::open(m_temp.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
        struct stat info {};
        if (m_fd < 0 || ::fstat(m_fd, &info) != 0 || !S_ISREG(info.st_mode) ||
            info.st_size != resumeFrom) {
            // Not the part the caller measured: going on from it would corrupt the file.
            m_nErrno = m_fd < 0 ? errno : EINVAL;
            if (m_fd >= 0) {
                ::close(m_fd);
                m_fd = -1;
            }
        }
        return;
    }
    const std::size_t slash = targetPath.rfind('/');
    const std::string dir =
        slash == std::string::npos ? std::string() : targetPath.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? targetPath : targetPath.substr(slash + 1);
    if (name.empty()) {
        m_nErrno = EISDIR;
        return;
    }
    // A hidden name beside the target, so the rename stays on one file system.
    for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
        m_temp = dir + "." + name + ".part-" + std::to_string(::getpid()) + "-" +
                 std::to_string(attempt);
        m_fd = ::open(m_temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_fd < 0 && errno != EEXIST) {
            break;
        }
    }
    if (m_fd < 0) {
        m_nErrno = errno;
        m_temp.clear();
    }
}

CDownloadTarget::~CDownloadTarget()
{
    if (m_fd >= 0) {
        ::close(m_fd);
    }
    if (m_bCommitted || m_temp.empty() || m_bResumed) {
        return;
    }
    if (!m_bKeep || ::rename(m_temp.c_str(), PartialPath(m_target).c_str()) != 0) {
        ::unlink(m_temp.c_str());
    }
}

bool CDownloadTarget::Commit()
{
    if (m_fd < 0) {
        return false;
    }
    struct stat existing {};
    if (::stat(m_target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
        ::fchmod(m_fd, existing.st_mode & 07777);
    }
    // close() reports a delayed write error (a full disk over NFS).
    const bool closed = ::close(m_fd) == 0;
    m_fd = -1;
    if (!closed || ::rename(m_temp.c_str(), m_target.c_str()) != 0) {
        m_nErrno = errno;
        return false;
    }
    m_bCommitted = true;
    if (!m_bResumed) {
        // The whole file is there now: a part an earlier attempt left has nothing to add.
        struct stat part {};
        const std::string partial = PartialPath(m_target);
        if (::lstat(partial.c_str(), &part) == 0 && S_ISREG(part.st_mode)) {
            ::unlink(partial.c_str());
        }
    }
    return true;
}

bool WriteFully(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace tarnwick

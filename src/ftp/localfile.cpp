#include "ftp/localfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace tarnwick {

namespace {

// Where a kept part records what it is a part of: "SIZE TIME" in decimal.
constexpr const char* kPartSourceAttribute = "user.tarnwick.source";

} // namespace

bool ReadPartSource(const std::string& partPath, PartSource& source)
{
    char text[64] = {};
    const ssize_t length =
        ::lgetxattr(partPath.c_str(), kPartSourceAttribute, text, sizeof text - 1);
    if (length <= 0) {
        return false;
    }
    long long size = -1;
    long long time = -1;
    if (std::sscanf(text, "%lld %lld", &size, &time) != 2) {
        return false;
    }
    source.size = size;
    source.time = time;
    return true;
}

CDownloadTarget::CDownloadTarget(const std::string& targetPath, std::int64_t resumeFrom)
    : m_target(targetPath)
{
    if (resumeFrom > 0) {
        m_temp = PartialPath(targetPath);
        m_bResumed = true;
        // A link named NAME.part could point anywhere: it is refused, not followed.
        m_fd = ::open(m_temp.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NOFOLLOW);
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

void CDownloadTarget::KeepPartial(std::int64_t sourceSize, std::int64_t sourceTime)
{
    m_bKeep = true;
    if (m_fd >= 0 && !m_bResumed) {
        // Where the file system keeps no attributes the part simply has no record.
        const std::string record = std::to_string(sourceSize) + " " + std::to_string(sourceTime);
        static_cast<void>(::fsetxattr(m_fd, kPartSourceAttribute, record.data(), record.size(), 0));
    }
}

bool CDownloadTarget::CutBack(std::int64_t length)
{
    return m_fd >= 0 && ::ftruncate(m_fd, length) == 0;
}

bool CDownloadTarget::TargetIsNoLink()
{
    struct stat existing {};
    if (::lstat(m_target.c_str(), &existing) == 0 && S_ISLNK(existing.st_mode)) {
        m_nErrno = ELOOP;
        return false;
    }
    return true;
}

bool CDownloadTarget::Commit()
{
    if (m_fd < 0 || !TargetIsNoLink()) {
        return false;
    }
    struct stat existing {};
    if (::lstat(m_target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
        ::fchmod(m_fd, existing.st_mode & 07777);
    }
    if (m_bResumed) {
        static_cast<void>(::fremovexattr(m_fd, kPartSourceAttribute)); // a file, no longer a part
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
        // The whole file is there now: a part a download of ours left has nothing to add. A
        // NAME.part without our record is someone else's file and stays.
        PartSource source;
        const std::string partial = PartialPath(m_target);
        struct stat part {};
        if (::lstat(partial.c_str(), &part) == 0 && S_ISREG(part.st_mode) &&
            ReadPartSource(partial, source)) {
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

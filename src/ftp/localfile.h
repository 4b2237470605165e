// Local files for transfers. A download is written into a temporary file beside its target
// and renamed over the target only when the whole file has arrived, so a failed or cancelled
// download never leaves a truncated file where a good one stood. What arrived before the
// transfer was cut or stopped can be kept as NAME.part, and a later download goes on from it.
// A link where the part or the target should be is never written through, nor replaced.
#pragma once

#include <cstdint>
#include <string>

namespace tarnwick {

class CDownloadTarget {
public:
    // Creates the temporary file in the target's folder; IsOpen() tells whether that worked.
    // With `resumeFrom` > 0 it opens NAME.part instead, which must hold exactly that many
    // bytes, to go on writing it.
    explicit CDownloadTarget(const std::string& targetPath, std::int64_t resumeFrom = 0);
    // Removes the temporary file unless Commit succeeded or the part is kept. A NAME.part
    // that was resumed always stays (with what was added).
    ~CDownloadTarget();
    CDownloadTarget(const CDownloadTarget&) = delete;
    CDownloadTarget& operator=(const CDownloadTarget&) = delete;

    [[nodiscard]] bool IsOpen() const { return m_fd >= 0; }
    // Why the temporary file could not be made, or why Commit failed.
    [[nodiscard]] int Errno() const { return m_nErrno; }
    [[nodiscard]] int Fd() const { return m_fd; }
    // Closes the temporary file and renames it over the target, keeping an existing target's
    // permission bits; a NAME.part an earlier attempt left goes. False (and the target
    // untouched) when that fails.
    bool Commit();
    // Keeps what arrived as NAME.part (replacing an older one) instead of removing it, with
    // the server's size and time of the file it is a part of (-1 when unknown).
    void KeepPartial(std::int64_t sourceSize, std::int64_t sourceTime);
    // Cuts the file back to `length` bytes (what a resumed part held before).
    bool CutBack(std::int64_t length);
    [[nodiscard]] static std::string PartialPath(const std::string& targetPath)
    {
        return targetPath + ".part";
    }

private:
    // True when `target` is where the temporary file may be renamed to: no link.
    bool TargetIsNoLink();

    std::string m_target;
    std::string m_temp;
    int m_fd = -1;
    int m_nErrno = 0;
    bool m_bCommitted = false;
    bool m_bKeep = false;
    bool m_bResumed = false;
};

// What a kept part recorded of its file: the server's size and modification time (-1 when it
// did not know). False when `partPath` holds no record (made elsewhere, or by a version that
// kept none).
struct PartSource {
    std::int64_t size = -1;
    std::int64_t time = -1;
};
[[nodiscard]] bool ReadPartSource(const std::string& partPath, PartSource& source);

// Writes all of `size` bytes; false on a write error (disk full).
[[nodiscard]] bool WriteFully(int fd, const char* data, std::size_t size);

} // namespace tarnwick

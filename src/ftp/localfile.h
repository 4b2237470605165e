// Local files for transfers. A download is written into a temporary file beside its target
// and renamed over the target only when the whole file has arrived, so a failed or cancelled
// download never leaves a truncated file where a good one stood. What arrived before the
// transfer was cut or stopped can be kept as NAME.part, and a later download goes on from it.
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
    // Keeps what arrived as NAME.part (replacing an older one) instead of removing it.
    void KeepPartial() { m_bKeep = true; }
    [[nodiscard]] static std::string PartialPath(const std::string& targetPath)
    {
        return targetPath + ".part";
    }

private:
    std::string m_target;
    std::string m_temp;
    int m_fd = -1;
    int m_nErrno = 0;
    bool m_bCommitted = false;
    bool m_bKeep = false;
    bool m_bResumed = false;
};

// Writes all of `size` bytes; false on a write error (disk full).
[[nodiscard]] bool WriteFully(int fd, const char* data, std::size_t size);

} // namespace tarnwick

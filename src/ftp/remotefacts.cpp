// What the server says of one path outside a listing: MLST facts, STAT lines, and MFMT, which
// sets a file's time.
#include <ctime>

#include "core/strutil.h"
#include "ftp/ftpclient.h"

namespace tarnwick {

namespace {

// The lines of a multi-line reply between its first and its last line:
//   213-Status of "a.txt":
//    -rw-r--r--   1 anna  anna  512 Mar 14 09:12 a.txt
//   213 End of status
std::string InnerLines(const std::string& reply)
{
    const std::size_t first = reply.find('\n');
    if (first == std::string::npos) {
        return std::string();
    }
    std::string inner = reply.substr(first + 1);
    // The last line, with or without its line end.
    std::string_view trimmed = inner;
    while (!trimmed.empty() && (trimmed.back() == '\n' || trimmed.back() == '\r')) {
        trimmed.remove_suffix(1);
    }
    const std::size_t last = trimmed.rfind('\n');
    inner.resize(last == std::string_view::npos ? 0 : last + 1);
    return inner;
}

} // namespace

std::string CFtpClient::RemoteFactLine(const std::string& path)
{
    // 250-Listing a.txt
    //  type=file;size=512;modify=20231130184500;UNIX.mode=0644; a.txt
    // 250 End
    if (!HasFeature("MLST") || !Exchange("MLST " + path, 250)) {
        return std::string();
    }
    const std::string inner = InnerLines(m_strReply);
    if (inner.empty() || inner.front() != ' ') {
        return std::string();
    }
    return inner.substr(0, inner.find_first_of("\r\n"));
}

std::string CFtpClient::RemoteStatus(const std::string& path)
{
    // 211 for the server, 212 for a directory, 213 for a file; servers mix them up.
    static_cast<void>(Exchange("STAT " + path, 213));
    if (!LastReplyComplete() || m_nReplyCode < 211 || m_nReplyCode > 213) {
        return std::string();
    }
    return InnerLines(m_strReply);
}

bool CFtpClient::SetRemoteModificationTime(const std::string& path, std::int64_t seconds)
{
    if (!HasFeature("MFMT") || seconds < 0) {
        return false;
    }
    const std::time_t time = static_cast<std::time_t>(seconds);
    std::tm utc{};
    if (gmtime_r(&time, &utc) == nullptr) {
        return false;
    }
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d%H%M%S", &utc);
    // "213 Modify=20231130184500; a.txt" (RFC draft of MFMT; pure-ftpd, proftpd, pyftpdlib).
    return Exchange(std::string("MFMT ") + stamp + " " + path, 213);
}

} // namespace tarnwick

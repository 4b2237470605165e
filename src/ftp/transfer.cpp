// One file over one data connection: Transfer, and Download and Upload over it.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "core/filedescriptor.h"
#include "ftp/datastream.h"
#include "ftp/ftpclient.h"
#include "ftp/localfile.h"
#include "ftp/textmode.h"

namespace tarnwick {

namespace {

// Received bytes into a local file; in text mode CR LF becomes LF.
class CFileSink : public CDataStream {
public:
    // `limit`: the most bytes the file may still bring (-1: no limit); more is refused.
    CFileSink(int fd, bool textMode, std::int64_t limit)
        : m_fd(fd), m_bText(textMode), m_nLimit(limit)
    {
    }
    bool IsUpload() const override { return false; }
    // More came than the file has left.
    [[nodiscard]] bool OverLimit() const { return m_bOverLimit; }
    bool Write(const char* data, std::size_t size) override
    {
        if (m_nLimit >= 0) {
            if (static_cast<std::int64_t>(size) > m_nLimit) {
                m_bOverLimit = true;
                m_nErrno = EFBIG;
                return false;
            }
            m_nLimit -= static_cast<std::int64_t>(size);
        }
        if (!m_bText) {
            return Store(data, size);
        }
        m_converted.clear();
        m_text.Convert(std::string_view(data, size), m_converted);
        return Store(m_converted.data(), m_converted.size());
    }
    bool Finish() override
    {
        m_converted.clear();
        m_text.Finish(m_converted);
        return Store(m_converted.data(), m_converted.size());
    }
    int Error() const override { return m_nErrno; }

private:
    bool Store(const char* data, std::size_t size)
    {
        if (!WriteFully(m_fd, data, size)) {
            m_nErrno = errno;
            return false;
        }
        return true;
    }

    int m_fd;
    bool m_bText;
    std::int64_t m_nLimit;
    bool m_bOverLimit = false;
    int m_nErrno = 0;
    CNetworkToLocalText m_text;
    std::string m_converted;
};

// A local file read for sending; in text mode LF becomes CR LF.
class CFileSource : public CDataStream {
public:
    CFileSource(int fd, bool textMode) : m_fd(fd), m_bText(textMode) {}
    bool IsUpload() const override { return true; }
    long Read(char* buffer, std::size_t capacity) override
    {
        if (!m_bText) {
            return ReadSome(buffer, capacity);
        }
        // Converted bytes can outgrow what was read: keep the rest for the next call.
        if (m_offset == m_converted.size()) {
            m_converted.clear();
            m_offset = 0;
            m_raw.resize(capacity);
            const long n = ReadSome(m_raw.data(), capacity);
            if (n <= 0) {
                return n;
            }
            m_text.Convert(std::string_view(m_raw.data(), static_cast<std::size_t>(n)),
                           m_converted);
        }
        const std::size_t count = std::min(capacity, m_converted.size() - m_offset);
        m_converted.copy(buffer, count, m_offset);
        m_offset += count;
        return static_cast<long>(count);
    }
    int Error() const override { return m_nErrno; }

private:
    long ReadSome(char* buffer, std::size_t capacity)
    {
        for (;;) {
            const ssize_t n = ::read(m_fd, buffer, capacity);
            if (n >= 0) {
                return static_cast<long>(n);
            }
            if (errno != EINTR) {
                m_nErrno = errno;
                return -1;
            }
        }
    }

    int m_fd;
    bool m_bText;
    int m_nErrno = 0;
    CLocalToNetworkText m_text;
    std::string m_raw;
    std::string m_converted;
    std::size_t m_offset = 0;
};

// A local file opened for reading; not open when it is missing or a directory (`error` says
// why).
CFd OpenForReading(const std::string& path, int& error)
{
    CFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    error = fd.Valid() ? 0 : errno;
    struct stat info {};
    if (fd.Valid() && (::fstat(fd.Get(), &info) != 0 || S_ISDIR(info.st_mode))) {
        error = S_ISDIR(info.st_mode) ? EISDIR : errno;
        fd.Reset();
    }
    return fd;
}

TransferOutcome LocalFailure(int error)
{
    TransferOutcome outcome;
    outcome.reason = FailureReason::LocalFile;
    outcome.replyCode = kCodeDataAcceptOrFile;
    outcome.localErrno = error;
    return outcome;
}

} // namespace

TransferOutcome CFtpClient::Transfer(const TransferRequest& request)
{
    OnTransferBegin(request);
    // A resumed transfer counts bytes: only binary type keeps them as they are.
    if (request.restartOffset < 0 ||
        (request.restartOffset > 0 && request.type != TransferType::Binary)) {
        m_lastOutcome = LocalFailure(EINVAL);
    } else {
        if (request.type == TransferType::Text) {
            SetTextType();
        } else {
            SetBinaryType();
        }
        const auto run = [this, &request] {
            return request.direction == TransferDirection::Download ? RunDownload(request)
                                                                    : RunUpload(request);
        };
        m_lastOutcome = run();
        // Refused only because a cancelled transfer took the TLS session along: once more on
        // a new one.
        if (SessionRefusedAfterAbort(m_lastOutcome) && RenewTlsSession()) {
            m_lastOutcome = run();
        }
    }
    if (m_lastOutcome.reason == FailureReason::LocalFile && m_lastOutcome.bytesMoved == 0 &&
        !m_lastOutcome.started) {
        m_nReplyCode = kCodeDataAcceptOrFile;
    }
    OnTransferEnd(request, m_lastOutcome);
    return m_lastOutcome;
}

TransferOutcome CFtpClient::RunDownload(const TransferRequest& request)
{
    // The local file comes first: when it cannot be made, nothing is asked of the server.
    CDownloadTarget target(request.localPath, request.restartOffset);
    if (!target.IsOpen()) {
        return LocalFailure(target.Errno());
    }
    // After REST no more may come than the file has left: a server that ignores REST sends
    // from the beginning, and those bytes must not be added to the part.
    const bool resumed = request.restartOffset > 0;
    const std::int64_t remaining = resumed && request.expectedSize >= request.restartOffset
                                       ? request.expectedSize - request.restartOffset
                                       : -1;
    CFileSink sink(target.Fd(), request.type == TransferType::Text, remaining);
    TransferOutcome outcome =
        TransferData("RETR " + request.remotePath, sink, &request, false, request.restartOffset);
    if (sink.OverLimit()) {
        // What was added is no part of the file: the part goes back to what it held.
        outcome.reason = FailureReason::RestIgnored;
        outcome.localErrno = target.CutBack(request.restartOffset) ? 0 : errno;
        return outcome;
    }
    const bool binary = request.type == TransferType::Binary;
    const std::int64_t have = request.restartOffset + outcome.bytesMoved;
    // A server may end a download early and still say 226 (its disk failed, its process was
    // killed between the last byte and the reply). In binary mode the byte count is exact.
    // The size to hold it against comes from the transfer itself: the 150 reply's (after
    // REST servers differ in what it names: there the caller's SIZE, asked just before), or,
    // when the caller's size (perhaps from an older listing) differs from what came, SIZE
    // asked now. The file may have changed since it was listed.
    std::int64_t expected = resumed ? request.expectedSize : outcome.announcedSize;
    if (expected < 0 && binary && outcome.Ok() && request.expectedSize >= 0 &&
        have != request.expectedSize && IsConnected()) {
        expected = RemoteSize(request.remotePath);
    }
    if (outcome.Ok() && binary && expected >= 0 && have < expected) {
        outcome.reason = FailureReason::Incomplete;
    }
    // A TLS data connection that ended without close_notify was cut, unless every byte the
    // file has is here.
    const std::int64_t known = expected >= 0 ? expected : request.expectedSize;
    if (outcome.Ok() && !outcome.endedCleanly && (known < 0 || have != known)) {
        outcome.reason = FailureReason::Incomplete;
    }
    if (outcome.Ok() && !target.Commit()) {
        outcome.reason = FailureReason::LocalFile;
        outcome.localErrno = target.Errno();
    }
    // What arrived before the transfer was cut short or stopped is kept as NAME.part to go on
    // from later; the target itself is never touched. 426 and 451 are the server's words for
    // a transfer that broke off.
    const bool cut = outcome.reason == FailureReason::ConnectionLost ||
                     outcome.reason == FailureReason::Cancelled ||
                     outcome.reason == FailureReason::TimedOut ||
                     outcome.reason == FailureReason::DataConnection ||
                     (outcome.reason == FailureReason::Refused && outcome.started &&
                      (outcome.replyCode == 426 || outcome.replyCode == 451)) ||
                     outcome.reason == FailureReason::Incomplete;
    if (cut && binary && outcome.bytesMoved > 0) {
        target.KeepPartial(expected >= 0 ? expected : request.expectedSize, request.sourceTime);
    }
    return outcome;
}

TransferOutcome CFtpClient::RunUpload(const TransferRequest& request)
{
    int error = 0;
    const CFd file = OpenForReading(request.localPath, error);
    if (!file.Valid()) {
        return LocalFailure(error);
    }
    std::string command = "STOR " + request.remotePath;
    std::int64_t rest = 0;
    if (request.restartOffset > 0) {
        if (::lseek(file.Get(), request.restartOffset, SEEK_SET) != request.restartOffset) {
            return LocalFailure(errno);
        }
        // REST before STOR where the server says it can (RFC 3659), APPE otherwise.
        if (HasFeature("REST STREAM")) {
            rest = request.restartOffset;
        } else {
            command = "APPE " + request.remotePath;
        }
    }
    CFileSource source(file.Get(), request.type == TransferType::Text);
    return TransferData(command, source, &request, false, rest);
}

bool CFtpClient::Download(const std::string& remotePath, const std::string& localPath)
{
    return Transfer({TransferDirection::Download, remotePath, localPath, GetType(), m_nFileSize})
        .Ok();
}

bool CFtpClient::Upload(const std::string& localPath, const std::string& remoteName)
{
    return Transfer({TransferDirection::Upload, remoteName, localPath, GetType(), m_nFileSize})
        .Ok();
}

} // namespace tarnwick

// Download and Upload: one file over one data connection.
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
    CFileSink(int fd, bool textMode) : m_fd(fd), m_bText(textMode) {}
    bool IsUpload() const override { return false; }
    bool Write(const char* data, std::size_t size) override
    {
        if (!m_bText) {
            return WriteFully(m_fd, data, size);
        }
        m_converted.clear();
        m_text.Convert(std::string_view(data, size), m_converted);
        return WriteFully(m_fd, m_converted.data(), m_converted.size());
    }
    bool Finish() override
    {
        m_converted.clear();
        m_text.Finish(m_converted);
        return WriteFully(m_fd, m_converted.data(), m_converted.size());
    }

private:
    int m_fd;
    bool m_bText;
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

private:
    long ReadSome(char* buffer, std::size_t capacity)
    {
        for (;;) {
            const ssize_t n = ::read(m_fd, buffer, capacity);
            if (n >= 0 || errno != EINTR) {
                return static_cast<long>(n);
            }
        }
    }

    int m_fd;
    bool m_bText;
    CLocalToNetworkText m_text;
    std::string m_raw;
    std::string m_converted;
    std::size_t m_offset = 0;
};

// A local file opened for reading; not open when it is missing or a directory.
CFd OpenForReading(const std::string& path)
{
    CFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    if (fd.Valid() && (::fstat(fd.Get(), &info) != 0 || S_ISDIR(info.st_mode))) {
        fd.Reset();
    }
    return fd;
}

} // namespace

bool CFtpClient::Download(const std::string& remotePath, const std::string& localPath)
{
    // The local file comes first: when it cannot be made, nothing is asked of the server.
    CDownloadTarget target(localPath);
    if (!target.IsOpen()) {
        m_nReplyCode = kCodeDataAcceptOrFile;
        return false;
    }
    if (!PrepareDataConnection()) {
        return false;
    }
    CFileSink sink(target.Fd(), m_strTypeCommand == "TYPE A");
    bool refused = false;
    const bool moved = TransferData("RETR " + remotePath, sink, refused, remotePath);
    return moved && target.Commit();
}

bool CFtpClient::Upload(const std::string& localPath, const std::string& remoteName)
{
    const CFd file = OpenForReading(localPath);
    if (!file.Valid()) {
        m_nReplyCode = kCodeDataAcceptOrFile;
        return false;
    }
    if (!PrepareDataConnection()) {
        return false;
    }
    CFileSource source(file.Get(), m_strTypeCommand == "TYPE A");
    bool refused = false;
    return TransferData("STOR " + remoteName, source, refused, remoteName);
}

} // namespace tarnwick

// The scripted server's side of FTP over TLS, and its I/O through TLS where a connection has
// it. Sockets stay blocking; each wait is bounded by the session's limit as elsewhere.
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "ftp/transport/tlsstream.h"
#include "support/scriptedserver.h"

namespace tarnwick::testing {

bool CScriptSession::WriteAll(int fd, SSL* ssl, std::string_view bytes)
{
    while (!bytes.empty()) {
        long n = 0;
        if (ssl != nullptr) {
            std::size_t written = 0;
            n = SSL_write_ex(ssl, bytes.data(), bytes.size(), &written) == 1
                    ? static_cast<long>(written)
                    : -1;
        } else {
            n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR) {
                continue;
            }
        }
        if (n <= 0) {
            ERR_clear_error();
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

long CScriptSession::ReadSome(int fd, SSL* ssl, char* buffer, std::size_t size)
{
    if ((ssl == nullptr || SSL_pending(ssl) == 0) && !WaitReadable(fd)) {
        return -2; // nothing within the limit
    }
    long n = 0;
    if (ssl != nullptr) {
        std::size_t read = 0;
        n = SSL_read_ex(ssl, buffer, size, &read) == 1 ? static_cast<long>(read) : 0;
        ERR_clear_error();
    } else {
        n = ::recv(fd, buffer, size, 0);
    }
    if (n > 0) {
        m_server.Record(fd == m_data, std::string_view(buffer, static_cast<std::size_t>(n)));
    }
    return n;
}

bool CScriptSession::Accept(int fd, SSL*& ssl, SSL_CTX* context)
{
    EndTls(ssl, false);
    // A handshake the client never makes must not hold the script forever.
    timeval limit{static_cast<time_t>(waitLimit.count() / 1000),
                  static_cast<suseconds_t>(waitLimit.count() % 1000 * 1000)};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    ssl = SSL_new(context != nullptr ? context : m_server.m_tlsContext);
    AttachSocket(ssl, fd);
    if (SSL_accept(ssl) != 1) {
        char text[256] = {};
        ERR_error_string_n(ERR_get_error(), text, sizeof text);
        ERR_clear_error();
        Fail(std::string("TLS handshake failed: ") + text);
        EndTls(ssl, false);
        return false;
    }
    return true;
}

void CScriptSession::EndTls(SSL*& ssl, bool notify)
{
    if (ssl == nullptr) {
        return;
    }
    if (notify) {
        SSL_shutdown(ssl);
    }
    ERR_clear_error();
    SSL_free(ssl);
    ssl = nullptr;
}

bool CScriptSession::ExpectAuthTls()
{
    return ExpectReply("AUTH TLS", "234 Proceed with negotiation.\r\n") && StartTls();
}

bool CScriptSession::StartTls()
{
    return Accept(m_control, m_controlSsl);
}

bool CScriptSession::DataStartTls(bool requireReuse)
{
    if (!Accept(m_data, m_dataSsl)) {
        return false;
    }
    if (requireReuse && SSL_session_reused(m_dataSsl) != 1) {
        Fail("the data connection did not resume the TLS session");
        return false;
    }
    return true;
}

bool CScriptSession::DataStartTlsAs(const TestCertificate& certificate)
{
    SSL_CTX* other = NewServerTlsContext(certificate);
    const bool shaken = Accept(m_data, m_dataSsl, other);
    FreeServerTlsContext(other); // the connection holds its own reference
    return shaken;
}

bool CScriptSession::DataTlsResumed() const
{
    return m_dataSsl != nullptr && SSL_session_reused(m_dataSsl) == 1;
}

void CScriptSession::DataCutTls()
{
    EndTls(m_dataSsl, false);
    for (int* fd : {&m_data, &m_pasvListen}) {
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
    }
}

} // namespace tarnwick::testing

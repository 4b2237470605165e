#include "ftp/transport/tlsstream.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <functional>
#include <memory>

#include "ftp/transport/tlscontext.h"

namespace tarnwick {

namespace {

struct BioDeleter {
    void operator()(BIO* bio) const { BIO_free(bio); }
};

std::string BioText(const std::function<void(BIO*)>& write)
{
    std::unique_ptr<BIO, BioDeleter> bio(BIO_new(BIO_s_mem()));
    if (!bio) {
        return std::string();
    }
    write(bio.get());
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    return size > 0 ? std::string(data, static_cast<std::size_t>(size)) : std::string();
}

std::string NameText(const X509_NAME* name)
{
    return BioText([name](BIO* bio) {
        X509_NAME_print_ex(bio, name, 0, XN_FLAG_RFC2253 & ~ASN1_STRFLGS_ESC_MSB);
    });
}

std::string TimeText(const ASN1_TIME* time)
{
    return BioText([time](BIO* bio) { ASN1_TIME_print(bio, time); });
}

int SendWithoutSignal(BIO* bio, const char* data, int length)
{
    BIO_clear_retry_flags(bio);
    for (;;) {
        const ssize_t n = ::send(static_cast<int>(BIO_get_fd(bio, nullptr)), data,
                                 static_cast<std::size_t>(length), MSG_NOSIGNAL);
        if (n >= 0) {
            return static_cast<int>(n);
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            BIO_set_retry_write(bio);
        }
        return -1;
    }
}

// OpenSSL's socket BIO with another write.
BIO_METHOD* SocketWithoutSignal()
{
    static BIO_METHOD* const method = [] {
        const BIO_METHOD* base = BIO_s_socket();
        BIO_METHOD* made = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK |
                                            BIO_TYPE_DESCRIPTOR,
                                        "socket without SIGPIPE");
        BIO_meth_set_write(made, &SendWithoutSignal);
        BIO_meth_set_read(made, BIO_meth_get_read(base));
        BIO_meth_set_puts(made, BIO_meth_get_puts(base));
        BIO_meth_set_ctrl(made, BIO_meth_get_ctrl(base));
        BIO_meth_set_create(made, BIO_meth_get_create(base));
        BIO_meth_set_destroy(made, BIO_meth_get_destroy(base));
        return made;
    }();
    return method;
}

bool IsAddress(const std::string& host)
{
    unsigned char buffer[16];
    return ::inet_pton(AF_INET, host.c_str(), buffer) == 1 ||
           ::inet_pton(AF_INET6, host.c_str(), buffer) == 1;
}

} // namespace

void AttachSocket(SSL* ssl, int fd)
{
    BIO* bio = BIO_new(SocketWithoutSignal());
    BIO_set_fd(bio, fd, BIO_NOCLOSE);
    SSL_set_bio(ssl, bio, bio);
}

CTlsStream::CTlsStream(CSocket socket, CTlsContext& context, const std::string& host, bool resume)
    : m_socket(std::move(socket)), m_context(&context), m_nKeptBefore(context.SessionsKept())
{
    m_ssl = SSL_new(context.Get());
    if (m_ssl == nullptr) {
        return;
    }
    AttachSocket(m_ssl, m_socket.Fd());
    // The certificate must name the host as the user wrote it: a name, or an address.
    if (IsAddress(host)) {
        X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(m_ssl), host.c_str());
    } else {
        SSL_set1_host(m_ssl, host.c_str());
        SSL_set_tlsext_host_name(m_ssl, host.c_str());
    }
    if (resume) {
        CTlsContext::MarkDataConnection(m_ssl);
        context.ResumeOn(m_ssl);
    }
}

CTlsStream::~CTlsStream()
{
    if (m_ssl != nullptr) {
        SSL_free(m_ssl);
    }
}

CTlsStream::Step CTlsStream::Classify(int result)
{
    const int error = SSL_get_error(m_ssl, result);
    switch (error) {
    case SSL_ERROR_NONE:
        m_want = 0;
        return Step::Done;
    case SSL_ERROR_WANT_READ:
        m_want = POLLIN;
        return Step::WantRead;
    case SSL_ERROR_WANT_WRITE:
        m_want = POLLOUT;
        return Step::WantWrite;
    case SSL_ERROR_ZERO_RETURN:
        m_bCleanEnd = true; // close_notify
        return Step::Closed;
    default:
        break;
    }
    const unsigned long code = ERR_peek_error();
    if (error == SSL_ERROR_SSL && ERR_GET_REASON(code) == SSL_R_UNEXPECTED_EOF_WHILE_READING) {
        ERR_clear_error();
        return Step::Closed; // the peer closed without close_notify: not a clean end
    }
    m_nErrno = error == SSL_ERROR_SYSCALL ? errno : 0;
    char text[256] = {};
    if (code != 0) {
        ERR_error_string_n(code, text, sizeof text);
        m_strError = text;
    } else {
        m_strError = m_nErrno != 0 ? std::strerror(m_nErrno) : "the connection was closed";
    }
    ERR_clear_error();
    return Step::Failed;
}

IoResult CTlsStream::ContinueHandshake()
{
    if (m_ssl == nullptr) {
        m_strError = "TLS could not be set up";
        return IoResult::Error;
    }
    ERR_clear_error();
    const Step step = Classify(SSL_connect(m_ssl));
    if (step == Step::Done) {
        return IoResult::Ok;
    }
    if (step == Step::Closed || step == Step::Failed) {
        if (m_strError.empty()) {
            m_strError = "the server ended the TLS handshake";
        }
        return IoResult::Error;
    }
    return IoResult::TimedOut;
}

IoResult CTlsStream::Handshake(const WaitPolicy& policy)
{
    const CDeadline deadline(policy);
    for (;;) {
        const IoResult step = ContinueHandshake();
        if (step != IoResult::TimedOut) {
            return step;
        }
        StreamWait wait{this, m_want, 0};
        if (const IoResult waited = WaitForStreams(std::span(&wait, 1), deadline, policy);
            waited != IoResult::Ok) {
            return waited;
        }
    }
}

CertificateInfo CTlsStream::PeerCertificate() const
{
    CertificateInfo info;
    X509* cert = m_ssl != nullptr ? SSL_get1_peer_certificate(m_ssl) : nullptr;
    if (cert == nullptr) {
        info.problem = "the server sent no certificate";
        return info;
    }
    info.subject = NameText(X509_get_subject_name(cert));
    info.issuer = NameText(X509_get_issuer_name(cert));
    info.notBefore = TimeText(X509_get0_notBefore(cert));
    info.notAfter = TimeText(X509_get0_notAfter(cert));
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (X509_digest(cert, EVP_sha256(), digest, &length) == 1) {
        static const char kDigits[] = "0123456789ABCDEF";
        for (unsigned int i = 0; i < length; ++i) {
            if (i > 0) {
                info.sha256 += ':';
            }
            info.sha256 += kDigits[digest[i] >> 4];
            info.sha256 += kDigits[digest[i] & 0xF];
        }
    }
    X509_free(cert);
    const long verified = SSL_get_verify_result(m_ssl);
    if (verified != X509_V_OK) {
        info.problem = X509_verify_cert_error_string(verified);
    }
    return info;
}

bool CTlsStream::SessionReused() const
{
    return m_ssl != nullptr && SSL_session_reused(m_ssl) == 1;
}

std::string CTlsStream::Protocol() const
{
    return m_ssl != nullptr ? SSL_get_version(m_ssl) : std::string();
}

long CTlsStream::Read(char* buffer, std::size_t capacity, bool& wouldBlock)
{
    wouldBlock = false;
    std::size_t read = 0;
    ERR_clear_error();
    const Step step = Classify(SSL_read_ex(m_ssl, buffer, capacity, &read));
    switch (step) {
    case Step::Done:
        return static_cast<long>(read);
    case Step::WantRead:
    case Step::WantWrite:
        wouldBlock = true;
        return -1;
    case Step::Closed:
        return 0;
    case Step::Failed:
        break;
    }
    return -1;
}

long CTlsStream::Write(std::string_view data)
{
    std::size_t written = 0;
    ERR_clear_error();
    const Step step = Classify(SSL_write_ex(m_ssl, data.data(), data.size(), &written));
    if (step == Step::Done) {
        return static_cast<long>(written);
    }
    return step == Step::WantRead || step == Step::WantWrite ? 0 : -1;
}

std::size_t CTlsStream::Pending() const
{
    return m_ssl != nullptr ? static_cast<std::size_t>(SSL_pending(m_ssl)) : 0;
}

short CTlsStream::EventsFor(short wanted) const
{
    return m_want != 0 ? m_want : wanted;
}

void CTlsStream::TakeUnasked()
{
    if (m_ssl == nullptr || m_bPeerEnded) {
        return;
    }
    // A server sends its TLS 1.3 tickets after the handshake; an upload never reads, so
    // they would wait in the socket, unseen, until the connection is gone.
    const short want = m_want;
    char buffer[1024];
    for (int read = 0; read < 16; ++read) {
        std::size_t got = 0;
        ERR_clear_error();
        const int result = SSL_read_ex(m_ssl, buffer, sizeof buffer, &got);
        if (result == 1) {
            continue;
        }
        const int error = SSL_get_error(m_ssl, result);
        ERR_clear_error();
        if (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE) {
            m_bPeerEnded = true; // the write that follows tells what became of the stream
        }
        break;
    }
    m_want = want;
}

bool CTlsStream::AwaitTicket(const WaitPolicy& policy)
{
    if (m_ssl == nullptr || !SessionReused() || SSL_version(m_ssl) != TLS1_3_VERSION) {
        return true;
    }
    const CDeadline deadline(policy);
    for (;;) {
        TakeUnasked();
        if (m_context->SessionsKept() != m_nKeptBefore || m_bPeerEnded) {
            return true;
        }
        pollfd readable{m_socket.Fd(), POLLIN, 0};
        if (WaitForAny(std::span(&readable, 1), deadline, policy) != IoResult::Ok) {
            return false;
        }
    }
}

IoResult CTlsStream::Shutdown(const WaitPolicy& policy)
{
    // Both close_notify messages, as servers expect of a data connection: ours, then the
    // server's. A server forgets a session whose connection did not end in order, and the
    // session tickets it sent (TLS 1.3) are read on the way, for the next data connection.
    const CDeadline deadline(policy);
    bool sent = false;
    for (;;) {
        if (m_bCleanEnd && sent) {
            return IoResult::Ok;
        }
        ERR_clear_error();
        Step step = Step::Done;
        if (!sent) {
            const int result = SSL_shutdown(m_ssl);
            sent = result >= 0;
            m_bCleanEnd = m_bCleanEnd || result == 1;
            step = sent ? Step::Done : Classify(result);
        } else {
            char buffer[4096];
            std::size_t read = 0;
            step = Classify(SSL_read_ex(m_ssl, buffer, sizeof buffer, &read));
            if (step == Step::Closed) {
                return IoResult::Ok; // the server's close_notify, or the end of the stream
            }
        }
        if (step == Step::Failed) {
            return IoResult::Error;
        }
        if (step == Step::Done) {
            continue;
        }
        StreamWait wait{this, m_want, 0};
        if (const IoResult waited = WaitForStreams(std::span(&wait, 1), deadline, policy);
            waited != IoResult::Ok) {
            return waited;
        }
    }
}

} // namespace tarnwick

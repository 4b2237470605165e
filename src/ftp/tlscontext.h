// CTlsContext: the TLS settings of one FTP connection (OpenSSL 3): TLS 1.2 at least, the
// system's trust store plus certificates the user names, and the newest session kept for the
// data connections to resume. Servers demand that resumption
// (vsftpd's require_ssl_reuse, proftpd's default): a data connection that starts a session of
// its own is refused with "522 SSL connection failed: session reuse required".
#pragma once

#include <string>

typedef struct ssl_ctx_st SSL_CTX;
typedef struct ssl_session_st SSL_SESSION;
typedef struct ssl_st SSL;

namespace tarnwick {

class CTlsContext {
public:
    CTlsContext() = default;
    ~CTlsContext();
    CTlsContext(const CTlsContext&) = delete;
    CTlsContext& operator=(const CTlsContext&) = delete;

    // Sets the context up; `caFile` (PEM, may be empty) is trusted beside the system's store.
    // False with `error` set when OpenSSL refuses.
    bool Init(const std::string& caFile, std::string& error);
    [[nodiscard]] SSL_CTX* Get() const { return m_ctx; }

    // The newest session: first the control connection's, then each data connection's. A TLS
    // 1.3 server may take a ticket once only (vsftpd does), and sends a fresh one on every
    // resumed connection that ends in order; null before the first.
    [[nodiscard]] SSL_SESSION* ResumableSession() const { return m_session; }

private:
    static int OnNewSession(SSL* ssl, SSL_SESSION* session);

    SSL_CTX* m_ctx = nullptr;
    SSL_SESSION* m_session = nullptr;
};

} // namespace tarnwick

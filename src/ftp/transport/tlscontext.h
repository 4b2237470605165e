// CTlsContext: the TLS settings of one FTP connection (OpenSSL 3): TLS 1.2 at least, the
// system's trust store plus certificates the user names, and the sessions kept for the data
// connections to resume. Servers demand that resumption (vsftpd's require_ssl_reuse,
// proftpd's default): a data connection that starts a session of its own is refused with
// "522 SSL connection failed: session reuse required" or "425 Unable to build data
// connection".
#pragma once

#include <deque>
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

    // Marks `ssl` as a data connection's: only the sessions it brings after resuming one of
    // the control connection's are kept (a full handshake there starts a session that belongs
    // to no control connection, and proftpd refuses it).
    static void MarkDataConnection(SSL* ssl);
    // Sets `ssl` up to resume the session the server expects: the newest ticket not yet spent
    // (OpenSSL servers take a TLS 1.3 ticket once only: two come after the control
    // connection's handshake and one more with each resumed data connection), else the one
    // spent last (TLS 1.2 sessions serve many times). Nothing before the control connection
    // brought a session.
    void ResumeOn(SSL* ssl);
    // True when every TLS 1.3 ticket is spent. Servers differ in whether a ticket serves
    // twice (proftpd's and vsftpd's serve once) and in whether a data connection brings a new
    // one (proftpd sends none with an upload), and a refused data connection costs a failed
    // transfer (proftpd leaves an empty file): none is offered twice.
    [[nodiscard]] bool NothingToResume() const;
    // Sessions not yet spent (tests).
    [[nodiscard]] std::size_t UnspentSessions() const { return m_unspent.size(); }
    // How many sessions were kept so far: a connection compares it to tell whether one came.
    [[nodiscard]] unsigned long SessionsKept() const { return m_nKept; }

private:
    static int OnNewSession(SSL* ssl, SSL_SESSION* session);
    void Keep(SSL_SESSION* session);

    SSL_CTX* m_ctx = nullptr;
    std::deque<SSL_SESSION*> m_unspent; // oldest first
    SSL_SESSION* m_spent = nullptr;     // the one resumed last
    unsigned long m_nKept = 0;
};

} // namespace tarnwick

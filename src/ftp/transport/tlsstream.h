// CTlsStream: a TLS client stream over a connected socket, non-blocking like every stream of
// the engine. The handshake, reads and writes each may need the descriptor readable or
// writable; EventsFor tells the waits which.
#pragma once

#include <string>

#include "ftp/transport/certificateinfo.h"
#include "ftp/transport/socket.h"

typedef struct ssl_st SSL;

namespace tarnwick {

class CTlsContext;

// Attaches the socket `fd` to `ssl` for both directions. Writes go through send() with
// MSG_NOSIGNAL: OpenSSL's own socket writes raise SIGPIPE when the peer has gone, which ends
// a process that has not ignored it.
void AttachSocket(SSL* ssl, int fd);

class CTlsStream : public CStream {
public:
    // Takes the connected socket. `host` (a name or an address) is what the certificate must
    // name; `resume` asks to resume the control connection's session (data connections).
    CTlsStream(CSocket socket, CTlsContext& context, const std::string& host, bool resume);
    ~CTlsStream() override;
    CTlsStream(const CTlsStream&) = delete;
    CTlsStream& operator=(const CTlsStream&) = delete;

    // Runs the handshake within the policy. On Error, ErrorText() says why.
    [[nodiscard]] IoResult Handshake(const WaitPolicy& policy);
    // One step of the handshake without waiting, for callers that watch other streams
    // meanwhile: Ok when done, TimedOut when it must wait (EventsFor tells for what), Error
    // when it failed.
    [[nodiscard]] IoResult ContinueHandshake();
    // The server's certificate and, in `problem`, why it does not pass the check against the
    // trust store and the host name (empty when it passes).
    [[nodiscard]] CertificateInfo PeerCertificate() const;
    [[nodiscard]] bool SessionReused() const;
    // "TLSv1.3"; empty before the handshake.
    [[nodiscard]] std::string Protocol() const;
    [[nodiscard]] const std::string& ErrorText() const { return m_strError; }

    long Read(char* buffer, std::size_t capacity, bool& wouldBlock) override;
    long Write(std::string_view data) override;
    [[nodiscard]] std::size_t Pending() const override;
    [[nodiscard]] short EventsFor(short wanted) const override;
    void TakeUnasked() override;
    bool AwaitTicket(const WaitPolicy& policy) override;
    IoResult Shutdown(const WaitPolicy& policy) override;
    [[nodiscard]] bool EndedCleanly() const override { return m_bCleanEnd; }
    [[nodiscard]] int LastErrno() const override { return m_nErrno; }
    CSocket& Socket() override { return m_socket; }
    [[nodiscard]] const CSocket& Socket() const override { return m_socket; }

private:
    enum class Step { Done, WantRead, WantWrite, Closed, Failed };
    // What an SSL call's result means, with the error text kept on failure.
    Step Classify(int result);

    CSocket m_socket;
    SSL* m_ssl = nullptr;
    CTlsContext* m_context = nullptr;
    unsigned long m_nKeptBefore = 0; // the context's count of sessions when this one began
    short m_want = 0; // the events the last blocked call needs, 0 when none
    bool m_bCleanEnd = false;
    bool m_bPeerEnded = false; // TakeUnasked met the end of the stream or an error
    int m_nErrno = 0;
    std::string m_strError;
};

} // namespace tarnwick

// A scripted FTP server on 127.0.0.1 for protocol tests. The test gives it a script, a
// function that runs on the server's own thread and plays the server's side: exact reply
// bytes (split into pieces when asked), expected command lines, closed connections, and data
// connections in passive (PASV) and active (PORT) mode. Every byte the client sends is
// recorded, so a test compares the exact lines, CR LF included.
//
// Every wait in a session has a time limit, so a script that waits for something the client
// never does fails instead of hanging.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "support/testcertificate.h"

typedef struct ssl_ctx_st SSL_CTX;
typedef struct ssl_st SSL;

namespace tarnwick::testing {

using namespace std::chrono_literals;

class CScriptSession;
using Script = std::function<void(CScriptSession&)>;

class CScriptedFtpServer {
public:
    struct Options {
        // Accept the first control connection before the script starts; when false the
        // script accepts connections itself (AcceptControl).
        bool acceptFirst = true;
        // Listen on ::1 instead of 127.0.0.1.
        bool ipv6 = false;
    };
    // Listens on loopback (an ephemeral port) and starts the script on its own thread.
    explicit CScriptedFtpServer(Script script) : CScriptedFtpServer(std::move(script), Options{}) {}
    CScriptedFtpServer(Script script, Options options);
    ~CScriptedFtpServer();
    CScriptedFtpServer(const CScriptedFtpServer&) = delete;
    CScriptedFtpServer& operator=(const CScriptedFtpServer&) = delete;

    [[nodiscard]] std::uint16_t Port() const { return m_port; }

    // Waits for the script to end; returns what went differently from the script (empty when
    // everything went as written).
    std::vector<std::string> Finish();

    // Every byte received on control connections so far, in order.
    [[nodiscard]] std::string Received() const;
    // Every byte received on data connections so far, in order.
    [[nodiscard]] std::string DataReceived() const;
    // The certificate the server shows when the script starts TLS.
    [[nodiscard]] const TestCertificate& Certificate() const { return m_certificate; }

private:
    friend class CScriptSession;
    void Record(bool data, std::string_view bytes);
    void AddFailure(std::string message);

    int m_listenFd = -1;
    std::uint16_t m_port = 0;
    std::unique_ptr<CScriptSession> m_session;
    std::thread m_thread;
    bool m_finished = false;
    mutable std::mutex m_mutex;
    std::string m_received;
    std::string m_dataReceived;
    std::vector<std::string> m_failures;
    TestCertificate m_certificate;
    SSL_CTX* m_tlsContext = nullptr;
};

class CScriptSession {
public:
    // The limit of every wait in the session.
    std::chrono::milliseconds waitLimit = 5s;

    // --- control connection ---
    // Accepts the next control connection (the current one stays open until Close).
    bool AcceptControl();
    void Send(std::string_view bytes);
    // Sends the pieces one by one with a pause between them, so the client receives them in
    // separate reads.
    void SendPieces(const std::vector<std::string>& pieces, std::chrono::milliseconds gap = 30ms);
    // One line as received, with its CR LF; empty when the client closed or nothing came.
    std::string ReadLine();
    // Reads one line and records a failure unless it is exactly `line` + CR LF.
    bool Expect(std::string_view line);
    // Expect(line), then Send(reply).
    bool ExpectReply(std::string_view line, std::string_view reply);
    // Waits until the client closes the control connection; records a failure if it sends
    // anything first or does not close within the limit.
    bool ExpectClosed();
    // Waits until the client closes, or sends anything, without recording it as a failure.
    void WaitClosed();
    void Close();
    void Sleep(std::chrono::milliseconds time) { std::this_thread::sleep_for(time); }
    void Fail(std::string message);

    // --- data connections ---
    // Opens a data listener on 127.0.0.1 and sends "227 Entering Passive Mode
    // (127,0,0,1,p1,p2)." with its port; `host` replaces the address fields when given
    // (for example "10,0,0,5").
    void ReplyPasv(std::string_view host = "");
    [[nodiscard]] std::uint16_t PassivePort() const { return m_pasvPort; }
    // Accepts the client's data connection on the passive listener.
    bool AcceptData();
    // The client sends TYPE only when it wants another type than the one this session last
    // accepted: the openings below then expect `type` only when it changes.
    void ClientKeepsType() { m_bTypeKept = true; }
    // Expects `type` and answers 200 (unless the client keeps that type already).
    bool ExpectType(std::string_view type);
    // The opening of a passive transfer: expects `type` (answered 200), then PASV (answered
    // by ReplyPasv), then `command`, and accepts the data connection.
    bool OpenPassive(std::string_view type, std::string_view command);
    // The opening of a transfer in either mode, up to and with "150" and the data connection:
    // passive as OpenPassive, active with PORT answered 200 and the client's listener reached.
    bool OpenTransfer(bool passive, std::string_view type, std::string_view command);
    // Reads a "PORT h1,h2,h3,h4,p1,p2" line, records it, and remembers the address; the
    // line is returned ("" on failure).
    std::string ExpectPort();
    // Connects to the address of the last PORT line.
    bool ConnectActive();
    // Sends bytes on the data connection, in pieces with pauses when more than one is given.
    void DataSend(std::string_view bytes);
    void DataSendPieces(const std::vector<std::string>& pieces, std::chrono::milliseconds gap = 30ms);
    // Sends bytes on the data connection; false once the client no longer takes them (it
    // closed the connection, or nothing moved within the wait limit).
    bool DataSendSome(std::string_view bytes);
    // Reads the data connection to its end; with `chunk` > 0, at most `chunk` bytes per
    // read with `gap` between reads (a slow reader).
    std::string DataReceiveAll(std::size_t chunk = 0, std::chrono::milliseconds gap = 0ms);
    // Closes the data connection (and the passive listener).
    void DataClose();
    // Resets the data connection (RST instead of FIN): the client sees a broken connection.
    void DataAbort();

    // --- TLS (FTP over TLS, the server's side) ---
    // Expects "AUTH TLS", answers 234 and takes the handshake on the control connection.
    bool ExpectAuthTls();
    // Takes the handshake on the control connection at once (implicit TLS).
    bool StartTls();
    // Takes the handshake on the data connection. With `requireReuse`, a handshake that does
    // not resume a session of this connection fails as vsftpd's require_ssl_reuse does.
    bool DataStartTls(bool requireReuse = true);
    // Takes the data connection's handshake with a context of its own showing `certificate`
    // (it knows no session of the control connection): whoever reached the port first.
    // True when the handshake completed.
    bool DataStartTlsAs(const TestCertificate& certificate);
    // The data connection's TLS resumed a session.
    [[nodiscard]] bool DataTlsResumed() const;
    // Closes a TLS data connection without close_notify: a cut, not an end.
    void DataCutTls();

private:
    friend class CScriptedFtpServer;
    explicit CScriptSession(CScriptedFtpServer& server) : m_server(server) {}
    bool WaitReadable(int fd);

    CScriptedFtpServer& m_server;
    int m_control = -1;
    std::string m_controlBuffer;
    int m_pasvListen = -1;
    std::uint16_t m_pasvPort = 0;
    bool m_bTypeKept = false;
    std::string m_typeInEffect;
    std::string m_portHost;
    std::uint16_t m_portPort = 0;
    int m_data = -1;
    std::vector<int> m_oldControls;
    SSL* m_controlSsl = nullptr;
    SSL* m_dataSsl = nullptr;
    // I/O on a connection, through TLS when it has one.
    bool WriteAll(int fd, SSL* ssl, std::string_view bytes);
    long ReadSome(int fd, SSL* ssl, char* buffer, std::size_t size);
    bool Accept(int fd, SSL*& ssl, SSL_CTX* context = nullptr);
    void EndTls(SSL*& ssl, bool notify);
};

// A port on 127.0.0.1 on which nothing listens (a connect there is refused).
[[nodiscard]] std::uint16_t UnusedPort();

} // namespace tarnwick::testing

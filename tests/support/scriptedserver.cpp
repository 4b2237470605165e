#include "support/scriptedserver.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <sstream>

namespace tarnwick::testing {

namespace {

int ListenLoopback(std::uint16_t& port, bool ipv6 = false)
{
    const int fd = ::socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    const int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_storage storage{};
    socklen_t len = 0;
    if (ipv6) {
        auto* addr = reinterpret_cast<sockaddr_in6*>(&storage);
        addr->sin6_family = AF_INET6;
        addr->sin6_addr = in6addr_loopback;
        len = sizeof(sockaddr_in6);
    } else {
        auto* addr = reinterpret_cast<sockaddr_in*>(&storage);
        addr->sin_family = AF_INET;
        addr->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        len = sizeof(sockaddr_in);
    }
    if (::bind(fd, reinterpret_cast<sockaddr*>(&storage), len) != 0 || ::listen(fd, 8) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&storage), &len) != 0) {
        ::close(fd);
        return -1;
    }
    port = ipv6 ? ntohs(reinterpret_cast<sockaddr_in6*>(&storage)->sin6_port)
                : ntohs(reinterpret_cast<sockaddr_in*>(&storage)->sin_port);
    return fd;
}

bool WaitFd(int fd, short events, std::chrono::milliseconds limit)
{
    pollfd pfd{fd, events, 0};
    for (;;) {
        const int rc = ::poll(&pfd, 1, static_cast<int>(limit.count()));
        if (rc < 0 && errno == EINTR) {
            continue;
        }
        return rc > 0;
    }
}

int AcceptWithin(int listenFd, std::chrono::milliseconds limit)
{
    if (listenFd < 0 || !WaitFd(listenFd, POLLIN, limit)) {
        return -1;
    }
    return ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
}

void CloseFd(int& fd)
{
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

} // namespace

std::uint16_t UnusedPort()
{
    std::uint16_t port = 0;
    const int fd = ListenLoopback(port);
    ::close(fd); // nothing listens there now
    return port;
}

// ---- server -----------------------------------------------------------------------------

CScriptedFtpServer::CScriptedFtpServer(Script script, Options options)
{
    m_listenFd = ListenLoopback(m_port, options.ipv6);
    m_certificate = MakeTestCertificate();
    m_tlsContext = NewServerTlsContext(m_certificate);
    m_session.reset(new CScriptSession(*this));
    m_thread = std::thread([this, script = std::move(script), options] {
        if (m_listenFd < 0) {
            AddFailure("could not listen on loopback");
            return;
        }
        if (options.acceptFirst && !m_session->AcceptControl()) {
            return;
        }
        script(*m_session);
    });
}

CScriptedFtpServer::~CScriptedFtpServer()
{
    Finish();
    FreeServerTlsContext(m_tlsContext);
}

std::vector<std::string> CScriptedFtpServer::Finish()
{
    // The session's waits are all bounded, so the script ends by itself.
    if (!m_finished) {
        m_finished = true;
        if (m_thread.joinable()) {
            m_thread.join();
        }
        m_session->EndTls(m_session->m_dataSsl, false);
        m_session->EndTls(m_session->m_controlSsl, false);
        CloseFd(m_session->m_data);
        CloseFd(m_session->m_pasvListen);
        CloseFd(m_session->m_control);
        for (int& fd : m_session->m_oldControls) {
            CloseFd(fd);
        }
        CloseFd(m_listenFd);
    }
    std::lock_guard lock(m_mutex);
    return m_failures;
}

std::string CScriptedFtpServer::Received() const
{
    std::lock_guard lock(m_mutex);
    return m_received;
}

std::string CScriptedFtpServer::DataReceived() const
{
    std::lock_guard lock(m_mutex);
    return m_dataReceived;
}

void CScriptedFtpServer::Record(bool data, std::string_view bytes)
{
    std::lock_guard lock(m_mutex);
    (data ? m_dataReceived : m_received).append(bytes);
}

void CScriptedFtpServer::AddFailure(std::string message)
{
    std::lock_guard lock(m_mutex);
    m_failures.push_back(std::move(message));
}

// ---- session: control -------------------------------------------------------------------

void CScriptSession::Fail(std::string message)
{
    m_server.AddFailure(std::move(message));
}

bool CScriptSession::AcceptControl()
{
    const int fd = AcceptWithin(m_server.m_listenFd, waitLimit);
    if (fd < 0) {
        Fail("no control connection came");
        return false;
    }
    if (m_control >= 0) {
        m_oldControls.push_back(m_control);
    }
    // A new connection starts in plain text.
    EndTls(m_controlSsl, true);
    m_control = fd;
    m_controlBuffer.clear();
    return true;
}

void CScriptSession::Send(std::string_view bytes)
{
    WriteAll(m_control, m_controlSsl, bytes);
}

void CScriptSession::SendPieces(const std::vector<std::string>& pieces,
                                std::chrono::milliseconds gap)
{
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i > 0) {
            Sleep(gap);
        }
        Send(pieces[i]);
    }
}

bool CScriptSession::WaitReadable(int fd)
{
    return fd >= 0 && WaitFd(fd, POLLIN, waitLimit);
}

std::string CScriptSession::ReadLine()
{
    for (;;) {
        const std::size_t lf = m_controlBuffer.find('\n');
        if (lf != std::string::npos) {
            std::string line = m_controlBuffer.substr(0, lf + 1);
            m_controlBuffer.erase(0, lf + 1);
            return line;
        }
        char buffer[4096];
        const long n = ReadSome(m_control, m_controlSsl, buffer, sizeof buffer);
        if (n <= 0) {
            return {};
        }
        m_controlBuffer.append(buffer, static_cast<std::size_t>(n));
    }
}

bool CScriptSession::Expect(std::string_view line)
{
    const std::string got = ReadLine();
    const std::string want = std::string(line) + "\r\n";
    if (got != want) {
        Fail("expected '" + std::string(line) + "\\r\\n', got '" + got + "'");
        return false;
    }
    return true;
}

bool CScriptSession::ExpectReply(std::string_view line, std::string_view reply)
{
    if (!Expect(line)) {
        return false;
    }
    Send(reply);
    return true;
}

bool CScriptSession::ExpectClosed()
{
    if (!m_controlBuffer.empty()) {
        Fail("client sent '" + m_controlBuffer + "' instead of closing");
        return false;
    }
    if (!WaitReadable(m_control)) {
        Fail("client did not close the control connection");
        return false;
    }
    char buffer[4096];
    const ssize_t n = ::recv(m_control, buffer, sizeof buffer, 0);
    if (n > 0) {
        m_server.Record(false, std::string_view(buffer, static_cast<std::size_t>(n)));
        Fail("client sent '" + std::string(buffer, static_cast<std::size_t>(n)) +
             "' instead of closing");
        return false;
    }
    return true;
}

void CScriptSession::WaitClosed()
{
    if (WaitReadable(m_control)) {
        char buffer[4096];
        const ssize_t n = ::recv(m_control, buffer, sizeof buffer, 0);
        if (n > 0) {
            m_server.Record(false, std::string_view(buffer, static_cast<std::size_t>(n)));
        }
    }
}

void CScriptSession::Close()
{
    EndTls(m_controlSsl, false);
    CloseFd(m_control);
}

// ---- session: data ----------------------------------------------------------------------

void CScriptSession::ReplyPasv(std::string_view host)
{
    CloseFd(m_pasvListen);
    m_pasvListen = ListenLoopback(m_pasvPort);
    if (m_pasvListen < 0) {
        Fail("could not open a passive listener");
        return;
    }
    std::ostringstream reply;
    reply << "227 Entering Passive Mode (" << (host.empty() ? "127,0,0,1" : std::string(host))
          << ',' << (m_pasvPort / 256) << ',' << (m_pasvPort % 256) << ").\r\n";
    Send(reply.str());
}

bool CScriptSession::AcceptData()
{
    EndTls(m_dataSsl, false);
    CloseFd(m_data);
    m_data = AcceptWithin(m_pasvListen, waitLimit);
    if (m_data < 0) {
        Fail("no passive data connection came");
        return false;
    }
    return true;
}

bool CScriptSession::ExpectType(std::string_view type)
{
    if (m_bTypeKept && type == m_typeInEffect) {
        return true;
    }
    m_typeInEffect = type;
    return ExpectReply(type, "200 ok\r\n");
}

bool CScriptSession::OpenPassive(std::string_view type, std::string_view command)
{
    ExpectType(type);
    Expect("PASV");
    ReplyPasv();
    Expect(command);
    return AcceptData();
}

bool CScriptSession::OpenTransfer(bool passive, std::string_view type, std::string_view command)
{
    if (passive) {
        if (!OpenPassive(type, command)) {
            return false;
        }
        Send("150 Opening data connection\r\n");
        return true;
    }
    ExpectType(type);
    if (ExpectPort().empty()) {
        return false;
    }
    Send("200 PORT ok\r\n");
    if (!Expect(command)) {
        return false;
    }
    Send("150 Opening data connection\r\n");
    return ConnectActive();
}

std::string CScriptSession::ExpectPort()
{
    const std::string line = ReadLine();
    unsigned h1 = 0, h2 = 0, h3 = 0, h4 = 0, p1 = 0, p2 = 0;
    if (line.rfind("PORT ", 0) != 0 ||
        std::sscanf(line.c_str() + 5, "%u,%u,%u,%u,%u,%u", &h1, &h2, &h3, &h4, &p1, &p2) != 6) {
        Fail("expected a PORT line, got '" + line + "'");
        return {};
    }
    m_portHost = std::to_string(h1) + "." + std::to_string(h2) + "." + std::to_string(h3) + "." +
                 std::to_string(h4);
    m_portPort = static_cast<std::uint16_t>(p1 * 256 + p2);
    return line;
}

bool CScriptSession::ConnectActive()
{
    EndTls(m_dataSsl, false);
    CloseFd(m_data);
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(m_portPort);
    if (fd < 0 || ::inet_pton(AF_INET, m_portHost.c_str(), &addr.sin_addr) != 1 ||
        ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        if (fd >= 0) {
            ::close(fd);
        }
        Fail("could not connect to the PORT address " + m_portHost + ":" +
             std::to_string(m_portPort));
        return false;
    }
    m_data = fd;
    return true;
}

void CScriptSession::DataSend(std::string_view bytes)
{
    WriteAll(m_data, m_dataSsl, bytes);
}

bool CScriptSession::DataSendSome(std::string_view bytes)
{
    while (!bytes.empty()) {
        pollfd pfd{m_data, POLLOUT, 0};
        if (::poll(&pfd, 1, static_cast<int>(waitLimit.count())) <= 0 ||
            (pfd.revents & (POLLERR | POLLHUP)) != 0) {
            return false;
        }
        const ssize_t n = ::send(m_data, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

void CScriptSession::DataSendPieces(const std::vector<std::string>& pieces,
                                    std::chrono::milliseconds gap)
{
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i > 0) {
            Sleep(gap);
        }
        DataSend(pieces[i]);
    }
}

std::string CScriptSession::DataReceiveAll(std::size_t chunk, std::chrono::milliseconds gap)
{
    std::string all;
    char buffer[65536];
    const std::size_t size = chunk > 0 && chunk < sizeof buffer ? chunk : sizeof buffer;
    for (;;) {
        const long n = ReadSome(m_data, m_dataSsl, buffer, size);
        if (n == -2) {
            Fail("data connection did not end");
            break;
        }
        if (n <= 0) {
            break;
        }
        all.append(buffer, static_cast<std::size_t>(n));
        if (gap.count() > 0) {
            Sleep(gap);
        }
    }
    return all;
}

void CScriptSession::DataClose()
{
    EndTls(m_dataSsl, true);
    CloseFd(m_data);
    CloseFd(m_pasvListen);
}

void CScriptSession::DataAbort()
{
    if (m_data >= 0) {
        linger hard{1, 0};
        ::setsockopt(m_data, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    }
    DataClose();
}

} // namespace tarnwick::testing

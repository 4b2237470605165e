#include "ftp/socket.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

namespace tarnwick {

namespace {

constexpr int kSliceMs = 50;

bool AddressText(const sockaddr_storage& storage, std::string& address, std::uint16_t& port)
{
    char text[INET6_ADDRSTRLEN] = {};
    if (storage.ss_family == AF_INET) {
        const auto* in = reinterpret_cast<const sockaddr_in*>(&storage);
        if (::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text) == nullptr) {
            return false;
        }
        port = ntohs(in->sin_port);
    } else if (storage.ss_family == AF_INET6) {
        const auto* in6 = reinterpret_cast<const sockaddr_in6*>(&storage);
        if (IN6_IS_ADDR_V4MAPPED(&in6->sin6_addr)) {
            // An IPv4 peer on a dual-stack socket: give the IPv4 form.
            if (::inet_ntop(AF_INET, &in6->sin6_addr.s6_addr[12], text, sizeof text) == nullptr) {
                return false;
            }
        } else if (::inet_ntop(AF_INET6, &in6->sin6_addr, text, sizeof text) == nullptr) {
            return false;
        }
        port = ntohs(in6->sin6_port);
    } else {
        return false;
    }
    address = text;
    return true;
}

struct AddrInfoDeleter {
    void operator()(addrinfo* info) const { ::freeaddrinfo(info); }
};

} // namespace

CDeadline::CDeadline(const WaitPolicy& policy) : m_limit(policy.limit)
{
    Restart();
}

void CDeadline::Restart()
{
    m_end = std::chrono::steady_clock::now() + m_limit;
}

bool CDeadline::Expired() const
{
    return m_limit.count() > 0 && std::chrono::steady_clock::now() >= m_end;
}

int CDeadline::NextSliceMs(int slice) const
{
    if (m_limit.count() <= 0) {
        return slice;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          m_end - std::chrono::steady_clock::now())
                          .count();
    if (left <= 0) {
        return 0;
    }
    return left < slice ? static_cast<int>(left) + 1 : slice;
}

IoResult WaitForAny(std::span<pollfd> fds, const CDeadline& deadline, const PumpFn& pump)
{
    for (;;) {
        for (pollfd& fd : fds) {
            fd.revents = 0;
        }
        const int rc = ::poll(fds.data(), fds.size(), deadline.NextSliceMs(kSliceMs));
        if (rc > 0) {
            return IoResult::Ok;
        }
        if (rc < 0 && errno != EINTR) {
            return IoResult::Error;
        }
        if (pump && !pump()) {
            return IoResult::Cancelled;
        }
        if (deadline.Expired()) {
            return IoResult::TimedOut;
        }
    }
}

CSocket::~CSocket()
{
    Close();
}

CSocket::CSocket(CSocket&& other) noexcept : m_fd(other.m_fd)
{
    other.m_fd = -1;
}

CSocket& CSocket::operator=(CSocket&& other) noexcept
{
    if (this != &other) {
        Close();
        m_fd = other.m_fd;
        other.m_fd = -1;
    }
    return *this;
}

void CSocket::Close()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

IoResult CSocket::Connect(const std::string& host, std::uint16_t port, const WaitPolicy& policy)
{
    Close();
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_ADDRCONFIG;
    const std::string service = std::to_string(port);
    addrinfo* raw = nullptr;
    int rc = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &raw);
    if (rc != 0) {
        // AI_ADDRCONFIG hides loopback-only families on a machine without other addresses.
        hints.ai_flags = 0;
        rc = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &raw);
    }
    if (rc != 0 || raw == nullptr) {
        return IoResult::Unresolved;
    }
    std::unique_ptr<addrinfo, AddrInfoDeleter> list(raw);

    const CDeadline deadline(policy);
    IoResult last = IoResult::Error;
    for (addrinfo* ai = list.get(); ai != nullptr; ai = ai->ai_next) {
        const int fd = ::socket(ai->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            last = IoResult::NoSocket;
            continue;
        }
        CSocket candidate(fd);
        if (::connect(fd, ai->ai_addr, ai->ai_addrlen) != 0) {
            if (errno != EINPROGRESS) {
                last = IoResult::Error;
                continue;
            }
            pollfd pfd{fd, POLLOUT, 0};
            last = WaitForAny(std::span(&pfd, 1), deadline, policy.pump);
            if (last == IoResult::TimedOut || last == IoResult::Cancelled) {
                return last;
            }
            int error = 0;
            socklen_t len = sizeof error;
            if (last != IoResult::Ok || ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len) != 0 ||
                error != 0) {
                last = IoResult::Error;
                continue;
            }
        }
        const int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        *this = std::move(candidate);
        return IoResult::Ok;
    }
    return last;
}

long CSocket::TrySend(std::string_view data)
{
    for (;;) {
        const ssize_t n = ::send(m_fd, data.data(), data.size(), MSG_NOSIGNAL);
        if (n >= 0) {
            return n;
        }
        if (errno == EINTR) {
            continue;
        }
        return (errno == EAGAIN || errno == EWOULDBLOCK) ? 0 : -1;
    }
}

long CSocket::TryReceive(char* buffer, std::size_t capacity, bool& wouldBlock)
{
    wouldBlock = false;
    for (;;) {
        const ssize_t n = ::recv(m_fd, buffer, capacity, 0);
        if (n >= 0) {
            return n;
        }
        if (errno == EINTR) {
            continue;
        }
        wouldBlock = errno == EAGAIN || errno == EWOULDBLOCK;
        return -1;
    }
}

IoResult CSocket::SendAll(std::string_view data, const WaitPolicy& policy)
{
    if (!IsOpen()) {
        return IoResult::Error;
    }
    CDeadline idle(policy);
    while (!data.empty()) {
        const long n = TrySend(data);
        if (n < 0) {
            return IoResult::Error;
        }
        if (n > 0) {
            data.remove_prefix(static_cast<std::size_t>(n));
            idle.Restart();
            continue;
        }
        pollfd pfd{m_fd, POLLOUT, 0};
        if (const IoResult waited = WaitForAny(std::span(&pfd, 1), idle, policy.pump);
            waited != IoResult::Ok) {
            return waited;
        }
    }
    return IoResult::Ok;
}

IoResult CSocket::Listen(const std::string& localAddress, std::uint16_t port, int backlog)
{
    Close();
    sockaddr_storage storage{};
    socklen_t length = 0;
    auto* in = reinterpret_cast<sockaddr_in*>(&storage);
    auto* in6 = reinterpret_cast<sockaddr_in6*>(&storage);
    if (::inet_pton(AF_INET, localAddress.c_str(), &in->sin_addr) == 1) {
        in->sin_family = AF_INET;
        in->sin_port = htons(port);
        length = sizeof(sockaddr_in);
    } else if (::inet_pton(AF_INET6, localAddress.c_str(), &in6->sin6_addr) == 1) {
        in6->sin6_family = AF_INET6;
        in6->sin6_port = htons(port);
        length = sizeof(sockaddr_in6);
    } else {
        return IoResult::Error;
    }
    const int fd = ::socket(storage.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return IoResult::NoSocket;
    }
    CSocket candidate(fd);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&storage), length) != 0 ||
        ::listen(fd, backlog) != 0) {
        return IoResult::Error;
    }
    *this = std::move(candidate);
    return IoResult::Ok;
}

bool CSocket::TryAccept(CSocket& accepted, bool& wouldBlock)
{
    wouldBlock = false;
    for (;;) {
        const int fd = ::accept4(m_fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd >= 0) {
            const int one = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            accepted = CSocket(fd);
            return true;
        }
        if (errno == EINTR || errno == ECONNABORTED) {
            continue;
        }
        wouldBlock = errno == EAGAIN || errno == EWOULDBLOCK;
        return false;
    }
}

bool CSocket::LocalAddress(std::string& address, std::uint16_t& port) const
{
    sockaddr_storage storage{};
    socklen_t length = sizeof storage;
    if (!IsOpen() || ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&storage), &length) != 0) {
        return false;
    }
    return AddressText(storage, address, port);
}

bool CSocket::PeerAddress(std::string& address, std::uint16_t& port) const
{
    sockaddr_storage storage{};
    socklen_t length = sizeof storage;
    if (!IsOpen() || ::getpeername(m_fd, reinterpret_cast<sockaddr*>(&storage), &length) != 0) {
        return false;
    }
    return AddressText(storage, address, port);
}

int CSocket::Family() const
{
    sockaddr_storage storage{};
    socklen_t length = sizeof storage;
    if (!IsOpen() || ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&storage), &length) != 0) {
        return 0;
    }
    return storage.ss_family;
}

} // namespace tarnwick

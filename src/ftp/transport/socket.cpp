#include "ftp/transport/socket.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tarnwick {

namespace {

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

} // namespace

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

IoResult CSocket::Connect(const std::string& host, std::uint16_t port, const WaitPolicy& policy,
                          const ResolveFn& resolver)
{
    Close();
    m_nErrno = 0;
    const CDeadline deadline(policy);
    std::vector<ResolvedAddress> addresses;
    if (const IoResult resolved = ResolveHost(host, port, deadline, policy, resolver, addresses);
        resolved != IoResult::Ok) {
        return resolved;
    }
    IoResult last = IoResult::Error;
    int lastErrno = 0;
    for (const ResolvedAddress& address : addresses) {
        const int fd =
            ::socket(address.address.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            lastErrno = errno;
            last = IoResult::NoSocket;
            continue;
        }
        CSocket candidate(fd);
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address.address), address.length) !=
            0) {
            if (errno != EINPROGRESS) {
                lastErrno = errno;
                last = IoResult::Error;
                continue;
            }
            pollfd pfd{fd, POLLOUT, 0};
            last = WaitForAny(std::span(&pfd, 1), deadline, policy);
            if (last == IoResult::TimedOut || last == IoResult::Cancelled) {
                return last;
            }
            int error = 0;
            socklen_t len = sizeof error;
            if (last != IoResult::Ok || ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len) != 0 ||
                error != 0) {
                lastErrno = error != 0 ? error : errno;
                last = IoResult::Error;
                continue;
            }
        }
        const int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        *this = std::move(candidate);
        return IoResult::Ok;
    }
    m_nErrno = lastErrno;
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
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            return 0;
        }
        m_nErrno = errno;
        return -1;
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
        if (!wouldBlock) {
            m_nErrno = errno;
        }
        return -1;
    }
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

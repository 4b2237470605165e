// Non-blocking TCP sockets whose every wait is bounded (see wait.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "ftp/transport/resolver.h"
#include "ftp/transport/stream.h"
#include "ftp/transport/wait.h"

namespace tarnwick {

// One owned socket descriptor; closed when the object goes. As a stream it is plain TCP.
class CSocket : public CStream {
public:
    CSocket() = default;
    explicit CSocket(int fd) : m_fd(fd) {}
    ~CSocket() override;
    CSocket(CSocket&& other) noexcept;
    CSocket& operator=(CSocket&& other) noexcept;
    CSocket(const CSocket&) = delete;
    CSocket& operator=(const CSocket&) = delete;

    [[nodiscard]] bool IsOpen() const { return m_fd >= 0; }
    [[nodiscard]] int Fd() const { return m_fd; }
    // Harmless when already closed.
    void Close();

    // Resolves `host` (a name, an IPv4 or an IPv6 literal) and connects to the first address
    // that answers, the lookup and the connect together within the policy's limit.
    // `resolver` replaces the system's when given. On Error, LastErrno() tells why.
    [[nodiscard]] IoResult Connect(const std::string& host, std::uint16_t port,
                                   const WaitPolicy& policy, const ResolveFn& resolver = {});
    // One send without waiting: bytes sent, 0 when the socket would block, -1 on error.
    [[nodiscard]] long TrySend(std::string_view data);
    // One receive without waiting: bytes read, 0 at end of stream, -1 when nothing is there
    // yet (`wouldBlock` set) or on error.
    [[nodiscard]] long TryReceive(char* buffer, std::size_t capacity, bool& wouldBlock);

    // Binds to `localAddress` (numeric, port 0 = ephemeral) and listens.
    [[nodiscard]] IoResult Listen(const std::string& localAddress, std::uint16_t port, int backlog);
    // Accepts a connection that is already waiting; `wouldBlock` when none is.
    [[nodiscard]] bool TryAccept(CSocket& accepted, bool& wouldBlock);

    [[nodiscard]] bool LocalAddress(std::string& address, std::uint16_t& port) const;
    [[nodiscard]] bool PeerAddress(std::string& address, std::uint16_t& port) const;
    // AF_INET or AF_INET6; 0 when closed or unknown.
    [[nodiscard]] int Family() const;
    // The errno of the last failed connect, send or receive; 0 when none failed.
    [[nodiscard]] int LastErrno() const override { return m_nErrno; }

    // The stream: TryReceive and TrySend.
    long Read(char* buffer, std::size_t capacity, bool& wouldBlock) override
    {
        return TryReceive(buffer, capacity, wouldBlock);
    }
    long Write(std::string_view data) override { return TrySend(data); }
    CSocket& Socket() override { return *this; }
    [[nodiscard]] const CSocket& Socket() const override { return *this; }

private:
    int m_fd = -1;
    int m_nErrno = 0;
};

} // namespace tarnwick

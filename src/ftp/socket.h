// Non-blocking TCP sockets with bounded waits. Every wait runs poll() in slices of at most
// 50 ms and calls the pump between slices, so a GUI stays painted while the one thread
// blocks in a command; the pump's answer can cancel the wait.
#pragma once

#include <poll.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace tarnwick {

// Called between poll slices; returns false when the user asked to cancel.
using PumpFn = std::function<bool()>;

enum class IoResult {
    Ok,
    Closed,     // the peer closed the connection (receive gave 0)
    Error,      // a socket error
    TimedOut,   // the wait's time limit passed
    Cancelled,  // the pump asked to stop
    NoSocket,   // a socket could not be created
    Unresolved, // the host name did not resolve
};

// The limit of one wait and the pump to call while waiting. A limit of 0 means none.
struct WaitPolicy {
    std::chrono::milliseconds limit{0};
    PumpFn pump;
};

// A point in time after which a wait gives up; none when the policy has no limit.
class CDeadline {
public:
    explicit CDeadline(const WaitPolicy& policy);
    [[nodiscard]] bool Expired() const;
    // Milliseconds to wait in the next poll slice: at most `slice`, never past the deadline.
    [[nodiscard]] int NextSliceMs(int slice) const;
    // Starts the limit again, for idle limits that restart whenever bytes move.
    void Restart();

private:
    std::chrono::milliseconds m_limit;
    std::chrono::steady_clock::time_point m_end;
};

// Waits until one of `fds` reports one of its events (or an error/hang-up), in slices,
// calling the pump between them. Ok means at least one revents is set.
[[nodiscard]] IoResult WaitForAny(std::span<pollfd> fds, const CDeadline& deadline,
                                  const PumpFn& pump);

// One owned socket descriptor; closed when the object goes.
class CSocket {
public:
    CSocket() = default;
    explicit CSocket(int fd) : m_fd(fd) {}
    ~CSocket();
    CSocket(CSocket&& other) noexcept;
    CSocket& operator=(CSocket&& other) noexcept;
    CSocket(const CSocket&) = delete;
    CSocket& operator=(const CSocket&) = delete;

    [[nodiscard]] bool IsOpen() const { return m_fd >= 0; }
    [[nodiscard]] int Fd() const { return m_fd; }
    // Harmless when already closed.
    void Close();

    // Resolves `host` (a name, an IPv4 or an IPv6 literal) and connects to the first address
    // that answers, within the policy's limit.
    [[nodiscard]] IoResult Connect(const std::string& host, std::uint16_t port,
                                   const WaitPolicy& policy);
    // Sends every byte; the limit counts time without progress.
    [[nodiscard]] IoResult SendAll(std::string_view data, const WaitPolicy& policy);
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

private:
    int m_fd = -1;
};

} // namespace tarnwick

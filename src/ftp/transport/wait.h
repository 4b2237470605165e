// Bounded waits. Every wait of the engine runs poll() in slices of at most 50 ms; between
// slices it calls the pump (the GUI repaints) and checks the cancel token, so a window stays
// painted and the user can stop the work while the one thread blocks in a command.
#pragma once

#include <poll.h>

#include <chrono>
#include <functional>
#include <span>

namespace tarnwick {

class CCancelToken;

// Called between poll slices.
using PumpFn = std::function<void()>;

enum class IoResult {
    Ok,
    Closed,     // the peer closed the connection (receive gave 0)
    Error,      // a socket error
    TimedOut,   // the wait's time limit passed
    Cancelled,  // the cancel token was set
    NoSocket,   // a socket could not be created
    Unresolved, // the host name did not resolve
};

// The limit of one wait, the pump to call while waiting and the token that stops it. A limit
// of 0 means none; without a token nothing cancels.
struct WaitPolicy {
    std::chrono::milliseconds limit{0};
    PumpFn pump;
    const CCancelToken* cancel = nullptr;
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

// True when the policy's token asks to stop.
[[nodiscard]] bool IsCancelled(const WaitPolicy& policy);

// Waits until one of `fds` reports one of its events (or an error/hang-up), in slices,
// calling the pump and checking the token between them. Ok means at least one revents is set.
[[nodiscard]] IoResult WaitForAny(std::span<pollfd> fds, const CDeadline& deadline,
                                  const WaitPolicy& policy);

} // namespace tarnwick

// What the dial-up manager asks of the system's saved network connections. The desktop
// backend drives NetworkManager through nmcli; tests use a scripted one.
#pragma once

#include <string>
#include <vector>

namespace tarnwick {

// The connection a dial started; empty while there is none. It keeps its value after a
// hang-up, and the next dial is given it as it was left.
struct DialHandle {
    std::string entry;
    [[nodiscard]] bool IsEmpty() const { return entry.empty(); }
};

enum class DialState { Connecting, Connected, Disconnected };

class CDialUpBackend {
public:
    virtual ~CDialUpBackend() = default;

    // The saved entries' names. False when they cannot be listed.
    virtual bool ListEntries(std::vector<std::string>& names) = 0;
    // 0 when a saved entry of that name exists and can be dialled.
    virtual int GetEntryDialParams(const std::string& name) = 0;
    // Starts dialling the entry and returns at once: 0 when started, 602 when it is already
    // up (the port is open), another code when refused. Sets `handle`.
    virtual int Dial(const std::string& name, DialHandle& handle) = 0;
    // 0 and the state, or non-zero when the handle names no connection.
    virtual int GetConnectStatus(const DialHandle& handle, DialState& state) = 0;
    // Starts ending the connection; returns at once.
    virtual void HangUp(const DialHandle& handle) = 0;
};

// Result codes as the dial-up service gives them.
inline constexpr int kDialOk = 0;
inline constexpr int kDialPortAlreadyOpen = 602;
inline constexpr int kDialEntryNotFound = 623;
inline constexpr int kDialFailed = 629;

} // namespace tarnwick

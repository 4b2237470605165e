// Saved connections of NetworkManager, through its command-line client: the entries are the
// connection profiles, dialling brings a profile up, the state is its activation state, and
// hanging up brings it down. Without nmcli (or NetworkManager) listing fails and so does
// every dial.
#pragma once

#include <string_view>
#include <vector>

#include "dialup/dialupbackend.h"
#include "dialup/process.h"

namespace tarnwick {

class CNmcliBackend : public CDialUpBackend {
public:
    explicit CNmcliBackend(std::string program = "nmcli") : m_program(std::move(program)) {}

    bool ListEntries(std::vector<std::string>& names) override;
    int GetEntryDialParams(const std::string& name) override;
    int Dial(const std::string& name, DialHandle& handle) override;
    int GetConnectStatus(const DialHandle& handle, DialState& state) override;
    void HangUp(const DialHandle& handle) override;

    // The fields of one line of nmcli's terse output ("-t"), which separates them with ':'
    // and escapes ':' and '\' inside a field with '\'.
    [[nodiscard]] static std::vector<std::string> SplitTerse(std::string_view line);

private:
    // The profile's activation state ("activated", "activating", ... or "" when inactive);
    // false when nmcli cannot say.
    bool QueryState(const std::string& name, std::string& state);

    std::string m_program;
    CBackgroundProgram m_up;
    CBackgroundProgram m_down;
};

} // namespace tarnwick

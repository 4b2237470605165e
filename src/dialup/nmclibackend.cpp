#include "dialup/nmclibackend.h"

#include <algorithm>

namespace tarnwick {

namespace {

// nmcli answers in well under a second; a hung one must not hold the window forever.
constexpr int kQueryLimitMs = 5000;

// The non-empty lines of nmcli's output.
std::vector<std::string> Lines(const std::string& output)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < output.size()) {
        std::size_t end = output.find('\n', start);
        if (end == std::string::npos) {
            end = output.size();
        }
        if (end > start) {
            lines.push_back(output.substr(start, end - start));
        }
        start = end + 1;
    }
    return lines;
}

} // namespace

std::string CNmcliBackend::UnescapeTerse(const std::string& field)
{
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 1 < field.size()) {
            ++i;
        }
        out += field[i];
    }
    return out;
}

bool CNmcliBackend::ListEntries(std::vector<std::string>& names)
{
    std::string output;
    if (RunProgram({m_program, "-t", "-f", "NAME", "connection", "show"}, output, kQueryLimitMs) !=
        0) {
        return false;
    }
    names.clear();
    for (const std::string& line : Lines(output)) {
        names.push_back(UnescapeTerse(line));
    }
    return true;
}

int CNmcliBackend::GetEntryDialParams(const std::string& name)
{
    std::vector<std::string> names;
    if (name.empty() || !ListEntries(names) ||
        std::find(names.begin(), names.end(), name) == names.end()) {
        return kDialEntryNotFound;
    }
    return kDialOk;
}

bool CNmcliBackend::QueryState(const std::string& name, std::string& state)
{
    // The active connections, one "NAME:STATE" line each; a profile not listed is inactive.
    std::string output;
    if (RunProgram({m_program, "-t", "-f", "NAME,STATE", "connection", "show", "--active"}, output,
                   kQueryLimitMs) != 0) {
        return false;
    }
    state.clear();
    for (const std::string& line : Lines(output)) {
        // The separator is the last ':' not escaped by '\'.
        std::size_t colon = line.rfind(':');
        while (colon != std::string::npos && colon > 0 && line[colon - 1] == '\\') {
            colon = colon > 1 ? line.rfind(':', colon - 2) : std::string::npos;
        }
        if (colon != std::string::npos && UnescapeTerse(line.substr(0, colon)) == name) {
            state = line.substr(colon + 1);
            break;
        }
    }
    return true;
}

int CNmcliBackend::Dial(const std::string& name, DialHandle& handle)
{
    handle.entry = name;
    std::string state;
    if (QueryState(name, state) && state == "activated") {
        return kDialPortAlreadyOpen;
    }
    // "connection up" blocks until the profile is up or fails: let it run beside us and
    // learn the outcome by polling the state.
    return m_up.Start({m_program, "connection", "up", "id", name}) ? kDialOk : kDialFailed;
}

int CNmcliBackend::GetConnectStatus(const DialHandle& handle, DialState& state)
{
    if (handle.IsEmpty()) {
        return kDialEntryNotFound;
    }
    std::string text;
    if (!QueryState(handle.entry, text)) {
        return kDialFailed;
    }
    if (text == "activated") {
        state = DialState::Connected;
    } else if (text == "activating" || text == "deactivating" || m_up.IsRunning() ||
               m_down.IsRunning()) {
        state = DialState::Connecting;
    } else if (m_up.ExitStatus() > 0) {
        return kDialFailed; // the profile could not be brought up: no such connection
    } else {
        state = DialState::Disconnected;
    }
    return 0;
}

void CNmcliBackend::HangUp(const DialHandle& handle)
{
    if (!handle.IsEmpty()) {
        m_down.Start({m_program, "connection", "down", "id", handle.entry});
    }
}

} // namespace tarnwick

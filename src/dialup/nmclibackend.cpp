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

std::vector<std::string> CNmcliBackend::SplitTerse(std::string_view line)
{
    // Read from the left: a '\' takes the next character as it is, so "a\\:b" is the field
    // "a\" and then "b", while "a\:b" is the one field "a:b".
    std::vector<std::string> fields(1);
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\\' && i + 1 < line.size()) {
            fields.back() += line[++i];
        } else if (line[i] == ':') {
            fields.emplace_back();
        } else {
            fields.back() += line[i];
        }
    }
    return fields;
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
        names.push_back(SplitTerse(line).front());
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
        const std::vector<std::string> fields = SplitTerse(line);
        if (fields.size() == 2 && fields[0] == name) {
            state = fields[1];
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

#include "core/hostport.h"

#include <algorithm>

namespace tarnwick {

namespace {

bool ParsePort(std::string_view text, std::uint16_t& port)
{
    if (text.empty() || text.size() > 5 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return false;
    }
    const unsigned long value = std::stoul(std::string(text));
    if (value == 0 || value > 65535) {
        return false;
    }
    port = static_cast<std::uint16_t>(value);
    return true;
}

} // namespace

bool SplitHostPort(std::string_view server, std::uint16_t defaultPort, std::string& host,
                   std::uint16_t& port)
{
    std::string_view hostPart = server;
    std::uint16_t portValue = defaultPort;
    if (!server.empty() && server.front() == '[') {
        const std::size_t close = server.find(']');
        if (close == std::string_view::npos) {
            return false;
        }
        hostPart = server.substr(1, close - 1);
        const std::string_view rest = server.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':' || !ParsePort(rest.substr(1), portValue)) {
                return false;
            }
        }
    } else if (std::count(server.begin(), server.end(), ':') == 1) {
        const std::size_t colon = server.find(':');
        hostPart = server.substr(0, colon);
        if (!ParsePort(server.substr(colon + 1), portValue)) {
            return false;
        }
    }
    if (hostPart.empty()) {
        return false;
    }
    host.assign(hostPart);
    port = portValue;
    return true;
}

} // namespace tarnwick

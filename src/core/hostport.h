// The server field may carry a port: "host", "host:2121", "192.0.2.1:2121", "[::1]:2121",
// or a bare IPv6 literal "::1" (more than one colon and no brackets: no port).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarnwick {

// Splits `server` into host and port; `defaultPort` when no port is given. False when the
// host is empty or the port is not a number from 1 to 65535.
[[nodiscard]] bool SplitHostPort(std::string_view server, std::uint16_t defaultPort,
                                 std::string& host, std::uint16_t& port);

} // namespace tarnwick

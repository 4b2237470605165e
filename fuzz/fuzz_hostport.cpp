// The server field's host:port: whatever splits has a host, a port from 1 to 65535 that is the
// default exactly when none was written, and writing the two back as "host:port" (or
// "[v6]:port") splits to the same two.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/hostport.h"
#include "fuzzsupport.h"

namespace {

using tarnwick::fuzz::Check;

// "host:port", or "[host]:port" for a host with a colon (an IPv6 literal) or one starting
// with "["; a host holding both a colon and "]" cannot take brackets and is written bare,
// which only the default port survives.
std::string Join(const std::string& host, std::uint16_t port)
{
    const bool colon = host.find(':') != std::string::npos;
    if (!colon && host.front() != '[') {
        return host + ":" + std::to_string(port);
    }
    if (host.find(']') == std::string::npos) {
        return "[" + host + "]:" + std::to_string(port);
    }
    return host;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view server(reinterpret_cast<const char*>(data), size);
    std::string host;
    std::uint16_t port = 0;
    const bool split = tarnwick::SplitHostPort(server, 21, host, port);
    std::string otherHost;
    std::uint16_t otherPort = 0;
    const bool otherSplit = tarnwick::SplitHostPort(server, 2121, otherHost, otherPort);
    Check(split == otherSplit, "the default port decides whether the text splits");
    if (!split) {
        return 0;
    }
    Check(!host.empty(), "empty host");
    Check(port != 0, "port 0");
    Check(otherHost == host, "the default port changes the host");
    // A written port wins over either default; without one each default is taken.
    Check(otherPort == port || (port == 21 && otherPort == 2121),
          "a port that is neither the written one nor the default");
    Check(server.find(host) != std::string_view::npos, "a host that is not in the text");

    const std::string joined = Join(host, port);
    std::string backHost;
    std::uint16_t backPort = 0;
    // A written-back port is read against a default that differs from it, so a port lost on
    // the way shows; a bare host gets its port from the default.
    const bool bare = joined == host;
    Check(!bare || otherPort != port,
          "a written port beside a host that needs brackets and has \"]\"");
    const std::uint16_t backDefault = bare ? port : port == 1 ? 2 : 1;
    Check(tarnwick::SplitHostPort(joined, backDefault, backHost, backPort),
          "host:port written back does not split");
    Check(backHost == host && backPort == port, "host:port written back splits to other parts");
    return 0;
}

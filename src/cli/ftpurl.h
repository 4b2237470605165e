// ftp://[user[:password]@]host[:port][/dir], with percent-encoding allowed in every part;
// ftps:// for implicit TLS (port 990 unless given).
#pragma once

#include <cstdint>
#include <string>

namespace tarnwick {

struct FtpUrl {
    std::string user;
    std::string password;
    bool hasPassword = false;
    std::string host;
    std::uint16_t port = 21;
    bool implicitTls = false;
    // The path after the host's "/", decoded: the directory to change into after login,
    // relative to the login directory ("ftp://h/pub" -> "pub"; "ftp://h/%2Fetc" -> "/etc").
    std::string directory;
};

// False for anything that is not such a URL (another scheme, no host, a bad port, a
// malformed percent-escape, or a decoded CR, LF or NUL).
[[nodiscard]] bool ParseFtpUrl(const std::string& text, FtpUrl& url);

} // namespace tarnwick

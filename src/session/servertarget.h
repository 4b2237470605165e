// ServerTarget: the one description of a server both front ends connect with: where it is,
// who logs in, and how (TLS and the trusted certificate, the names' encoding, passive mode,
// the time limit). What a target leaves unset comes from the settings.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "ftp/ftpclient.h"
#include "settings/profiles.h"

namespace tarnwick {

struct ServerTarget {
    std::string host;
    std::uint16_t port = 21;
    std::string user;
    std::string password;
    std::string directory; // changed into after the login when not empty
    TlsMode tls = TlsMode::None; // the builders set it: a profile's mode, a URL's scheme
    // The SHA-256 of a certificate trusted as it is; empty: the one stored for host and port.
    std::string fingerprint;
    // An iconv name or kAutoEncoding; empty, or a name iconv does not know: the settings'.
    std::string encoding;
    std::optional<bool> passive;                      // none: the settings'
    std::optional<std::chrono::milliseconds> timeout; // none: the settings'; 0: no limit
};

// The engine's TLS mode for a profile's encryption choice.
[[nodiscard]] TlsMode TlsModeOf(ProfileEncryption encryption);
// The port of a server given without one: 990 for implicit TLS, 21 otherwise. The one rule for
// the login dialog, profiles and URLs alike.
[[nodiscard]] std::uint16_t DefaultPort(TlsMode tls);

// Sets the target's host and port from a server field ("host", "host:port", "[v6]:port"),
// with the default port of the target's TLS mode. False when it names no host and port.
[[nodiscard]] bool SetServer(const std::string& server, ServerTarget& target);
// A stored profile (or the login dialog's fields, which are one): false when its server field
// names no host and port.
[[nodiscard]] bool TargetFromProfile(const ServerProfile& profile, ServerTarget& target);
// "host:port", "[v6]:port": how the target is named to the user and the certificate store.
[[nodiscard]] std::string ServerName(const ServerTarget& target);

} // namespace tarnwick

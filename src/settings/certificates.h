// Certificates the user chose to trust always: the SHA-256 fingerprint of one certificate per
// server (host and port), in the Certificates key beside the settings.
#pragma once

#include <string>

namespace tarnwick {

inline const std::string kCertificatesKeyPath = "Software\\kestrum\\Tarnwick\\Certificates";

// The fingerprint stored for the server (64 hexadecimal digits); empty when none is.
[[nodiscard]] std::string GetTrustedFingerprint(const std::string& host, unsigned port);
// Stores `fingerprint` (any spelling: colons, blanks, case) for the server, replacing one
// stored before. False when the store cannot be written or it is not a SHA-256 fingerprint.
bool SetTrustedFingerprint(const std::string& host, unsigned port, const std::string& fingerprint);

} // namespace tarnwick

// What the user is shown of a server's certificate when it cannot be trusted by itself.
#pragma once

#include <string>

namespace tarnwick {

struct CertificateInfo {
    std::string subject;   // "CN=ftp.example.com, O=Example"
    std::string issuer;
    std::string notBefore; // "2026-01-02 03:04:05 UTC"
    std::string notAfter;
    std::string sha256;    // "AB:CD:...", 32 bytes in hexadecimal pairs
    // Why the check failed ("self-signed certificate", "hostname mismatch", ...); empty when
    // it passed.
    std::string problem;
    // A certificate was trusted for this server before, and this is another one.
    bool pinMismatch = false;
};

} // namespace tarnwick

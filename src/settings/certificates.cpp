#include "settings/certificates.h"

#include "core/strutil.h"
#include "settings/registrykey.h"

namespace tarnwick {

namespace {

// "ftp.example.com:21": host names compare without case, as DNS does.
std::string ServerName(const std::string& host, unsigned port)
{
    return AsciiLower(host) + ":" + std::to_string(port);
}

} // namespace

std::string GetTrustedFingerprint(const std::string& host, unsigned port)
{
    CRegistryKey key;
    std::string value;
    if (key.Open(RegistryRoot::CurrentUser, kCertificatesKeyPath) == kRegOk) {
        (void)key.GetString(ServerName(host, port), value);
    }
    return NormalizeFingerprint(value);
}

bool SetTrustedFingerprint(const std::string& host, unsigned port, const std::string& fingerprint)
{
    const std::string digits = NormalizeFingerprint(fingerprint);
    CRegistryKey key;
    return !digits.empty() && key.Open(RegistryRoot::CurrentUser, kCertificatesKeyPath) == kRegOk &&
           key.SetString(ServerName(host, port), digits) == kRegOk;
}

} // namespace tarnwick

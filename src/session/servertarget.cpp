#include "session/servertarget.h"

#include "core/hostport.h"

namespace tarnwick {

namespace {

constexpr std::uint16_t kFtpPort = 21;
constexpr std::uint16_t kFtpsPort = 990; // implicit TLS

} // namespace

std::uint16_t DefaultPort(TlsMode tls)
{
    return tls == TlsMode::Implicit ? kFtpsPort : kFtpPort;
}

TlsMode TlsModeOf(ProfileEncryption encryption)
{
    switch (encryption) {
    case ProfileEncryption::None:
        return TlsMode::None;
    case ProfileEncryption::ExplicitRequired:
        return TlsMode::ExplicitRequired;
    case ProfileEncryption::Implicit:
        return TlsMode::Implicit;
    case ProfileEncryption::ExplicitIfAvailable:
        break;
    }
    return TlsMode::ExplicitIfAvailable;
}

bool SetServer(const std::string& server, ServerTarget& target)
{
    return SplitHostPort(server, DefaultPort(target.tls), target.host, target.port);
}

bool TargetFromProfile(const ServerProfile& profile, ServerTarget& target)
{
    target.tls = TlsModeOf(profile.encryption);
    target.user = profile.userName;
    target.password = profile.password;
    target.directory = profile.remoteInitDir;
    target.encoding = profile.encoding;
    return SetServer(profile.server, target);
}

std::string ServerName(const ServerTarget& target)
{
    const std::string port = std::to_string(target.port);
    return target.host.find(':') != std::string::npos ? "[" + target.host + "]:" + port
                                                      : target.host + ":" + port;
}

} // namespace tarnwick

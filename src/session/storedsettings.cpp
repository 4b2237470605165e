#include "session/storedsettings.h"

#include "settings/certificates.h"
#include "settings/settings.h"
#include "settings/transfermode.h"

namespace tarnwick {

FtpConnectOptions CStoredSettings::ConnectOptions()
{
    FtpConnectOptions options;
    options.passive = GetSettingFlag("UsePASV");
    options.useList = GetSettingFlag("UseLIST");
    options.timeout = std::chrono::seconds(GetTimeoutSeconds());
    options.encoding = GetServerEncodingSetting();
    return options;
}

bool CStoredSettings::CheckOverwrite()
{
    return GetCheckOverwrite();
}

bool CStoredSettings::AutoTransferMode()
{
    return GetStoredTransferMode() == TransferMode::Auto;
}

std::string CStoredSettings::TextModeList()
{
    return GetTextModeList();
}

bool CStoredSettings::UseAutoDialUp()
{
    return GetSettingFlag("UseAutoDialUp");
}

std::string CStoredSettings::AutoDialUpName()
{
    return GetSettingText("AutoDialUpName");
}

std::string CStoredSettings::TrustedFingerprint(const std::string& host, unsigned port)
{
    return GetTrustedFingerprint(host, port);
}

void CStoredSettings::TrustAlways(const std::string& host, unsigned port,
                                  const std::string& fingerprint)
{
    // A store that cannot be written still lets this connection go on: it was trusted once.
    static_cast<void>(SetTrustedFingerprint(host, port, fingerprint));
}

} // namespace tarnwick

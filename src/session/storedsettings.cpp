#include "session/storedsettings.h"

#include "settings/certificates.h"
#include "settings/registrykey.h"
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
    return GetSettingFlag("CheckOverwrite");
}

bool CStoredSettings::AutoTransferMode()
{
    return GetSettingFlag("AutoTransferMode");
}

std::string StoredTextModeList()
{
    CRegistryKey key;
    if (key.Open(RegistryRoot::CurrentUser, kSettingsKeyPath) != kRegOk) {
        return kDefaultTextModeList;
    }
    std::string list;
    const long status = key.GetString("AutoTransferModeList", list);
    key.Close();
    // Missing: never set, so the list the options page offers. Stored empty: no endings.
    return status == kRegNotFound ? std::string(kDefaultTextModeList) : list;
}

std::string CStoredSettings::TextModeList()
{
    return StoredTextModeList();
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

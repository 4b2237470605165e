#include "session/storedsettings.h"

#include "settings/settings.h"

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

std::string CStoredSettings::TextModeList()
{
    return GetSettingText("AutoTransferModeList");
}

bool CStoredSettings::UseAutoDialUp()
{
    return GetSettingFlag("UseAutoDialUp");
}

std::string CStoredSettings::AutoDialUpName()
{
    return GetSettingText("AutoDialUpName");
}

} // namespace tarnwick

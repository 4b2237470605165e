#include "settings/settings.h"

#include <algorithm>

#include "core/nameencoding.h"
#include "core/textcodec.h"
#include "settings/registrykey.h"

namespace tarnwick {

bool GetSettingFlag(const std::string& name)
{
    return GetSettingFlagOr(name, false);
}

bool GetSettingFlagOr(const std::string& name, bool fallback)
{
    CRegistryKey key;
    std::uint32_t value = 0;
    if (key.Open(RegistryRoot::CurrentUser, kSettingsKeyPathUpper) != kRegOk) {
        return fallback;
    }
    const long status = key.GetDword(name, value);
    key.Close();
    if (status == kRegNotFound) {
        return fallback;
    }
    return status == kRegOk && value == 1;
}

bool GetCheckOverwrite()
{
    return GetSettingFlagOr("CheckOverwrite", true);
}

bool SetSettingFlag(const std::string& name, bool value)
{
    CRegistryKey key;
    if (key.Open(RegistryRoot::CurrentUser, kSettingsKeyPathUpper) != kRegOk) {
        return false;
    }
    // The write's own status is not examined: a lost write reads back as the old value.
    (void)key.SetDword(name, value ? 1 : 0);
    key.Close();
    return true;
}

std::string GetSettingText(const std::string& name)
{
    CRegistryKey key;
    std::string value;
    if (key.Open(RegistryRoot::CurrentUser, kSettingsKeyPath) == kRegOk) {
        (void)key.GetString(name, value);
        key.Close();
    }
    return value;
}

void SetSettingText(const std::string& name, const std::string& value)
{
    CRegistryKey key;
    if (key.Open(RegistryRoot::CurrentUser, kSettingsKeyPath) == kRegOk) {
        (void)key.SetString(name, value);
        key.Close();
    }
}

std::uint32_t GetSettingInt(const std::string& name, std::uint32_t fallback)
{
    CRegistryKey key;
    std::uint32_t value = fallback;
    if (key.Open(RegistryRoot::CurrentUser, kSettingsKeyPathUpper) == kRegOk) {
        (void)key.GetDword(name, value);
    }
    return value;
}

bool SetSettingInt(const std::string& name, std::uint32_t value)
{
    CRegistryKey key;
    if (key.Open(RegistryRoot::CurrentUser, kSettingsKeyPathUpper) != kRegOk) {
        return false;
    }
    return key.SetDword(name, value) == kRegOk;
}

std::uint32_t GetTimeoutSeconds()
{
    return GetSettingInt("TimeoutSeconds", kDefaultTimeoutSeconds);
}

std::uint32_t GetQueueConnections()
{
    return std::min(GetSettingInt("QueueConnections", kDefaultQueueConnections),
                    kMaxQueueConnections);
}

std::string GetServerEncodingSetting()
{
    const std::string stored = GetSettingText("ServerEncoding");
    if (IsUsableEncoding(stored)) {
        return IsAutoEncoding(stored) ? std::string(kAutoEncoding) : stored;
    }
    return DefaultServerEncoding();
}

} // namespace tarnwick

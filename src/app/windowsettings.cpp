#include "app/windowsettings.h"

#include "settings/registrykey.h"
#include "settings/settings.h"
#include "settings/transfermode.h"

namespace tarnwick {

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

std::string CWindowSettings::TextModeList()
{
    return StoredTextModeList();
}

} // namespace tarnwick

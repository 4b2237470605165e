#include "settings/transfermode.h"

#include <cstdint>

#include "core/strutil.h"
#include "settings/registrykey.h"
#include "settings/settings.h"

namespace tarnwick {

namespace {

const char* const kModeValue = "TransferModeChoice";

} // namespace

bool EndsWithListedEnding(std::string_view name, std::string_view list)
{
    while (!list.empty()) {
        const std::size_t blank = list.find(' ');
        const std::string_view token = list.substr(0, blank);
        if (!token.empty() && EndsWith(name, token)) {
            return true;
        }
        if (blank == std::string_view::npos) {
            break;
        }
        list.remove_prefix(blank + 1);
    }
    return false;
}

std::string GetTextModeList()
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

bool IsTextModeFile(const std::string& name)
{
    return EndsWithListedEnding(name, GetTextModeList());
}

TransferMode GetStoredTransferMode()
{
    CRegistryKey key;
    if (key.Open(RegistryRoot::CurrentUser, kSettingsKeyPathUpper) != kRegOk) {
        return TransferMode::Binary;
    }
    std::uint32_t value = 0;
    if (key.GetDword(kModeValue, value) == kRegOk && value <= 2) {
        return static_cast<TransferMode>(value);
    }
    std::uint32_t automatic = 0;
    const long status = key.GetDword("AutoTransferMode", automatic);
    if (status == kRegNotFound) {
        return TransferMode::Binary;
    }
    return status == kRegOk && automatic == 1 ? TransferMode::Auto : TransferMode::Text;
}

bool SetStoredTransferMode(TransferMode mode)
{
    CRegistryKey key;
    if (key.Open(RegistryRoot::CurrentUser, kSettingsKeyPathUpper) != kRegOk) {
        return false;
    }
    const bool stored = key.SetDword(kModeValue, static_cast<std::uint32_t>(mode)) == kRegOk;
    return key.SetDword("AutoTransferMode", mode == TransferMode::Auto ? 1 : 0) == kRegOk && stored;
}

} // namespace tarnwick

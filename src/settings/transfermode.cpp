#include "settings/transfermode.h"

#include "core/strutil.h"
#include "settings/settings.h"

namespace tarnwick {

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

bool IsTextModeFile(const std::string& name)
{
    return EndsWithListedEnding(name, GetSettingText("AutoTransferModeList"));
}

} // namespace tarnwick

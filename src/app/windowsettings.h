// CWindowSettings: the options as the window's commands read them. On a fresh store the name
// endings of automatic mode are the list the options page shows ("txt html htm cgi pl"); a
// list the user stored, even an empty one, is taken as it is.
#pragma once

#include <string>

#include "session/storedsettings.h"

namespace tarnwick {

class CWindowSettings : public CStoredSettings {
public:
    std::string TextModeList() override;
};

// AutoTransferModeList, or the default list when none is stored.
[[nodiscard]] std::string StoredTextModeList();

} // namespace tarnwick

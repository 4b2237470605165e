// CFixedSettings: options given once, for a session that must not touch the settings file
// (tarnwick-cli without a profile). Nothing is asked, no dial-up.
#pragma once

#include "session/sessionsettings.h"
#include "settings/transfermode.h"

namespace tarnwick {

class CFixedSettings : public CSessionSettings {
public:
    FtpConnectOptions ConnectOptions() override { return connect; }
    bool CheckOverwrite() override { return false; }
    bool AutoTransferMode() override { return autoTransferMode; }
    std::string TextModeList() override { return textModeList; }
    bool UseAutoDialUp() override { return false; }
    std::string AutoDialUpName() override { return std::string(); }

    FtpConnectOptions connect;
    bool autoTransferMode = false;
    std::string textModeList = kDefaultTextModeList;
};

} // namespace tarnwick
